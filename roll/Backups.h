#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

namespace mirello {

class FileOperations;
class RollFolder;
struct FileStatus;

// Copies of class files as they were before they changed, in the roll folder's
// hidden folder: ".mirello/backups/<class file name>/", one file per copy, named by
// the local date and time it was taken ("2026-12-07_08-15-02.txt").
inline constexpr int KeptBackupsPerClass = 60;

enum class BackupRule
{
    FirstChangeOfDay, // only when the class has no backup of that day yet (recordings, undo)
    Always,           // before a restore or a new term, unless the newest backup holds the same
};

struct BackupInfo
{
    QString fileName;
    QDateTime taken;
    // The calls of every student in it, added up.
    qint64 calls = 0;
};

// Keeps `classBytes`, the class file `classFileName` as it is before a change, as a
// backup taken at `now` when `rule` asks for one; then removes all but the
// KeptBackupsPerClass of the class made last, a backup dated ahead of `now` counting
// as made before it. The backup of the version the latest restore or new term
// (BackupRule::Always) replaced is never removed. The caller holds the roll folder's
// lock. The copy is written atomically with the class file's owner and access bits;
// when it cannot be, the error says why and the change must not happen.
Result<void> keepBackup(const RollFolder& folder, const QString& classFileName,
                        QByteArrayView classBytes, const FileStatus& classStatus,
                        const QDateTime& now, BackupRule rule, FileOperations& files);

// The backups of a class, newest date first; none when it has no backup folder yet.
Result<QList<BackupInfo>> listBackups(const RollFolder& folder, const QString& classFileName,
                                      FileOperations& files);

// The bytes of one backup, as listBackups() names it.
Result<QByteArray> readBackup(const RollFolder& folder, const QString& classFileName,
                              const QString& backupFileName, FileOperations& files);

// The calls of every student in a class file's bytes, added up.
qint64 totalCalls(QByteArrayView classBytes);

} // namespace mirello
