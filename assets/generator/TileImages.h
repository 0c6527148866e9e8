#pragma once

#include "Glyphs.h"
#include "Tile.h"

#include <QImage>
#include <QPoint>

namespace mirello {

// Side of every button face and animation frame, in pixels.
inline constexpr int FaceSize = 32;

// A face as an opaque 24-bit picture: the tile is painted over the part of the
// window's background that the button covers, so its curved corners blend in.
QImage faceOverBackground(Glyph glyph, TileShade shade, const QImage& background, QPoint at);

// A resting tile with its glyph on a transparent square of side `size`.
QImage tileOnTransparency(Glyph glyph, int size);

} // namespace mirello
