#pragma once

#include <QPointer>
#include <QWidget>

namespace mirello {

// Brings the window kept in `kept` to the front, made by `make` when there is none
// (or it was closed, which deletes it).
template <typename Window, typename Make>
Window& openWindow(QPointer<Window>& kept, Make make)
{
    if (!kept) {
        kept = make();
        kept->setAttribute(Qt::WA_DeleteOnClose);
    }
    kept->show();
    kept->raise();
    kept->activateWindow();
    return *kept;
}

} // namespace mirello
