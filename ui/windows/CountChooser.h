#pragma once

#include <functional>

class QWidget;

namespace mirello {

// Asks over `window` how many students each Pause draws, as a button for each count
// from 1 to `most` (a finger taps, nobody types at a board), `current` pressed; a tap
// hands the count to `take`. Window-modal and opened without waiting.
void askSeveralCount(QWidget* window, int current, int most, std::function<void(int)> take);

} // namespace mirello
