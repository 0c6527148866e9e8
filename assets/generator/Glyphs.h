#pragma once

class QPainter;

namespace mirello {

// The white symbols that sit on the blue tiles. The three search frames show the
// magnifying glass at three places, so the animation visibly moves.
enum class Glyph
{
    Start,
    Pause,
    Ok,
    SearchFrame1,
    SearchFrame2,
    SearchFrame3,
    PersonOutline,
    PersonRaisingHand
};

// Paints `glyph` into the box (0, 0)–(32, 32); scale the painter for other sizes.
void paintGlyph(QPainter& painter, Glyph glyph);

} // namespace mirello
