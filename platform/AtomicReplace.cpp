#include "AtomicReplace.h"

#include "FileNames.h"
#include "Paths.h"

#include <array>

namespace mirello {

namespace {

// Undoes everything after a failure before the rename: the scratch file goes, the
// target was never touched.
ReplaceFailure abandon(FileOperations& files, const QString& scratch, ReplaceStep step, Error error,
                       std::optional<FileOperations::Handle> openHandle)
{
    if (openHandle)
        (void)files.close(*openHandle);
    ReplaceFailure failure{step, std::move(error)};
    failure.scratchLeft = !files.remove(scratch).ok();
    return failure;
}

} // namespace

std::optional<ReplaceFailure> replaceFileAtomically(FileOperations& files, const QString& target,
                                                    const QString& scratch, QByteArrayView content,
                                                    const FileStatus& keep)
{
    // A scratch file left by a crash is removed, never truncated: it could be a
    // link to a file that must not be emptied.
    if (Result<void> cleared = files.remove(scratch); !cleared)
        return ReplaceFailure{ReplaceStep::ClearScratch, cleared.error()};

    Result<FileOperations::Handle> created = files.createNew(scratch);
    if (!created) {
        // Nothing of ours is there: a file that appeared meanwhile is not removed.
        return ReplaceFailure{ReplaceStep::CreateScratch, created.error()};
    }
    const FileOperations::Handle handle = created.value();

    if (Result<void> owned = files.setOwner(handle, keep.owner, keep.group); !owned)
        return abandon(files, scratch, ReplaceStep::KeepOwner, owned.error(), handle);
    if (Result<void> permitted = files.setPermissions(handle, keep.permissions); !permitted)
        return abandon(files, scratch, ReplaceStep::KeepPermissions, permitted.error(), handle);
    if (Result<void> written = files.writeAll(handle, content); !written)
        return abandon(files, scratch, ReplaceStep::Write, written.error(), handle);
    if (Result<void> synced = files.sync(handle); !synced)
        return abandon(files, scratch, ReplaceStep::Sync, synced.error(), handle);
    if (Result<void> closed = files.close(handle); !closed)
        return abandon(files, scratch, ReplaceStep::Close, closed.error(), std::nullopt);
    if (Result<void> renamed = files.rename(scratch, target); !renamed)
        return abandon(files, scratch, ReplaceStep::Rename, renamed.error(), std::nullopt);

    if (Result<void> folderSynced = files.syncFolder(folderOf(target)); !folderSynced)
        return ReplaceFailure{ReplaceStep::SyncFolder, folderSynced.error(), true};
    return std::nullopt;
}

QString describeReplaceFailure(const ReplaceFailure& failure, const QString& scratch,
                               const QString& target)
{
    // By step, in the order of ReplaceStep: %1 is the scratch file, %2 the target; then
    // what to check, where only the write and the flushes can mean a full disk.
    static constexpr std::array<QStringView, 9> What{
        u"无法删除上次留下的临时文件“%1”。请检查文件夹的权限后再试。",
        u"无法创建临时文件“%1”。请检查文件夹的权限后再试。",
        u"无法让新文件保留“%2”应有的所有者。请检查文件夹的权限后再试。",
        u"无法让新文件保留“%2”应有的权限。请检查文件夹的权限后再试。",
        u"写入临时文件“%1”失败。请检查磁盘空间后再试。",
        u"无法把临时文件“%1”保存到磁盘。请检查磁盘空间后再试。",
        u"关闭临时文件“%1”失败。请检查磁盘空间后再试。",
        u"无法用临时文件“%1”替换“%2”。请检查文件夹的权限后再试。",
        u"系统未能确认“%2”所在的文件夹已保存到磁盘（断电时可能丢失）。",
    };
    QString what = What[std::size_t(failure.step)].toString().arg(scratch, target);
    if (failure.scratchLeft)
        what += u"临时文件“" + scratch + u"”未能删除，下次写入时会再次清理。";
    return what;
}

Result<FileStatus> newFileStatusIn(FileOperations& files, const QString& folder)
{
    Result<std::optional<FileStatus>> status = files.status(folder);
    if (!status)
        return status.error();
    if (!status.value() || status.value()->kind != FileStatus::Kind::Folder)
        return Error{u"找不到文件夹“" + shownFileName(folder) + u"”。", QString()};
    FileStatus file = *status.value();
    file.kind = FileStatus::Kind::RegularFile;
    file.permissions &= 0666;
    file.size = 0;
    return file;
}

} // namespace mirello
