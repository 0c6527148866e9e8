#include "PanelStatusBar.h"

#include <algorithm>
#include <QPainter>

namespace mirello {

namespace {

constexpr int PanelInset = 2;
constexpr int TextGap = 4;

} // namespace

PanelStatusBar::PanelStatusBar(const QPixmap& picture, QWidget* parent)
    : QWidget(parent)
    , m_picture(picture)
{
    setAttribute(Qt::WA_NoMousePropagation);
    setAutoFillBackground(true);
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] {
        m_notice.clear();
        update();
    });
}

void PanelStatusBar::setPanelText(const QString& text)
{
    m_text = text;
    update();
}

void PanelStatusBar::showNotice(const QString& notice, std::chrono::milliseconds duration)
{
    m_notice = notice;
    m_noticeTimer.start(duration);
    update();
}

const QString& PanelStatusBar::shownText() const
{
    return m_notice.isEmpty() ? m_text : m_notice;
}

void PanelStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);
    const int pictureTop = std::max(1, (height() - m_picture.height()) / 2);
    painter.drawPixmap(PanelInset, pictureTop, m_picture);
    const QRect textArea = rect().adjusted(PanelInset + m_picture.width() + TextGap, 1, 0, 0);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

} // namespace mirello
