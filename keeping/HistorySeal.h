#pragma once

#include "platform/Result.h"

#include <functional>
#include <QByteArray>

namespace mirello {

class FileOperations;
class RollFolder;

// A running hash over the history, "checkroll/.mirello/history.seal": after every
// append a line "<bytes of history.csv covered> <hash>" is added, the hash being
// SHA-256 chained over the history's lines (each line's hash takes the one before).
// A history changed by anything but Mirello no longer agrees with its seal's last
// line. It holds no secret, so it shows a history edited in a text editor, not one
// rewritten by someone who also recomputes the seal.
enum class SealState
{
    // No seal yet: a history from before seals, sealed as it is at the next append.
    NotYet,
    Intact,
    Broken,
};

// What `history` makes of the seal's bytes `seal`.
SealState sealStateOf(const QByteArray& history, const QByteArray& seal);

// The seal's next line once `appended` was added to a history of `before` bytes, whose
// seal held `seal`; `history` is the history's bytes before the append, read only
// when there is no seal yet.
QByteArray sealLineAfter(const QByteArray& seal, qint64 before, const QByteArray& appended,
                         const std::function<QByteArray()>& history);

// Adds that line to the seal of `folder`, under the roll folder's lock that the caller
// holds; the error names the seal file.
Result<void> sealAppend(const RollFolder& folder, qint64 before, const QByteArray& appended,
                        FileOperations& files);

// Reads the history and its seal and says whether they agree.
Result<SealState> checkHistorySeal(const RollFolder& folder);

} // namespace mirello
