#include "Folders.h"

#include "FileNames.h"
#include "FileOperations.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace mirello {

namespace {

namespace fs = std::filesystem;

fs::path toFileSystemPath(const QString& path)
{
    return fs::path(nativeFileName(path).toStdString());
}

QString reasonOf(const std::error_code& error)
{
    return QString::fromLocal8Bit(error.message());
}

} // namespace

bool somethingAt(const QString& path)
{
    std::error_code error;
    return fs::symlink_status(toFileSystemPath(path), error).type() != fs::file_type::not_found &&
           !error;
}

Result<void> makeFolders(const QString& path)
{
    std::error_code error;
    fs::create_directories(toFileSystemPath(path), error);
    if (error)
        return Error{u"无法建立文件夹“" + shownFileName(path) + u"”。", reasonOf(error)};
    return {};
}

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

Result<void> renameFolder(const QString& from, const QString& to)
{
    std::error_code error;
    fs::rename(toFileSystemPath(from), toFileSystemPath(to), error);
    if (error)
        return Error{u"无法把文件夹“" + shownFileName(from) + u"”改名为“" + shownFileName(to) +
                         u"”。",
                     reasonOf(error)};
    return {};
}

void removeFolderTree(const QString& path)
{
    std::error_code error;
    fs::remove_all(toFileSystemPath(path), error);
}

} // namespace mirello
