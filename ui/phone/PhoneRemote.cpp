#include "PhoneRemote.h"

#include "lesson/BreakLock.h"
#include "lesson/Lesson.h"
#include "lesson/Settings.h"
#include "PhoneWindow.h"
#include "platform/Paths.h"
#include "remote/LocalAddresses.h"
#include "remote/PhoneState.h"
#include "ui/widgets/OpenWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView PairedKey = u"phone/paired";
constexpr QStringView AddressKey = u"phone/address";
constexpr QStringView PortKey = u"phone/port";
constexpr quint16 DefaultPort = 8765;
// On when the program last ended: the next start listens again where it did.
constexpr QStringView OnKey = u"phone/on";

} // namespace

PhoneRemote::PhoneRemote(QWidget* mainWindow, Lesson& lesson, const Clock& clock)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_lesson(lesson)
    , m_settings(lesson.settings())
    , m_phones(clock, {})
    , m_pairing(clock)
{
    m_server = new PhoneServer(
        m_phones, m_pairing, clock,
        [&lesson](const RemoteCommand& command) { return lesson.carryOut({command}); }, this);
    connect(m_server, &PhoneServer::pairingAsked, this, &PhoneRemote::confirm);
    connect(m_server, &PhoneServer::phonesChanged, this, &PhoneRemote::keepPhones);
    connect(&lesson, &Lesson::viewChanged, this, &PhoneRemote::publishSoon);
    // Read again only when it changes: a class of a thousand is not listed at every tick.
    for (const auto changed : {&Lesson::classLoaded, &Lesson::marksChanged}) {
        connect(&lesson, changed, this, [this] {
            m_attendance = m_lesson.session().attendance();
            publishSoon();
        });
    }
    m_attendance = lesson.session().attendance();
}

// The key that signs the kept phones is read, or made, only once the teacher uses the
// remote; without it, today's phones last until Mirello closes.
void PhoneRemote::takeKeptPhones()
{
    if (std::exchange(m_phonesTaken, true))
        return;
    const QString folder = pathInFolder(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation), u"mirello"_s);
    Result<QByteArray> key = PairedPhones::keyIn(folder);
    if (!key)
        Q_EMIT failed(key.error());
    m_phones.setKey(key ? std::move(key).value() : PairedPhones::randomKey());
    m_phones.takeBytes(m_settings.bytes(PairedKey));
}

void PhoneRemote::showWindow()
{
    switchOnAsLast();
    openWindow(m_window, [this] {
        auto* window = new PhoneWindow(m_phones, m_mainWindow);
        connect(window, &PhoneWindow::placeChosen, this,
                [this](const QString& address, quint16 port) {
                    m_settings.setBytes(AddressKey, address.toUtf8());
                    m_settings.setBytes(PortKey, QByteArray::number(port));
                    switchOn(address, port);
                });
        connect(window, &PhoneWindow::switchOffAsked, this, &PhoneRemote::switchOff);
        connect(window, &PhoneWindow::revokeAsked, m_server, &PhoneServer::revoke);
        return window;
    });
    m_window->showServer(m_server->isListening() ? m_server->pageUrl() : QUrl(), m_pairing.code());
}

void PhoneRemote::resume()
{
    if (m_settings.flag(OnKey))
        switchOnAsLast();
}

void PhoneRemote::switchOnAsLast()
{
    takeKeptPhones();
    if (m_server->isListening())
        return;
    const QString address = QString::fromUtf8(m_settings.bytes(AddressKey));
    const int port = m_settings.bytes(PortKey).toInt();
    switchOn(address.isEmpty() ? defaultLocalAddress().toString() : address,
             port > 0 && port < 65536 ? quint16(port) : DefaultPort);
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
        // The port actually taken: after a restart the phones find the page where it was.
        m_settings.setBytes(PortKey, QByteArray::number(m_server->pageUrl().port()));
        m_settings.setFlag(OnKey, true);
        publishIfChanged();
        Q_EMIT notice(u"手机遥控已开启：用手机扫描“手机遥控”窗口中的二维码"_s);
    }
    if (m_window)
        m_window->showServer(m_server->isListening() ? m_server->pageUrl() : QUrl(),
                             m_pairing.code());
}

void PhoneRemote::switchOff()
{
    m_settings.setFlag(OnKey, false);
    m_server->close();
    if (m_window)
        m_window->close();
    Q_EMIT notice(u"手机遥控已关闭"_s);
}

// A window of its own that never takes the focus from the slides and answers no key:
// a clicker's arrow or Space, or a letter typed anywhere, lets no phone in; only a
// click or touch on 允许 does. The two digits match those on the phone in the teacher's hand.
void PhoneRemote::confirm(const QString& request, const QString& phone, const QString& check)
{
    // A student at the board between lessons lets no phone in.
    if (m_lesson.breakLock().refusalOf(Feature::PhoneRemote)) {
        m_server->answerPairing(request, false);
        return;
    }
    if (m_question)
        m_question->close(); // its request is gone: one waits at a time
    auto* box = new QWidget(m_mainWindow,
                            Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    box->setObjectName(u"PhonePairingConfirm"_s);
    box->setWindowTitle(u"允许这部手机？"_s);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setFocusPolicy(Qt::NoFocus);
    auto* text = new QLabel(u"有一部手机请求遥控 Mirello：\n"_s + phone +
                                u"\n\n请确认它显示的数字与下面相同，并且是您自己的手机。"
                                u"允许后，它今天可以抽取并记录成绩。"_s,
                            box);
    text->setWordWrap(true);
    auto* digits = new QLabel(check, box);
    digits->setObjectName(u"PhonePairingCheck"_s);
    digits->setAlignment(Qt::AlignCenter);
    QFont large = digits->font();
    large.setPointSize(large.pointSize() * 4);
    large.setBold(true);
    digits->setFont(large);
    auto* allow = new QPushButton(u"允许"_s, box);
    allow->setObjectName(u"PhonePairingAllow"_s);
    auto* refuse = new QPushButton(u"拒绝"_s, box);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {allow, refuse}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoDefault(false);
        button->setMinimumHeight(56); // a finger on the board
        buttons->addWidget(button, 1);
    }
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(text);
    layout->addWidget(digits);
    layout->addLayout(buttons);
    // Closed any other way than by 允许, the phone is refused.
    auto answered = std::make_shared<bool>(false);
    connect(allow, &QPushButton::clicked, this, [this, box, request, answered] {
        *answered = true;
        m_server->answerPairing(request, true);
        box->close();
    });
    connect(refuse, &QPushButton::clicked, box, &QWidget::close);
    connect(box, &QObject::destroyed, this, [this, request, answered] {
        if (!*answered)
            m_server->answerPairing(request, false);
    });
    QTimer::singleShot(Pairing::RequestLife, box, &QWidget::close);
    m_question = box;
    box->adjustSize();
    // In the middle of the teacher's screen: the main window may be small, in a corner.
    box->move(m_mainWindow->screen()->availableGeometry().center() - box->rect().center());
    box->show();
}

void PhoneRemote::keepPhones()
{
    m_settings.setBytes(PairedKey, m_phones.toBytes());
    if (m_window) {
        m_window->showPhones();
        m_window->showServer(m_server->isListening() ? m_server->pageUrl() : QUrl(),
                             m_pairing.code()); // a used code is new
    }
}

// The windows show a change at once; the phones get it once the event loop comes
// back, in one message for all the changes of one step.
void PhoneRemote::publishSoon()
{
    if (!m_server->isListening() || std::exchange(m_publishing, true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_publishing = false;
            publishIfChanged();
        },
        Qt::QueuedConnection);
}

void PhoneRemote::publishIfChanged()
{
    const QJsonObject state = phoneState(m_lesson.view(), m_attendance);
    if (state == m_published)
        return;
    m_published = state;
    m_server->publish(state);
}

} // namespace mirello
