#pragma once

#include <atomic>
#include <QList>
#include <QStringList>

namespace mirello {

// One row of a class list as it came from a spreadsheet, a CSV file or pasted text:
// its number there (from 1, as the teacher sees it) and its cells as text.
struct TableRow
{
    int number = 0;
    QStringList cells;

    friend bool operator==(const TableRow&, const TableRow&) = default;
};

// The rows that hold anything, in source order; empty rows are left out.
using CellTable = QList<TableRow>;

// Rows above this many are no class list; reading stops with an error instead of
// filling the memory.
inline constexpr int LargestTableRows = 50000;
// A class list is kilobytes: larger files are refused unread.
inline constexpr qint64 LargestImportFileBytes = qint64(32) << 20;
// Cells right of this column are ignored: a class list needs a handful.
inline constexpr int LargestTableColumns = 200;
// What a spreadsheet program lets one cell hold; a longer text is no name.
inline constexpr qsizetype LongestCellText = 32767;

// Set by the window when the teacher gives up on a slow import; the reading stops at
// its next row.
using CancelFlag = std::atomic<bool>;

} // namespace mirello
