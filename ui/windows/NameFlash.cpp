#include "NameFlash.h"

#include "platform/KeptAbove.h"
#include "platform/WindowActivation.h"
#include "ui/widgets/FittedText.h"
#include "ui/widgets/Fonts.h"

#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Long enough to read a name out and look up from the slides.
constexpr int ShownAfterDrawMilliseconds = 5000;

} // namespace

NameFlash::NameFlash(QScreen* screen)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | keptAboveFlags())
    , m_name(new FittedText(chineseFont(TypeStyle::Kai, 12, QFont::Bold), this))
{
    setObjectName(u"NameFlash"_s);
    setWindowTitle(u"Mirello 点名"_s);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xff, 0xfb, 0xe6));
    colours.setColor(QPalette::WindowText, QColor(0x10, 0x10, 0x10));
    setPalette(colours);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 12, 24, 12);
    layout->addWidget(m_name);
    // A third of the screen's width, in its upper part, where slides have their title
    // rather than their content.
    const QRect area = screen->availableGeometry();
    setGeometry(QRect(0, 0, area.width() / 3, area.height() / 5)
                    .translated(area.left() + area.width() / 3, area.top() + area.height() / 8));
    m_hide.setSingleShot(true);
    m_hide.setInterval(ShownAfterDrawMilliseconds);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
    keepAbove(winId(), this);
}

void NameFlash::showName(const QString& name, bool drawing)
{
    m_name->setText(name);
    if (drawing)
        m_hide.stop();
    else
        m_hide.start();
    show();
}

void NameFlash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refuseActivation(winId());
}

void NameFlash::mousePressEvent(QMouseEvent*)
{
    hide();
}

} // namespace mirello
