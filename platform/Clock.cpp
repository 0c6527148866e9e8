#include "Clock.h"

#include <chrono>

namespace mirello {

qint64 Clock::steadyNanoseconds() const
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

qint64 SystemClock::nanosecondsSinceEpoch() const
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

} // namespace mirello
