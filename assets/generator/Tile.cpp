#include "Tile.h"

#include "Palette.h"

#include <QLinearGradient>
#include <QPainter>

namespace mirello {

namespace {

QLinearGradient tileGradient(const QRectF& bounds, TileShade shade)
{
    const bool resting = shade == TileShade::Resting;
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
    gradient.setColorAt(0, QColor(resting ? palette::TileTop : palette::HoverTop));
    gradient.setColorAt(1, QColor(resting ? palette::TileBottom : palette::HoverBottom));
    return gradient;
}

} // namespace

void paintTile(QPainter& painter, const QRectF& bounds, TileShade shade)
{
    // A half-pixel inset puts the one-pixel edge on whole pixels.
    const QRectF tile = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = bounds.width() * 0.22;
    const QColor edge(shade == TileShade::Resting ? palette::TileEdge : palette::HoverEdge);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(edge, 1.0));
    painter.setBrush(tileGradient(bounds, shade));
    painter.drawRoundedRect(tile, radius, radius);
    // A faint sheen along the top edge gives the tile some depth.
    painter.setPen(QPen(QColor(255, 255, 255, 70), 1.0));
    painter.drawLine(QPointF(tile.left() + radius, tile.top() + 1),
                     QPointF(tile.right() - radius, tile.top() + 1));
    painter.restore();
}

} // namespace mirello
