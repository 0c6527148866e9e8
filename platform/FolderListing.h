#pragma once

#include "Result.h"

#include <QString>
#include <QStringList>

namespace mirello {

// The names of the plain files in `folder`, without the folder: regular files (or
// links to them) only, no folders, no other kinds of file and no hidden files
// (names beginning with "."). They come in natural order, ignoring case, so "2班"
// comes before "10班". A folder that is missing or cannot be read is an error.
Result<QStringList> listPlainFiles(const QString& folder);

} // namespace mirello
