#pragma once

#include "Backups.h"
#include "platform/Result.h"
#include "RollFolder.h"

#include <chrono>
#include <functional>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringView>

namespace mirello {

class FileOperations;

// How long a change waits for another copy of the program to finish writing the
// same roll folder before it gives up.
inline constexpr std::chrono::milliseconds RecordingLockWait = RollFolderLockWait;

// A class file as one change found it and as it left it. `unflushed` says that the
// change is in the file but the folder could not be flushed after it, so that a
// power cut could still lose it.
struct ClassFileChange
{
    QByteArray before;
    QByteArray after;
    std::optional<Error> unflushed;
};

// How the messages of one kind of change begin and what they say when the change is
// on disk but the folder could not be flushed after it.
struct ChangeWording
{
    QStringView refused;   // "无法记录成绩："
    QStringView unflushed; // "成绩已记入班级文件"
};

// The backup a change keeps of the class file before it replaces it (keepBackup());
// an invalid time stands for the moment of the change.
struct ChangeBackup
{
    BackupRule rule = BackupRule::FirstChangeOfDay;
    QDateTime time;
};

// The new bytes of a class file from its current ones, or why there are none.
using ClassFileRewrite = std::function<Result<QByteArray>(const QByteArray& current)>;

// Rewrites the class file `classFileName` of `folder` with `rewrite`: under the roll
// folder's lock, the file is read and replaced atomically through the scratch file,
// keeping its owner, group and permission bits; a link has the file it points to
// rewritten. Before the replacement the file as it was is backed up as `backup`
// says; a backup that cannot be written refuses the change. On any refusal or
// failure the class file is byte-identical to before and no scratch file is left;
// the error says why in Chinese and names the file. A folder that could not be
// flushed after the replacement is no refusal: the change is returned with its
// `unflushed` warning.
Result<ClassFileChange> rewriteClassFile(const RollFolder& folder, const QString& classFileName,
                                         const ClassFileRewrite& rewrite,
                                         const ChangeWording& wording, FileOperations& files,
                                         const ChangeBackup& backup = {});

} // namespace mirello
