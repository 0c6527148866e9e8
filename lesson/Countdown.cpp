#include "Countdown.h"

#include "platform/Clock.h"

#include <algorithm>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace mirello {

Countdown::Countdown(const Clock& clock)
    : m_clock(clock)
{
}

// Steady: a clock set at boot, or by the time service during a lesson, moves no countdown.
qint64 Countdown::now() const
{
    return m_clock.steadyNanoseconds();
}

void Countdown::start(seconds duration)
{
    m_running = true;
    m_paused = false;
    m_left = duration;
    m_since = now();
}

void Countdown::pause()
{
    if (!m_running || m_paused)
        return;
    m_left = remaining();
    m_paused = true;
}

void Countdown::resume()
{
    if (!isPaused())
        return;
    m_paused = false;
    m_since = now();
}

void Countdown::stop()
{
    m_running = false;
}

bool Countdown::hasEnded() const
{
    return m_running && remaining() == nanoseconds::zero();
}

nanoseconds Countdown::remaining() const
{
    if (!m_running)
        return nanoseconds::zero();
    if (m_paused)
        return m_left;
    return std::max(m_left - nanoseconds(now() - m_since), nanoseconds::zero());
}

QString countdownText(nanoseconds remaining)
{
    const qint64 shown = ceil<seconds>(remaining).count();
    return QString::number(shown / 60) + u':' + u"%1"_s.arg(shown % 60, 2, 10, QChar(u'0'));
}

namespace {

Result<seconds> refused(const QString& message)
{
    return Error{message, QString()};
}

// The number in whichever of `groups` took part in the match; 0 for none.
qint64 capturedNumber(const QRegularExpressionMatch& match, std::initializer_list<int> groups)
{
    qint64 number = 0;
    for (const int group : groups)
        number += match.captured(group).toLongLong();
    return number;
}

} // namespace

Result<seconds> parseCountdownDuration(const QString& typed)
{
    const QString Examples = u"90、1:30、3分钟 或 1分30秒"_s;
    // Chinese input methods often type full-width digits and colons.
    QString text = typed.normalized(QString::NormalizationForm_KC).simplified();
    text.remove(u' ');
    if (text.isEmpty())
        return refused(u"请输入时长，例如 "_s + Examples);
    // A bare number of seconds, minutes:seconds, or minutes and seconds in words.
    static const QRegularExpression Forms(
        u"^(?:([0-9]{1,6})|([0-9]{1,6}):([0-9]{2})|(?:([0-9]{1,6})分钟?)?(?:([0-9]{1,6})秒)?)$"_s);
    const QRegularExpressionMatch match = Forms.match(text);
    if (!match.hasMatch())
        return refused(u"看不懂“"_s + typed + u"”，请写成 "_s + Examples + u" 这样的时长"_s);
    const qint64 minutes = capturedNumber(match, {2, 4});
    const qint64 secondsPart = capturedNumber(match, {1, 3, 5});
    const bool withMinutes = match.capturedStart(2) >= 0 || match.capturedStart(4) >= 0;
    if (withMinutes && secondsPart >= 60)
        return refused(u"“"_s + typed + u"”里的秒数应小于 60"_s);
    const seconds duration(minutes * 60 + secondsPart);
    if (duration < Countdown::Shortest)
        return refused(u"时长至少 1 秒"_s);
    if (duration > Countdown::Longest)
        return refused(u"时长最多 99 分钟"_s);
    return duration;
}

} // namespace mirello
