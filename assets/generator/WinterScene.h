#pragma once

#include <QImage>
#include <QSize>

namespace mirello {

inline constexpr QSize BackgroundSize(392, 265);

// The main window's background: a pale, misty winter field with bare trees and a
// small hut. The top-left part, where the window's texts sit, is kept light and calm;
// the trees and the hut stand along the right edge. `scale` 2 draws it at twice the
// size, for a main window zoomed to 200 %.
QImage winterScene(int scale = 1);

} // namespace mirello
