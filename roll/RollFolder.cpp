#include "RollFolder.h"

#include "platform/ProgramFolder.h"

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

bool RollFolder::isPlainFileName(const QString& fileName)
{
    return !fileName.isEmpty() && fileName != u"." && fileName != u".." &&
           !fileName.contains(u'/') && !fileName.contains(QDir::separator()) &&
           !fileName.contains(QChar());
}

} // namespace mirello
