#include "PhoneWindow.h"

#include "remote/LocalAddresses.h"
#include "remote/PairedPhones.h"
#include "remote/QrCode.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int QuietModules = 4;
constexpr int ModulePixels = 8;

QPixmap drawQrCode(const QByteArray& text)
{
    const QrCode code = encodeQrCode(text);
    const int side = code.width + 2 * QuietModules;
    QImage image(side, side, QImage::Format_Mono);
    image.fill(1);
    for (int y = 0; y < code.width; ++y) {
        for (int x = 0; x < code.width; ++x) {
            if (code.dark(x, y))
                image.setPixel(x + QuietModules, y + QuietModules, 0);
        }
    }
    return QPixmap::fromImage(image.scaled(side * ModulePixels, side * ModulePixels));
}

} // namespace

PhoneWindow::PhoneWindow(const PairedPhones& phones, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_phones(phones)
    , m_qrCode(new QLabel(this))
    , m_code(new QLabel(this))
    , m_address(new QLabel(this))
{
    setObjectName(u"PhoneWindow"_s);
    setWindowTitle(u"手机遥控"_s);
    m_qrCode->setObjectName(u"PhoneQrCode"_s);
    m_qrCode->setAlignment(Qt::AlignCenter);
    m_code->setObjectName(u"PhoneCode"_s);
    m_code->setAlignment(Qt::AlignCenter);
    QFont large = font();
    large.setPointSize(large.pointSize() * 3);
    large.setBold(true);
    m_code->setFont(large);
    m_address->setObjectName(u"PhoneAddress"_s);
    m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_address->setAlignment(Qt::AlignCenter);
    auto* off = new QPushButton(u"关闭手机遥控"_s, this);
    connect(off, &QPushButton::clicked, this, &PhoneWindow::switchOffAsked);
    auto* notes = new QLabel(
        u"用手机浏览器（微信里也可以）扫描二维码，或打开上面的地址、输入六位配对码；每部新手机"
        u"都要在这台电脑上点“允许”。手机和电脑须在同一网络：有的学校 Wi-Fi 把设备相互隔开，"
        u"这时可以连接电脑开的热点。Windows 第一次会询问是否允许 Mirello 使用网络，需管理员允许。"_s,
        this);
    notes->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_qrCode);
    layout->addWidget(m_code);
    layout->addWidget(m_address);
    layout->addWidget(notes);
    layout->addWidget(createPlace());
    layout->addWidget(createPhones());
    layout->addWidget(off, 0, Qt::AlignRight);
    showPhones();
}

QWidget* PhoneWindow::createPlace()
{
    auto* place = new QWidget(this);
    m_network = new QComboBox(place);
    for (const LocalAddress& local : localAddresses())
        m_network->addItem(local.address.toString() + u"（"_s + local.network + u"）"_s,
                           local.address.toString());
    m_port = new QSpinBox(place);
    m_port->setRange(1024, 65535);
    auto* apply = new QPushButton(u"在此监听"_s, place);
    connect(apply, &QPushButton::clicked, this, [this] {
        Q_EMIT placeChosen(m_network->currentData().toString(), quint16(m_port->value()));
    });
    auto* row = new QHBoxLayout(place);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(u"网络："_s, place));
    row->addWidget(m_network, 1);
    row->addWidget(new QLabel(u"端口："_s, place));
    row->addWidget(m_port);
    row->addWidget(apply);
    return place;
}

QWidget* PhoneWindow::createPhones()
{
    auto* box = new QWidget(this);
    m_list = new QTreeWidget(box);
    m_list->setObjectName(u"PairedPhones"_s);
    m_list->setHeaderLabels({u"已配对的手机"_s, u"配对时间"_s, u"失效时间"_s});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    auto* revoke = new QPushButton(u"取消配对"_s, box);
    connect(revoke, &QPushButton::clicked, this, [this] {
        if (QTreeWidgetItem* item = m_list->currentItem())
            Q_EMIT revokeAsked(item->data(0, Qt::UserRole).toByteArray());
    });
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    layout->addWidget(revoke, 0, Qt::AlignRight);
    return box;
}

void PhoneWindow::showServer(const QUrl& page, const QString& code)
{
    if (page.isEmpty()) {
        m_qrCode->setPixmap({});
        m_qrCode->setText(u"手机遥控没有开启"_s);
        m_code->clear();
        m_address->clear();
        return;
    }
    m_qrCode->setPixmap(drawQrCode(page.toEncoded()));
    m_code->setText(code);
    m_address->setText(page.toString(QUrl::RemoveFragment));
    m_network->setCurrentIndex(std::max(0, m_network->findData(page.host())));
    m_port->setValue(page.port());
}

void PhoneWindow::showPhones()
{
    m_list->clear();
    for (const PairedPhones::Phone& phone : m_phones.phones()) {
        // In full: an expiry years ahead must show as such.
        auto* item =
            new QTreeWidgetItem({phone.description, phone.pairedAt.toString(u"yyyy-MM-dd HH:mm"_s),
                                 phone.expires.toString(u"yyyy-MM-dd HH:mm"_s)});
        item->setData(0, Qt::UserRole, phone.tokenHash);
        m_list->addTopLevelItem(item);
    }
}

} // namespace mirello
