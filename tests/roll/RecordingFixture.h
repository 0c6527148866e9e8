#pragma once

// Shared by the grade recording tests: a roll folder in a fresh temporary program
// folder, and class files written as real GBK bytes.

#include "platform/TextCodec.h"
#include "roll/GradeRecorder.h"
#include "roll/RollFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace recordingtest {

using namespace Qt::StringLiterals;

// `text` in GBK, as a class file made on Windows holds it.
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

inline bool setMode(const QString& path, uint mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// What the system says about the file at `path`, links followed.
inline struct stat statusOf(const QString& path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

// The text of a failure, for QVERIFY2.
#define WHY(result) ((result).ok() ? "succeeded" : qPrintable((result).error().text()))

// A program folder with an empty roll folder and the class "高一3班.txt" in it.
class RollFixture
{
public:
    RollFixture() { QDir(m_dir.path()).mkdir(u"checkroll"_s); }

    QString programFolder() const { return m_dir.path(); }
    const mirello::RollFolder& folder() const { return m_folder; }
    QString className() const { return u"高一3班.txt"_s; }
    QString classPath(const QString& name = u"高一3班.txt"_s) const
    {
        return m_folder.classFilePath(name);
    }
    QString scratchPath() const { return m_folder.scratchFilePath(); }
    bool writeClass(const QByteArray& bytes) const { return writeBytes(classPath(), bytes); }
    QByteArray classBytes() const { return readBytes(classPath()); }

    template <typename... Files>
    mirello::Result<void> record(const QString& person, const QString& grade, Files&... files)
    {
        return mirello::recordGrade(m_folder, className(), person, grade, files...);
    }

    // Every entry of the roll folder, hidden ones included, sorted; the folder of
    // backups and history is not the recording's leftover.
    QStringList entries() const
    {
        QStringList names =
            QDir(m_folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name);
        names.removeOne(QString::fromUtf16(mirello::RollFolder::StateFolderName));
        return names;
    }

private:
    QTemporaryDir m_dir;
    mirello::RollFolder m_folder = mirello::RollFolder::besideProgram(m_dir.path());
};

} // namespace recordingtest
