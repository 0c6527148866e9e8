#pragma once

#include <QPointer>
#include <QWidget>

namespace mirello {

// Esc in `window` leaves full screen first and otherwise closes the window, as it
// closes the program's dialogs.
void closeOnEscape(QWidget& window);

// Brings the window kept in `kept` to the front, made by `make` when there is none
// (or it was closed, which deletes it); Esc closes it.
template <typename Window, typename Make>
Window& openWindow(QPointer<Window>& kept, Make make)
{
    if (!kept) {
        kept = make();
        kept->setAttribute(Qt::WA_DeleteOnClose);
        closeOnEscape(*kept);
    }
    kept->show();
    kept->raise();
    kept->activateWindow();
    return *kept;
}

} // namespace mirello
