#pragma once

#include "platform/Result.h"

#include <QPixmap>
#include <QString>

namespace mirello {

// The picture in the file at `path` (BMP, PNG or any format Qt reads), read from
// disk on every call; a file that is no regular file or larger than 16 MiB is
// refused. The error names the file and says why. Needs a QGuiApplication.
Result<QPixmap> loadPicture(const QString& path);

} // namespace mirello
