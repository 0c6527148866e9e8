#pragma once

#include <QtGlobal>

namespace mirello {

// The source of the current time, replaceable so tests can step it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nanosecondsSinceEpoch() const = 0;
    // For lengths of time: it never jumps when the system's clock is set.
    virtual qint64 steadyNanoseconds() const;
};

class SystemClock final : public Clock
{
public:
    qint64 nanosecondsSinceEpoch() const override;
};

} // namespace mirello
