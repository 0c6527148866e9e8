#include "Folders.h"

#include "FileNames.h"

#include <filesystem>
#include <system_error>

namespace mirello {

namespace {

namespace fs = std::filesystem;

fs::path toFileSystemPath(const QString& path)
{
#ifdef Q_OS_WIN
    // A narrow path would go through the machine's code page, which loses Chinese
    // names on any Windows not set up for Chinese.
    return fs::path(path.toStdWString());
#else
    return fs::path(nativeFileName(path).toStdString());
#endif
}

QString reasonOf(const std::error_code& error)
{
    return QString::fromLocal8Bit(error.message().c_str());
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
