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
using namespace Qt::StringLiterals;

namespace {

const QByteArray Class = gbk(u"S20230107王小明-03\\1201\r\n"_s);
const QByteArray Outside = "outside\n";

enum class Thing
{
    Pipe,
    LinkOut,
    Folder
};

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
    QTest::addColumn<Thing>("thing");
    const QStringList files{u".mirello/settings.ini"_s, u".mirello/history.csv"_s,
                            u".mirello/1班.txt.state.json"_s};
    const QStringList folders{u".mirello"_s, u".mirello/backups"_s, u".mirello/backups/1班.txt"_s};
    for (const QString& place : files + folders) {
        const bool folder = folders.contains(place);
        QTest::newRow(qPrintable(place + u" pipe"_s)) << place << Thing::Pipe;
        QTest::newRow(qPrintable(place + u" link out"_s)) << place << Thing::LinkOut;
        if (!folder)
            QTest::newRow(qPrintable(place + u" folder"_s)) << place << Thing::Folder;
    }
}

void TestHostileState::staysInsideTheRollFolder()
{
    QFETCH(QString, place);
    QFETCH(Thing, thing);
    const TestProgramFolder folder({{u"1班.txt"_s, Class}});
    const QString path = folder.rollFolder() + u'/' + place;
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    // Out of the roll folder: a file of the teacher's and an empty folder.
    const QString outside = folder.path() + u"/outside"_s;
    QVERIFY(QDir().mkpath(outside + u"/folder"_s));
    QFile target(outside + u"/file"_s);
    QVERIFY(target.open(QIODevice::WriteOnly) && target.write(Outside) == Outside.size());
    target.close();
    const bool isFolder =
        !place.contains(u'.', Qt::CaseSensitive) || place.endsWith(u".txt") || place == u".mirello";
    switch (thing) {
    case Thing::Pipe:
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
        break;
    case Thing::LinkOut:
        QVERIFY(QFile::link(outside + (isFolder ? u"/folder"_s : u"/file"_s), path));
        break;
    case Thing::Folder:
        QVERIFY(QDir().mkpath(path));
        break;
    }

    QElapsedTimer took;
    took.start();
    {
        WindowUnderTest w(folder);
        recordOnce(w);
        QVERIFY2(!w.reporter.errors.isEmpty(), "the teacher is told");
    }
    QVERIFY2(took.elapsed() < 20'000, qPrintable(QString::number(took.elapsed())));
    QFile after(outside + u"/file"_s);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), Outside);
    QCOMPARE(QDir(outside + u"/folder"_s)
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
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
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"MIRELLO_HANGING_CHILD"_s, u"1"_s);
    environment.insert(u"MIRELLO_REPORT_TO_STDERR"_s, u"1"_s);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {u"endsWhenAWriteNeverReturns"_s});
    QVERIFY(child.waitForFinished(60'000));
    const QString said = QString::fromUtf8(child.readAllStandardError());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(child.exitCode() == EXIT_FAILURE && said.contains(u"1班.txt") &&
                 said.contains(u"没有完成"),
             qPrintable(said));
}

QTEST_MAIN(TestHostileState)
#include "tst_hostilestate.moc"
