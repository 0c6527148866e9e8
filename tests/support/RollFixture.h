#pragma once

// Shared by the tests on real files: a roll folder in a fresh temporary program
// folder, and the modes and links of its files.

#include "roll/GradeRecorder.h"
#include "roll/RollFolder.h"
#include "support/ClassText.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace recordingtest {

#ifdef Q_OS_WIN
// Windows keeps no permission bits, only the read-only attribute: a mode without write
// bits sets it, and a file reads back as 0444 or 0666.
inline bool setMode(const QString& path, uint mode)
{
    const auto wide = reinterpret_cast<const wchar_t*>(path.utf16());
    const DWORD attributes = ::GetFileAttributesW(wide);
    const DWORD readOnly = (mode & 0222) ? 0 : FILE_ATTRIBUTE_READONLY;
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ::SetFileAttributesW(wide, (attributes & ~FILE_ATTRIBUTE_READONLY) | readOnly);
}

inline uint modeOf(const QString& path)
{
    return (::GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.utf16())) &
            FILE_ATTRIBUTE_READONLY)
               ? 0444
               : 0666;
}

// What modeOf() reads back after setMode(`mode`).
constexpr uint keptMode(uint mode)
{
    return (mode & 0222) ? 0666 : 0444;
}

// A symbolic link; Windows makes one only in developer mode or for an administrator,
// and wine makes links that it cannot follow, which count as none.
inline bool makeLink(const QString& target, const QString& link)
{
    const auto wide = [](const QString& path) {
        return reinterpret_cast<const wchar_t*>(path.utf16());
    };
    const QString native = QDir::toNativeSeparators(link);
    if (!::CreateSymbolicLinkW(wide(native), wide(QDir::toNativeSeparators(target)),
                               SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        return false;
    const QString targetPath = QFileInfo(link).dir().filePath(target);
    if (!QFileInfo::exists(targetPath) || QFile(link).open(QIODevice::ReadOnly))
        return true;
    ::DeleteFileW(wide(native));
    return false;
}
#else
inline bool setMode(const QString& path, uint mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

inline uint modeOf(const QString& path)
{
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

constexpr uint keptMode(uint mode)
{
    return mode;
}

inline bool makeLink(const QString& target, const QString& link)
{
    return QFile::link(target, link);
}
#endif

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
    mirello::Result<mirello::ClassFileChange> record(const QString& person, const QString& grade,
                                                     Files&... files)
    {
        return mirello::recordGrade(m_folder, className(), person, grade, files...);
    }

    // Every entry of the roll folder, hidden ones included, sorted; but the folder of
    // backups and history, and on Windows, where it stays between recordings, the
    // hidden lock file.
    QStringList entries() const
    {
        QStringList names =
            QDir(m_folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::Name);
        names.removeOne(QString::fromUtf16(mirello::RollFolder::StateFolderName));
#ifdef Q_OS_WIN
        names.removeOne(u".mirello.lock"_s);
#endif
        return names;
    }

private:
    QTemporaryDir m_dir;
    mirello::RollFolder m_folder = mirello::RollFolder::besideProgram(m_dir.path());
};

} // namespace recordingtest
