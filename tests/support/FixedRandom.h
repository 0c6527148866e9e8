#pragma once

#include "platform/RandomSource.h"

namespace mirello::test {

// Hands out the same value on every draw and counts the reseeds.
struct FixedRandom final : RandomSource
{
    explicit FixedRandom(double r)
        : value(r)
    {
    }
    void reseedFromClock() override { ++reseeds; }
    double next() override { return value; }

    double value;
    int reseeds = 0;
};

} // namespace mirello::test
