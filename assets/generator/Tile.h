#pragma once

#include <QRectF>

class QPainter;

namespace mirello {

// Resting faces use the deep blue; the face shown while the pointer is over a button
// uses a clearly lighter blue.
enum class TileShade
{
    Resting,
    PointerOver
};

// Paints the blue square tile with curved corners that fills `bounds`.
void paintTile(QPainter& painter, const QRectF& bounds, TileShade shade);

} // namespace mirello
