#include "platform/FontList.h"

#include <fontconfig/fontconfig.h>

namespace mirello {

// fontconfig keeps the configuration it loads for the whole process, so Qt's own call
// later finds it loaded. Two loads at once would each read everything, hence the wait.
std::future<void> startReadingFontList()
{
    return std::async(std::launch::async, [] { FcInit(); });
}

} // namespace mirello
