#pragma once

class QWidget;

namespace mirello {

// Esc in `window` leaves full screen first and otherwise closes the window, as it
// closes the program's dialogs.
void closeOnEscape(QWidget& window);

} // namespace mirello
