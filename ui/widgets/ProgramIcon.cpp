#include "ProgramIcon.h"

using namespace Qt::StringLiterals;

namespace mirello {

QIcon programIcon()
{
    // The sizes a title bar and a task bar show; launchers take the larger icons
    // installed beside the program, and decoding those here would slow the start.
    QIcon icon;
    for (const int size : {16, 20, 24, 32})
        icon.addFile(u":/pictures/icon-"_s + QString::number(size) + u".png"_s, QSize(size, size));
    return icon;
}

} // namespace mirello
