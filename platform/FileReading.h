#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace mirello {

// The whole content of the file at `path`, read in one go. The error names the file
// and carries the system's reason.
Result<QByteArray> readWholeFile(const QString& path);

} // namespace mirello
