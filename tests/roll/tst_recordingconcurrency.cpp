// Several copies of the program at once: four processes recording into one class
// file, a lock left by a killed process, a lock held by a live one, and recordings
// by an ordinary user into a read-only folder or class file.

#include "platform/FileOperations.h"
#include "RecordingFixture.h"
#include "roll/GradeRecorder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

#include <csignal>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace mirello;
using namespace recordingtest;
using namespace Qt::StringLiterals;

namespace {

const QString Helper = QStringLiteral(MIRELLO_RECORDING_HELPER);
const QStringList People{u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s};

QByteArray classWithPeople()
{
    QByteArray bytes;
    for (int i = 0; i < 40; ++i) {
        bytes += gbk(rollLine(QString(u"同学" + QString::number(i)), u"07", u"1111")) + "\r\n";
        if (i % 10 == 5)
            bytes += gbk(rollLine(People[i / 10], u"00", u"0000")) + "\r\n";
    }
    return bytes;
}

// Starts the helper that takes the roll folder's lock and waits until it has it.
bool startLockHolder(QProcess& holder, const QString& rollFolder)
{
    holder.start(Helper, {u"hold-lock"_s, rollFolder});
    if (!holder.waitForStarted())
        return false;
    while (!holder.canReadLine()) {
        if (!holder.waitForReadyRead(5000))
            return false;
    }
    return holder.readLine().trimmed() == "locked";
}

void killAndWait(QProcess& process)
{
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished(5000);
}

} // namespace

class TestRecordingConcurrency : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fourProcessesRecordIntoOneFile();
    void takesOverALockLeftByAKilledProcess();
    void refusesWhileAnotherProcessHoldsTheLock();
    void refusesAnOrdinaryUser_data();
    void refusesAnOrdinaryUser();
};

void TestRecordingConcurrency::fourProcessesRecordIntoOneFile()
{
    constexpr int Recordings = 50;
    RollFixture roll;
    QVERIFY(roll.writeClass(classWithPeople()));

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& person : People) {
        auto child = std::make_unique<QProcess>();
        child->start(Helper, {u"record"_s, roll.programFolder(), roll.className(), person,
                              u"缺席"_s, QString::number(Recordings)});
        QVERIFY(child->waitForStarted());
        children.push_back(std::move(child));
    }

    QList<int> successes;
    QStringList refusals;
    for (auto& child : children) {
        QVERIFY(child->waitForFinished(30000));
        QCOMPARE(child->exitCode(), 0);
        const QList<QByteArray> lines = child->readAllStandardOutput().split('\n');
        int ok = 0;
        for (const QByteArray& line : lines) {
            if (line == "ok")
                ++ok;
            else if (line.startsWith("refused"))
                refusals.append(QString::fromUtf8(line));
        }
        QVERIFY(lines.contains("done " + QByteArray::number(ok)));
        successes.append(ok);
    }
    qInfo("4 processes x %d recordings into one file in %lld ms: %d, %d, %d and %d succeeded, "
          "%lld refused",
          Recordings, clock.elapsed(), successes[0], successes[1], successes[2], successes[3],
          qlonglong(refusals.size()));
    for (const QString& refusal : refusals)
        qInfo("%s", qPrintable(refusal));

    // Every success is in the file, exactly once; nothing else changed.
    const NameList list = nameListFromBytes(roll.classBytes());
    QByteArray expected = classWithPeople();
    for (qsizetype i = 0; i < People.size(); ++i) {
        const QByteArray old = gbk(rollLine(People[i], u"00", u"0000"));
        const QByteArray now = gbk(
            rollLine(People[i], QString::number(successes[i]).rightJustified(2, u'0'), u"0000"));
        QVERIFY(expected.contains(old));
        expected.replace(old, now);
    }
    QCOMPARE(roll.classBytes(), expected);
    QCOMPARE(roll.entries(), QStringList{roll.className()});
    // With a lock that waits for 2 s, none of them should have been turned away.
    QCOMPARE(refusals, QStringList());
}

void TestRecordingConcurrency::takesOverALockLeftByAKilledProcess()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(gbk(rollLine(u"甲", u"00", u"0000") + u"\r\n")));
    QProcess holder;
    QVERIFY(startLockHolder(holder, roll.folder().path()));
    killAndWait(holder);
    QVERIFY(roll.entries().contains(u".mirello.lock"_s));

    QElapsedTimer clock;
    clock.start();
    const Result<void> result = recordGrade(roll.folder(), roll.className(), u"甲"_s, u"优秀"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QVERIFY2(clock.elapsed() < 1000, "a dead holder's lock is free at once");
    QCOMPARE(roll.classBytes(), gbk(rollLine(u"甲", u"01", u"1000") + u"\r\n"));
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingConcurrency::refusesWhileAnotherProcessHoldsTheLock()
{
    RollFixture roll;
    const QByteArray bytes = gbk(rollLine(u"甲", u"00", u"0000") + u"\r\n");
    QVERIFY(roll.writeClass(bytes));
    QProcess holder;
    QVERIFY(startLockHolder(holder, roll.folder().path()));

    QElapsedTimer clock;
    clock.start();
    const Result<void> result = recordGrade(roll.folder(), roll.className(), u"甲"_s, u"优秀"_s);
    const qint64 waited = clock.elapsed();
    QVERIFY(!result.ok());
    QVERIFY2(result.error().message.contains(u"另一个 Mirello 正在写入点名册文件夹"),
             qPrintable(result.error().message));
    QVERIFY2(waited >= 1900 && waited < 4000, qPrintable(QString::number(waited)));
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), (QStringList{u".mirello.lock"_s, roll.className()}));

    // Once the other copy is gone, recording works again.
    killAndWait(holder);
    QVERIFY(recordGrade(roll.folder(), roll.className(), u"甲"_s, u"优秀"_s).ok());
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingConcurrency::refusesAnOrdinaryUser_data()
{
    QTest::addColumn<uint>("folderMode");
    QTest::addColumn<uint>("classMode");
    QTest::addColumn<bool>("staleLockFile");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("reason");

    const QString denied = systemReason(EACCES);
    QTest::newRow("read-only folder")
        << 0555u << 0666u << false << u"无法锁定点名册文件夹"_s << denied;
    QTest::newRow("read-only folder with a lock file left")
        << 0555u << 0666u << true << u"无法创建临时文件“TEMP.txt”"_s << denied;
    QTest::newRow("class file that only its owner may write")
        << 0777u << 0644u << false << u"班级文件“高一3班.txt”是只读的。请取消只读后再试。"_s
        << QString();
}

void TestRecordingConcurrency::refusesAnOrdinaryUser()
{
    // Root may write anything, so as root the recording runs as the user "nobody"
    // in a child process; as any other user it runs here.
    QFETCH(uint, folderMode);
    QFETCH(uint, classMode);
    QFETCH(bool, staleLockFile);
    QFETCH(QString, expected);
    QFETCH(QString, reason);

    if (::geteuid() != 0 && classMode == 0644)
        QSKIP("Needs a class file of another user, which only root can make.");

    RollFixture roll;
    const QByteArray bytes = gbk(rollLine(u"甲", u"00", u"0000") + u"\r\n");
    QVERIFY(roll.writeClass(bytes));
    if (staleLockFile)
        QVERIFY(writeBytes(roll.folder().path() + u"/.mirello.lock"_s, QByteArray()));
    const QStringList before = roll.entries();
    const auto mode = [](const QString& path, uint bits) {
        return ::chmod(QFile::encodeName(path).constData(), bits) == 0;
    };
    QVERIFY(mode(roll.programFolder(), 0755));
    QVERIFY(mode(roll.classPath(), classMode));
    QVERIFY(mode(roll.folder().path(), folderMode));

    QString message;
    if (::geteuid() == 0) {
        QProcess child;
        child.start(Helper, {u"--as-nobody"_s, u"record"_s, roll.programFolder(), roll.className(),
                             u"甲"_s, u"优秀"_s, u"1"_s});
        QVERIFY(child.waitForFinished(10000));
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        QVERIFY2(child.exitCode() == 0, qPrintable(output));
        QVERIFY2(output.startsWith(u"refused: 无法记录成绩："), qPrintable(output));
        QVERIFY2(output.contains(u"\ndone 0"), qPrintable(output));
        message = output;
    } else {
        const Result<void> result =
            recordGrade(roll.folder(), roll.className(), u"甲"_s, u"优秀"_s);
        QVERIFY(!result.ok());
        message = result.error().text();
    }
    QVERIFY(mode(roll.folder().path(), 0755));
    QVERIFY2(message.contains(expected), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QCOMPARE(roll.classBytes(), bytes);
    QCOMPARE(roll.entries(), before);
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(roll.classPath()).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, classMode);
}

QTEST_GUILESS_MAIN(TestRecordingConcurrency)
#include "tst_recordingconcurrency.moc"
