#pragma once

#include "platform/Result.h"

#include <functional>
#include <optional>
#include <QDateTime>
#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QString>

namespace mirello {

// The folder "Icons" beside the executable, which holds the button faces and the
// animation frames. Every load looks at the file on disk anew, so a replaced file
// shows at once; one whose size and time of change are as at the last load is not
// decoded again. A file that fails to load is reported the first time only, so that
// a missing face does not bring up a message at every mouse move or timer tick.
class IconFolder
{
public:
    using ReportError = std::function<void(const Error&)>;

    IconFolder(const QString& programFolder, ReportError report);

    // The picture in `fileName`; none when it cannot be loaded.
    std::optional<QPixmap> load(const QString& fileName);

private:
    struct Loaded
    {
        qint64 size;
        QDateTime changed;
        QPixmap picture;
    };

    QString m_path;
    QHash<QString, Loaded> m_loaded;
    ReportError m_report;
    QSet<QString> m_reportedFiles;
};

} // namespace mirello
