#pragma once

#include "CellTable.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace mirello {

// Class lists from .xlsx workbooks: minizip opens the zip container and
// QXmlStreamReader reads the workbook, its shared strings and one sheet. Each call
// works on the bytes of the whole file; `shown` names the file in messages.
//
// A hostile file gives an error and nothing else: an old .xls or a password-protected
// workbook (both compound files, not zip), a part that unpacks to more than
// LargestXlsxPartBytes (a zip bomb), broken XML or a document type declaration,
// and a sheet of more than LargestTableRows rows.

// What a workbook holds for the import: the names of its sheets, in the order the
// workbook lists them, and the rows of the sheet at `index` of them, empty rows left
// out, each cell as the spreadsheet shows it: numbers without a fraction as their
// digits (20230107, never 2.02301E+07), text as it stands, TRUE and FALSE for truth
// values. The workbook is read once, and its work stays in proportion to what a class
// list can hold: at most LargestSheets sheets, LargestRelationships relationships per
// part, LongestCellText characters a cell, the class-file limit of text in all.
struct XlsxContent
{
    QStringList sheetNames;
    CellTable table;
};

Result<XlsxContent> readXlsx(QByteArrayView bytes, int index, const QString& shown,
                             const CancelFlag* cancel = nullptr);

inline constexpr qint64 LargestXlsxPartBytes = qint64(64) << 20;
inline constexpr qsizetype LargestSheets = 1000;
inline constexpr qsizetype LargestRelationships = 4096;

} // namespace mirello
