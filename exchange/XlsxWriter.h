#pragma once

#include "platform/Result.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

namespace mirello {

// A cell of an exported sheet: text, or a number that spreadsheets sort and sum.
using XlsxCell = std::variant<QString, double>;

struct XlsxSheet
{
    QString name;
    QStringList header;
    QList<QList<XlsxCell>> rows;

    friend bool operator==(const XlsxSheet&, const XlsxSheet&) = default;
};

// The helper beside the running program.
QString xlsxHelperPath();

// The bytes of an .xlsx workbook with one sheet per entry of `sheets`, written by
// libxlsxwriter in the helper program `helper`: the header row bold and frozen,
// each column as wide as its widest entry. The helper runs apart because
// libxlsxwriter built from its own source brings its own copy of the zip functions
// of minizip, which the reader links, and in one process either would call the
// other's.
Result<QByteArray> writeXlsx(const QList<XlsxSheet>& sheets,
                             const QString& helper = xlsxHelperPath());

// `wanted` as a valid sheet name, different from each of `taken` in any case: at
// most 31 characters, none of []:*?/\, no apostrophe first or last.
QString validSheetName(const QString& wanted, const QStringList& taken);

// How the sheets travel to the helper, and back; none for bytes that are no sheets.
QByteArray serializeSheets(const QList<XlsxSheet>& sheets);
std::optional<QList<XlsxSheet>> deserializeSheets(QByteArrayView bytes);

} // namespace mirello
