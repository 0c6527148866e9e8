#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace mirello {

// The whole content of the regular file at `path`, read in one go without ever
// blocking; a file of more than `largestBytes` is refused before it is read, and so
// is a file too large for the memory there is. The error names the file as `kind`
// (文件, 图片) and carries the system's reason.
Result<QByteArray> readWholeFile(const QString& path, qint64 largestBytes,
                                 QStringView kind = u"文件");

} // namespace mirello
