#include "ProgramIcon.h"

using namespace Qt::StringLiterals;

namespace mirello {

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/pictures/icon-"_s + QString::number(size) + u".png"_s, QSize(size, size));
    return icon;
}

} // namespace mirello
