// Grade recording when the file system fails: every file step made to fail in turn
// through the file-operations seam, short writes, and a full disk, simulated and on
// a real small tmpfs.

#include "../platform/FaultInjectingFileOperations.h"
#include "RecordingFixture.h"
#include "roll/GradeRecorder.h"

#include <cerrno>
#include <fcntl.h>
#include <QTest>
#include <sys/mount.h>
#include <unistd.h>

using namespace mirello;
using namespace recordingtest;
using namespace faulttest;
using namespace Qt::StringLiterals;

namespace {

const QString Person = u"王小明"_s;

QByteArray classBefore()
{
    QByteArray bytes;
    for (int i = 0; i < 6; ++i)
        bytes += gbk(rollLine(QString(u"学生" + QString::number(i)),
                              QString(u"0" + QString::number(i)), u"0000")) +
                 "\r\n";
    bytes += gbk(rollLine(Person, u"03", u"1201")) + "\n";
    return bytes;
}

QByteArray classAfter()
{
    QByteArray bytes;
    for (int i = 0; i < 6; ++i)
        bytes += gbk(rollLine(QString(u"学生" + QString::number(i)),
                              QString(u"0" + QString::number(i)), u"0000")) +
                 "\r\n";
    bytes += gbk(rollLine(Person, u"04", u"1301")) + "\r\n";
    return bytes;
}

// The words of the message that name the step a failed call belongs to.
QString stepWords(Call call, bool scratchOpen)
{
    switch (call) {
    case Call::Status:
        return u"无法查看班级文件"_s;
    case Call::ResolvePath:
        return u"实际位置"_s;
    case Call::MayWrite:
        return u"能否写入"_s;
    case Call::OpenForReading:
        return u"无法打开班级文件"_s;
    case Call::ReadAll:
        return u"无法读取班级文件"_s;
    case Call::CreateNew:
        return u"无法创建临时文件“TEMP.txt”"_s;
    case Call::SetOwner:
        return u"原来的所有者"_s;
    case Call::SetPermissions:
        return u"原来的权限"_s;
    case Call::Write:
        return u"写入临时文件“TEMP.txt”失败"_s;
    case Call::Sync:
        return u"无法把临时文件“TEMP.txt”保存到磁盘"_s;
    case Call::Close:
        return scratchOpen ? u"关闭临时文件“TEMP.txt”失败"_s : u"无法关闭班级文件"_s;
    case Call::Rename:
        return u"无法用临时文件“TEMP.txt”替换班级文件“高一3班.txt”"_s;
    case Call::SyncFolder:
        return u"成绩已记入班级文件“高一3班.txt”"_s;
    case Call::Remove:
        return u"无法删除上次留下的临时文件“TEMP.txt”"_s;
    }
    return QString();
}

// A tmpfs of `kib` KiB mounted on a folder for as long as the object lives.
class SmallDisk
{
public:
    SmallDisk(const QString& mountPoint, int kib)
        : m_path(QFile::encodeName(mountPoint))
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k,mode=0755";
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                            options.constData()) == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    int error() const { return m_error; }

private:
    QByteArray m_path;
    bool m_mounted = false;
    int m_error = 0;
};

// Fills the file system of `path` with a file there until no byte more fits, then
// frees `freeBytes` of it again.
bool fillUp(const QString& path, qint64 freeBytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    qint64 size = 0;
    for (;;) {
        const ssize_t written = ::write(fd, block.constData(), block.size());
        if (written <= 0)
            break;
        size += written;
    }
    const bool ok = errno == ENOSPC && ::ftruncate(fd, std::max<qint64>(0, size - freeBytes)) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestRecordingFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanRunUsesTheSeamOnly();
    void failsAtEveryFileStep();
    void reportsAScratchFileItCouldNotRemove();
    void shortWritesStillWriteEverything();
    void fullDiskThroughTheSeam_data();
    void fullDiskThroughTheSeam();
    void fullDiskOnARealTmpfs();
};

void TestRecordingFaults::cleanRunUsesTheSeamOnly()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(classBefore()));
    FaultInjectingFileOperations files;
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files).ok());
    QCOMPARE(roll.classBytes(), classAfter());
    QCOMPARE(roll.entries(), QStringList{roll.className()});

    // The order of the steps: read everything, write the scratch file completely,
    // flush and close it, and only then rename it over the class file.
    QStringList names;
    for (Call call : files.calls)
        names.append(QString::fromLatin1(callName(call)));
    QCOMPARE(names.join(u' '),
             u"stat stat realpath access realpath open(read) read close unlink "
             u"open(create) fchown fchmod write fsync close rename fsync(folder)"_s);
}

void TestRecordingFaults::failsAtEveryFileStep()
{
    // A clean run with short writes lists every call the recording makes; then each
    // call in turn is made to fail.
    const qsizetype chunk = 48;
    std::vector<Call> steps;
    {
        RollFixture roll;
        QVERIFY(roll.writeClass(classBefore()));
        FaultInjectingFileOperations files;
        files.writeChunk = chunk;
        QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files).ok());
        QCOMPARE(roll.classBytes(), classAfter());
        steps = files.calls;
    }
    const auto writes = std::count(steps.begin(), steps.end(), Call::Write);
    QCOMPARE(writes, (classAfter().size() + chunk - 1) / chunk);

    const auto scratchCreated =
        std::find(steps.begin(), steps.end(), Call::CreateNew) - steps.begin();
    QStringList injected;
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const Call call = steps[k];
        const QByteArray context = QByteArray::number(qulonglong(k)) + " " + callName(call);
        RollFixture roll;
        QVERIFY(roll.writeClass(classBefore()));
        FaultInjectingFileOperations files;
        files.writeChunk = chunk;
        files.failAt = {k};
        const Result<void> result =
            recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files);
        QVERIFY2(!result.ok(), context.constData());
        const QString& message = result.error().message;
        QVERIFY2(message.contains(stepWords(call, qsizetype(k) > scratchCreated)),
                 QByteArray(context + ": " + message.toUtf8()).constData());
        QVERIFY2(message.contains(roll.className()),
                 QByteArray(context + ": " + message.toUtf8()).constData());
        QCOMPARE(result.error().reason, systemReason(EIO));
        if (call == Call::SyncFolder) {
            // After the rename the class file already holds the new content; the
            // message says so, so that the grade is not recorded twice.
            QCOMPARE(roll.classBytes(), classAfter());
        } else {
            QVERIFY2(message.startsWith(u"无法记录成绩："), context.constData());
            QVERIFY2(roll.classBytes() == classBefore(), context.constData());
        }
        QVERIFY2(roll.entries() == QStringList{roll.className()},
                 QByteArray(context + ": " + roll.entries().join(u", ").toUtf8()).constData());
        injected.append(QString::fromLatin1(callName(call)));
    }
    qInfo("Injected %zu faults, one at every file step of a recording: %s", steps.size(),
          qPrintable(injected.join(u", ")));
}

void TestRecordingFaults::reportsAScratchFileItCouldNotRemove()
{
    // The write fails and so does the removal of the scratch file afterwards: the
    // class file is untouched, and the message says that "TEMP.txt" was left.
    RollFixture roll;
    QVERIFY(roll.writeClass(classBefore()));
    FaultInjectingFileOperations probe;
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, probe).ok());
    QVERIFY(roll.writeClass(classBefore()));
    const std::size_t write =
        std::find(probe.calls.begin(), probe.calls.end(), Call::Write) - probe.calls.begin();

    FaultInjectingFileOperations files;
    files.failAt = {write, write + 2}; // the write, then (after close) the unlink
    const Result<void> result =
        recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files);
    QVERIFY(!result.ok());
    QCOMPARE(files.calls[write + 1], Call::Close);
    QCOMPARE(files.calls[write + 2], Call::Remove);
    QVERIFY2(result.error().message.contains(u"临时文件“TEMP.txt”未能删除"),
             qPrintable(result.error().message));
    QCOMPARE(roll.classBytes(), classBefore());
    QCOMPARE(roll.entries(), (QStringList{u"TEMP.txt"_s, roll.className()}));

    // The next recording clears it.
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"良好"_s).ok());
    QCOMPARE(roll.classBytes(), classAfter());
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingFaults::shortWritesStillWriteEverything()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(classBefore()));
    FaultInjectingFileOperations files;
    files.writeChunk = 1;
    QVERIFY(recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files).ok());
    QCOMPARE(roll.classBytes(), classAfter());
    QCOMPARE(std::count(files.calls.begin(), files.calls.end(), Call::Write), classAfter().size());
}

void TestRecordingFaults::fullDiskThroughTheSeam_data()
{
    QTest::addColumn<qint64>("space");
    QTest::addColumn<qsizetype>("chunk");
    QTest::newRow("no space at all") << qint64(0) << qsizetype(0);
    QTest::newRow("one short write, then full") << qint64(50) << qsizetype(0);
    QTest::newRow("short writes, then full") << qint64(100) << qsizetype(7);
    QTest::newRow("full one byte before the end")
        << qint64(classAfter().size() - 1) << qsizetype(0);
}

void TestRecordingFaults::fullDiskThroughTheSeam()
{
    QFETCH(qint64, space);
    QFETCH(qsizetype, chunk);
    RollFixture roll;
    QVERIFY(roll.writeClass(classBefore()));
    FaultInjectingFileOperations files;
    files.spaceLeft = space;
    files.writeChunk = chunk;
    const Result<void> result =
        recordGrade(roll.folder(), roll.className(), Person, u"良好"_s, files);
    QVERIFY(!result.ok());
    QVERIFY2(result.error().message.contains(u"写入临时文件“TEMP.txt”失败"),
             qPrintable(result.error().message));
    QCOMPARE(result.error().reason, systemReason(ENOSPC));
    QCOMPARE(roll.classBytes(), classBefore());
    QCOMPARE(roll.entries(), QStringList{roll.className()});
}

void TestRecordingFaults::fullDiskOnARealTmpfs()
{
    if (::geteuid() != 0)
        QSKIP("Mounting a tmpfs needs root; the full disk is covered through the seam.");
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    SmallDisk disk(mountPoint.path(), 128);
    if (!disk.mounted()) {
        QSKIP(qPrintable(u"No tmpfs could be mounted (" + systemReason(disk.error()) +
                         u"); the full disk is covered through the seam."));
    }
    const QString program = mountPoint.path();
    QVERIFY(QDir(program).mkdir(u"checkroll"_s));
    const RollFolder folder(program);
    const QString classPath = folder.classFilePath(u"高一3班.txt"_s);

    // A class of about 40 KB on a disk of 128 KB: room for it and its new copy.
    QByteArray before;
    for (int i = 0; before.size() < 40000; ++i)
        before += gbk(rollLine(QString(u"学生" + QString::number(i)), u"01", u"0000")) + "\r\n";
    before += gbk(rollLine(Person, u"03", u"1201")) + "\r\n";
    QVERIFY(writeBytes(classPath, before));
    const QByteArray after = before.chopped(9) + "04\\1301\r\n";
    const QString filler = program + u"/filler"_s;
    const auto entries = [&] {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };

    // Not a byte free: the scratch file gets none of its content.
    QVERIFY(fillUp(filler, 0));
    Result<void> result = recordGrade(folder, u"高一3班.txt"_s, Person, u"良好"_s);
    QVERIFY(!result.ok());
    qInfo("Disk full: %s", qPrintable(result.error().text().replace(u'\n', u' ')));
    QCOMPARE(result.error().reason, systemReason(ENOSPC));
    QCOMPARE(readBytes(classPath), before);
    QCOMPARE(entries(), QStringList{u"高一3班.txt"_s});

    // Two pages free: the scratch file gets two pages of its 40 KB (a short
    // write), then the disk is full.
    QVERIFY(fillUp(filler, 8192));
    result = recordGrade(folder, u"高一3班.txt"_s, Person, u"良好"_s);
    QVERIFY(!result.ok());
    qInfo("Disk full while writing: %s", qPrintable(result.error().text().replace(u'\n', u' ')));
    QVERIFY2(result.error().message.contains(u"写入临时文件“TEMP.txt”失败"),
             qPrintable(result.error().message));
    QCOMPARE(result.error().reason, systemReason(ENOSPC));
    QCOMPARE(readBytes(classPath), before);
    QCOMPARE(entries(), QStringList{u"高一3班.txt"_s});

    // Room again: the recording goes through.
    QVERIFY(QFile::remove(filler));
    result = recordGrade(folder, u"高一3班.txt"_s, Person, u"良好"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().text()));
    QCOMPARE(readBytes(classPath), after);
    QCOMPARE(entries(), QStringList{u"高一3班.txt"_s});
}

QTEST_GUILESS_MAIN(TestRecordingFaults)
#include "tst_recordingfaults.moc"
