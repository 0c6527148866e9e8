#pragma once

#include "ClassFileTransaction.h"

namespace mirello {

// Records one grade in the class file `classFileName` of `folder` for every line
// whose name is `personName` (see rewriteRoll()), through rewriteClassFile(). The
// change it made is returned, so that it can be undone and shown.
Result<ClassFileChange> recordGrade(const RollFolder& folder, const QString& classFileName,
                                    const QString& personName, const QString& gradeText);

// The same through `files`, which tests replace to make each file step fail.
Result<ClassFileChange> recordGrade(const RollFolder& folder, const QString& classFileName,
                                    const QString& personName, const QString& gradeText,
                                    FileOperations& files);

} // namespace mirello
