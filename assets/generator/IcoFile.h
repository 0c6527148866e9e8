#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace mirello {

// An icon file holding every image as a PNG entry, in the order given. Qt's own ICO
// writer stores one image per file, and the window icon needs several sizes in one.
Result<QByteArray> icoFile(const QList<QImage>& images);

} // namespace mirello
