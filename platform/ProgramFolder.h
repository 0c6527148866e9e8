#pragma once

#include <QString>

namespace mirello {

// The folder that holds the running executable (for the portable Linux folder, the one
// its launcher is in), with native separators and no trailing separator. Symbolic links to the executable are resolved, so a program
// started through a link or a desktop entry still finds the folder beside it.
// Needs a QCoreApplication.
QString programFolder();

// The user's own folder for the data of Mirello: ~/.local/share/Mirello on Linux, or
// below $XDG_DATA_HOME when that is set.
QString userDataFolder();

} // namespace mirello
