#pragma once

#include <future>

namespace mirello {

// Starts reading the system's list of fonts on a thread of its own, while the rest of
// the program starts; the first window waits for it before it lays out its text. On
// Linux that list is fontconfig's, a quarter of what a start costs before the window
// paints; Windows keeps its list ready, and nothing is done there.
std::future<void> startReadingFontList();

} // namespace mirello
