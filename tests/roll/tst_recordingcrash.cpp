// Crash safety: a child process records grades over and over and is killed with
// SIGKILL at a random moment, at least 200 times. After every kill the class file
// must hold either the whole old or the whole new content of some recording: never
// missing, never partial.

#include "RecordingFixture.h"
#include "roll/GradeRecorder.h"

#include <csignal>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <thread>

using namespace mirello;
using namespace recordingtest;
using namespace Qt::StringLiterals;

namespace {

const QString Person = u"王小明"_s;

// A class of 301 lines with the person in the middle; every recording of a grade
// outside the table raises the person's count by one and changes nothing else.
struct ClassContent
{
    QByteArray before; // the lines before the person's
    QByteArray after;  // the lines after it

    ClassContent()
    {
        for (int i = 0; i < 300; ++i) {
            const QByteArray line =
                gbk(rollLine(QString(u"学生" + QString::number(i)), u"05", u"1234",
                             QString(u"S2023" + QString::number(i).rightJustified(4, u'0')))) +
                "\r\n";
            (i < 150 ? before : after) += line;
        }
    }

    QByteArray withCount(int count) const
    {
        return before +
               gbk(rollLine(Person, QString::number(count).rightJustified(2, u'0'), u"0000")) +
               "\r\n" + after;
    }

    // The count of the person when `bytes` is the whole content after some number
    // of recordings, or -1 when it is anything else.
    int countIn(const QByteArray& bytes) const
    {
        const QByteArray probe = withCount(0);
        if (bytes.size() != probe.size())
            return -1;
        const qsizetype at = before.size() + gbk(QString(u"S20230107" + Person + u"-")).size();
        bool ok = false;
        const int count = bytes.mid(at, 2).toInt(&ok);
        return ok && bytes == withCount(count) ? count : -1;
    }
};

} // namespace

class TestRecordingCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void survivesKillsAtRandomMoments();
};

void TestRecordingCrash::survivesKillsAtRandomMoments()
{
    constexpr int MinimumKills = 200;
    constexpr int MaximumKills = 300;
    constexpr qint64 TimeBudgetMs = 15000;

    RollFixture roll;
    QVERIFY(roll.isValid());
    const ClassContent content;
    QCOMPARE(content.countIn(content.withCount(42)), 42);

    QRandomGenerator random(20240601);
    QElapsedTimer clock;
    clock.start();
    int kills = 0;
    int unchanged = 0;
    int advanced = 0;
    int scratchLeft = 0;
    int lockLeft = 0;
    int mostRecordings = 0;
    qint64 latestKillMs = 0;

    while (kills < MaximumKills && (kills < MinimumKills || clock.elapsed() < TimeBudgetMs / 2)) {
        QVERIFY2(clock.elapsed() < TimeBudgetMs,
                 qPrintable(u"only "_s + QString::number(kills) + u" kills in time"_s));
        // A fresh start now and then, so that the count seldom reaches 99 (where
        // the child's recordings are refused, which is harmless here).
        const int start = content.countIn(roll.classBytes());
        if (start < 0 || start > 40)
            QVERIFY(roll.writeClass(content.withCount(int(random.bounded(0, 20)))));
        const int old = content.countIn(roll.classBytes());

        QProcess child;
        child.setStandardOutputFile(QProcess::nullDevice());
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(
            QStringLiteral(MIRELLO_RECORDING_HELPER),
            {u"record"_s, roll.programFolder(), roll.className(), Person, u"缺席"_s, u"0"_s});
        QVERIFY(child.waitForStarted());
        // Startup takes a few milliseconds and one recording (two fsyncs) a few more:
        // the kills land before, during and between recordings, at every step.
        const qint64 delayUs = random.bounded(0, 45000);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
        QVERIFY(child.waitForFinished(5000));
        ++kills;
        latestKillMs = std::max(latestKillMs, delayUs / 1000);

        const QByteArray bytes = roll.classBytes();
        const int now = content.countIn(bytes);
        QVERIFY2(now >= old,
                 qPrintable(u"after kill "_s + QString::number(kills) +
                            u" the class file holds "_s + QString::number(bytes.size()) +
                            u" bytes that are no whole content"_s));
        (now == old ? unchanged : advanced) += 1;
        mostRecordings = std::max(mostRecordings, now - old);
        const QStringList entries = roll.entries();
        scratchLeft += entries.contains(u"TEMP.txt"_s);
        lockLeft += entries.contains(u".mirello.lock"_s);
        // Nothing but the class file, a scratch file and a lock file may be there.
        for (const QString& entry : entries) {
            QVERIFY2(entry == roll.className() || entry == u"TEMP.txt"_s ||
                         entry == u".mirello.lock"_s,
                     qPrintable(entry));
        }
    }

    qInfo("%d kills in %lld ms (delays 0 to %lld ms): %d left the old content, %d a newer "
          "whole content (up to %d recordings), %d left a TEMP.txt, %d left the lock file for the "
          "next to take over",
          kills, clock.elapsed(), latestKillMs, unchanged, advanced, mostRecordings, scratchLeft,
          lockLeft);
    QVERIFY(kills >= MinimumKills);
    // The kills must have hit recordings in flight, not only idle children.
    QVERIFY(advanced > 0);
    QVERIFY(scratchLeft > 0);

    // What a killed copy leaves behind does not stand in the way: its lock file is
    // taken over and the scratch file cleared.
    QVERIFY(roll.writeClass(content.withCount(10)));
    const int before = 10;
    const Result<void> result = recordGrade(roll.folder(), roll.className(), Person, u"缺席"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QCOMPARE(content.countIn(roll.classBytes()), before + 1);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

QTEST_GUILESS_MAIN(TestRecordingCrash)
#include "tst_recordingcrash.moc"
