#include "FileLock.h"

#include "FileOperations.h"

#include <cerrno>
#include <fcntl.h>
#include <QFile>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mirello {

FileLock::FileLock(QString path)
    : m_path(std::move(path))
{
}

FileLock::~FileLock()
{
    unlock();
}

FileLock::Attempt FileLock::tryLock()
{
    if (isLocked())
        return Attempt::Locked;
    const QByteArray path = QFile::encodeName(m_path);
    // A few rounds: the file we opened may have been released and removed by its
    // holder before we locked it, and then a new lock file is there.
    for (int round = 0; round < 8; ++round) {
        int fd;
        do {
            // Read-only is enough for flock, and lets users share a lock file that
            // another user created.
            fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            m_failureReason = systemReason(errno);
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
        struct stat held = {};
        struct stat named = {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_descriptor = fd;
            return Attempt::Locked;
        }
        ::close(fd);
    }
    return Attempt::Busy;
}

void FileLock::unlock()
{
    if (!isLocked())
        return;
    // Removed while still locked, so that nobody locks the file we remove. When it
    // cannot be removed (a folder that became read-only), the next holder reuses it.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_descriptor);
    m_descriptor = -1;
}

} // namespace mirello
