// Replacing a file atomically: the new content, owner and permission bits on
// success; on a failure at any step before the rename, the target untouched and no
// scratch file left.

#include "FaultInjectingFileOperations.h"
#include "platform/AtomicReplace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace mirello;
using namespace faulttest;
using namespace Qt::StringLiterals;

namespace {

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

QStringList entries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

FileStatus statusOf(const QString& path)
{
    PosixFileOperations files;
    return *files.status(path).value();
}

} // namespace

class TestAtomicReplace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesContentAndKeepsModeAndOwner();
    void writesAnEmptyFile();
    void failsAtEveryStepWithoutHarm();
    void removesALeftoverScratchWithoutFollowingIt();
    void folderOfPaths();
};

void TestAtomicReplace::replacesContentAndKeepsModeAndOwner()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"class.txt"_s);
    const QString scratch = dir.filePath(u"TEMP.txt"_s);
    QVERIFY(writeFile(target, "old content"));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0604), 0);

    FaultInjectingFileOperations files;
    files.writeChunk = 3;
    QVERIFY(!replaceFileAtomically(files, target, scratch, "new content", statusOf(target)));
    QCOMPARE(readFile(target), "new content"_ba);
    QCOMPARE(entries(dir.path()), QStringList{u"class.txt"_s});
    QCOMPARE(statusOf(target).permissions, 0604u);
    QCOMPARE(statusOf(target).owner, ::geteuid());
}

void TestAtomicReplace::writesAnEmptyFile()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"class.txt"_s);
    QVERIFY(writeFile(target, "old"));
    FaultInjectingFileOperations files;
    QVERIFY(!replaceFileAtomically(files, target, dir.filePath(u"TEMP.txt"_s), QByteArrayView(),
                                   statusOf(target)));
    QCOMPARE(readFile(target), QByteArray());
    QCOMPARE(std::count(files.calls.begin(), files.calls.end(), Call::Write), 0);
}

void TestAtomicReplace::failsAtEveryStepWithoutHarm()
{
    const QByteArray content(100, 'n');
    std::vector<Call> steps;
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"class.txt"_s);
        QVERIFY(writeFile(target, "old content"));
        FaultInjectingFileOperations files;
        files.writeChunk = 40;
        QVERIFY(!replaceFileAtomically(files, target, dir.filePath(u"TEMP.txt"_s), content,
                                       statusOf(target)));
        steps = files.calls;
    }
    QCOMPARE(steps.size(), std::size_t(11)); // unlink, create, fchown, fchmod, 3 writes, ...

    const ReplaceStep expectedSteps[] = {
        ReplaceStep::ClearScratch,    ReplaceStep::CreateScratch, ReplaceStep::KeepOwner,
        ReplaceStep::KeepPermissions, ReplaceStep::Write,         ReplaceStep::Write,
        ReplaceStep::Write,           ReplaceStep::Sync,          ReplaceStep::Close,
        ReplaceStep::Rename,          ReplaceStep::SyncFolder};
    for (std::size_t k = 0; k < steps.size(); ++k) {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"class.txt"_s);
        QVERIFY(writeFile(target, "old content"));
        FaultInjectingFileOperations files;
        files.writeChunk = 40;
        files.failAt = {k};
        files.failWith = ENOSPC;
        const std::optional<ReplaceFailure> failure = replaceFileAtomically(
            files, target, dir.filePath(u"TEMP.txt"_s), content, statusOf(target));
        QVERIFY2(failure.has_value(), callName(steps[k]));
        QCOMPARE(failure->step, expectedSteps[k]);
        QCOMPARE(failure->error.reason, systemReason(ENOSPC));
        QVERIFY(!failure->scratchLeft);
        QCOMPARE(failure->targetReplaced, failure->step == ReplaceStep::SyncFolder);
        QCOMPARE(readFile(target), failure->targetReplaced ? content : "old content"_ba);
        QCOMPARE(entries(dir.path()), QStringList{u"class.txt"_s});
    }
}

void TestAtomicReplace::removesALeftoverScratchWithoutFollowingIt()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"class.txt"_s);
    const QString scratch = dir.filePath(u"TEMP.txt"_s);
    const QString victim = dir.filePath(u"victim.txt"_s);
    QVERIFY(writeFile(target, "old"));
    QVERIFY(writeFile(victim, "precious"));
    QVERIFY(QFile::link(victim, scratch));
    FaultInjectingFileOperations files;
    QVERIFY(!replaceFileAtomically(files, target, scratch, "new", statusOf(target)));
    QCOMPARE(readFile(target), "new"_ba);
    QCOMPARE(readFile(victim), "precious"_ba);
    QCOMPARE(entries(dir.path()), (QStringList{u"class.txt"_s, u"victim.txt"_s}));

    // A scratch path that cannot be cleared (here a folder) stops before anything.
    QVERIFY(QDir(dir.path()).mkdir(u"TEMP.txt"_s));
    const std::optional<ReplaceFailure> failure =
        replaceFileAtomically(files, target, scratch, "newer", statusOf(target));
    QVERIFY(failure.has_value());
    QCOMPARE(failure->step, ReplaceStep::ClearScratch);
    QCOMPARE(readFile(target), "new"_ba);
}

void TestAtomicReplace::folderOfPaths()
{
    QCOMPARE(folderOf(u"/a/b/c.txt"_s), u"/a/b"_s);
    QCOMPARE(folderOf(u"/c.txt"_s), u"/"_s);
    QCOMPARE(folderOf(u"c.txt"_s), u"."_s);
}

QTEST_GUILESS_MAIN(TestAtomicReplace)
#include "tst_atomicreplace.moc"
