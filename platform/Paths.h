#pragma once

#include <QString>

namespace mirello {

// Paths are kept with native separators; these helpers accept either kind.

// The folder part of `path`: everything before its last separator ("." for none).
QString folderOf(const QString& path);

// The last part of `path`: everything after its last separator.
QString fileNameOf(const QString& path);

// `folder` followed by the relative `tail` ("checkroll/TEMP.txt").
QString pathInFolder(const QString& folder, const QString& tail);

} // namespace mirello
