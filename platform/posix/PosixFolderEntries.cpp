#include "platform/FileNames.h"
#include "platform/FolderEntries.h"

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

} // namespace

Result<QStringList> plainFileNames(const QString& folder)
{
    // The error-code overloads throughout: no exception may leave the listing.
    std::error_code error;
    QStringList names;
    const fs::path folderPath(nativeFileName(folder).toStdString());
    for (fs::directory_iterator entry(folderPath, error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        if (isListed(*entry))
            names.append(fileNameFromNative(entry->path().filename().string()));
    }
    if (error) {
        return Error{u"无法打开文件夹“" + shownFileName(folder) + u"”。",
                     QString::fromLocal8Bit(error.message().c_str())};
    }
    return names;
}

} // namespace mirello
