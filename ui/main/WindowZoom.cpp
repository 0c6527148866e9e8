#include "WindowZoom.h"

#include "ui/widgets/FittedText.h"

#include <algorithm>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>

namespace mirello {

namespace {

// Kept free between a text's end and the window's right edge, at 100 %.
constexpr int EdgeMargin = 4;

QRect scaledRect(const QRect& rect, qreal factor)
{
    return QRect(qRound(rect.x() * factor), qRound(rect.y() * factor),
                 qRound(rect.width() * factor), qRound(rect.height() * factor));
}

} // namespace

int nextZoom(int percent, int direction)
{
    const auto* step = std::find(std::begin(ZoomSteps), std::end(ZoomSteps), validZoom(percent));
    const auto index = std::clamp<std::ptrdiff_t>(step - std::begin(ZoomSteps) + direction, 0,
                                                  std::size(ZoomSteps) - 1);
    return ZoomSteps[index];
}

int validZoom(int percent)
{
    return std::ranges::find(ZoomSteps, percent) != std::end(ZoomSteps) ? percent : 100;
}

WindowZoom::WindowZoom(QWidget& window)
    : m_window(window)
{
}

void WindowZoom::takeDesign(const QList<QWidget*>& controls, const QList<QLabel*>& sizedToText)
{
    m_designSize = m_window.size();
    for (QWidget* control : controls) {
        m_designs.append({control, control->geometry(), control->font()});
        if (auto* label = qobject_cast<QLabel*>(control); label && !pixmapOf(label).isNull())
            m_pictures.insert(label, pixmapOf(label));
    }
    m_sizedToText = sizedToText;
}

void WindowZoom::setPicture(QLabel& label, const QPixmap& picture)
{
    m_pictures.insert(&label, picture);
    label.setPixmap(zoomed(picture));
}

// The label keeps its zoomed place and the height of its zoomed font; only a text too
// wide for the rest of the window is set in a smaller font.
void WindowZoom::setSizedText(QLabel& label, const QString& text)
{
    const Design& design = designOf(label);
    const QFont font = zoomed(design.font);
    const QPoint place = scaledRect(design.geometry, factor()).topLeft();
    const int room = m_window.width() - place.x() - qRound(EdgeMargin * factor());
    // Measured once on each tick of the draw; a second time only for a name too wide.
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    int width = metrics.horizontalAdvance(text);
    QFont shown = font;
    if (width > room) {
        shown.setPixelSize(FittedText::fittingPixelSize(font, text, QSizeF(room, lineHeight)));
        width = QFontMetrics(shown).horizontalAdvance(text);
    }
    label.setFont(shown);
    label.setText(text);
    label.setGeometry(place.x(), place.y(), width, lineHeight);
}

void WindowZoom::zoomTo(int percent)
{
    m_percent = validZoom(percent);
    m_window.setFixedSize(m_designSize * factor());
    for (const Design& design : std::as_const(m_designs)) {
        design.control->setFont(zoomed(design.font));
        design.control->setGeometry(scaledRect(design.geometry, factor()));
    }
    for (QLabel* label : std::as_const(m_sizedToText))
        setSizedText(*label, label->text());
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it)
        it.key()->setPixmap(zoomed(it.value()));
}

const WindowZoom::Design& WindowZoom::designOf(const QWidget& control) const
{
    return *std::ranges::find(m_designs, &control, &Design::control);
}

QFont WindowZoom::zoomed(const QFont& font) const
{
    QFont result = font;
    if (font.pointSizeF() > 0)
        result.setPointSizeF(font.pointSizeF() * factor());
    else
        result.setPixelSize(qRound(font.pixelSize() * factor()));
    return result;
}

QPixmap WindowZoom::zoomed(const QPixmap& picture) const
{
    if (m_percent == 100 && picture.devicePixelRatio() == 1)
        return picture;
    const qreal ratio = m_window.devicePixelRatioF();
    const QSize size =
        (QSizeF(picture.size()) / picture.devicePixelRatio() * factor() * ratio).toSize();
    if (size == picture.size()) { // drawn for this zoom already
        QPixmap same = picture;
        same.setDevicePixelRatio(ratio);
        return same;
    }
    // Bilinear through the painter, which is several times faster than
    // QPixmap::scaled()'s smooth scaling, and as smooth when enlarging.
    QImage result(size, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(result.rect(), picture);
    painter.end();
    result.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(result));
}

} // namespace mirello
