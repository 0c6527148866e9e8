// Keys from any program: the keys offered, as each system names them, and on Windows
// the registration and the dispatch of a pressed key (wine delivers real presses only
// while one of its own windows has the focus; X11 is tried end to end under Xvfb).

#include "platform/GlobalKeys.h"

#include <QSignalSpy>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace mirello;

Q_DECLARE_METATYPE(std::optional<NativeKey>)

class TestGlobalKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesEachOfferedKey_data();
    void namesEachOfferedKey();
    void registersAndDispatches();
};

void TestGlobalKeys::namesEachOfferedKey_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<std::optional<NativeKey>>("native");
    QTest::newRow("letter") << int(Qt::Key_P) << std::optional(NativeKey{'p', 'P'});
    QTest::newRow("digit") << int(Qt::Key_4) << std::optional(NativeKey{'4', '4'});
    QTest::newRow("function key") << int(Qt::Key_F5) << std::optional(NativeKey{0xffc2, 0x74});
    QTest::newRow("clicker's next")
        << int(Qt::Key_PageDown) << std::optional(NativeKey{0xff56, 0x22});
    QTest::newRow("space") << int(Qt::Key_Space) << std::optional(NativeKey{0x20, 0x20});
    QTest::newRow("Esc stays everyone's") << int(Qt::Key_Escape) << std::optional<NativeKey>();
    QTest::newRow("a modifier alone") << int(Qt::Key_Control) << std::optional<NativeKey>();
}

void TestGlobalKeys::namesEachOfferedKey()
{
    QFETCH(int, key);
    QFETCH(std::optional<NativeKey>, native);
    const std::optional<NativeKey> named = nativeKey(Qt::Key(key));
    QCOMPARE(named.has_value(), native.has_value());
    if (native)
        QVERIFY(named->x11 == native->x11 && named->windows == native->windows);
}

void TestGlobalKeys::registersAndDispatches()
{
#ifdef Q_OS_WIN
    Result<std::shared_ptr<GlobalKeys>> keys = systemGlobalKeys();
    QVERIFY(keys);
    const QKeyCombination key(Qt::ControlModifier | Qt::AltModifier, Qt::Key_F9);
    QVERIFY(keys.value()->take(3, key));
    QSignalSpy pressed(keys.value().get(), &GlobalKeys::pressed);
    PostThreadMessageW(GetCurrentThreadId(), WM_HOTKEY, 3, 0);
    QTRY_COMPARE(pressed.size(), 1);
    QCOMPARE(pressed[0][0].toInt(), 3);
    // Taken once already: a second taker is told, not left with a dead key.
    const Result<void> again = keys.value()->take(4, key);
    QVERIFY(!again && again.error().message.contains(QStringLiteral("占用")));
#else
    QSKIP("tried end to end under Xvfb by tests/ui/board_x11.sh");
#endif
}

QTEST_GUILESS_MAIN(TestGlobalKeys)
#include "tst_globalkeys.moc"
