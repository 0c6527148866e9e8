#include "FolderListing.h"

#include "FileNames.h"
#include "NaturalOrder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace mirello {

namespace {

namespace fs = std::filesystem;

bool isListed(const fs::directory_entry& entry)
{
    std::error_code error;
    // status() follows links, so a link to a regular file counts and a dangling one
    // does not; it never opens the file, so a named pipe cannot block it.
    return !entry.path().filename().string().starts_with('.') && entry.is_regular_file(error);
}

Error unreadableFolder(const QString& folder, const std::error_code& error)
{
    return Error{u"无法打开文件夹“" + shownFileName(folder) + u"”。",
                 QString::fromLocal8Bit(error.message())};
}

} // namespace

Result<QList<ListedFile>> listPlainFiles(const QString& folder)
{
    // The error-code overloads throughout: no exception may leave the listing.
    std::error_code error;
    QList<ListedFile> files;
    const fs::path folderPath(nativeFileName(folder).toStdString());
    for (fs::directory_iterator entry(folderPath, error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        if (!isListed(*entry))
            continue;
        const QString name = fileNameFromNative(entry->path().filename().string());
        files.append({name, shownFileName(name)});
    }
    if (error)
        return unreadableFolder(folder, error);
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) {
        return a.shown != b.shown ? naturallyBefore(a.shown, b.shown) : a.name < b.name;
    });
    return files;
}

} // namespace mirello
