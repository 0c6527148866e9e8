#pragma once

#include <functional>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace mirello {

// What one record may hold: a file on a shared drive is whatever someone put there, so
// no record may grow with the file's cleverness (a field of megabytes, a line of
// millions of separators).
struct CsvLimits
{
    // Longer fields are cut here and their record marked `overlong`.
    qsizetype longestField = 4096;
    // Fields right of this many are dropped.
    qsizetype mostFields = 256;
};

struct CsvRecord
{
    QStringList fields;
    // A field was longer than the limit and was cut.
    bool overlong = false;
};

// CSV as spreadsheets write it, read a piece at a time: fields separated by
// `separator`, a field in "..." may hold separators, line breaks and doubled quotes;
// records end at CR LF, LF or CR. Every record is handed on as it is complete, blank
// ones included, so that the count of records is the row in a spreadsheet; only the
// record being read is held.
class CsvReader
{
public:
    // Takes one record; false stops the reading.
    using Take = std::function<bool(CsvRecord&&)>;

    explicit CsvReader(QChar separator = u',', CsvLimits limits = {});

    // Reads `piece`, the text after the pieces read before; false when `take` stopped.
    bool read(QStringView piece, const Take& take);
    // Hands on the last record when the text does not end in a line break.
    bool finish(const Take& take);

private:
    void append(QChar c);
    void endField();
    bool endRecord(const Take& take);

    QChar m_separator;
    CsvLimits m_limits;
    CsvRecord m_record;
    QString m_field;
    bool m_quoted = false;
    bool m_started = false;
    // A quote inside quotes: the field's end, or the first of a doubled one.
    bool m_quoteInQuotes = false;
    // A CR ended the record: a LF right after it belongs to it.
    bool m_afterCr = false;
};

// One record with its CR LF; fields holding a comma, a quote or a line break are
// quoted. A field that a spreadsheet would take for a formula gets a leading "'"
// (withoutFormula()).
QString csvLine(const QStringList& fields);

// `field` with a leading "'" when a spreadsheet would run it as a formula: it starts
// with a tab, CR or LF, or its first character after spaces is =, +, -, @ (also in
// their full-width forms). A field that starts with "'" before such a text gets one
// more, so that fieldWithFormula() gives back exactly what was written.
QString withoutFormula(const QString& field);
// The field as it was before withoutFormula(); older files, written without the
// guard, read as they are.
QString fieldWithFormula(const QString& field);

} // namespace mirello
