// Other copies of the program in child processes: one killed (SIGKILL, or
// TerminateProcess on Windows) at random moments while it records, four recording into one class
// file at once, one holding the lock or killed while holding it, and one run by an ordinary user.

#include "platform/FileOperations.h"
#include "support/RollFixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <thread>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace mirello;
using namespace recordingtest;

namespace {

const QString Helper = QStringLiteral(MIRELLO_RECORDING_HELPER);
const QStringList People{u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s};

// 300 other lines with the four people among them, whose counts are `counts`: a
// grade outside the table raises a count and changes nothing else.
QByteArray classWithCounts(const QList<int>& counts)
{
    QStringList lines;
    for (int i = 0; i < 300; ++i) {
        lines.append(rollLine(u"同学%1"_s.arg(i), u"07\\1111"));
        if (i % 75 == 37)
            lines.append(
                rollLine(People[i / 75], u"%1\\0000"_s.arg(counts[i / 75], 2, 10, QChar(u'0'))));
    }
    return gbkLines(lines);
}

// 甲's count when `bytes` is the whole content after some recordings of 甲, else -1.
int countIn(const QByteArray& bytes)
{
    const QByteArray name = gbk(u"甲-");
    const qsizetype at = classWithCounts({0, 0, 0, 0}).indexOf(name) + name.size();
    const int count = bytes.mid(at, 2).toInt();
    return bytes == classWithCounts({count, 0, 0, 0}) ? count : -1;
}

// The helper's arguments to record `grade` for `person` `times` times (0: until killed).
QStringList recording(const RollFixture& roll, const QString& person, const char* grade, int times)
{
    return {u"record"_s, roll.programFolder(),     roll.className(),
            person,      QString::fromUtf8(grade), QString::number(times)};
}

} // namespace

class TestRecordingProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void survivesKillsAtRandomMoments();
    void fourProcessesRecordIntoOneFile();
    void lockHeldElsewhereThenLeftBehind();
    void anOrdinaryUser_data();
    void anOrdinaryUser();
};

void TestRecordingProcesses::survivesKillsAtRandomMoments()
{
    // After every kill the class file holds the whole content of some recording:
    // never missing, never partial.
    constexpr int Kills = 200;
    RollFixture roll;
    QRandomGenerator random(20240601);
    QElapsedTimer clock;
    clock.start();
    // How long a child takes to start and record once: milliseconds on Linux, a good
    // part of a second under wine. The kills land from its start to a few recordings in.
    QProcess first;
    first.start(Helper, recording(roll, u"甲"_s, "缺席", 1));
    QVERIFY(first.waitForFinished(30000));
    const qint64 span = clock.elapsed() * 1000 + 120000; // microseconds
    int kills = 0;
    int advanced = 0;
    while (kills < Kills) {
        // A fresh start now and then, so that the count seldom reaches 99 (where the
        // child's recordings are refused, which is harmless here).
        if (const int start = countIn(roll.classBytes()); start < 0 || start > 40)
            QVERIFY(roll.writeClass(classWithCounts({int(random.bounded(0, 20)), 0, 0, 0})));
        const int old = countIn(roll.classBytes());

        QProcess child;
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(Helper, recording(roll, u"甲"_s, "缺席", 0));
        QVERIFY(child.waitForStarted());
        // The kills land before, during and between recordings, at every step.
        std::this_thread::sleep_for(
            std::chrono::microseconds(qint64(random.bounded(double(span)))));
        child.kill();
        QVERIFY(child.waitForFinished(5000));
        ++kills;

        const int now = countIn(roll.classBytes());
        QVERIFY2(now >= old,
                 qPrintable(u"after kill %1 the class file is no whole content"_s.arg(kills)));
        advanced += now > old;
        // Besides the class file, only a scratch file and a lock file may be left.
        const QStringList entries = roll.entries();
        QVERIFY2(entries.size() ==
                     1 + entries.contains(u"TEMP.txt"_s) + entries.contains(u".mirello.lock"_s),
                 qPrintable(entries.join(u", ")));
    }
    qInfo("%d kills survived in %lld ms: %d after a newer whole content", kills, clock.elapsed(),
          advanced);
    // The kills must have come after recordings, not only to children starting up.
    QVERIFY(advanced > 0);
}

void TestRecordingProcesses::fourProcessesRecordIntoOneFile()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(classWithCounts({0, 0, 0, 0})));
    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& person : People) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->start(Helper, recording(roll, person, "缺席", 50));
    }
    QList<int> successes;
    for (auto& child : children) {
        QVERIFY(child->waitForFinished(180000) && child->exitCode() == 0);
        const QList<QByteArray> lines = child->readAllStandardOutput().split('\n');
        successes.append(int(lines.count("ok")));
        // On a loaded machine a copy may give up after the lock's wait, and says so.
        for (const QByteArray& line : lines)
            QVERIFY2(!line.startsWith("refused") ||
                         QString::fromUtf8(line).contains(u"另一个 Mirello"),
                     line.constData());
        QVERIFY(lines.contains("done " + QByteArray::number(successes.back())));
    }
    qInfo("4 processes x 50 recordings into one file in %lld ms: %d, %d, %d and %d succeeded",
          clock.elapsed(), successes[0], successes[1], successes[2], successes[3]);
    // Every success is in the file, exactly once; nothing else changed.
    QCOMPARE(roll.classBytes(), classWithCounts(successes));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingProcesses::lockHeldElsewhereThenLeftBehind()
{
    RollFixture roll;
    const QByteArray bytes = gbkLines({rollLine(u"甲", u"00\\0000")});
    QVERIFY(roll.writeClass(bytes));
    QProcess holder;
    holder.start(Helper, {u"hold-lock"_s, roll.programFolder()});
    QVERIFY(holder.waitForReadyRead(5000) && holder.readLine() == "locked\n");

    // Held by a live copy: refused after the wait, nothing changed.
    Result<void> result = roll.record(u"甲"_s, u"优秀"_s);
    QVERIFY2(!result.ok() &&
                 result.error().message.contains(u"另一个 Mirello 正在写入点名册文件夹"),
             WHY(result));
    QCOMPARE(roll.classBytes(), bytes);

    // Left by a killed copy: the lock file is taken over at once.
    holder.kill();
    QVERIFY(holder.waitForFinished(5000));
    QVERIFY(QFileInfo::exists(roll.folder().lockFilePath()));
    result = roll.record(u"甲"_s, u"优秀"_s);
    QVERIFY2(result.ok(), WHY(result));
    QCOMPARE(roll.classBytes(), gbkLines({rollLine(u"甲", u"01\\1000")}));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingProcesses::anOrdinaryUser_data()
{
    QTest::addColumn<uint>("folderMode");
    QTest::addColumn<uint>("classMode");
    QTest::addColumn<QString>("lockFile"); // left in the roll folder: "", "file" or "pipe"
    QTest::addColumn<QString>("expected"); // part of the refusal; empty: recorded
    QTest::addColumn<QString>("reason");

    const QString denied = systemReason(EACCES);
    QTest::newRow("read-only folder")
        << 0555u << 0666u << QString() << u"无法锁定点名册文件夹"_s << denied;
    QTest::newRow("read-only folder with a lock file left")
        << 0555u << 0666u << u"file"_s << u"无法建立文件夹"_s << denied;
    QTest::newRow("named pipe as the lock file, which would block a plain open")
        << 0777u << 0666u << u"pipe"_s << u"无法锁定点名册文件夹"_s << u"锁文件不是普通文件"_s;
    QTest::newRow("class file that only its owner may write")
        << 0777u << 0644u << QString() << u"班级文件“高一3班.txt”是只读的。"_s << QString();
    QTest::newRow("another's class file that all may write: recorded, bits kept")
        << 0777u << 0666u << QString() << QString() << QString();
}

void TestRecordingProcesses::anOrdinaryUser()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no other user to run as here; the read-only attribute is tested in "
          "tst_graderecorder.");
#else
    // Root may write anything, so root runs the recording as the user "nobody".
    QFETCH(uint, folderMode);
    QFETCH(uint, classMode);
    QFETCH(QString, lockFile);
    QFETCH(QString, expected);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;
    if (!root && folderMode != 0555)
        QSKIP("Needs a class file of another user, which only root can make.");

    RollFixture roll;
    const QByteArray bytes = gbkLines({rollLine(u"甲", u"00\\0000")});
    QVERIFY(roll.writeClass(bytes));
    const QByteArray lock = QFile::encodeName(roll.folder().lockFilePath());
    QVERIFY(lockFile != u"file" || writeBytes(roll.folder().lockFilePath(), {}));
    QVERIFY(lockFile != u"pipe" || ::mkfifo(lock.constData(), 0666) == 0);
    const QStringList before = roll.entries();
    QVERIFY(setMode(roll.programFolder(), 0755) && setMode(roll.classPath(), classMode) &&
            setMode(roll.folder().path(), folderMode));
    QStringList args = recording(roll, u"甲"_s, "优秀", 1);
    if (root)
        args.prepend(u"--as-nobody"_s);
    QProcess child;
    child.start(Helper, args);
    QVERIFY(child.waitForFinished(10000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    QVERIFY(setMode(roll.folder().path(), 0755));
    if (expected.isEmpty()) {
        QVERIFY2(output == u"ok\ndone 1\n", qPrintable(output));
        QCOMPARE(roll.classBytes(), gbkLines({rollLine(u"甲", u"01\\1000")}));
        QCOMPARE(modeOf(roll.classPath()), classMode);
        return;
    }
    QVERIFY2(child.exitCode() == 0 && output.startsWith(u"refused: 无法记录成绩：") &&
                 output.contains(expected) && output.contains(reason) &&
                 output.contains(u"\ndone 0"),
             qPrintable(output));
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), before);
#endif
}

QTEST_GUILESS_MAIN(TestRecordingProcesses)
#include "tst_recordingprocesses.moc"
