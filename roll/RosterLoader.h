#pragma once

#include "NameList.h"
#include "platform/Result.h"

#include <QByteArrayView>
#include <QString>

namespace mirello {

// Reads the class file at `path` whole, decodes it (UTF-8 or GBK, decided for the
// whole file) and splits it into lines. A file of zero bytes gives a list without
// elements; one above RollFolder::LargestClassFileBytes, or too large for the
// memory, is refused. The error names the file and the system's reason.
Result<NameList> loadRoster(const QString& path);

// The same from bytes already in memory.
NameList nameListFromBytes(QByteArrayView bytes);

} // namespace mirello
