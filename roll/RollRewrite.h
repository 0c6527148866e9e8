#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello {

// The new content of a class file after one recording, worked out on the file's
// raw bytes.
struct RewrittenRoll
{
    QByteArray bytes;
    // How many lines matched the name and were changed.
    qsizetype changedLines = 0;
};

// Rewrites the bytes of a class file for one recording of `gradeText` for
// `personName`, in memory:
// - The encoding (UTF-8 with or without byte-order mark, or GBK) is chosen for the
//   whole file as the roster loader chooses it, and lines are split as it splits
//   them: at CR LF or a lone LF, a lone CR staying inside its line. Lines are
//   decoded only to compare names and count positions.
// - A line whose name equals `personName` exactly keeps its bytes up to the last 7
//   characters, which become the new call count, "\" and the new tally.
// - Every other line, short ones (< 17 characters, blank ones included) and lines
//   with bytes that are not valid GBK among them, keeps its bytes exactly.
// - Every line is followed by CR LF; a byte-order mark is kept, none is added. A
//   file of zero bytes stays empty.
// A file with a zero byte is no text file and is refused as a whole.
// The whole recording is refused, with a message naming the person and
// `shownFileName`, when a matching line's counters would not fit (count above 99 or
// below 0, tally above 9999 or below 0, or the grade's digit already 9), or when
// its last 7 characters cannot be located exactly in its bytes.
Result<RewrittenRoll> rewriteRoll(QByteArrayView fileBytes, const QString& personName,
                                  const QString& gradeText, const QString& shownFileName);

} // namespace mirello
