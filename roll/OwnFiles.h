#pragma once

#include "platform/FileOperations.h"

#include <optional>
#include <QByteArray>
#include <QString>

namespace mirello {

class RollFolder;

// The program's own files in checkroll/.mirello/. A roll folder on a shared drive or a
// USB stick holds whatever anyone put there, so nothing there is reached through a
// link: every folder from .mirello down to a file must be a real folder, a file is
// never opened through a link at its name, and no open waits on a named pipe.

// Why `path` (in `folder`'s .mirello/) may not be used: a link or something other
// than a folder on the way to it, or a link at its name.
std::optional<Error> ownPathProblem(FileOperations& files, const RollFolder& folder,
                                    const QString& path);
// Makes the folders from .mirello down to the folder `path` itself, each checked so.
Result<void> makeOwnFolders(FileOperations& files, const RollFolder& folder, const QString& path);
// The bytes of the own file at `path`, none when nothing is there; a larger file than
// `largestBytes` is refused unread.
Result<std::optional<QByteArray>> readOwnFile(FileOperations& files, const RollFolder& folder,
                                              const QString& path, qint64 largestBytes);

} // namespace mirello
