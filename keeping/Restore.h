#pragma once

#include "History.h"

namespace mirello {

// Puts the backup `backupFileName` of the class `classFileName` back in place of the
// class file: atomically and under the lock, after a backup of the version it
// replaces; the history gains a line.
Result<LoggedChange> restoreBackup(const RollFolder& folder, const QString& classFileName,
                                   const QString& backupFileName, const QDateTime& time,
                                   FileOperations& files);

} // namespace mirello
