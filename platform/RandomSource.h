#pragma once

#include <array>
#include <QtGlobal>

namespace mirello {

class Clock;

// A source of uniform values in [0, 1) that is reseeded from a clock.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void reseedFromClock() = 0;
    // Uniform in [0, 1); never 1.
    virtual double next() = 0;
};

// xoshiro256** seeded through splitmix64 from the clock's nanoseconds. splitmix64
// spreads every bit of the clock over the whole state, so seeds that differ only in
// their low digits (reseeding every 50 ms) still give independent, uniform values.
class ClockSeededRandom final : public RandomSource
{
public:
    explicit ClockSeededRandom(const Clock& clock);

    void reseedFromClock() override;
    double next() override;

private:
    void seed(quint64 seedValue);
    quint64 nextBits();

    const Clock& m_clock;
    std::array<quint64, 4> m_state{};
};

} // namespace mirello
