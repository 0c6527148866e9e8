#include "RollFolder.h"

#include "platform/FileLock.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"

#include <QDir>

namespace mirello {

RollFolder::RollFolder(const QString& path)
    : m_path(QDir::toNativeSeparators(path))
{
}

RollFolder RollFolder::besideProgram(const QString& programFolder)
{
    return RollFolder(pathInFolder(programFolder, QString::fromUtf16(FolderName)));
}

QString RollFolder::classFilePath(const QString& fileName) const
{
    return pathInFolder(m_path, fileName);
}

QString RollFolder::scratchFilePath() const
{
    return pathInFolder(m_path, QString::fromUtf16(ScratchFileName));
}

QString RollFolder::lockFilePath() const
{
    return pathInFolder(m_path, QString::fromUtf16(LockFileName));
}

bool RollFolder::isHelperFileName(const QString& fileName)
{
    return fileName == QStringView(ScratchFileName) || fileName == QStringView(LockFileName);
}

Result<QList<ListedFile>> RollFolder::listClasses() const
{
    Result<QList<ListedFile>> files = listPlainFiles(m_path);
    if (!files)
        return files;
    QList<ListedFile> classes = std::move(files).value();
    classes.removeIf([](const ListedFile& file) { return isHelperFileName(file.name); });
    return classes;
}

void RollFolder::removeLeftoverScratch() const
{
    FileLock lock(lockFilePath());
    if (lock.acquire(std::chrono::milliseconds(0)) == FileLock::Outcome::Locked)
        (void)systemFileOperations().remove(scratchFilePath());
}

bool RollFolder::isPlainFileName(const QString& fileName)
{
    return !fileName.isEmpty() && fileName != u"." && fileName != u".." &&
           !fileName.contains(u'/') && !fileName.contains(QDir::separator()) &&
           !fileName.contains(QChar());
}

} // namespace mirello
