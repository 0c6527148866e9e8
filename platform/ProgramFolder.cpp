#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace mirello {

QString programFolder()
{
    // applicationDirPath() reads /proc/self/exe on Linux, which is the resolved target.
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

} // namespace mirello
