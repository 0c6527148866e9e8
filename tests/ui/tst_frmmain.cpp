#include "WindowUnderTest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

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
    }
    WindowUnderTest next(folder);
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
    QTimer::singleShot(300, about, [&] {
        runningWithoutMainWindow = true;
        about->close();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(runningWithoutMainWindow);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
