#pragma once

#include "ClassFileTransaction.h"

namespace mirello {

// What an undo did: the change it made, or why it made none. A refusal because the
// file was changed since stays a refusal; `mayRetry` is set when a file step failed
// and another try may work.
struct UndoOutcome
{
    Result<ClassFileChange> change;
    bool mayRetry = false;
};

// Puts the class file `classFileName` back to the bytes `recorded.before` it held
// before a recording, through the same lock and atomic replace as a recording, but
// only while it still holds exactly `recorded.after`; otherwise nothing changes.
UndoOutcome undoRecording(const RollFolder& folder, const QString& classFileName,
                          const ClassFileChange& recorded, FileOperations& files);

} // namespace mirello
