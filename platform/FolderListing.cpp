#include "FolderListing.h"

#include "FileNames.h"
#include "FolderEntries.h"
#include "NaturalOrder.h"

#include <algorithm>

namespace mirello {

Result<QList<ListedFile>> listPlainFiles(const QString& folder)
{
    Result<QStringList> names = plainFileNames(folder);
    if (!names)
        return names.error();
    QList<ListedFile> files;
    for (const QString& name : names.value())
        files.append({name, shownFileName(name)});
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) {
        return a.shown != b.shown ? naturallyBefore(a.shown, b.shown) : a.name < b.name;
    });
    return files;
}

} // namespace mirello
