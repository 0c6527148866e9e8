#include "platform/Console.h"

#include <cstdio>
#include <windows.h>

namespace mirello {

// A windowed program has no console; it borrows the one of the command prompt or
// script that started it, in UTF-8, so that its Chinese usage reads right there. Output
// sent elsewhere by the caller stays where it goes.
void useStartingConsole()
{
    const bool redirected = GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN;
    if (redirected || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    SetConsoleOutputCP(CP_UTF8);
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

} // namespace mirello
