#pragma once

#include "FileOperations.h"
#include "Result.h"

#include <optional>
#include <QByteArrayView>
#include <QString>

namespace mirello {

// The steps of replacing a file, in the order they are taken.
enum class ReplaceStep
{
    ClearScratch,    // remove a scratch file left over from an earlier attempt
    CreateScratch,   // create the scratch file anew
    KeepOwner,       // give it the owner and group of the file it replaces
    KeepPermissions, // and its permission bits
    Write,           // write the new content, as many writes as it takes
    Sync,            // flush the scratch file to the storage device (fsync)
    Close,           // close it, checking the result
    Rename,          // rename it over the target: the one atomic step
    SyncFolder,      // flush the folder, so that the rename is durable
};

struct ReplaceFailure
{
    ReplaceStep step;
    // What the failed file step reported, with the system's reason.
    Error error;
    // Whether the target already holds the new content: true only when the
    // rename was done and the folder could not be synced afterwards.
    bool targetReplaced = false;
    // Whether a scratch file could not be removed after the failure.
    bool scratchLeft = false;
};

// Replaces the content of `target` so that it always holds its whole old or whole new
// content: `content` goes to the new file `scratch` beside it (written, flushed,
// closed, every step checked), which is then renamed over `target` and the folder
// flushed. The new file gets `keep`'s owner, group and permission bits. On a failure
// before the rename, `target` is untouched and `scratch` removed.
// Not QSaveFile: it cannot keep the owner, name a fixed scratch file, or let tests
// fail each step, and it does not flush the folder after the rename.
[[nodiscard]] std::optional<ReplaceFailure>
replaceFileAtomically(FileOperations& files, const QString& target, const QString& scratch,
                      QByteArrayView content, const FileStatus& keep);

// What failed, in Chinese, naming the scratch file and the target as shown, with
// what to check: for a message that first says what was left unchanged.
QString describeReplaceFailure(const ReplaceFailure& failure, const QString& scratch,
                               const QString& target);

// What a new file in `folder` gets: the folder's owner and group, and its access
// bits without execute (a folder of 0755 gives 0644).
Result<FileStatus> newFileStatusIn(FileOperations& files, const QString& folder);

} // namespace mirello
