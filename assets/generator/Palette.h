#pragma once

#include <QColor>

namespace mirello {

// The colours every drawing shares, so faces, icons and the logo read as one family.
namespace palette {

// Button tiles: a top-to-bottom gradient; the pointer-over shade is clearly lighter.
inline constexpr QRgb TileTop = qRgb(0x3D, 0x7F, 0xCC);
inline constexpr QRgb TileBottom = qRgb(0x22, 0x5A, 0xA3);
inline constexpr QRgb TileEdge = qRgb(0x1B, 0x4B, 0x8A);
inline constexpr QRgb HoverTop = qRgb(0x7C, 0xB5, 0xF0);
inline constexpr QRgb HoverBottom = qRgb(0x55, 0x93, 0xDB);
inline constexpr QRgb HoverEdge = qRgb(0x3F, 0x7B, 0xC4);
inline constexpr QRgb Glyph = qRgb(0xFF, 0xFF, 0xFF);

// The winter scene: pale sky, misty blue distance, snow, blue-grey bark, a muted hut.
inline constexpr QRgb SkyTop = qRgb(0xD3, 0xE2, 0xF1);
inline constexpr QRgb SkyHorizon = qRgb(0xF1, 0xF5, 0xFA);
inline constexpr QRgb DistantHill = qRgb(0xDA, 0xE4, 0xEF);
inline constexpr QRgb Snow = qRgb(0xF9, 0xFB, 0xFD);
inline constexpr QRgb SnowShadow = qRgb(0xDF, 0xE8, 0xF2);
inline constexpr QRgb Bark = qRgb(0x6E, 0x7E, 0x93);
inline constexpr QRgb HutWall = qRgb(0x9A, 0x8E, 0x86);
inline constexpr QRgb HutDoor = qRgb(0x6F, 0x63, 0x5D);
inline constexpr QRgb HutWindow = qRgb(0xF3, 0xDE, 0xA8);

// The maker's logo.
inline constexpr QRgb LogoInk = qRgb(0x1F, 0x3F, 0x6B);
inline constexpr QRgb LogoPaperTop = qRgb(0xFF, 0xFF, 0xFF);
inline constexpr QRgb LogoPaperBottom = qRgb(0xE8, 0xF0, 0xF9);

} // namespace palette

} // namespace mirello
