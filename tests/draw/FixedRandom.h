#pragma once

#include "platform/RandomSource.h"

// Hands out the same value on every draw and counts the reseeds.
class FixedRandom final : public mirello::RandomSource
{
public:
    explicit FixedRandom(double value)
        : m_value(value)
    {
    }

    void reseedFromClock() override { ++reseeds; }
    double next() override { return m_value; }

    int reseeds = 0;

private:
    double m_value;
};
