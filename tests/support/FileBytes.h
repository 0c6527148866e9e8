#pragma once

// Files read and written whole, by the tests and the fuzz targets alike.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace recordingtest {

// The file's bytes; "<cannot open>", which no test writes, when it cannot be read.
inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace recordingtest
