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

// The names of the workbook's sheets, in the order the workbook lists them.
Result<QStringList> xlsxSheetNames(QByteArrayView bytes, const QString& shown);

// The rows of the sheet at `index` of xlsxSheetNames(), empty rows left out, each cell
// as the spreadsheet shows it: numbers without a fraction as their digits
// (20230107, never 2.02301E+07), text as it stands, TRUE and FALSE for truth values.
Result<CellTable> readXlsxSheet(QByteArrayView bytes, int index, const QString& shown);

inline constexpr qint64 LargestXlsxPartBytes = qint64(64) << 20;

} // namespace mirello
