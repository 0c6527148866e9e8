#pragma once

// Class files as the tests make them: roll lines, whole classes of named students, and
// GBK bytes, as a class file made on Windows holds them.

#include "platform/TextCodec.h"

#include <QStringList>

namespace recordingtest {

using namespace Qt::StringLiterals;

// `text` in GBK.
inline QByteArray gbk(QStringView text)
{
    return mirello::encodeText(text, mirello::TextEncoding::Gbk).value();
}

inline QByteArray gbk(const QString& text)
{
    return gbk(QStringView(text));
}

// GBK bytes of lines, each followed by `end`.
inline QByteArray gbkLines(const QStringList& lines, QByteArrayView end = "\r\n")
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += gbk(line) + end;
    return bytes;
}

// One roll line: lead (9 characters), name, separator "-" and counters ("03\1201").
inline QString rollLine(QStringView name, QStringView counters, QStringView lead = u"S20230107")
{
    return lead + name + u'-' + counters;
}

// A class's text: a line for each of `names` with `counters`, each followed by `end`.
inline QString classText(const QStringList& names, const QString& counters = u"00\\0000"_s,
                         QStringView end = u"\r\n")
{
    QString text;
    for (const QString& name : names)
        text += rollLine(name, counters) + end;
    return text;
}

// `count` students, each with a name of their own: 学生000, 学生001 and on.
inline QStringList numberedStudents(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(u"学生%1"_s.arg(i, 3, 10, QChar(u'0')));
    return names;
}

} // namespace recordingtest
