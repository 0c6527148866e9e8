#pragma once

// Shared by the grade recording tests: a program folder with its roll folder in a
// fresh temporary folder, and GBK class files written as real bytes.

#include "platform/TextCodec.h"
#include "roll/RollFolder.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace recordingtest {

// `text` in GBK, as a class file made on Windows holds it.
inline QByteArray gbk(QStringView text)
{
    const std::optional<QByteArray> bytes = mirello::encodeText(text, mirello::TextEncoding::Gbk);
    if (!bytes)
        qFatal("test text has no GBK form");
    return *bytes;
}

inline QByteArray gbk(const QString& text)
{
    return gbk(QStringView(text));
}

inline QByteArray utf8(const QString& text)
{
    return text.toUtf8();
}

// One roll line: lead (9 characters), name, separator "-", count, "\", tally.
inline QString rollLine(QStringView name, QStringView count, QStringView tally,
                        QStringView lead = u"S20230107")
{
    return lead.toString() + name + u'-' + count + u'\\' + tally;
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot open>");
    return file.readAll();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes.data(), bytes.size()) == bytes.size();
}

// A program folder with an empty roll folder "checkroll" in a temporary folder.
class RollFixture
{
public:
    static constexpr char16_t ClassName[] = u"高一3班.txt";

    RollFixture()
        : m_folder(m_dir.path())
    {
        QDir(m_dir.path()).mkdir(QString::fromUtf16(mirello::RollFolder::FolderName));
    }

    bool isValid() const { return m_dir.isValid(); }
    QString programFolder() const { return m_dir.path(); }
    const mirello::RollFolder& folder() const { return m_folder; }
    QString className() const { return QString::fromUtf16(ClassName); }
    QString classPath(const QString& name = QString::fromUtf16(ClassName)) const
    {
        return m_folder.classFilePath(name);
    }
    QString scratchPath() const { return m_folder.scratchFilePath(); }

    bool writeClass(const QByteArray& bytes, const QString& name = QString::fromUtf16(ClassName))
    {
        return writeBytes(classPath(name), bytes);
    }
    QByteArray classBytes(const QString& name = QString::fromUtf16(ClassName)) const
    {
        return readBytes(classPath(name));
    }

    // Every entry of the roll folder, hidden files included, sorted by code unit.
    QStringList entries() const
    {
        QStringList names =
            QDir(m_folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }

private:
    QTemporaryDir m_dir;
    mirello::RollFolder m_folder;
};

} // namespace recordingtest
