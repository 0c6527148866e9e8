#pragma once

#include "Result.h"

#include <QList>
#include <QString>

namespace mirello {

// One plain file of a folder: its name as the system holds it (see FileNames.h), and
// as it is shown.
struct ListedFile
{
    QString name;
    QString shown;

    friend bool operator==(const ListedFile&, const ListedFile&) = default;
};

// The plain files of `folder`: regular files (or links to them) only, no folders, no
// other kinds of file and no hidden files (see FolderEntries.h), in natural order of
// their shown names (see NaturalOrder.h). Never blocks on a named pipe. A folder that
// is missing or cannot be read is an error.
Result<QList<ListedFile>> listPlainFiles(const QString& folder);

} // namespace mirello
