#pragma once

#include "platform/Result.h"

#include <optional>
#include <QByteArrayView>
#include <QString>

namespace mirello {

class FileOperations;
class RollFolder;

// Writes the new class file `fileName` into `folder` with `bytes`, under the roll
// folder's lock and through the scratch file, so that it appears whole or not at
// all. Never replaces anything: refused when a class of that name is there, also
// one that differs only in upper and lower case (which is the same file on Windows
// and on USB sticks). The new file gets the roll folder's owner, and its access
// bits without execute.
Result<void> writeNewClass(const RollFolder& folder, const QString& fileName, QByteArrayView bytes,
                           FileOperations& files);

} // namespace mirello
