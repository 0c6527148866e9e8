#include "FolderListing.h"

#include <algorithm>
#include <filesystem>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <system_error>

namespace mirello {

namespace {

namespace fs = std::filesystem;

fs::path toFileSystemPath(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString fileNameOf(const fs::directory_entry& entry)
{
    return QFile::decodeName(QByteArray::fromStdString(entry.path().filename().string()));
}

bool isListed(const fs::directory_entry& entry, const QString& name)
{
    std::error_code error;
    // status() follows links, so a link to a regular file counts and a dangling one does not.
    return !name.startsWith(u'.') && entry.is_regular_file(error);
}

Error unreadableFolder(const QString& folder, const std::error_code& error)
{
    return Error{u"无法打开文件夹“" + QDir::toNativeSeparators(folder) + u"”。",
                 QString::fromLocal8Bit(error.message())};
}

// Chinese collation with numbers compared by value. An explicit locale keeps the
// order the same whatever the system's language is: the "C" locale would ignore
// numeric mode.
void sortNaturally(QStringList& names)
{
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

} // namespace

Result<QStringList> listPlainFiles(const QString& folder)
{
    // The error-code overloads throughout: no exception may leave the listing.
    std::error_code error;
    QStringList names;
    for (fs::directory_iterator entry(toFileSystemPath(folder), error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const QString name = fileNameOf(*entry);
        if (isListed(*entry, name))
            names.append(name);
    }
    if (error)
        return unreadableFolder(folder, error);
    sortNaturally(names);
    return names;
}

} // namespace mirello
