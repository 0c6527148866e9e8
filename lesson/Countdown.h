#pragma once

#include "platform/Result.h"

#include <chrono>
#include <QString>

namespace mirello {

class Clock;

// The lesson's countdown on `clock`'s steady time: started for a duration, paused and resumed, over
// when its time is up. It only answers when asked; nothing here ticks.
class Countdown
{
public:
    // The shortest and the longest countdown a teacher may set.
    static constexpr std::chrono::seconds Shortest{1};
    static constexpr std::chrono::minutes Longest{99};

    explicit Countdown(const Clock& clock);

    // Starts again from `duration`, whatever ran before.
    void start(std::chrono::seconds duration);
    void pause();
    void resume();
    void stop();

    // Started and not stopped; a paused or ended countdown still runs.
    bool isRunning() const { return m_running; }
    bool isPaused() const { return m_running && m_paused; }
    bool hasEnded() const;
    std::chrono::nanoseconds remaining() const;

private:
    qint64 now() const;

    const Clock& m_clock;
    bool m_running = false;
    bool m_paused = false;
    // The time left at m_since, the last start or resume.
    std::chrono::nanoseconds m_left{0};
    qint64 m_since = 0;
};

// Minutes and seconds as the digits show them ("0:30", "4:59", "12:00"), rounded up:
// a 30 s countdown shows 0:30 at its start and 0:00 only once it is over.
QString countdownText(std::chrono::nanoseconds remaining);

// The duration a teacher typed: "90" (seconds), "1:30", "2分", "1分30秒", "3分钟",
// "45秒", full-width digits too; refused with the reason, in Chinese.
Result<std::chrono::seconds> parseCountdownDuration(const QString& typed);

} // namespace mirello
