#include "PhoneRemote.h"

#include "lesson/Settings.h"
#include "remote/LocalAddresses.h"
#include "ui/phone/PhoneWindow.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView PairedKey = u"phone/paired";
constexpr QStringView AddressKey = u"phone/address";
constexpr QStringView PortKey = u"phone/port";
constexpr quint16 DefaultPort = 8765;
// The window changes what it shows in many ways; looking at the little a phone shows
// this often is cheaper than following each, and quick enough for a teacher's eye.
constexpr int WatchMs = 100;

} // namespace

PhoneRemote::PhoneRemote(QWidget* mainWindow, Settings& settings, const Clock& clock,
                         PhoneServer::CarryOut carryOut, State state)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_settings(settings)
    , m_phones(clock)
    , m_pairing(clock)
    , m_state(std::move(state))
    , m_watch(new QTimer(this))
{
    m_phones.takeBytes(m_settings.bytes(PairedKey));
    // What the phone's action changed goes out once the windows have painted it: the
    // projector first.
    m_server = new PhoneServer(
        m_phones, m_pairing,
        [this, carryOut = std::move(carryOut)](const RemoteCommand& command) {
            const QString failure = carryOut(command);
            QMetaObject::invokeMethod(this, &PhoneRemote::publishIfChanged, Qt::QueuedConnection);
            return failure;
        },
        this);
    connect(m_server, &PhoneServer::pairingAsked, this, &PhoneRemote::confirm);
    connect(m_server, &PhoneServer::phonesChanged, this, &PhoneRemote::keepPhones);
    m_watch->setInterval(WatchMs);
    connect(m_watch, &QTimer::timeout, this, &PhoneRemote::publishIfChanged);
}

void PhoneRemote::showWindow()
{
    if (!m_server->isListening()) {
        const QString address = QString::fromUtf8(m_settings.bytes(AddressKey));
        const int port = m_settings.bytes(PortKey).toInt();
        switchOn(address.isEmpty() ? defaultLocalAddress().toString() : address,
                 port > 0 && port < 65536 ? quint16(port) : DefaultPort);
    }
    if (!m_window) {
        m_window = new PhoneWindow(m_phones, m_mainWindow);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_window, &PhoneWindow::placeChosen, this,
                [this](const QString& address, quint16 port) {
                    m_settings.setBytes(AddressKey, address.toUtf8());
                    m_settings.setBytes(PortKey, QByteArray::number(port));
                    switchOn(address, port);
                });
        connect(m_window, &PhoneWindow::switchOffAsked, this, &PhoneRemote::switchOff);
        connect(m_window, &PhoneWindow::revokeAsked, m_server, &PhoneServer::revoke);
    }
    m_window->showServer(m_server->isListening() ? m_server->pageUrl() : QUrl(), m_pairing.code());
    m_window->show();
    m_window->raise();
}

void PhoneRemote::switchOn(const QString& address, quint16 port)
{
    std::optional<QString> failure = m_server->listen(QHostAddress(address), port);
    // Another program on the port: any free one will do, as the QR code names it.
    if (failure && !m_server->listen(QHostAddress(address), 0))
        failure.reset();
    if (failure) {
        Q_EMIT failed(Error{u"手机遥控无法在 "_s + address + u':' + QString::number(port) +
                                u" 上开启，请在“手机遥控”窗口中换一个网络或端口。"_s,
                            *failure});
    } else {
        m_watch->start();
        Q_EMIT notice(u"手机遥控已开启：用手机扫描“手机遥控”窗口中的二维码"_s);
    }
    if (m_window)
        m_window->showServer(m_server->isListening() ? m_server->pageUrl() : QUrl(),
                             m_pairing.code());
}

void PhoneRemote::switchOff()
{
    m_server->close();
    m_watch->stop();
    if (m_window)
        m_window->close();
    Q_EMIT notice(u"手机遥控已关闭"_s);
}

// A window of its own that takes no focus from the slides; the board's touch answers it.
void PhoneRemote::confirm(const QString& request, const QString& phone)
{
    if (m_window)
        m_window->showServer(m_server->pageUrl(), m_pairing.code());
    auto* box = new QMessageBox(QMessageBox::Question, u"允许这部手机？"_s,
                                u"有一部手机请求遥控 Mirello：\n\n"_s + phone +
                                    u"\n\n这是您自己的手机吗？允许后，它今天可以抽取并记录成绩。"_s,
                                QMessageBox::NoButton, m_mainWindow);
    box->setObjectName(u"PhonePairingConfirm"_s);
    box->addButton(u"允许(&A)"_s, QMessageBox::AcceptRole);
    box->setDefaultButton(box->addButton(u"拒绝(&R)"_s, QMessageBox::RejectRole));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    connect(box, &QMessageBox::finished, this, [this, box, request] {
        m_server->answerPairing(request,
                                box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole);
    });
    box->open();
}

void PhoneRemote::keepPhones()
{
    m_settings.setBytes(PairedKey, m_phones.toBytes());
    if (m_window)
        m_window->showPhones();
}

void PhoneRemote::showCountdown(const QString& text)
{
    m_countdown = text;
}

void PhoneRemote::publishIfChanged()
{
    QJsonObject state = m_state();
    state.insert(u"timer"_s, m_countdown);
    if (state == m_published)
        return;
    m_published = state;
    m_server->publish(state);
}

} // namespace mirello
