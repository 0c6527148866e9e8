#include "platform/WindowActivation.h"

#include <windows.h>

namespace mirello {

// Without WS_EX_NOACTIVATE a click on the window activates it, and the slide show
// behind it loses the keys of the presenter's clicker.
void refuseActivation(quintptr nativeWindow)
{
    const auto window = reinterpret_cast<HWND>(nativeWindow);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, style | WS_EX_NOACTIVATE);
}

} // namespace mirello
