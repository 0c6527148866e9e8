#pragma once

#include "platform/Result.h"
#include "platform/TextCodec.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello {

// The new bytes of a class file after one recording of `gradeText` for
// `personName`. Lines are split and decoded as the roster loader does; each line
// whose name equals `personName` exactly gets its last 7 characters replaced by the
// raised call count, "\" and tally, and every other byte stays. Every line ends with
// CR LF afterwards; a byte-order mark is kept.
// Refused, naming the person and `shownFileName`: a file with a zero byte (no text),
// no line with the name, counters that would not fit (count above 99 or below 0,
// tally out of range, the grade's digit already 9), and counters that cannot be
// located exactly in the line's bytes.
Result<QByteArray> rewriteRoll(QByteArrayView fileBytes, const QString& personName,
                               const QString& gradeText, const QString& shownFileName);

// The bytes of `line` before its counters (the last 7 characters of `text`, the line
// decoded), when the counters are exactly its last bytes and the bytes before them
// decode to the rest: only then can the counters change and every other byte stay.
std::optional<QByteArrayView> bytesBeforeCounters(QByteArrayView line, QStringView text,
                                                  TextEncoding encoding);

} // namespace mirello
