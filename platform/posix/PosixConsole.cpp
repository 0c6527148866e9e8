#include "platform/Console.h"

namespace mirello {

// Every program started from a terminal prints to it.
void useStartingConsole()
{
}

} // namespace mirello
