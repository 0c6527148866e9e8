#include "PanelStatusBar.h"

#include <algorithm>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

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

void PanelStatusBar::setZoom(qreal factor)
{
    m_zoom = factor;
    update();
}

QRect PanelStatusBar::textArea() const
{
    const qreal left = (PanelInset + m_picture.width() + TextGap) * m_zoom;
    return rect().adjusted(qRound(left), 1, 0, 0);
}

bool PanelStatusBar::textCut() const
{
    return fontMetrics().horizontalAdvance(shownText()) > textArea().width();
}

// The whole text comes before the hint of what the panel offers.
bool PanelStatusBar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && textCut()) {
        const QString hint = toolTip().isEmpty() ? QString() : u'\n' + toolTip();
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), shownText() + hint, this);
        return true;
    }
    return QWidget::event(event);
}

void PanelStatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);
    const QSizeF picture = QSizeF(m_picture.size()) * m_zoom;
    const qreal pictureTop = std::max<qreal>(1, (height() - picture.height()) / 2);
    painter.drawPixmap(QRectF(QPointF(PanelInset * m_zoom, pictureTop), picture), m_picture,
                       m_picture.rect());
    const QRect area = textArea();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(shownText(), Qt::ElideRight, area.width()));
}

} // namespace mirello
