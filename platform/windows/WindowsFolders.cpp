#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Folders.h"

namespace mirello {

// Through the file steps: Windows has no umask, and a new file takes the access rules
// of its folder either way.
Result<void> writeNewFile(const QString& path, QByteArrayView bytes)
{
    FileOperations& files = systemFileOperations();
    Result<FileOperations::Handle> created = files.createNew(path);
    if (!created)
        return Error{u"无法建立文件“" + shownFileName(path) + u"”。", created.error().reason};
    Result<void> written = files.writeAll(created.value(), bytes);
    Result<void> closed = files.close(created.value());
    if (written && closed)
        return {};
    (void)files.remove(path);
    return Error{u"无法写入文件“" + shownFileName(path) + u"”。",
                 (written ? closed : written).error().reason};
}

} // namespace mirello
