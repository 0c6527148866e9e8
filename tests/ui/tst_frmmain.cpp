#include "WindowUnderTest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QPointer>
#include <QTest>
#include <QToolTip>

using namespace mirello;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mirello::RemoteCommand)

namespace {

const QString OnlyLine = u"S20230107王小明-03\\1201"_s;
const QByteArray OneStudent = gbk(OnlyLine + u"\r\n"_s);

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpStateAndAFailedLoad();
    void startsWithTheClassAndGradeOfLastTime();
    void unreadableRollFolderGivesAnEmptyWindow();
    void searchFramesCycleHiddenAndSkipAMissingOne();
    void missingPauseFaceLeavesDrawingOff();
    void onlyARightPressOnBareSurfaceOpensAbout();
    void zoomsTheWholeLayoutAndFitsEveryName_data();
    void zoomsTheWholeLayoutAndFitsEveryName();
    void aCutStatusTextIsWholeInItsTooltip_data();
    void aCutStatusTextIsWholeInItsTooltip();
    void anotherProgramIsToldWhatWasNotDone_data();
    void anotherProgramIsToldWhatWasNotDone();
};

void TestFrmMain::startUpStateAndAFailedLoad()
{
    const TestProgramFolder folder({{u"2班.txt"_s, OneStudent}, {u"10班.txt"_s, QByteArray()}});
    WindowUnderTest w(folder);
    QVERIFY(w.reporter.errors.isEmpty());
    QCOMPARE(w.window.size(), QSize(278, 210));
    QCOMPARE(w.window.minimumSize(), w.window.maximumSize());
    QVERIFY(!w.searchVisible() && w.get<QTimer>(u"TimerSearch"_s)->isActive() && !w.drawing());
    QCOMPARE(w.get<QComboBox>(u"ComboResult"_s)->currentText(), u"优秀"_s);
    QCOMPARE(w.get<QComboBox>(u"ComboFileChange"_s)->currentText(), u"2班.txt"_s);
    QVERIFY(w.text(u"LblName"_s).isEmpty() && w.text(u"LblAnsCount"_s).isEmpty());
    QVERIFY(w.panelText().isEmpty());

    // A class that can no longer be read is reported, and the one before stays.
    QVERIFY(QFile::remove(folder.rollFolder() + u"/10班.txt"_s));
    QTest::keyClick(w.get<QComboBox>(u"ComboFileChange"_s), Qt::Key_Down);
    QVERIFY(w.reportedOnce(u"10班.txt"_s));
    w.startPause();
    QTRY_COMPARE(w.text(u"LblName"_s), u"王小明"_s);
}

void TestFrmMain::startsWithTheClassAndGradeOfLastTime()
{
    const TestProgramFolder folder({{u"1班.txt"_s, OneStudent}, {u"2班.txt"_s, OneStudent}});
    {
        WindowUnderTest w(folder);
        QTest::keyClick(w.get<QComboBox>(u"ComboFileChange"_s), Qt::Key_Down);
        QTest::keyClick(&w.window, Qt::Key_3);
        QTest::keyClick(&w.window, Qt::Key_Equal, Qt::ControlModifier);
    }
    WindowUnderTest next(folder);
    QCOMPARE(next.window.size(), QSize(417, 315));
    QCOMPARE(next.get<QComboBox>(u"ComboFileChange"_s)->currentText(), u"2班.txt"_s);
    QCOMPARE(next.get<QComboBox>(u"ComboResult"_s)->currentText(), u"及格"_s);
}

void TestFrmMain::unreadableRollFolderGivesAnEmptyWindow()
{
    // A file where the roll folder belongs: it is neither listed nor replaced.
    const TestProgramFolder folder;
    QVERIFY(QDir(folder.rollFolder()).removeRecursively());
    QVERIFY(QFile(folder.rollFolder()).open(QIODevice::WriteOnly));
    WindowUnderTest w(folder);
    QVERIFY(w.reportedOnce(QDir::toNativeSeparators(folder.rollFolder())));
    QCOMPARE(w.get<QComboBox>(u"ComboFileChange"_s)->count(), 0);

    // Drawing runs and shows nothing; recording is refused with a message.
    w.startPause();
    QTest::qWait(200);
    QVERIFY(w.drawing() && w.text(u"LblName"_s).isEmpty());
    w.click(u"PicOK"_s);
    QTRY_COMPARE(w.reporter.errors.size(), 2);
}

void TestFrmMain::searchFramesCycleHiddenAndSkipAMissingOne()
{
    const TestProgramFolder folder;
    QVERIFY(QFile::remove(folder.iconPath(u"search2.bmp"_s)));
    WindowUnderTest w(folder);
    for (const QString& frame :
         {u"search1.bmp"_s, u"search3.bmp"_s, u"search1.bmp"_s, u"search3.bmp"_s}) {
        QTRY_VERIFY2(w.shows(u"PicSearch"_s, frame), qPrintable(frame));
        QVERIFY(!w.searchVisible());
    }
    QVERIFY(w.reportedOnce(u"search2.bmp"_s));
}

void TestFrmMain::missingPauseFaceLeavesDrawingOff()
{
    const TestProgramFolder folder;
    const QString pause = folder.iconPath(u"pause2.bmp"_s);
    QVERIFY(QFile::rename(pause, pause + u".away"_s));
    WindowUnderTest w(folder);
    for (int attempt = 0; attempt < 2; ++attempt) {
        w.startPause(QPoint(10 + attempt, 10));
        QVERIFY(w.shows(u"PicSP"_s, u"start2.bmp"_s) && !w.drawing() && !w.searchVisible());
        w.moveOverSurface();
    }
    QVERIFY(w.reportedOnce(u"pause2.bmp"_s));

    // Faces are read from disk on every change: once the file is back, Start works.
    QVERIFY(QFile::rename(pause + u".away"_s, pause));
    w.startPause();
    QVERIFY(w.drawing());
}

void TestFrmMain::onlyARightPressOnBareSurfaceOpensAbout()
{
    const auto openAbouts = [] {
        QList<QWidget*> windows;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == u"FrmAbout"_s && widget->isVisible())
                windows.append(widget);
        return windows;
    };
    const TestProgramFolder folder;
    WindowUnderTest w(folder);
    w.startPause(); // shows the search picture, so that it can be pressed on too
    for (const char* name : {"LblName", "LblAnsCount", "LblTip0", "LblTip1", "StatusBar1",
                             "PicSearch", "PicSP", "PicOK", "ComboFileChange", "ComboResult"}) {
        QTest::mouseClick(w.get(QString::fromLatin1(name)), Qt::RightButton);
        QVERIFY2(openAbouts().isEmpty(), name);
    }
    QTest::mouseClick(&w.window, Qt::RightButton, {}, QPoint(10, 120));
    QTest::mouseClick(&w.window, Qt::RightButton, {}, QPoint(11, 121));
    QCOMPARE(openAbouts().size(), 1);

    // It outlives the main window: the program ends when it is closed too.
    const QPointer<QWidget> about = openAbouts().value(0);
    bool runningWithoutMainWindow = false;
    QTimer::singleShot(0, &w.window, &QWidget::close);
    QVERIFY(about->geometry().contains(w.window.geometry().center()));
    QTimer::singleShot(300, about, [&] {
        runningWithoutMainWindow = true;
        QTest::mouseClick(about->findChild<QWidget*>(u"AboutClose"_s), Qt::LeftButton);
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(runningWithoutMainWindow);
}

void TestFrmMain::zoomsTheWholeLayoutAndFitsEveryName_data()
{
    QTest::addColumn<int>("zoomKeys");
    QTest::addColumn<QString>("name");
    // Presses of Ctrl+= (or Ctrl+- where negative) from 100 %, past both ends.
    const QList<std::pair<int, int>> zooms{{-1, 100}, {1, 150}, {2, 200}, {5, 250}};
    for (const auto& [keys, percent] : zooms) {
        for (const QString& name : {u"张三"_s, u"欧阳娜娜"_s, u"阿依加马丽"_s, u"努尔艾力·阿不都"_s,
                                    u"爱新觉罗·玄烨"_s, u"Li Mary"_s, u"王Alexander"_s}) {
            QTest::addRow("%d%% %s", percent, qPrintable(name)) << keys << name;
        }
    }
}

// Every control keeps its place in the design, zoomed; a name is shown whole, in the
// design's font where that fits.
void TestFrmMain::zoomsTheWholeLayoutAndFitsEveryName()
{
    QFETCH(int, zoomKeys);
    QFETCH(QString, name);
    const TestProgramFolder folder(
        {{u"1班.txt"_s, gbk(u"S20230107"_s + name + u"-00\\0000\r\n"_s)}});
    WindowUnderTest w(folder);
    const QFont designFont = w.get(u"LblName"_s)->font();
    for (int i = 0; i < std::abs(zoomKeys); ++i)
        QTest::keyClick(&w.window, zoomKeys > 0 ? Qt::Key_Equal : Qt::Key_Minus,
                        Qt::ControlModifier);
    w.startPause();
    QTRY_COMPARE(w.text(u"LblName"_s), name);

    const qreal zoom = std::clamp(1 + 0.5 * zoomKeys, 1.0, 2.5);
    QCOMPARE(w.window.size(), QSize(qRound(278 * zoom), qRound(210 * zoom)));
    const auto zoomed = [zoom](int x, int y, int width = 0, int height = 0) {
        return QRect(qRound(x * zoom), qRound(y * zoom), qRound(width * zoom),
                     qRound(height * zoom));
    };
    QCOMPARE(w.get(u"ComboResult"_s)->geometry(), zoomed(80, 62, 129, 22));
    QCOMPARE(w.get(u"PicOK"_s)->geometry(), zoomed(224, 56, 32, 32));
    const QPixmap ok = pixmapOf(w.get<QLabel>(u"PicOK"_s));
    QCOMPARE(QSizeF(ok.size()) / ok.devicePixelRatio(), QSizeF(32, 32) * zoom);
    const QLabel* label = w.get<QLabel>(u"LblName"_s);
    QCOMPARE(label->pos(), zoomed(64, 96).topLeft());
    QVERIFY(label->fontMetrics().horizontalAdvance(name) <= label->width());
    QVERIFY(label->geometry().right() < w.window.width());
    QFont zoomedDesign = designFont;
    zoomedDesign.setPointSizeF(designFont.pointSizeF() * zoom);
    const bool fitsAsDesigned = QFontMetrics(zoomedDesign).horizontalAdvance(name) <=
                                w.window.width() - qRound(64 * zoom) - qRound(4 * zoom);
    QCOMPARE(label->font() == zoomedDesign, fitsAsDesigned);
}

void TestFrmMain::aCutStatusTextIsWholeInItsTooltip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("fits") << u"优秀1次|良好2次"_s << u"右键：更多功能"_s;
    const QString cut = u"无法保存设置：磁盘已满，文件“checkroll/.mirello/settings.ini”没有改动"_s;
    QTest::newRow("cut") << cut << cut + u"\n右键：更多功能"_s;
}

void TestFrmMain::aCutStatusTextIsWholeInItsTooltip()
{
    QFETCH(QString, text);
    QFETCH(QString, tooltip);
    PanelStatusBar bar(QPixmap(24, 24));
    bar.resize(278, 25);
    bar.setToolTip(u"右键：更多功能"_s);
    bar.setPanelText(text);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), bar.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&bar, &help);
    QTRY_COMPARE(QToolTip::text(), tooltip);
}

void TestFrmMain::anotherProgramIsToldWhatWasNotDone_data()
{
    using enum Feature;
    QTest::addColumn<RemoteCommand>("command");
    QTest::addColumn<QString>("answer");
    QTest::newRow("a class that cannot be read")
        << RemoteCommand{ChooseClass, u"10班"_s} << u"10班.txt"_s;
    QTest::newRow("no such class") << RemoteCommand{ChooseClass, u"9班"_s} << u"9班"_s;
    QTest::newRow("OK with nobody drawn") << RemoteCommand{Record, {}} << u"还没有抽到"_s;
    QTest::newRow("pass with nobody drawn") << RemoteCommand{Pass, {}} << u"还没有抽到"_s;
    QTest::newRow("undo with nothing recorded") << RemoteCommand{Undo, {}} << u"撤销"_s;
}

// The answer goes back to the caller and to the status bar, never into a box: a box
// would run an event loop inside the command's call, which may end meanwhile.
void TestFrmMain::anotherProgramIsToldWhatWasNotDone()
{
    QFETCH(RemoteCommand, command);
    QFETCH(QString, answer);
    const TestProgramFolder folder({{u"2班.txt"_s, OneStudent}, {u"10班.txt"_s, QByteArray()}});
    WindowUnderTest w(folder);
    QVERIFY(QFile::remove(folder.rollFolder() + u"/10班.txt"_s));
    const QString failure = w.window.lesson().carryOut({command, {Feature::StartPause, {}}});
    QVERIFY2(failure.contains(answer), qPrintable(failure));
    QVERIFY(w.reporter.errors.isEmpty() && !w.drawing()); // and the next command is not done
    QVERIFY(w.get<PanelStatusBar>(u"StatusBar1"_s)->shownText().contains(answer));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
