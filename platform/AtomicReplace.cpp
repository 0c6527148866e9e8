#include "AtomicReplace.h"

#include "Paths.h"

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

} // namespace mirello
