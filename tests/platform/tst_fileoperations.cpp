// The POSIX file steps: what each does on success, the errors they report, and
// writes that are interrupted by signals or taken only in part.

#include "FaultInjectingFileOperations.h"
#include "platform/FileLock.h"
#include "platform/FileOperations.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

std::atomic<int> g_signals{0};

void countSignal(int)
{
    g_signals.fetch_add(1, std::memory_order_relaxed);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void writeAllSurvivesSignalsAndShortWrites();
    void writesReadsAndReplaces();
    void createNewRefusesWhatIsThere();
    void statusOfWhatIsAndIsNotThere();
    void removeOfNothingIsDone();
    void errorsCarryTheSystemReason();
    void mayWriteFollowsTheSystem();
    void syncsAFolder();

    void lockIsExclusiveAndRemovedOnRelease();
    void lockLeftBehindIsTakenOver();
    void lockInAMissingFolderFails();

private:
    QTemporaryDir m_dir;
    PosixFileOperations m_files;
};

void TestFileOperations::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestFileOperations::writeAllSurvivesSignalsAndShortWrites()
{
    // A pipe takes 64 KiB at most before a write blocks; a signal that arrives then
    // (a handler without SA_RESTART) ends the write early with what it took so far,
    // or with EINTR when it took nothing. writeAll must deliver every byte in order.
    struct sigaction action = {};
    action.sa_handler = countSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    struct sigaction previous = {};
    QCOMPARE(::sigaction(SIGUSR1, &action, &previous), 0);

    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    QByteArray data(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 7919) >> 5);

    faulttest::FaultInjectingFileOperations files;
    Result<void> written;
    std::atomic<bool> writing{true};
    g_signals = 0;
    std::thread writer([&] {
        written = files.writeAll(pipeEnds[1], data);
        writing = false;
    });
    std::thread signaller([&, thread = writer.native_handle()] {
        while (writing) {
            ::pthread_kill(thread, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    QByteArray received;
    received.reserve(data.size());
    char buffer[4096];
    while (received.size() < data.size()) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        QVERIFY(got > 0);
        received.append(buffer, got);
    }
    writer.join();
    signaller.join();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ::sigaction(SIGUSR1, &previous, nullptr);

    QVERIFY2(written.ok(), qPrintable(written.ok() ? QString() : written.error().text()));
    QVERIFY(received == data);
    qInfo("8 MiB through a pipe: %d signals, %d short writes, %zu write calls", g_signals.load(),
          files.shortWrites,
          std::size_t(std::count(files.calls.begin(), files.calls.end(), faulttest::Call::Write)));
    QVERIFY(g_signals.load() > 0);
    QVERIFY(files.shortWrites > 0);
}

void TestFileOperations::writesReadsAndReplaces()
{
    const QString scratch = m_dir.filePath(u"scratch.txt"_s);
    const QString target = m_dir.filePath(u"target.txt"_s);
    QVERIFY(writeFile(target, "old"));

    Result<FileOperations::Handle> created = m_files.createNew(scratch);
    QVERIFY(created.ok());
    QVERIFY(m_files.setPermissions(created.value(), 0640).ok());
    QVERIFY(m_files.setOwner(created.value(), ::geteuid(), ::getegid()).ok());
    QVERIFY(m_files.writeAll(created.value(), "new content").ok());
    QVERIFY(m_files.sync(created.value()).ok());
    QVERIFY(m_files.close(created.value()).ok());
    QVERIFY(m_files.rename(scratch, target).ok());
    QVERIFY(m_files.syncFolder(m_dir.path()).ok());
    QVERIFY(!QFile::exists(scratch));

    Result<FileOperations::Handle> opened = m_files.openForReading(target);
    QVERIFY(opened.ok());
    const Result<QByteArray> bytes = m_files.readAll(opened.value());
    QVERIFY(m_files.close(opened.value()).ok());
    QVERIFY(bytes.ok());
    QCOMPARE(bytes.value(), "new content"_ba);
    const auto status = m_files.status(target);
    QVERIFY(status.ok() && status.value());
    QCOMPARE(status.value()->permissions, 0640u);
    QCOMPARE(status.value()->size, 11);

    // A large file is read whole.
    QByteArray large(300000, 'x');
    QVERIFY(writeFile(target, large));
    opened = m_files.openForReading(target);
    QVERIFY(opened.ok());
    QCOMPARE(m_files.readAll(opened.value()).value(), large);
    QVERIFY(m_files.close(opened.value()).ok());
}

void TestFileOperations::createNewRefusesWhatIsThere()
{
    const QString existing = m_dir.filePath(u"existing.txt"_s);
    QVERIFY(writeFile(existing, "keep"));
    const Result<FileOperations::Handle> overExisting = m_files.createNew(existing);
    QVERIFY(!overExisting.ok());
    QCOMPARE(overExisting.error().reason, systemReason(EEXIST));
    QCOMPARE(readFile(existing), "keep"_ba);

    // A link, even one that points nowhere, is not followed.
    const QString link = m_dir.filePath(u"link.txt"_s);
    const QString nowhere = m_dir.filePath(u"nowhere.txt"_s);
    QVERIFY(QFile::link(nowhere, link));
    QVERIFY(!m_files.createNew(link).ok());
    QVERIFY(!QFile::exists(nowhere));
}

void TestFileOperations::statusOfWhatIsAndIsNotThere()
{
    const auto missing = m_files.status(m_dir.filePath(u"missing"_s));
    QVERIFY(missing.ok());
    QVERIFY(!missing.value());

    const QString dangling = m_dir.filePath(u"dangling"_s);
    QVERIFY(QFile::link(m_dir.filePath(u"gone"_s), dangling));
    QVERIFY(!m_files.status(dangling).value());

    const auto folder = m_files.status(m_dir.path());
    QVERIFY(folder.ok() && folder.value());
    QCOMPARE(folder.value()->kind, FileStatus::Kind::Folder);

    const QString file = m_dir.filePath(u"plain"_s);
    QVERIFY(writeFile(file, "x"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    const QString link = m_dir.filePath(u"to-plain"_s);
    QVERIFY(QFile::link(u"plain"_s, link));
    const auto linked = m_files.status(link);
    QVERIFY(linked.ok() && linked.value());
    QCOMPARE(linked.value()->kind, FileStatus::Kind::RegularFile);
    QVERIFY(!linked.value()->hasWriteBit());
    QCOMPARE(m_files.resolvePath(link).value(), QDir(m_dir.path()).canonicalPath() + u"/plain"_s);
}

void TestFileOperations::removeOfNothingIsDone()
{
    QVERIFY(m_files.remove(m_dir.filePath(u"never-was"_s)).ok());
    const QString file = m_dir.filePath(u"to-remove"_s);
    QVERIFY(writeFile(file, "x"));
    QVERIFY(m_files.remove(file).ok());
    QVERIFY(!QFile::exists(file));
    QVERIFY(!m_files.remove(m_dir.path()).ok()); // a folder is not removed
}

void TestFileOperations::errorsCarryTheSystemReason()
{
    const QString missing = m_dir.filePath(u"缺少.txt"_s);
    const Result<FileOperations::Handle> opened = m_files.openForReading(missing);
    QVERIFY(!opened.ok());
    QCOMPARE(opened.error().reason, systemReason(ENOENT));
    QVERIFY(opened.error().message.contains(u"缺少.txt"));

    QVERIFY(!m_files.rename(missing, m_dir.filePath(u"x"_s)).ok());
    QVERIFY(!m_files.syncFolder(m_dir.filePath(u"no-folder"_s)).ok());
    QVERIFY(!m_files.resolvePath(missing).ok());
    QVERIFY(!m_files.write(-1, "x").ok());
    QVERIFY(!m_files.sync(-1).ok());
    QCOMPARE(m_files.close(-1).error().reason, systemReason(EBADF));
}

void TestFileOperations::mayWriteFollowsTheSystem()
{
    const QString file = m_dir.filePath(u"ro.txt"_s);
    QVERIFY(writeFile(file, "x"));
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    QCOMPARE(m_files.mayWrite(file).value(), true);
    QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    // The administrator may write a file without write bits; everybody else may not.
    // That is why a recording also looks at the bits themselves.
    QCOMPARE(m_files.mayWrite(file).value(), ::geteuid() == 0);
    QVERIFY(!m_files.mayWrite(m_dir.filePath(u"missing"_s)).ok());

    if (::geteuid() != 0)
        return;
    // A read-only file system denies even the administrator.
    QTemporaryDir mountPoint;
    const QByteArray path = QFile::encodeName(mountPoint.path());
    if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("no tmpfs could be mounted");
    QVERIFY(writeFile(mountPoint.filePath(u"file"_s), "x"));
    const bool remounted =
        ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    const Result<bool> mayWrite = m_files.mayWrite(mountPoint.filePath(u"file"_s));
    ::umount2(path.constData(), MNT_DETACH);
    if (!remounted)
        QSKIP("the tmpfs could not be made read-only");
    QCOMPARE(mayWrite.value(), false);
}

void TestFileOperations::syncsAFolder()
{
    QVERIFY(m_files.syncFolder(m_dir.path()).ok());
    // A file is no folder.
    const QString file = m_dir.filePath(u"not-a-folder"_s);
    QVERIFY(writeFile(file, "x"));
    QVERIFY(!m_files.syncFolder(file).ok());
}

void TestFileOperations::lockIsExclusiveAndRemovedOnRelease()
{
    const QString path = m_dir.filePath(u".lock"_s);
    FileLock first(path);
    FileLock second(path);
    QCOMPARE(first.tryLock(), FileLock::Attempt::Locked);
    QVERIFY(QFile::exists(path));
    QCOMPARE(second.tryLock(), FileLock::Attempt::Busy);
    first.unlock();
    QVERIFY(!QFile::exists(path));
    QCOMPARE(second.tryLock(), FileLock::Attempt::Locked);
    QCOMPARE(first.tryLock(), FileLock::Attempt::Busy);
    second.unlock();
    QVERIFY(!QFile::exists(path));
}

void TestFileOperations::lockLeftBehindIsTakenOver()
{
    // A lock file whose holder has gone (its lock went with it) is simply taken.
    const QString path = m_dir.filePath(u".left-lock"_s);
    QVERIFY(writeFile(path, QByteArray()));
    {
        FileLock lock(path);
        QCOMPARE(lock.tryLock(), FileLock::Attempt::Locked);
    }
    QVERIFY(!QFile::exists(path));
}

void TestFileOperations::lockInAMissingFolderFails()
{
    FileLock lock(m_dir.filePath(u"no-folder/.lock"_s));
    QCOMPARE(lock.tryLock(), FileLock::Attempt::Failed);
    QCOMPARE(lock.failureReason(), systemReason(ENOENT));
    QVERIFY(!lock.isLocked());
}

QTEST_GUILESS_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
