#include "platform/KeptAbove.h"

#include <QList>
#include <QObject>
#include <utility>
#include <windows.h>

namespace mirello {

namespace {

// The windows kept above, all on the window's thread, where the hook calls back.
QList<HWND> keptWindows;
HWINEVENTHOOK foregroundHook = nullptr;

// A slide show, a whiteboard or a screen cast that comes to the foreground puts
// itself above every other topmost window; each of ours goes back above it, without
// being activated.
void CALLBACK foregroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD)
{
    for (HWND window : std::as_const(keptWindows))
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
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
    foregroundChanged(nullptr, 0, nullptr, 0, 0, 0, 0);
    QObject::connect(owner, &QObject::destroyed, [window] {
        keptWindows.removeAll(window);
        if (keptWindows.isEmpty() && foregroundHook) {
            UnhookWinEvent(foregroundHook);
            foregroundHook = nullptr;
        }
    });
}

} // namespace mirello
