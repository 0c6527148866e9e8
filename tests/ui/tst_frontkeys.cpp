// The keys of the main window, whatever control has the focus, and the recording
// worker that keeps the window live while a grade is recorded.

#include "lesson/Settings.h"
#include "platform/FileLock.h"
#include "roll/RollFolder.h"
#include "ui/keys/FeatureActions.h"
#include "ui/keys/GlobalKeyBindings.h"
#include "ui/windows/GlobalKeysWindow.h"
#include "WindowUnderTest.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QKeySequenceEdit>
#include <QScopeGuard>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

// One line with `counters` and the empty text after it: every draw shows 王小明.
QByteArray classRecorded(const QString& counters)
{
    return gbk(classText({u"王小明"_s}, counters));
}
const QByteArray Class = classRecorded(u"03\\1201"_s);

// Draws once with the mouse and stops, so that a name is on screen.
void drawOnce(WindowUnderTest& w)
{
    w.startPause();
    QTRY_VERIFY(!w.text(u"LblName"_s).isEmpty());
    w.click(u"PicSP"_s);
    w.moveOverSurface();
}

// Keeps what the program asks the system's browser to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class TestFrontKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysActAsTheirMouseActions_data();
    void keysActAsTheirMouseActions();
    void drawingGoesOnWhileARecordingWaits();
    void switchesSpeechOnAcrossRuns_data();
    void switchesSpeechOnAcrossRuns();
    void keepsTheKeysFromAnyProgram_data();
    void keepsTheKeysFromAnyProgram();
    void opensTheGuide_data();
    void opensTheGuide();
};

void TestFrontKeys::keysActAsTheirMouseActions_data()
{
    QTest::addColumn<QKeyCombination>("key");
    // The control with the focus; "list" for the grade chooser with its list open.
    QTest::addColumn<QString>("focus");
    // "draw": as a click on Start/Pause; "record": as a click on OK; "grade N": the
    // grade chooser on entry N; "none": nothing of these.
    QTest::addColumn<QString>("outcome");

    const QKeyCombination numpad4(Qt::KeypadModifier, Qt::Key_4);
    for (const QString& focus : {u""_s, u"ComboFileChange"_s, u"ComboResult"_s}) {
        const auto row = [&](const char* key, QKeyCombination combination, const QString& outcome) {
            QTest::addRow("%s, focus %s", key, qPrintable(focus))
                << combination << focus << outcome;
        };
        row("Space", Qt::Key_Space, u"draw"_s);
        row("Page Down", Qt::Key_PageDown, u"draw"_s);
        row("Right", Qt::Key_Right, u"draw"_s);
        row("Return", Qt::Key_Return, u"record"_s);
        row("Enter", Qt::Key_Enter, u"record"_s);
        row("3", Qt::Key_3, u"grade 2"_s);
        row("keypad 4", numpad4, u"grade 3"_s);
    }
    // Up and Down stay the lists' own keys.
    QTest::newRow("Down, focus ComboResult")
        << QKeyCombination(Qt::Key_Down) << u"ComboResult"_s << u"grade 1"_s;
    // An open list takes every key: none starts the draw or records.
    for (const QKeyCombination key :
         {QKeyCombination(Qt::Key_Space), QKeyCombination(Qt::Key_PageDown),
          QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_2)})
        QTest::addRow("key %x, list open", key.toCombined()) << key << u"list"_s << u"none"_s;
}

void TestFrontKeys::keysActAsTheirMouseActions()
{
    QFETCH(QKeyCombination, key);
    QFETCH(QString, focus);
    QFETCH(QString, outcome);

    const TestProgramFolder folder({{u"1班.txt"_s, Class}});
    WindowUnderTest w(folder);
    drawOnce(w);
    auto* grades = w.get<QComboBox>(u"ComboResult"_s);
    QWidget* target = &w.window;
    if (focus == u"list") {
        grades->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        target = QApplication::activePopupWidget()->focusWidget();
    } else if (!focus.isEmpty()) {
        w.get(focus)->setFocus();
        target = w.get(focus);
    }
    QTest::keyClick(target, key.key(), key.keyboardModifiers());

    QCOMPARE(w.drawing(), outcome == u"draw");
    QCOMPARE(w.searchVisible(), outcome == u"draw");
    if (outcome == u"draw") {
        // The pointer is outside: the resting face of Pause, then of Start.
        QVERIFY(w.shows(u"PicSP"_s, u"pause1.bmp"_s));
        QTest::keyClick(target, key.key(), key.keyboardModifiers());
        QVERIFY(!w.drawing() && w.shows(u"PicSP"_s, u"start1.bmp"_s));
    }
    QCOMPARE(grades->currentIndex(), outcome.startsWith(u"grade") ? outcome.right(1).toInt() : 0);
    // Closing waits for every recording asked for.
    w.window.close();
    QCOMPARE(folder.classBytes(u"1班.txt"_s),
             outcome == u"record" ? classRecorded(u"04\\2201"_s) : Class);
    QVERIFY(w.reporter.errors.isEmpty());
}

void TestFrontKeys::drawingGoesOnWhileARecordingWaits()
{
    const TestProgramFolder folder({{u"1班.txt"_s, Class.repeated(2)}});
    WindowUnderTest w(folder);
    drawOnce(w);
    // Another copy holds the roll folder: both clicks wait in the order they came.
    FileLock otherCopy(RollFolder::at(folder.rollFolder()).lockFilePath());
    QCOMPARE(otherCopy.acquire(std::chrono::milliseconds(0)), FileLock::Outcome::Locked);
    w.click(u"PicOK"_s);
    QTest::keyClick(&w.window, Qt::Key_4);
    w.click(u"PicOK"_s);

    w.window.findChild<QAction*>(u"本轮不重复"_s)->trigger();
    w.startPause();
    auto* shown = w.get<QLabel>(u"LblAnsCount"_s);
    int ticks = 0;
    connect(w.get<QTimer>(u"TimerName"_s), &QTimer::timeout, shown, [&] { ++ticks; });
    QTRY_VERIFY(ticks >= 3);
    // In round mode Pause saves the round: that waits on the worker too, never here.
    QElapsedTimer paused;
    paused.start();
    w.click(u"PicSP"_s);
    QVERIFY2(paused.elapsed() < 1000, "Pause waited for the roll folder's lock");
    QCOMPARE(folder.classBytes(u"1班.txt"_s), Class.repeated(2));
    otherCopy.release();

    const QByteArray both = classRecorded(u"05\\2202"_s);
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), both + both);
    QTRY_COMPARE(w.get<PanelStatusBar>(u"StatusBar1"_s)->shownText(), u"已记录：王小明 不及格"_s);
    // The later click is undone first.
    QTest::keyClick(&w.window, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), classRecorded(u"04\\2201"_s).repeated(2));
    QVERIFY(w.reporter.errors.isEmpty());
}

void TestFrontKeys::switchesSpeechOnAcrossRuns_data()
{
    QTest::addColumn<QByteArray>("settingsFile");
    QTest::addColumn<bool>("engine");
    QTest::addColumn<bool>("onAtStart");
    QTest::addColumn<bool>("switchOn");
    QTest::addColumn<bool>("onAfter");

    const QByteArray on("[speech]\non=true\n");
    QTest::newRow("on from the last run") << on << true << true << false << true;
    QTest::newRow("on from the last run, no speech engine")
        << on << false << false << false << false;
    QTest::newRow("damaged settings")
        << QByteArray("[speech\n\0\xff=\x01") << true << false << true << true;
    QTest::newRow("no speech engine") << QByteArray() << false << false << true << false;
    QTest::newRow("switched on") << QByteArray() << true << false << true << true;
    // The roll folder, and the settings' folder in it, are made from the samples.
    QTest::newRow("first start") << QByteArray("first start") << true << false << true << true;
}

// The switch is kept in the roll folder; with it on, the name is spoken once when
// the draw stops on it. Without an engine the teacher is told once, at start-up too,
// and it goes off.
void TestFrontKeys::switchesSpeechOnAcrossRuns()
{
    QFETCH(QByteArray, settingsFile);
    QFETCH(bool, engine);
    QFETCH(bool, onAtStart);
    QFETCH(bool, switchOn);
    QFETCH(bool, onAfter);

    const TestProgramFolder folder({{u"1班.txt"_s, Class}});
    const QString settings = folder.rollFolder() + u"/.mirello/settings.ini"_s;
    if (settingsFile == "first start") {
        QVERIFY(
            QDir(folder.rollFolder()).rename(folder.rollFolder(), folder.path() + u"/samples"_s));
    } else if (!settingsFile.isNull()) {
        QVERIFY(QDir(folder.rollFolder()).mkdir(u".mirello"_s));
        QVERIFY(writeBytes(settings, settingsFile));
    }
    {
        WindowUnderTest w(folder, systemFileOperations(),
                          engine ? std::nullopt
                                 : std::optional(Error{u"没有语音引擎"_s, QString()}));
        auto* speech = w.window.findChild<QAction*>(u"朗读抽到的名字"_s);
        QCOMPARE(speech->isChecked(), onAtStart);
        if (switchOn)
            speech->trigger();
        QCOMPARE(speech->isChecked(), onAfter);
        // A damaged file is said once, as a missing engine is.
        QCOMPARE(w.reporter.errors.size(),
                 (engine ? 0 : 1) +
                     (QByteArray(QTest::currentDataTag()) == "damaged settings" ? 1 : 0));
        drawOnce(w);
        QCOMPARE(w.speaker.said, onAfter ? QStringList{u"王小明"_s} : QStringList());
    }
    QVERIFY(QFile::exists(settings));
    WindowUnderTest next(folder);
    QCOMPARE(next.window.findChild<QAction*>(u"朗读抽到的名字"_s)->isChecked(), onAfter);
}

// A key for any program in the settings file is kept when it has Ctrl or Alt; one
// without is not bound and its warning is shown. Esc in a key's field keeps the key.
void TestFrontKeys::keepsTheKeysFromAnyProgram_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QKeySequence>("bound");
    QTest::addColumn<QString>("warning");
    QTest::newRow("with Ctrl") << QByteArray("Ctrl+PgDown") << QKeySequence(u"Ctrl+PgDown"_s)
                               << QString();
    QTest::newRow("plain Return") << QByteArray("Return") << QKeySequence(u"Ctrl+Alt+Space"_s)
                                  << u"设置文件中的“"_s;
}

void TestFrontKeys::keepsTheKeysFromAnyProgram()
{
    QFETCH(QByteArray, saved);
    QFETCH(QKeySequence, bound);
    QFETCH(QString, warning);
    QTemporaryDir rollFolder;
    const auto notes = [](const QWidget& window) {
        QString text;
        for (const QLabel* label : window.findChildren<QLabel*>())
            text += label->text();
        return text;
    };
    Settings(RollFolder::at(rollFolder.path())).setBytes(globalKeyTable()[0].setting, saved);
    Settings settings(RollFolder::at(rollFolder.path()));
    FeatureActions actions(settings);
    GlobalKeyBindings bindings(actions, settings, NoGlobalKeys);
    QCOMPARE(bindings.bindings()[0].key, bound);
    GlobalKeysWindow window(bindings);
    QCOMPARE(notes(window).contains(u"收不到这个键"), !warning.isEmpty());
    QVERIFY(notes(window).contains(warning));
    auto* edit = window.findChild<QKeySequenceEdit*>(u"GlobalKey0"_s);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->keySequence(), bound);
    bindings.setKey(0, QKeySequence(Qt::Key_PageDown));
    QVERIFY(notes(window).contains(u"“PgDown”不带 Ctrl 或 Alt"));
    bindings.resetKeys();
    QVERIFY(!notes(window).contains(u"收不到这个键"));
}

void TestFrontKeys::opensTheGuide_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("shipped");
    for (const QString& way : {u"menu"_s, u"F1 twice"_s, u"button"_s}) {
        QTest::addRow("%s", qPrintable(way)) << way << true;
        QTest::addRow("%s, guide missing", qPrintable(way)) << way << false;
    }
}

// From the menu, or from the keys window that F1 opens, the guide of the program
// folder opens as a file; a folder without one says so, and nothing opens.
void TestFrontKeys::opensTheGuide()
{
    QFETCH(QString, way);
    QFETCH(bool, shipped);

    const TestProgramFolder folder;
    const QString guide = folder.path() + u"/guide/index.html"_s;
    QVERIFY(!shipped || (QDir(folder.path()).mkdir(u"guide"_s) && writeBytes(guide, "<html>")));
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(u"file"_s, &browser, "open");
    const auto handled = qScopeGuard([] { QDesktopServices::unsetUrlHandler(u"file"_s); });
    WindowUnderTest w(folder);
    if (way == u"menu") {
        w.window.findChild<QAction*>(u"使用指南"_s)->trigger();
    } else {
        QTest::keyClick(&w.window, Qt::Key_F1);
        QWidget* keys = w.window.findChild<QWidget*>(u"KeysWindow"_s);
        QVERIFY(keys && QTest::qWaitForWindowActive(keys));
        // All of it fits a screen shorter than the table, the button included.
        QVERIFY(keys->frameGeometry().height() <= keys->screen()->availableGeometry().height());
        if (way == u"button")
            QTest::mouseClick(keys->findChild<QWidget*>(u"GuideButton"_s), Qt::LeftButton);
        else
            QTest::keyClick(keys, Qt::Key_F1);
    }

    QCOMPARE(browser.opened, shipped ? QList{QUrl::fromLocalFile(guide)} : QList<QUrl>());
    QCOMPARE(w.reporter.errors.size(), shipped ? 0 : 1);
    QVERIFY(shipped || w.reportedOnce(u"无法打开使用指南"_s));
}

QTEST_MAIN(TestFrontKeys)
#include "tst_frontkeys.moc"
