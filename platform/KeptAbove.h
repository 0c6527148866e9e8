#pragma once

#include <qnamespace.h>
#include <QtGlobal>

class QObject;

namespace mirello {

// The window flags a window kept above all others is made with on this system. On
// X11 it bypasses the window manager, which keeps a focused full-screen window in a
// layer above every "stay on top" window.
Qt::WindowFlags keptAboveFlags();

// Keeps the top-level window `nativeWindow` (QWidget::winId()) above every other,
// full-screen slides included, for as long as `owner` lives: whenever another window
// is activated, raised, shown or made full screen, it is raised again without being
// activated. Menus and tooltips may still open above it. Where the system offers no
// way (Wayland, no display) it does nothing.
void keepAbove(quintptr nativeWindow, QObject* owner);

} // namespace mirello
