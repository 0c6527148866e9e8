#include "ClassFileTransaction.h"

#include "platform/AtomicReplace.h"
#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"

#include <QDir>

namespace mirello {

namespace {

// Every message of one change begins with its wording's refusal.
class Refusal
{
public:
    explicit Refusal(const ChangeWording& wording)
        : m_wording(wording)
    {
    }
    Error operator()(const QString& what, const QString& reason = QString()) const
    {
        return Error{m_wording.refused + what, reason};
    }
    const ChangeWording& wording() const { return m_wording; }

private:
    const ChangeWording& m_wording;
};

// Why the named file is no class file that may be rewritten, if it is none.
std::optional<Error> unsuitableName(const Refusal& refused, const QString& classFileName)
{
    if (classFileName.isEmpty())
        return refused(QStringLiteral("还没有选择班级。请先选择一个班级，再记录成绩。"));
    if (!RollFolder::isPlainFileName(classFileName)) {
        return refused(u"“" + shownFileName(classFileName) +
                       u"”不是点名册文件夹中的文件名。请重新选择班级后再试。");
    }
    if (RollFolder::isHelperFileName(classFileName)) {
        return refused(u"“" + shownFileName(classFileName) +
                       u"”是记录成绩时使用的辅助文件，不是班级文件。请选择其他班级。");
    }
    return std::nullopt;
}

// The status of the class file, or why it cannot be recorded in.
Result<FileStatus> classFileStatus(const Refusal& refused, FileOperations& files,
                                   const QString& path, const QString& shown)
{
    Result<std::optional<FileStatus>> status = files.status(path);
    if (!status) {
        return refused(u"无法查看班级文件“" + shown + u"”。请检查该文件后再试。",
                       status.error().reason);
    }
    if (!status.value()) {
        return refused(u"找不到班级文件“" + shown +
                       u"”，它可能已被移走或删除。请重新选择班级后再试。");
    }
    if (status.value()->kind != FileStatus::Kind::RegularFile)
        return refused(u"“" + shown + u"”不是普通文件，无法记录。请选择其他班级。");
    if (status.value()->size > RollFolder::LargestClassFileBytes)
        return refused(u"班级文件“" + shown + u"”太大（超过 64 MB），不像是班级名册，没有改动。");
    return *status.value();
}

Result<QByteArray> readClassFile(const Refusal& refused, FileOperations& files, const QString& path,
                                 const QString& shown)
{
    const QString unchanged = u"班级文件“" + shown + u"”没有改动，请检查该文件后再试。";
    Result<FileOperations::Handle> opened =
        files.openForReading(path, FileOperations::Links::Follow);
    if (!opened)
        return refused(u"无法打开班级文件“" + shown + u"”。" + unchanged, opened.error().reason);
    Result<QByteArray> bytes = files.readAll(opened.value());
    if (!bytes) {
        (void)files.close(opened.value());
        return refused(u"无法读取班级文件“" + shown + u"”。" + unchanged, bytes.error().reason);
    }
    if (Result<void> closed = files.close(opened.value()); !closed) {
        return refused(u"读取后无法关闭班级文件“" + shown + u"”。" + unchanged,
                       closed.error().reason);
    }
    return bytes;
}

// The scratch file for replacing `target`: "TEMP.txt" when the class file lies in
// the roll folder itself. A class file that is a link to another folder is replaced
// through a hidden scratch file beside the file it points to, since a rename is
// atomic only within one file system.
Result<QString> scratchPathFor(const Refusal& refused, FileOperations& files,
                               const RollFolder& folder, const QString& target,
                               const QString& shown)
{
    Result<QString> rollFolder = files.resolvePath(folder.path());
    if (!rollFolder) {
        return refused(u"无法找到点名册文件夹“" + shownFileName(folder.path()) +
                           u"”的实际位置。班级文件“" + shown + u"”没有改动，请检查该文件夹后再试。",
                       rollFolder.error().reason);
    }
    const QString targetFolder = folderOf(target);
    if (targetFolder == rollFolder.value())
        return folder.scratchFilePath();
    return pathInFolder(targetFolder, u'.' + fileNameOf(target) + u".mirello-tmp");
}

Result<ClassFileChange> changeUnderLock(const RollFolder& folder, const QString& classFileName,
                                        const ClassFileRewrite& rewrite, const Refusal& refused,
                                        FileOperations& files, const ChangeBackup& backup)
{
    if (std::optional<Error> unsuitable = unsuitableName(refused, classFileName))
        return *unsuitable;
    const QString shown = shownFileName(classFileName);
    const QString classPath = folder.classFilePath(classFileName);

    // Looked at before the lock, so that nothing is created for a class file that
    // is not there; looked at again under the lock, where it counts.
    if (Result<FileStatus> status = classFileStatus(refused, files, classPath, shown); !status)
        return status.error();

    FileLock lock(folder.lockFilePath());
    if (std::optional<Error> locked =
            lockRollFolder(lock, folder, refused.wording().refused,
                           QString(u"班级文件“" + shown + u"”没有改动，")))
        return *locked;

    Result<FileStatus> status = classFileStatus(refused, files, classPath, shown);
    if (!status)
        return status.error();
    // A link is followed: the file it points to is rewritten and the link stays.
    Result<QString> target = files.resolvePath(classPath);
    if (!target) {
        return refused(u"无法找到班级文件“" + shown + u"”的实际位置。请检查该文件后再试。",
                       target.error().reason);
    }

    // A rename would replace a read-only file without asking, so it is refused here.
    Result<bool> mayWrite = files.mayWrite(target.value());
    if (!mayWrite) {
        return refused(u"无法检查班级文件“" + shown + u"”能否写入。请检查该文件后再试。",
                       mayWrite.error().reason);
    }
    if (!status.value().hasWriteBit() || !mayWrite.value())
        return refused(u"班级文件“" + shown + u"”是只读的。请取消只读后再试。");

    Result<QString> scratch = scratchPathFor(refused, files, folder, target.value(), shown);
    if (!scratch)
        return scratch.error();
    if (scratch.value() == target.value()) {
        return refused(u"班级文件“" + shown +
                       u"”指向记录成绩用的临时文件，无法记录。请选择其他班级。");
    }

    Result<QByteArray> original = readClassFile(refused, files, target.value(), shown);
    if (!original)
        return original.error();
    Result<QByteArray> rewritten = rewrite(original.value());
    if (!rewritten)
        return rewritten.error();
    const QDateTime time = backup.time.isValid() ? backup.time : QDateTime::currentDateTime();
    if (Result<void> kept = keepBackup(folder, classFileName, original.value(), status.value(),
                                       time, backup.rule, files);
        !kept) {
        return refused(kept.error().message + u"为免无法恢复，班级文件“" + shown + u"”没有改动。",
                       kept.error().reason);
    }

    ClassFileChange change{std::move(original).value(), std::move(rewritten).value(), {}};
    if (std::optional<ReplaceFailure> failure = replaceFileAtomically(
            files, target.value(), scratch.value(), change.after, status.value())) {
        if (!failure->targetReplaced)
            return refused(u"班级文件“" + shown + u"”没有改动：" +
                               describeReplaceFailure(*failure, fileNameOf(scratch.value()), shown),
                           failure->error.reason);
        change.unflushed =
            Error{refused.wording().unflushed + u"“" + shown +
                      u"”，但系统未能确认点名册文件夹已保存到磁盘，断电时可能丢失这次改动。"
                      u"请检查磁盘后再核对这条记录。",
                  failure->error.reason};
    }
    return change;
}

} // namespace

Result<ClassFileChange> rewriteClassFile(const RollFolder& folder, const QString& classFileName,
                                         const ClassFileRewrite& rewrite,
                                         const ChangeWording& wording, FileOperations& files,
                                         const ChangeBackup& backup)
{
    const Refusal refused(wording);
    try {
        return changeUnderLock(folder, classFileName, rewrite, refused, files, backup);
    } catch (const std::bad_alloc&) {
        return refused(u"内存不足。班级文件“" + shownFileName(classFileName) + u"”没有改动。",
                       QStringLiteral("内存不足"));
    }
}

} // namespace mirello
