#include "Folders.h"

#include <filesystem>
#include <QDir>
#include <QFile>
#include <system_error>

namespace mirello {

namespace {

namespace fs = std::filesystem;

fs::path toFileSystemPath(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
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
        return Error{u"无法建立文件夹“" + shown(path) + u"”。", reasonOf(error)};
    return {};
}

Result<void> writeNewFile(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Error{u"无法建立文件“" + shown(path) + u"”。", file.errorString()};
    const bool written = file.write(bytes.data(), bytes.size()) == bytes.size();
    file.close();
    if (!written || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.remove();
        return Error{u"无法写入文件“" + shown(path) + u"”。", reason};
    }
    return {};
}

Result<void> renameFolder(const QString& from, const QString& to)
{
    std::error_code error;
    fs::rename(toFileSystemPath(from), toFileSystemPath(to), error);
    if (error)
        return Error{u"无法把文件夹“" + shown(from) + u"”改名为“" + shown(to) + u"”。",
                     reasonOf(error)};
    return {};
}

void removeFolderTree(const QString& path)
{
    std::error_code error;
    fs::remove_all(toFileSystemPath(path), error);
}

} // namespace mirello
