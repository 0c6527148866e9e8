#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "platform/Folders.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mirello {

Result<void> writeNewFile(const QString& path, QByteArrayView bytes)
{
    const QByteArray native = nativeFileName(path);
    const int file = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file < 0)
        return Error{u"无法建立文件“" + shownFileName(path) + u"”。", systemReason(errno)};
    int failure = 0;
    for (qsizetype done = 0; done < bytes.size() && failure == 0;) {
        const ssize_t written = ::write(file, bytes.data() + done, size_t(bytes.size() - done));
        if (written > 0)
            done += written;
        else if (written < 0 && errno != EINTR)
            failure = errno;
    }
    if (::close(file) != 0 && failure == 0)
        failure = errno;
    if (failure == 0)
        return {};
    ::unlink(native.constData());
    return Error{u"无法写入文件“" + shownFileName(path) + u"”。", systemReason(failure)};
}

} // namespace mirello
