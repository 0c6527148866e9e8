#include "platform/WindowActivation.h"

namespace mirello {

// X11 window managers keep the focus where it is for a window that says in its hints
// that it takes no input, which Qt's flag sets.
void refuseActivation(quintptr)
{
}

} // namespace mirello
