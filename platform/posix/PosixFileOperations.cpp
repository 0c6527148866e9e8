#include "platform/FileNames.h"
#include "platform/FileOperations.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <QDir>
#include <sys/stat.h>
#include <unistd.h>

namespace mirello {

namespace {

QByteArray nativePath(const QString& path)
{
    return nativeFileName(path);
}

QString shown(const QString& path)
{
    return shownFileName(path);
}

Error failure(const QString& message, int errorCode)
{
    return Error{message, systemReason(errorCode)};
}

int descriptor(FileOperations::Handle handle)
{
    return static_cast<int>(handle);
}

} // namespace

// The file steps as the Linux system calls open, read, write, fsync, close,
// rename, unlink, fchmod, fchown and stat. Paths are encoded as Qt encodes local
// file names (UTF-8).
class PosixFileOperations final : public FileOperations
{
public:
    Result<std::optional<FileStatus>> status(const QString& path) override;
    Result<QString> resolvePath(const QString& path) override;
    Result<bool> mayWrite(const QString& path) override;
    Result<std::optional<FileStatus>> linkStatus(const QString& path) override;
    Result<Handle> openForReading(const QString& path, Links links) override;
    Result<QByteArray> readAll(Handle handle) override;
    Result<QByteArray> readAt(Handle handle, qint64 offset, qsizetype length) override;
    Result<Handle> createNew(const QString& path) override;
    Result<void> setOwner(Handle handle, quint32 owner, quint32 group) override;
    Result<void> setPermissions(Handle handle, quint32 permissions) override;
    Result<qsizetype> write(Handle handle, QByteArrayView bytes) override;
    Result<void> sync(Handle handle) override;
    Result<void> close(Handle handle) override;
    Result<void> rename(const QString& from, const QString& to) override;
    Result<void> syncFolder(const QString& path) override;
    Result<void> remove(const QString& path) override;
    Result<Handle> openForAppending(const QString& path) override;
    Result<void> createFolder(const QString& path) override;
};

FileOperations& systemFileOperations()
{
    static PosixFileOperations files;
    return files;
}

namespace {

Result<std::optional<FileStatus>> statusOf(const QString& path, bool followLinks)
{
    struct stat info = {};
    const QByteArray native = nativePath(path);
    if ((followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info)) !=
        0) {
        if (errno == ENOENT)
            return std::optional<FileStatus>();
        return failure(u"无法查看文件“" + shown(path) + u"”。", errno);
    }
    FileStatus status;
    if (S_ISREG(info.st_mode))
        status.kind = FileStatus::Kind::RegularFile;
    else if (S_ISDIR(info.st_mode))
        status.kind = FileStatus::Kind::Folder;
    else if (S_ISLNK(info.st_mode))
        status.kind = FileStatus::Kind::Link;
    status.permissions = info.st_mode & 07777;
    status.owner = info.st_uid;
    status.group = info.st_gid;
    status.size = info.st_size;
    return std::optional<FileStatus>(status);
}

} // namespace

Result<std::optional<FileStatus>> PosixFileOperations::status(const QString& path)
{
    return statusOf(path, true);
}

Result<std::optional<FileStatus>> PosixFileOperations::linkStatus(const QString& path)
{
    return statusOf(path, false);
}

Result<QString> PosixFileOperations::resolvePath(const QString& path)
{
    char resolved[PATH_MAX];
    if (::realpath(nativePath(path).constData(), resolved) == nullptr)
        return failure(u"无法找到文件“" + shown(path) + u"”的实际位置。", errno);
    return fileNameFromNative(resolved);
}

Result<bool> PosixFileOperations::mayWrite(const QString& path)
{
    // AT_EACCESS: the effective user decides, as it does for open().
    if (::faccessat(AT_FDCWD, nativePath(path).constData(), W_OK, AT_EACCESS) == 0)
        return true;
    switch (errno) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return false;
    default:
        return failure(u"无法检查文件“" + shown(path) + u"”能否写入。", errno);
    }
}

namespace {

// Opens without ever blocking (O_NONBLOCK: a named pipe put in the file's place
// would otherwise wait for a writer), then keeps only a regular file.
Result<FileOperations::Handle> openRegularFile(const QString& path, int flags, QStringView use)
{
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == ELOOP && (flags & O_NOFOLLOW)) {
        return Error{u"“" + shown(path) + u"”是一个链接，为免读写别处的文件，没有打开它。",
                     QStringLiteral("是符号链接")};
    }
    if (fd < 0)
        return failure(u"无法打开文件“" + shown(path) + u"”。", errno);
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Error{u"“" + shown(path) + u"”不是普通文件，无法" + use + u"。",
                     QStringLiteral("不是普通文件")};
    }
    return FileOperations::Handle(fd);
}

} // namespace

Result<FileOperations::Handle> PosixFileOperations::openForReading(const QString& path, Links links)
{
    return openRegularFile(path, O_RDONLY | (links == Links::Refuse ? O_NOFOLLOW : 0), u"读取");
}

Result<QByteArray> PosixFileOperations::readAt(Handle handle, qint64 offset, qsizetype length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < length) {
        const ssize_t got =
            ::pread(descriptor(handle), bytes.data() + filled, length - filled, offset + filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failure(QStringLiteral("无法读取文件。"), errno);
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

Result<QByteArray> PosixFileOperations::readAll(Handle handle)
{
    // Read straight into a buffer of the file's size; a file that grows meanwhile
    // is read on until its end.
    struct stat info
    {
    };
    const qsizetype expected = ::fstat(descriptor(handle), &info) == 0 ? info.st_size : 0;
    QByteArray bytes(expected + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2 + 64 * 1024);
        const ssize_t got =
            ::read(descriptor(handle), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failure(QStringLiteral("无法读取文件。"), errno);
        }
        if (got == 0) {
            bytes.truncate(filled);
            return bytes;
        }
        filled += got;
    }
}

Result<FileOperations::Handle> PosixFileOperations::createNew(const QString& path)
{
    int fd;
    do {
        fd = ::open(nativePath(path).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failure(u"无法创建文件“" + shown(path) + u"”。", errno);
    return Handle(fd);
}

Result<void> PosixFileOperations::setOwner(Handle handle, quint32 owner, quint32 group)
{
    if (::fchown(descriptor(handle), owner, group) != 0 && errno != EPERM)
        return failure(QStringLiteral("无法设置文件的所有者。"), errno);
    return {};
}

Result<void> PosixFileOperations::setPermissions(Handle handle, quint32 permissions)
{
    if (::fchmod(descriptor(handle), permissions & 07777) != 0)
        return failure(QStringLiteral("无法设置文件的权限。"), errno);
    return {};
}

Result<qsizetype> PosixFileOperations::write(Handle handle, QByteArrayView bytes)
{
    for (;;) {
        const ssize_t written =
            ::write(descriptor(handle), bytes.data(), static_cast<size_t>(bytes.size()));
        if (written >= 0)
            return qsizetype(written);
        if (errno != EINTR)
            return failure(QStringLiteral("无法写入文件。"), errno);
    }
}

Result<void> PosixFileOperations::sync(Handle handle)
{
    while (::fsync(descriptor(handle)) != 0) {
        if (errno != EINTR)
            return failure(QStringLiteral("无法把文件保存到磁盘。"), errno);
    }
    return {};
}

Result<void> PosixFileOperations::close(Handle handle)
{
    // On Linux the descriptor is released even when close() reports EINTR, so it
    // must not be closed again; the data was synced before, so nothing is lost.
    if (::close(descriptor(handle)) != 0 && errno != EINTR)
        return failure(QStringLiteral("无法关闭文件。"), errno);
    return {};
}

Result<void> PosixFileOperations::rename(const QString& from, const QString& to)
{
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) != 0)
        return failure(u"无法把文件“" + shown(from) + u"”改名为“" + shown(to) + u"”。", errno);
    return {};
}

Result<void> PosixFileOperations::syncFolder(const QString& path)
{
    int fd;
    do {
        fd = ::open(nativePath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A folder that may be written but not listed cannot be opened to be
        // synced; like the file systems that cannot sync folders, it counts as done.
        if (errno == EACCES)
            return {};
        return failure(u"无法打开文件夹“" + shown(path) + u"”。", errno);
    }
    int result;
    do {
        result = ::fsync(fd);
    } while (result != 0 && errno == EINTR);
    const int syncError = result != 0 ? errno : 0;
    ::close(fd);
    if (syncError != 0 && syncError != EINVAL && syncError != EOPNOTSUPP && syncError != EBADF)
        return failure(u"无法把文件夹“" + shown(path) + u"”保存到磁盘。", syncError);
    return {};
}

Result<void> PosixFileOperations::remove(const QString& path)
{
    if (::unlink(nativePath(path).constData()) != 0 && errno != ENOENT)
        return failure(u"无法删除文件“" + shown(path) + u"”。", errno);
    return {};
}

Result<FileOperations::Handle> PosixFileOperations::openForAppending(const QString& path)
{
    return openRegularFile(path, O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW, u"写入");
}

Result<void> PosixFileOperations::createFolder(const QString& path)
{
    if (::mkdir(nativePath(path).constData(), 0777) == 0)
        return {};
    const int error = errno;
    struct stat info = {};
    if (error == EEXIST && ::stat(nativePath(path).constData(), &info) == 0 &&
        S_ISDIR(info.st_mode))
        return {};
    return failure(u"无法建立文件夹“" + shown(path) + u"”。", error);
}

} // namespace mirello
