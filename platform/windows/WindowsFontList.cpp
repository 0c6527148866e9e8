#include "platform/FontList.h"

namespace mirello {

std::future<void> startReadingFontList()
{
    std::promise<void> ready;
    ready.set_value();
    return ready.get_future();
}

} // namespace mirello
