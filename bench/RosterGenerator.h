#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace mirello {

// A class roll of `lineCount` invented students as a teacher's Windows machine
// keeps it: GBK, CR LF after every line, each line a nine-character student number,
// a Chinese name of 2 to 4 characters, "-", the call count, "\" and the four grade
// tallies. Counters vary from line to line; every tally digit stays below 9 and
// the call count is their sum, so any single recording fits the layout. The same
// count gives the same bytes on every run.
QByteArray generatedRoster(qsizetype lineCount);

} // namespace mirello
