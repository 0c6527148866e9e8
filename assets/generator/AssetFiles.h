#pragma once

#include "platform/Result.h"

#include <QString>

namespace mirello {

// Draws every picture and writes it, with the sample classes, under `assetsFolder`:
// Icons/ (button faces and animation frames, loaded by the program at run time),
// pictures/ (window pictures and icons, compiled into the program) and samples/.
Result<void> writeAssetFiles(const QString& assetsFolder);

} // namespace mirello
