#pragma once

#include "platform/Result.h"
#include "RollFolder.h"

#include <chrono>
#include <optional>
#include <QString>
#include <QStringView>

namespace mirello {

class FileOperations;

// The weight a grade adds to the four-digit tally: 优秀 1000, 良好 100, 及格 10,
// 不及格 1. Any other text, the empty text included, has none.
std::optional<int> gradeWeight(QStringView gradeText);

// How long a recording waits for another copy of the program to finish writing the
// same roll folder before it gives up.
inline constexpr std::chrono::milliseconds RecordingLockWait{2000};

// Records one grade in the class file `classFileName` of `folder`: every line whose
// name equals `personName` exactly gets its call count raised by one and the grade's
// weight added to its tally; every other byte of the file stays as it is, and every
// line ends with CR LF afterwards (see rewriteRoll()). The class file is replaced
// atomically through the scratch file "TEMP.txt" in the roll folder, so it is
// always either the old or the new content; on any refusal or failure before the
// replacement it is byte-identical to before and no "TEMP.txt" is left.
//
// Refused, with a Chinese message that names the file and says what to do: no
// class chosen (empty name), a name that is not a plain file of the folder (or is
// the scratch or lock file), a class file that is missing or not a regular file, a
// read-only class file (no write permission bit at all, or not writable by this
// user), counters that would not fit, and the roll folder's lock being held by
// another copy of the program for RecordingLockWait. A class file that is a
// symbolic link has the file it points to rewritten; the link stays. The owner,
// group and permission bits of the class file are kept.
//
// One failure comes after the replacement: when the folder cannot be flushed to
// disk after the rename, the class file already holds the new content and the
// message says so, so that the teacher does not record the grade twice.
Result<void> recordGrade(const RollFolder& folder, const QString& classFileName,
                         const QString& personName, const QString& gradeText);

// The same through `files`, which tests replace to make each file step fail.
Result<void> recordGrade(const RollFolder& folder, const QString& classFileName,
                         const QString& personName, const QString& gradeText,
                         FileOperations& files);

} // namespace mirello
