#pragma once

#include "Result.h"

#include <QStringList>

namespace mirello {

// The names (as FileNames.h keeps them) of the regular files in `folder`, links to
// them included, that the system does not hide: no names beginning with "." on
// Linux, nothing marked hidden or system on Windows. One implementation per system;
// never blocks on a named pipe. A folder that is missing or cannot be read is an error.
Result<QStringList> plainFileNames(const QString& folder);

} // namespace mirello
