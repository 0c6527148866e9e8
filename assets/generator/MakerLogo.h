#pragma once

#include <QImage>
#include <QSize>

namespace mirello {

inline constexpr QSize AboutLogoSize(124, 78);

// The About window's picture: the maker's mark and the word "Mirello" across the top,
// with the lower right left plain for the one-line credit the window writes there.
QImage makerLogo();

} // namespace mirello
