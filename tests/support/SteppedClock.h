#pragma once

#include "platform/Clock.h"

namespace mirello::test {

// A clock that moves on by a fixed step each time it is read.
struct SteppedClock final : Clock
{
    explicit SteppedClock(qint64 stepNanoseconds)
        : step(stepNanoseconds)
    {
    }
    qint64 nanosecondsSinceEpoch() const override { return now += step; }

    qint64 step;
    mutable qint64 now = 1'765'000'000'000'000'000; // late 2025
};

} // namespace mirello::test
