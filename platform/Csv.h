#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace mirello {

// CSV as spreadsheets write it: fields separated by `separator`, a field in "..."
// may hold separators, line breaks and doubled quotes; records end at CR LF, LF or
// CR. Every record is returned, blank ones included, so that the index of a record
// is its row in a spreadsheet.
QList<QStringList> csvRecords(QStringView text, QChar separator = u',');

// One record with its CR LF; fields holding a comma, a quote or a line break are quoted.
QString csvLine(const QStringList& fields);

} // namespace mirello
