#pragma once

#include "platform/Result.h"
#include "RollFolder.h"

#include <chrono>
#include <QString>

namespace mirello {

class FileOperations;

// How long a recording waits for another copy of the program to finish writing the
// same roll folder before it gives up.
inline constexpr std::chrono::milliseconds RecordingLockWait{2000};

// Records one grade in the class file `classFileName` of `folder` for every line
// whose name is `personName` (see rewriteRoll()). Under the roll folder's lock, the
// file is replaced atomically through the scratch file, keeping its owner, group and
// permission bits; a link has the file it points to rewritten. On any refusal or
// failure the class file is byte-identical to before and no scratch file is left;
// the error says why in Chinese and names the file. The one failure after the
// replacement (the folder could not be flushed) says the grade is recorded.
Result<void> recordGrade(const RollFolder& folder, const QString& classFileName,
                         const QString& personName, const QString& gradeText);

// The same through `files`, which tests replace to make each file step fail.
Result<void> recordGrade(const RollFolder& folder, const QString& classFileName,
                         const QString& personName, const QString& gradeText,
                         FileOperations& files);

} // namespace mirello
