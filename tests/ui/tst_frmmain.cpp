#include "TestProgramFolder.h"
#include "WindowUnderTest.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sys/stat.h>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QString OnlyLine = u"S20230107王小明-03\\1201"_s;
const QByteArray OneStudent = gbk(OnlyLine + u"\r\n"_s);

QStringList choicesOf(const QComboBox* chooser)
{
    QStringList choices;
    for (int i = 0; i < chooser->count(); ++i)
        choices.append(chooser->itemText(i));
    return choices;
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpState();
    void classChooserListsPlainFiles_data();
    void classChooserListsPlainFiles();
    void missingRollFolderGivesAnEmptyWindow();
    void failedLoadKeepsThePreviousClass();
    void searchFramesCycleHiddenAndSkipAMissingOne();
    void hoverThenClickStartsAndStopsDrawing();
    void clickWithoutHoverDoesNothing();
    void movingOntoAnotherControlKeepsTheFace_data();
    void movingOntoAnotherControlKeepsTheFace();
    void missingPauseFaceLeavesDrawingOff();
    void doubleClickOnOkRecordsOnce();
};

void TestFrmMain::startUpState()
{
    TestProgramFolder folder({{u"2班.txt"_s, OneStudent}, {u"10班.txt"_s, QByteArray()}});
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());

    QVERIFY(w.reporter.errors.isEmpty());
    QCOMPARE(w.window.size(), QSize(278, 210));
    QCOMPARE(w.window.minimumSize(), w.window.maximumSize());
    QVERIFY(!w.label(u"PicSearch"_s)->isVisible());
    QVERIFY(!w.drawing());
    QVERIFY(w.timer(u"TimerSearch"_s)->isActive());
    QCOMPARE(w.combo(u"ComboResult"_s)->currentText(), u"优秀"_s);
    QCOMPARE(w.combo(u"ComboFileChange"_s)->currentText(), u"2班.txt"_s);
    QCOMPARE(w.window.nameList()->at(0), OnlyLine);
    QCOMPARE(w.startPauseWord(), u"S1"_s);
    QCOMPARE(w.window.buttonStates().okWord(), u"ok1"_s);
    QVERIFY(w.text(u"LblName"_s).isEmpty() && w.text(u"LblAnsCount"_s).isEmpty());
    QVERIFY(w.panelText().isEmpty());
}

void TestFrmMain::classChooserListsPlainFiles_data()
{
    // Entries are files, or "dir:" and "pipe:" for other kinds.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("offered");

    QTest::newRow("one file") << QStringList{u"only.txt"_s} << QStringList{u"only.txt"_s};
    QTest::newRow("hidden file") << QStringList{u".hidden.txt"_s, u"1班.txt"_s}
                                 << QStringList{u"1班.txt"_s};
    QTest::newRow("subfolder") << QStringList{u"dir:2班"_s, u"a.txt"_s} << QStringList{u"a.txt"_s};
    QTest::newRow("named pipe") << QStringList{u"pipe:p.txt"_s, u"a.txt"_s}
                                << QStringList{u"a.txt"_s};
    QTest::newRow("natural order")
        << QStringList{u"10班.txt"_s, u"高一(10)班.txt"_s, u"2班.txt"_s, u"高一(2)班.txt"_s}
        << QStringList{u"2班.txt"_s, u"10班.txt"_s, u"高一(2)班.txt"_s, u"高一(10)班.txt"_s};
    QTest::newRow("case ignored") << QStringList{u"B.txt"_s, u"a.txt"_s}
                                  << QStringList{u"a.txt"_s, u"B.txt"_s};
    QTest::newRow("empty folder") << QStringList() << QStringList();
}

void TestFrmMain::classChooserListsPlainFiles()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, offered);

    TestProgramFolder folder;
    const QDir roll(folder.rollFolder());
    for (const QString& entry : entries) {
        const QString name = entry.section(u':', -1);
        if (entry.startsWith(u"dir:"))
            QVERIFY(roll.mkdir(name));
        else if (entry.startsWith(u"pipe:"))
            QCOMPARE(::mkfifo(QFile::encodeName(roll.filePath(name)).constData(), 0600), 0);
        else
            QVERIFY(QFile(roll.filePath(name)).open(QIODevice::WriteOnly));
    }

    WindowUnderTest w(folder.path());
    QVERIFY(w.reporter.errors.isEmpty());
    QCOMPARE(choicesOf(w.combo(u"ComboFileChange"_s)), offered);
    QCOMPARE(w.combo(u"ComboFileChange"_s)->currentIndex(), offered.isEmpty() ? -1 : 0);
    QCOMPARE(w.window.nameList().has_value(), !offered.isEmpty());
}

void TestFrmMain::missingRollFolderGivesAnEmptyWindow()
{
    TestProgramFolder folder;
    QVERIFY(QDir(folder.rollFolder()).removeRecursively());
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    QCOMPARE(w.reporter.errors.size(), 1);
    QVERIFY(w.reporter.errors[0].message.contains(QDir::toNativeSeparators(folder.rollFolder())));
    QCOMPARE(w.combo(u"ComboFileChange"_s)->count(), 0);
    QVERIFY(!w.window.nameList());

    // Drawing runs and shows nothing; recording is refused with a message.
    QTest::mouseMove(w.control(u"PicSP"_s));
    w.clickStartPause();
    QTest::qWait(200);
    QVERIFY(w.drawing() && w.text(u"LblName"_s).isEmpty());
    QTest::mouseClick(w.control(u"PicOK"_s), Qt::LeftButton);
    QCOMPARE(w.reporter.errors.size(), 2);
}

void TestFrmMain::failedLoadKeepsThePreviousClass()
{
    TestProgramFolder folder({{u"1班.txt"_s, OneStudent}, {u"2班.txt"_s, OneStudent}});
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    QVERIFY(QFile::remove(folder.rollFolder() + u"/2班.txt"_s));

    QTest::keyClick(w.combo(u"ComboFileChange"_s), Qt::Key_Down);
    QCOMPARE(w.reporter.errors.size(), 1);
    QVERIFY(w.reporter.errors[0].message.contains(u"2班.txt"_s));
    QCOMPARE(w.window.nameList()->at(0), OnlyLine);
}

void TestFrmMain::searchFramesCycleHiddenAndSkipAMissingOne()
{
    TestProgramFolder folder;
    QVERIFY(QFile::remove(folder.iconPath(u"search2.bmp"_s)));
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    for (const QString& frame :
         {u"search1.bmp"_s, u"search3.bmp"_s, u"search1.bmp"_s, u"search3.bmp"_s}) {
        QTRY_VERIFY2(w.shows(u"PicSearch"_s, frame), qPrintable(frame));
        QVERIFY(!w.label(u"PicSearch"_s)->isVisible());
    }
    QCOMPARE(w.reporter.errors.size(), 1);
    QVERIFY(w.reporter.errors[0].message.contains(u"search2.bmp"_s));
}

void TestFrmMain::hoverThenClickStartsAndStopsDrawing()
{
    TestProgramFolder folder({{u"1班.txt"_s, OneStudent}});
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    QTest::mouseMove(w.control(u"PicSP"_s));
    QVERIFY(w.shows(u"PicSP"_s, u"start2.bmp"_s));

    w.clickStartPause();
    QVERIFY(w.shows(u"PicSP"_s, u"pause2.bmp"_s));
    QVERIFY(w.drawing() && w.label(u"PicSearch"_s)->isVisible());
    QTRY_COMPARE(w.text(u"LblName"_s), u"王小明"_s);
    QCOMPARE(w.text(u"LblAnsCount"_s), u"已被点到过03次"_s);
    QCOMPARE(w.panelText(), u"优秀1次|良好2次|及格0次|不及格1次"_s);

    w.clickStartPause();
    QVERIFY(w.shows(u"PicSP"_s, u"start2.bmp"_s));
    QVERIFY(!w.drawing() && !w.label(u"PicSearch"_s)->isVisible());
    QCOMPARE(w.text(u"LblName"_s), u"王小明"_s);
}

void TestFrmMain::clickWithoutHoverDoesNothing()
{
    TestProgramFolder folder;
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    // The pointer rests outside the window: a click alone brings no move over the button.
    w.clickStartPause();
    QCOMPARE(w.startPauseWord(), u"S1"_s);
    QVERIFY(!w.drawing() && !w.label(u"PicSearch"_s)->isVisible());
}

void TestFrmMain::movingOntoAnotherControlKeepsTheFace_data()
{
    QTest::addColumn<QString>("control");

    for (const char* name : {"LblTip0", "ComboResult", "StatusBar1", "PicOK"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFrmMain::movingOntoAnotherControlKeepsTheFace()
{
    QFETCH(QString, control);

    TestProgramFolder folder;
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    QTest::mouseMove(w.control(u"PicSP"_s));
    QTest::mouseMove(w.control(control));
    QCOMPARE(w.startPauseWord(), u"S2"_s);
    QVERIFY(w.shows(u"PicSP"_s, u"start2.bmp"_s));

    w.moveOverSurface();
    QCOMPARE(w.startPauseWord(), u"S1"_s);
    QVERIFY(w.shows(u"PicSP"_s, u"start1.bmp"_s));
}

void TestFrmMain::missingPauseFaceLeavesDrawingOff()
{
    TestProgramFolder folder;
    const QString pause = folder.iconPath(u"pause2.bmp"_s);
    QVERIFY(QFile::rename(pause, pause + u".away"_s));
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());

    for (int attempt = 0; attempt < 2; ++attempt) {
        QTest::mouseMove(w.control(u"PicSP"_s), QPoint(10 + attempt, 10));
        w.clickStartPause();
        QCOMPARE(w.startPauseWord(), u"S2"_s);
        QVERIFY(!w.drawing() && !w.label(u"PicSearch"_s)->isVisible());
        w.moveOverSurface();
    }
    QCOMPARE(w.reporter.errors.size(), 1);
    QVERIFY(w.reporter.errors[0].message.contains(u"pause2.bmp"_s));

    // Faces are read from disk on every change: once the file is back, Start works.
    QVERIFY(QFile::rename(pause + u".away"_s, pause));
    QTest::mouseMove(w.control(u"PicSP"_s));
    w.clickStartPause();
    QVERIFY(w.drawing());
}

void TestFrmMain::doubleClickOnOkRecordsOnce()
{
    TestProgramFolder folder({{u"1班.txt"_s, OneStudent}});
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());
    QTest::mouseMove(w.control(u"PicSP"_s));
    w.clickStartPause();
    QTRY_COMPARE(w.text(u"LblName"_s), u"王小明"_s);
    w.clickStartPause();

    // A double click arrives as press, release, double click, release.
    QWidget* ok = w.control(u"PicOK"_s);
    QTest::mouseClick(ok, Qt::LeftButton);
    QTest::mouseDClick(ok, Qt::LeftButton);
    QTest::mouseRelease(ok, Qt::LeftButton);
    QCOMPARE(folder.classBytes(u"1班.txt"_s), gbk(u"S20230107王小明-04\\2201\r\n"_s));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
