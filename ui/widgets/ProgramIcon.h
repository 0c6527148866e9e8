#pragma once

#include <QIcon>

namespace mirello {

// The icon of both windows, from the pictures built into the program.
QIcon programIcon();

} // namespace mirello
