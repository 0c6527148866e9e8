#include "IconFolder.h"

#include "Pictures.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <utility>

using namespace Qt::StringLiterals;

namespace mirello {

IconFolder::IconFolder(const QString& programFolder, ReportError report)
    : m_path(pathInFolder(programFolder, u"Icons"_s))
    , m_report(std::move(report))
{
}

std::optional<QPixmap> IconFolder::load(const QString& fileName)
{
    const QString path = pathInFolder(m_path, fileName);
    // Looking at the entry opens nothing, so it is safe whatever the file is.
    const QFileInfo file(path);
    const auto loaded = m_loaded.constFind(fileName);
    if (file.isFile() && loaded != m_loaded.cend() && loaded->size == file.size() &&
        loaded->changed == file.lastModified())
        return loaded->picture;
    Result<QPixmap> picture = loadPicture(path);
    if (picture) {
        m_loaded.insert(fileName, {file.size(), file.lastModified(), picture.value()});
        return std::move(picture).value();
    }
    m_loaded.remove(fileName);
    // Marked before reporting: a message box runs timers that may fail on the same file.
    if (!m_reportedFiles.contains(fileName)) {
        m_reportedFiles.insert(fileName);
        m_report(picture.error());
    }
    return std::nullopt;
}

} // namespace mirello
