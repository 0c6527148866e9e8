#include "RandomSource.h"

#include "Clock.h"

#include <bit>

namespace mirello {

namespace {

quint64 splitMix64(quint64& state)
{
    quint64 z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

ClockSeededRandom::ClockSeededRandom(const Clock& clock)
    : m_clock(clock)
{
    reseedFromClock();
}

void ClockSeededRandom::reseedFromClock()
{
    seed(static_cast<quint64>(m_clock.nanosecondsSinceEpoch()));
}

void ClockSeededRandom::seed(quint64 seedValue)
{
    for (quint64& word : m_state)
        word = splitMix64(seedValue);
}

quint64 ClockSeededRandom::nextBits()
{
    const quint64 result = std::rotl(m_state[1] * 5, 7) * 9;
    const quint64 shifted = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= shifted;
    m_state[3] = std::rotl(m_state[3], 45);
    return result;
}

double ClockSeededRandom::next()
{
    // The top 53 bits fill a double's mantissa exactly, so the result is below 1.
    return static_cast<double>(nextBits() >> 11) * 0x1.0p-53;
}

} // namespace mirello
