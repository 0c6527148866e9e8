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

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpStateAndAFailedLoad();
    void classChooserListsPlainFiles_data();
    void classChooserListsPlainFiles();
    void firstStartListsTheSampleClasses();
    void unreadableRollFolderGivesAnEmptyWindow();
    void searchFramesCycleHiddenAndSkipAMissingOne();
    void movingOntoAnotherControlKeepsTheFace();
    void missingPauseFaceLeavesDrawingOff();
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
    QCOMPARE(w.window.nameList()->at(0), OnlyLine);
    QCOMPARE(w.startPauseWord(), u"S1"_s);
    QCOMPARE(w.window.buttonStates().okWord(), u"ok1"_s);
    QVERIFY(w.text(u"LblName"_s).isEmpty() && w.text(u"LblAnsCount"_s).isEmpty());
    QVERIFY(w.panelText().isEmpty());

    // A class that can no longer be read is reported, and the one before stays.
    QVERIFY(QFile::remove(folder.rollFolder() + u"/10班.txt"_s));
    QTest::keyClick(w.get<QComboBox>(u"ComboFileChange"_s), Qt::Key_Down);
    QVERIFY(w.reportedOnce(u"10班.txt"_s));
    QCOMPARE(w.window.nameList()->at(0), OnlyLine);
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

    const TestProgramFolder folder;
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

    WindowUnderTest w(folder);
    const auto* chooser = w.get<QComboBox>(u"ComboFileChange"_s);
    QStringList choices;
    for (int i = 0; i < chooser->count(); ++i)
        choices.append(chooser->itemText(i));
    QCOMPARE(choices, offered);
    QVERIFY(w.reporter.errors.isEmpty());
    QCOMPARE(w.window.nameList().has_value(), !offered.isEmpty());
}

void TestFrmMain::firstStartListsTheSampleClasses()
{
    const TestProgramFolder folder;
    QVERIFY(QDir(folder.rollFolder()).removeRecursively());
    QVERIFY(QDir(folder.path()).mkdir(u"samples"_s));
    QFile sample(folder.path() + u"/samples/1班.txt"_s);
    QVERIFY(sample.open(QIODevice::WriteOnly) && sample.write(OneStudent) == OneStudent.size());
    sample.close();
    WindowUnderTest w(folder);
    QVERIFY(w.reporter.errors.isEmpty());
    QCOMPARE(w.get<QComboBox>(u"ComboFileChange"_s)->currentText(), u"1班.txt"_s);
    QCOMPARE(w.window.nameList()->at(0), OnlyLine);
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
    QVERIFY(!w.window.nameList());

    // Drawing runs and shows nothing; recording is refused with a message.
    w.startPause();
    QTest::qWait(200);
    QVERIFY(w.drawing() && w.text(u"LblName"_s).isEmpty());
    w.click(u"PicOK"_s);
    QCOMPARE(w.reporter.errors.size(), 2);
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

void TestFrmMain::movingOntoAnotherControlKeepsTheFace()
{
    const TestProgramFolder folder;
    WindowUnderTest w(folder);
    for (const QString& control : {u"LblTip0"_s, u"ComboResult"_s, u"StatusBar1"_s, u"PicOK"_s}) {
        QTest::mouseMove(w.get(u"PicSP"_s));
        QTest::mouseMove(w.get(control));
        QVERIFY2(w.shows(u"PicSP"_s, u"start2.bmp"_s) && w.startPauseWord() == u"S2"_s,
                 qPrintable(control));
        w.moveOverSurface();
        QVERIFY(w.shows(u"PicSP"_s, u"start1.bmp"_s) && w.startPauseWord() == u"S1"_s);
    }
}

void TestFrmMain::missingPauseFaceLeavesDrawingOff()
{
    const TestProgramFolder folder;
    const QString pause = folder.iconPath(u"pause2.bmp"_s);
    QVERIFY(QFile::rename(pause, pause + u".away"_s));
    WindowUnderTest w(folder);
    for (int attempt = 0; attempt < 2; ++attempt) {
        w.startPause(QPoint(10 + attempt, 10));
        QCOMPARE(w.startPauseWord(), u"S2"_s);
        QVERIFY(!w.drawing() && !w.searchVisible());
        w.moveOverSurface();
    }
    QVERIFY(w.reportedOnce(u"pause2.bmp"_s));

    // Faces are read from disk on every change: once the file is back, Start works.
    QVERIFY(QFile::rename(pause + u".away"_s, pause));
    w.startPause();
    QVERIFY(w.drawing());
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
