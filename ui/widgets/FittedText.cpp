#include "FittedText.h"

#include <algorithm>
#include <QFontMetricsF>
#include <QPainter>

namespace mirello {

namespace {

constexpr int ProbePixels = 100;

} // namespace

FittedText::FittedText(const QFont& font, QWidget* parent)
    : QWidget(parent)
    , m_font(font)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void FittedText::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

// Text widths grow almost in proportion to the size; the last steps down absorb
// what hinting adds.
int FittedText::fittingPixelSize(const QFont& font, const QString& text, QSizeF box)
{
    QFont probe = font;
    probe.setPixelSize(ProbePixels);
    const QFontMetricsF probed(probe);
    const qreal width = std::max<qreal>(1, probed.horizontalAdvance(text));
    int size = int(ProbePixels * std::min(box.width() / width, box.height() / probed.height()));
    for (; size > 1; --size) {
        probe.setPixelSize(size);
        const QFontMetricsF metrics(probe);
        if (metrics.horizontalAdvance(text) <= box.width() && metrics.height() <= box.height())
            break;
    }
    return std::max(size, 1);
}

QRect FittedText::textRect() const
{
    if (m_text.isEmpty())
        return {};
    QFont font = m_font;
    font.setPixelSize(fittingPixelSize(m_font, m_text, size()));
    return QFontMetrics(font).boundingRect(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

void FittedText::paintEvent(QPaintEvent*)
{
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    QFont font = m_font;
    font.setPixelSize(fittingPixelSize(m_font, m_text, size()));
    painter.setFont(font);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

} // namespace mirello
