#include "Csv.h"

#include <utility>

namespace mirello {

namespace {

bool runsAsFormula(QStringView field)
{
    if (field.isEmpty())
        return false;
    if (field[0] == u'\t' || field[0] == u'\r' || field[0] == u'\n')
        return true;
    // Spreadsheets skip leading spaces (no-break and ideographic ones too) before
    // they look for a formula's sign.
    qsizetype i = 0;
    while (i < field.size() && field[i].isSpace())
        ++i;
    return i < field.size() && QStringView(u"=+-@＝＋－＠").contains(field[i]);
}

// Whether withoutFormula() puts a "'" before `field`: also before any run of "'"
// that stands before a formula, so that taking one off is always right.
bool needsApostrophe(QStringView field)
{
    while (field.startsWith(u'\''))
        field = field.mid(1);
    return runsAsFormula(field);
}

} // namespace

CsvReader::CsvReader(QChar separator, CsvLimits limits)
    : m_separator(separator)
    , m_limits(limits)
{
}

void CsvReader::append(QChar c)
{
    if (m_field.size() < m_limits.longestField)
        m_field += c;
    else
        m_record.overlong = true;
}

void CsvReader::endField()
{
    if (m_record.fields.size() < m_limits.mostFields)
        m_record.fields.append(m_field);
    m_field.clear();
    m_started = false;
}

bool CsvReader::endRecord(const Take& take)
{
    endField();
    const bool goOn = take(std::move(m_record));
    // A record left where it was (a blank line) lends its storage to the next one,
    // so that a file of millions of line breaks allocates nothing per line.
    m_record.fields.clear();
    m_record.overlong = false;
    return goOn;
}

bool CsvReader::read(QStringView piece, const Take& take)
{
    for (const QChar c : piece) {
        if (std::exchange(m_afterCr, false) && c == u'\n')
            continue;
        if (m_quoted) {
            if (!std::exchange(m_quoteInQuotes, false)) {
                if (c == u'"')
                    m_quoteInQuotes = true;
                else
                    append(c);
                continue;
            }
            if (c == u'"') {
                append(c);
                continue;
            }
            m_quoted = false; // the quote closed the field; `c` comes after it
        }
        if (c == u'"' && !m_started) {
            m_quoted = m_started = true;
        } else if (c == m_separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            m_afterCr = c == u'\r';
            if (!endRecord(take))
                return false;
        } else {
            append(c);
            m_started = true;
        }
    }
    return true;
}

bool CsvReader::finish(const Take& take)
{
    m_quoted = m_quoteInQuotes = m_afterCr = false;
    if (!m_started && m_record.fields.isEmpty())
        return true;
    return endRecord(take);
}

QString withoutFormula(const QString& field)
{
    return needsApostrophe(field) ? u'\'' + field : field;
}

QString fieldWithFormula(const QString& field)
{
    return field.startsWith(u'\'') && needsApostrophe(QStringView(field).mid(1)) ? field.mid(1)
                                                                                 : field;
}

QString csvLine(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString field = withoutFormula(fields[i]);
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
            field.contains(u'\r')) {
            QString doubled = field;
            doubled.replace(u'"', QStringLiteral("\"\""));
            line += u'"' + doubled + u'"';
        } else {
            line += field;
        }
    }
    return line + u"\r\n";
}

} // namespace mirello
