// A window kept above the others on Windows: another topmost window brought to the
// foreground, as a slide show is, ends up below it again, by the hook or, where it is
// not told (wine does not report the change to it), by the periodic look. X11 is tried
// under a window manager by tests/ui/slides_x11.sh.

#include "platform/KeptAbove.h"

#include <QObject>
#include <QTest>
#include <windows.h>

using namespace mirello;

namespace {

HWND topmostWindow(const wchar_t* title)
{
    return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", title,
                           WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                           nullptr);
}

bool isAbove(HWND upper, HWND lower)
{
    for (HWND window = GetWindow(lower, GW_HWNDPREV); window;
         window = GetWindow(window, GW_HWNDPREV)) {
        if (window == upper)
            return true;
    }
    return false;
}

} // namespace

class TestKeptAbove : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void goesBackAboveAWindowBroughtToTheForeground();
};

void TestKeptAbove::goesBackAboveAWindowBroughtToTheForeground()
{
    const HWND kept = topmostWindow(L"kept");
    QVERIFY(kept);
    {
        QObject owner;
        keepAbove(quintptr(kept), &owner);
        for (int round = 0; round < 3; ++round) {
            const HWND slides = topmostWindow(L"slides");
            SetForegroundWindow(slides);
            QTRY_VERIFY_WITH_TIMEOUT(isAbove(kept, slides), 5000);
            DestroyWindow(slides);
        }
    }
    // Once its owner is gone, the window is left where the others put it.
    const HWND slides = topmostWindow(L"slides");
    SetForegroundWindow(slides);
    QTest::qWait(200);
    QVERIFY(isAbove(slides, kept));
    DestroyWindow(slides);
    DestroyWindow(kept);
}

QTEST_GUILESS_MAIN(TestKeptAbove)
#include "tst_keptabove.moc"
