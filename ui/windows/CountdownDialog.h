#pragma once

#include <chrono>
#include <functional>

class QWidget;

namespace mirello {

// Asks over `window` how long the countdown runs, again with the reason while the
// entry is refused, and hands the duration to `take`. Window-modal and opened
// without waiting, so the draw's timer and the countdown's go on while the teacher types.
void askCountdownDuration(QWidget* window, std::function<void(std::chrono::seconds)> take);

} // namespace mirello
