#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace mirello {

QString programFolder()
{
    // applicationDirPath() reads /proc/self/exe on Linux, which is the resolved target,
    // and asks GetModuleFileNameW on Windows: neither depends on the working folder.
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

} // namespace mirello
