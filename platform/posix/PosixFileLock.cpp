#include "platform/FileLock.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirello {

FileLock::Attempt FileLock::tryOnce()
{
    if (m_handle >= 0)
        return Attempt::Locked;
    const QByteArray path = nativeFileName(m_path);
    // A few rounds: the file we opened may have been released and removed by its
    // holder before we locked it, and then a new lock file is there.
    for (int round = 0; round < 8; ++round) {
        int fd;
        do {
            // Read-only is enough for flock and lets users share a lock file another
            // user created; O_NONBLOCK keeps a named pipe from stopping us here.
            fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                        0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            m_failureReason = systemReason(errno);
            return Attempt::Failed;
        }
        struct stat held = {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            m_failureReason = QStringLiteral("锁文件不是普通文件");
            return Attempt::Failed;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Attempt::Busy;
            m_failureReason = systemReason(error);
            return Attempt::Failed;
        }
        // Ours only if the path still names the file we locked.
        struct stat named = {};
        if (::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            m_handle = fd;
            return Attempt::Locked;
        }
        ::close(fd);
    }
    return Attempt::Busy;
}

void FileLock::release()
{
    if (m_handle < 0)
        return;
    // Removed while still locked, so that nobody locks the file we remove. When it
    // cannot be removed (a folder that became read-only), the next holder reuses it.
    ::unlink(nativeFileName(m_path).constData());
    ::close(int(m_handle));
    m_handle = -1;
}

} // namespace mirello
