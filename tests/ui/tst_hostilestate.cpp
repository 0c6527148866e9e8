// The program's own files under checkroll/.mirello/ as anyone with the roll folder may
// leave them: named pipes, links out of the folder, folders in place of files. A lesson
// goes on, each is reported, nothing outside the roll folder is written, and a write
// that never returns does not keep the program from ending.

#include "support/FaultInjectingFileOperations.h"
#include "WindowUnderTest.h"

#include <QElapsedTimer>
#include <QProcess>
#include <sys/stat.h>
#include <unistd.h>

using namespace mirello;
using namespace recordingtest;
using namespace Qt::StringLiterals;

namespace {

const QByteArray Class = gbk(u"S20230107王小明-03\\1201\r\n"_s);
const QByteArray Outside = "outside\n";

// Draws once, records the grade shown and closes the window.
void recordOnce(WindowUnderTest& w)
{
    w.startPause();
    QTRY_VERIFY(!w.text(u"LblName"_s).isEmpty());
    w.click(u"PicSP"_s);
    w.click(u"PicOK"_s);
    w.window.close();
}

} // namespace

class TestHostileState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void staysInsideTheRollFolder_data();
    void staysInsideTheRollFolder();
    void endsWhenAWriteNeverReturns();
};

void TestHostileState::staysInsideTheRollFolder_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("thing"); // a pipe, a link out of the roll folder, a folder
    QTest::addColumn<bool>("isFolder");
    for (const QString& place :
         {u".mirello/settings.ini"_s, u".mirello/history.csv"_s, u".mirello/1班.txt.state.json"_s,
          u".mirello"_s, u".mirello/backups"_s, u".mirello/backups/1班.txt"_s}) {
        const bool isFolder =
            !place.endsWith(u"ini") && !place.endsWith(u"csv") && !place.endsWith(u"json");
        for (const QString& thing : {u"pipe"_s, u"link"_s, u"folder"_s}) {
            if (!(isFolder && thing == u"folder"))
                QTest::newRow(qPrintable(place + u' ' + thing)) << place << thing << isFolder;
        }
    }
}

void TestHostileState::staysInsideTheRollFolder()
{
    QFETCH(QString, place);
    QFETCH(QString, thing);
    QFETCH(bool, isFolder);
    const TestProgramFolder folder({{u"1班.txt"_s, Class}});
    const QString path = folder.rollFolder() + u'/' + place;
    // Out of the roll folder: a file of the teacher's and an empty folder.
    const QString outside = folder.path() + u"/outside"_s;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && QDir().mkpath(outside + u"/folder"_s) &&
            writeBytes(outside + u"/file"_s, Outside));
    if (thing == u"pipe")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
    else if (thing == u"link")
        QVERIFY(QFile::link(outside + (isFolder ? u"/folder"_s : u"/file"_s), path));
    else
        QVERIFY(QDir().mkpath(path));

    QElapsedTimer took;
    took.start();
    {
        WindowUnderTest w(folder);
        recordOnce(w);
        // In a box, or (the history, after every grade) once in the status bar.
        const QString notice = w.get<PanelStatusBar>(u"StatusBar1"_s)->shownText();
        QVERIFY2(!w.reporter.errors.isEmpty() || notice.contains(u"不会撤回"_s),
                 "the teacher is told");
    }
    QVERIFY2(took.elapsed() < 20'000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(readBytes(outside + u"/file"_s), Outside);
    QVERIFY(QDir(outside + u"/folder"_s)
                .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

// Closing waits a few seconds for a write that never returns, says which class, and
// ends the program: run in a child process, which must end.
void TestHostileState::endsWhenAWriteNeverReturns()
{
    if (qEnvironmentVariableIsSet("MIRELLO_HANGING_CHILD")) {
        const TestProgramFolder folder({{u"1班.txt"_s, Class}});
        faulttest::FaultInjectingFileOperations files;
        files.hangOn = u"rename"_s;
        WindowUnderTest w(folder, files);
        recordOnce(w);
        QFAIL("the window closed and the program went on");
    }
    qputenv("MIRELLO_HANGING_CHILD", "1");
    qputenv("MIRELLO_REPORT_TO_STDERR", "1");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"endsWhenAWriteNeverReturns"_s});
    QVERIFY(child.waitForFinished(60'000));
    const QString said = QString::fromUtf8(child.readAllStandardError());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == EXIT_FAILURE &&
                 said.contains(u"1班.txt") && said.contains(u"没有完成"),
             qPrintable(said));
}

QTEST_MAIN(TestHostileState)
#include "tst_hostilestate.moc"
