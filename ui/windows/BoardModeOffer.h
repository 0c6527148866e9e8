#pragma once

#include <functional>

class QRect;
class QWidget;

namespace mirello {

// One screen, or a touch screen: most likely a classroom board that the whole class sees.
bool looksLikeBoard();

// Asks, in a small window at the top right of the screen that holds nothing up and takes no
// focus, whether to switch board mode on; `answer` gets the teacher's choice. The
// window is returned so that it can be closed once the answer came some other way. It
// covers nothing of `mainWindow` where the screen has room.
QWidget* offerBoardMode(const QRect& mainWindow, std::function<void(bool on)> answer);

} // namespace mirello
