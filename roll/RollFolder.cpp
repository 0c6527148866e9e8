#include "RollFolder.h"

#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Paths.h"

#include <algorithm>
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

QString RollFolder::stateFolderPath() const
{
    return pathInFolder(m_path, QString::fromUtf16(StateFolderName));
}

QString RollFolder::backupsFolderPath() const
{
    return pathInFolder(stateFolderPath(), QStringLiteral("backups"));
}

QString RollFolder::historyFilePath() const
{
    return pathInFolder(stateFolderPath(), QStringLiteral("history.csv"));
}

bool RollFolder::isHelperFileName(const QString& fileName)
{
    return sameFileName(fileName, ScratchFileName) || sameFileName(fileName, LockFileName);
}

Result<QList<ListedFile>> RollFolder::listClasses() const
{
    Result<QList<ListedFile>> files = listPlainFiles(m_path);
    if (!files)
        return files;
    QList<ListedFile> classes = std::move(files).value();
    classes.erase(
        std::remove_if(classes.begin(), classes.end(),
                       [](const ListedFile& file) { return isHelperFileName(file.name); }),
        classes.end());
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

std::optional<Error> lockRollFolder(FileLock& lock, const RollFolder& folder, QStringView refused,
                                    QStringView unchanged)
{
    switch (lock.acquire(RollFolderLockWait)) {
    case FileLock::Outcome::Locked:
        return std::nullopt;
    case FileLock::Outcome::HeldElsewhere:
        return Error{refused + u"另一个 Mirello 正在写入点名册文件夹，等待后仍未完成。" +
                         unchanged + u"请稍等片刻后再试。",
                     QString()};
    case FileLock::Outcome::Failed:
        break;
    }
    return Error{refused + u"无法锁定点名册文件夹“" + shownFileName(folder.path()) + u"”（锁文件“" +
                     QString::fromUtf16(RollFolder::LockFileName) + u"”）。" + unchanged +
                     u"请检查该文件夹是否可写后再试。",
                 lock.failureReason()};
}

} // namespace mirello
