#pragma once

#include "Result.h"

#include <QByteArrayView>
#include <QString>

namespace mirello {

// Whether anything is at `path`: a file, a folder or a symbolic link, dangling or not.
bool somethingAt(const QString& path);

// Makes the folder `path` and every missing folder above it, with the permissions the
// user's umask allows. A folder already there counts as made.
Result<void> makeFolders(const QString& path);

// Writes `bytes` into the new file `path`, with the permissions the user's umask
// allows; fails when anything is at `path` already. A file that could not be written
// whole is removed again.
Result<void> writeNewFile(const QString& path, QByteArrayView bytes);

// Renames the folder `from` to `to`; fails when `to` is a file or a folder with files.
Result<void> renameFolder(const QString& from, const QString& to);

// Removes `path` with everything in it, as far as it can; nothing there counts as done.
void removeFolderTree(const QString& path);

} // namespace mirello
