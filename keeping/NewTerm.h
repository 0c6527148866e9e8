#pragma once

#include "History.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello {

// The bytes of a class file at the start of a new term: the call count of every
// student line (a name, then counters as RollRecord::hasCounterLayout() says) becomes
// 00 and the tally 0000 ("\" between them); every other byte stays, and every line
// ends with CR LF as after a recording. Refused, naming the line, when a line's
// counters cannot be found exactly in its bytes; refused for a file with a zero
// byte, which is no text.
Result<QByteArray> resetCounters(QByteArrayView fileBytes, const QString& shownFileName);

// Starts a new term for the class `classFileName`: after a backup of the file as it
// is, its counters are reset (resetCounters()), atomically and under the lock; the
// history gains a line and keeps the old term's records.
Result<LoggedChange> startNewTerm(const RollFolder& folder, const QString& classFileName,
                                  const QDateTime& time, FileOperations& files);

} // namespace mirello
