#include "IconFolder.h"

#include "Pictures.h"
#include "platform/Paths.h"

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
    Result<QPixmap> picture = loadPicture(pathInFolder(m_path, fileName));
    if (picture)
        return std::move(picture).value();
    // Marked before reporting: a message box runs timers that may fail on the same file.
    if (!m_reportedFiles.contains(fileName)) {
        m_reportedFiles.insert(fileName);
        m_report(picture.error());
    }
    return std::nullopt;
}

} // namespace mirello
