// Grade recording when the file system fails: every file step made to fail in turn
// through the file-operations seam with short writes, a scratch file that cannot be
// removed, and a real small tmpfs that is full or read-only.

#include "../platform/FaultInjectingFileOperations.h"
#include "RecordingFixture.h"

#include <fcntl.h>
#include <QScopeGuard>
#include <sys/mount.h>
#include <unistd.h>

using namespace mirello;
using namespace recordingtest;
using namespace faulttest;

namespace {

const QString Person = u"王小明"_s;

// Six other lines, then the person's with `counters` and `end`.
QByteArray classWith(QStringView counters, QByteArrayView end)
{
    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines.append(rollLine(u"学生%1"_s.arg(i), u"0%1\\0000"_s.arg(i)));
    return gbkLines(lines) + gbk(rollLine(Person, counters)) + end;
}

const QByteArray Before = classWith(u"03\\1201", "\n");
const QByteArray After = classWith(u"04\\1301", "\r\n");

// Every file step of a recording with writes of at most 48 bytes, in order, and the
// words of the message when it fails. Reading and writing come first, then the
// flush and close, and only then the rename over the class file.
constexpr qsizetype Chunk = 48;
const std::pair<const char*, const char16_t*> Steps[] = {
    {"status", u"无法查看班级文件"},
    {"status", u"无法查看班级文件"}, // before and under the lock
    {"resolvePath", u"班级文件“高一3班.txt”的实际位置"},
    {"mayWrite", u"能否写入"},
    {"resolvePath", u"点名册文件夹"},
    {"openForReading", u"无法打开班级文件"},
    {"readAll", u"无法读取班级文件"},
    {"close", u"读取后无法关闭班级文件"},
    {"remove", u"无法删除上次留下的临时文件“TEMP.txt”"},
    {"createNew", u"无法创建临时文件“TEMP.txt”"},
    {"setOwner", u"原来的所有者"},
    {"setPermissions", u"原来的权限"},
    {"write", u"写入临时文件“TEMP.txt”失败"},
    {"write", u"写入临时文件“TEMP.txt”失败"},
    {"write", u"写入临时文件“TEMP.txt”失败"},
    {"write", u"写入临时文件“TEMP.txt”失败"},
    {"sync", u"无法把临时文件“TEMP.txt”保存到磁盘"},
    {"close", u"关闭临时文件“TEMP.txt”失败"},
    {"rename", u"无法用临时文件“TEMP.txt”替换班级文件“高一3班.txt”"},
    {"syncFolder", u"成绩已记入班级文件“高一3班.txt”"} // after the rename: the grade is in
};

} // namespace

class TestRecordingFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failsAtEveryFileStep();
    void reportsAScratchFileLeftBehind();
    void fullOrReadOnlyTmpfs();
};

void TestRecordingFaults::failsAtEveryFileStep()
{
    QStringList steps;
    for (const auto& step : Steps)
        steps.append(QString::fromLatin1(step.first));
    {
        RollFixture roll;
        QVERIFY(roll.writeClass(Before));
        FaultInjectingFileOperations files;
        files.writeChunk = Chunk;
        QVERIFY(roll.record(Person, u"良好"_s, files).ok());
        QCOMPARE(roll.classBytes(), After);
        QCOMPARE(files.calls, steps);
    }
    // Each step fails in turn, the writes with a full disk after short writes.
    for (qsizetype k = 0; k < steps.size(); ++k) {
        RollFixture roll;
        QVERIFY(roll.writeClass(Before));
        FaultInjectingFileOperations files;
        files.writeChunk = Chunk;
        files.failAt = {k};
        const Result<void> result = roll.record(Person, u"良好"_s, files);
        const QString context = u"%1 %2: "_s.arg(k).arg(QLatin1StringView(Steps[k].first));
        QVERIFY2(!result.ok(), qPrintable(context));
        const QString& message = result.error().message;
        QVERIFY2(message.contains(QStringView(Steps[k].second)) &&
                     message.contains(roll.className()),
                 qPrintable(context + message));
        QCOMPARE(result.error().reason, systemReason(ENOSPC));
        const bool renamed = k == steps.size() - 1;
        QVERIFY2(roll.classBytes() == (renamed ? After : Before), qPrintable(context));
        QVERIFY2(roll.entries() == QStringList{roll.className()},
                 qPrintable(context + roll.entries().join(u", ")));
    }
    qInfo("Injected %lld faults, one at every file step of a recording: %s",
          qlonglong(steps.size()), qPrintable(steps.join(u", ")));
}

void TestRecordingFaults::reportsAScratchFileLeftBehind()
{
    // The write fails, and so does the removal of the scratch file after it: the
    // class file is untouched, and the message says that "TEMP.txt" was left.
    RollFixture roll;
    QVERIFY(roll.writeClass(Before));
    FaultInjectingFileOperations files;
    const qsizetype write = 12;
    files.failAt = {write, write + 2};
    const Result<void> result = roll.record(Person, u"良好"_s, files);
    QCOMPARE(files.calls.mid(write), (QStringList{u"write"_s, u"close"_s, u"remove"_s}));
    QVERIFY2(!result.ok() && result.error().message.contains(u"临时文件“TEMP.txt”未能删除"),
             WHY(result));
    QCOMPARE(roll.classBytes(), Before);
    QCOMPARE(roll.entries(), (QStringList{u"TEMP.txt"_s, roll.className()}));
}

void TestRecordingFaults::fullOrReadOnlyTmpfs()
{
    if (::geteuid() != 0)
        QSKIP("Mounting a tmpfs needs root; the full disk is covered through the seam.");
    RollFixture roll;
    const QByteArray at = QFile::encodeName(roll.programFolder());
    if (::mount("tmpfs", at.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=128k,mode=0755") != 0)
        QSKIP(qPrintable(u"No tmpfs could be mounted: "_s + systemReason(errno)));
    const auto unmount = qScopeGuard([&] { ::umount2(at.constData(), MNT_DETACH); });
    QVERIFY(QDir(roll.programFolder()).mkdir(u"checkroll"_s));

    // A class of about 40 KB on a disk of 128 KB: room for it and its new copy.
    QByteArray before;
    for (int i = 0; before.size() < 40000; ++i)
        before += gbk(rollLine(u"学生%1"_s.arg(i), u"01\\0000")) + "\r\n";
    before += gbk(rollLine(Person, u"03\\1201")) + "\r\n";
    QVERIFY(roll.writeClass(before));
    // Not a byte free, then two pages: a short write, then the disk is full.
    const QString filler = roll.programFolder() + u"/filler"_s;
    const int fd = ::open(QFile::encodeName(filler).constData(), O_WRONLY | O_CREAT, 0600);
    qint64 size = 0;
    for (ssize_t written; (written = ::write(fd, before.constData(), 4096)) > 0;)
        size += written;
    for (const qint64 free : {0, 8192}) {
        QCOMPARE(::ftruncate(fd, size - free), 0);
        const Result<void> result = roll.record(Person, u"良好"_s);
        QVERIFY2(!result.ok() && result.error().message.contains(u"写入临时文件“TEMP.txt”失败"),
                 WHY(result));
        qInfo("Disk full with %lld bytes free: %s", free,
              qPrintable(result.error().text().replace(u'\n', u' ')));
        QCOMPARE(result.error().reason, systemReason(ENOSPC));
        QCOMPARE(roll.classBytes(), before);
        QCOMPARE(roll.entries(), QStringList{roll.className()});
    }
    ::close(fd);
    QVERIFY(QFile::remove(filler));
    const Result<void> recorded = roll.record(Person, u"良好"_s);
    QVERIFY2(recorded.ok(), WHY(recorded));
    const QByteArray after = before.chopped(9) + "04\\1301\r\n";
    QCOMPARE(roll.classBytes(), after);

    // A read-only file system denies even root: the class file counts as read-only.
    // The lock file is left so that the lock can still be taken.
    QVERIFY(writeBytes(roll.folder().path() + u"/.mirello.lock"_s, QByteArray()));
    if (::mount(nullptr, at.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        QSKIP("The tmpfs could not be made read-only.");
    const Result<void> result = roll.record(Person, u"良好"_s);
    QVERIFY2(!result.ok() && result.error().message.contains(u"是只读的"), WHY(result));
    QCOMPARE(roll.classBytes(), after);
}

QTEST_GUILESS_MAIN(TestRecordingFaults)
#include "tst_recordingfaults.moc"
