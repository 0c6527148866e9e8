#pragma once

#include "platform/Result.h"

#include <QString>

namespace mirello {

// How the program was installed, which decides where the teacher's classes live.
enum class Installation
{
    // One program folder, unpacked anywhere and carried on a USB stick.
    PortableFolder,
    // Installed for every user under /usr, where the program folder is read-only.
    SystemWide,
};

// The roll folder. A portable program folder keeps it beside the program, as
// "checkroll", when one is there already or the program folder can be written to;
// otherwise, and always when installed system-wide, it is "checkroll" in
// `userDataFolder`. Settings kept in the roll folder follow it.
QString rollFolderPath(Installation installation, const QString& programFolder,
                       const QString& userDataFolder);

// The folder of sample classes that ships in the program folder.
QString samplesFolderPath(const QString& programFolder);

// On the first start, when nothing is at `rollFolder` yet: makes it, with its parent
// folders, holding a copy of every class in `samplesFolder` (none when that folder is
// missing). The folder appears whole or not at all, so a failed first start is
// simply tried again at the next. Once the roll folder exists this does nothing, so
// a class the teacher changed or deleted is never put back.
Result<void> createRollFolderOnFirstStart(const QString& rollFolder, const QString& samplesFolder);

} // namespace mirello
