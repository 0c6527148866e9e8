#include "platform/KeptAbove.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <utility>
#include <windows.h>

namespace mirello {

namespace {

// A whiteboard's toolbar may make itself topmost again without coming to the
// foreground, which no hook hears of: a look this often catches it.
constexpr int LookMilliseconds = 1000;

// The windows kept above, all on the window's thread, where the hook calls back.
QList<HWND> keptWindows;
HWINEVENTHOOK foregroundHook = nullptr;

// Whether a shown window lies above `window`; its own menus and tooltips, which it
// owns, may.
bool coveredByShown(HWND window)
{
    for (HWND above = GetWindow(window, GW_HWNDPREV); above;
         above = GetWindow(above, GW_HWNDPREV)) {
        if (IsWindowVisible(above) && GetWindow(above, GW_OWNER) != window)
            return true;
    }
    return false;
}

// A slide show, a whiteboard or a screen cast that comes to the foreground puts
// itself above every other topmost window; each of ours goes back above it, without
// being activated.
void raiseKeptWindows()
{
    for (HWND window : std::as_const(keptWindows)) {
        if (coveredByShown(window))
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
}

void CALLBACK foregroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    raiseKeptWindows();
}

} // namespace

Qt::WindowFlags keptAboveFlags()
{
    return Qt::WindowStaysOnTopHint;
}

void keepAbove(quintptr nativeWindow, QObject* owner)
{
    const auto window = reinterpret_cast<HWND>(nativeWindow);
    if (keptWindows.isEmpty())
        foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_MINIMIZEEND, nullptr,
                                         foregroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    keptWindows.append(window);
    raiseKeptWindows();
    auto* look = new QTimer(owner);
    QObject::connect(look, &QTimer::timeout, look, &raiseKeptWindows);
    look->start(LookMilliseconds);
    QObject::connect(owner, &QObject::destroyed, [window] {
        keptWindows.removeAll(window);
        if (keptWindows.isEmpty() && foregroundHook) {
            UnhookWinEvent(foregroundHook);
            foregroundHook = nullptr;
        }
    });
}

} // namespace mirello
