#include "ProgramFolder.h"

#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace mirello {

QString programFolder()
{
    // The portable Linux folder's launcher starts the program through the folder's own
    // C library loader, which /proc/self/exe then names instead: the launcher says.
    if (const QString launched = qEnvironmentVariable("MIRELLO_FOLDER"); !launched.isEmpty())
        return launched;
    // applicationDirPath() reads /proc/self/exe on Linux, which is the resolved target,
    // and asks GetModuleFileNameW on Windows: neither depends on the working folder.
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

QString userDataFolder()
{
    // Not AppDataLocation: that follows the application name, which also names the
    // window class that the desktop entry matches.
    return pathInFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                        QStringLiteral("Mirello"));
}

} // namespace mirello
