#include "Csv.h"

namespace mirello {

QList<QStringList> csvRecords(QStringView text, QChar separator)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    bool started = false;
    const auto endField = [&] {
        fields.append(field);
        field.clear();
        started = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"')
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else
                quoted = false;
        } else if (c == u'"' && !started) {
            quoted = started = true;
        } else if (c == separator) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            endField();
            records.append(std::move(fields));
            fields = QStringList();
        } else {
            field += c;
            started = true;
        }
    }
    if (started || !fields.isEmpty()) {
        endField();
        records.append(std::move(fields));
    }
    return records;
}

QString csvLine(const QStringList& fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString& field = fields[i];
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
