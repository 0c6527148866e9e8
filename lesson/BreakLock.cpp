#include "BreakLock.h"

#include "PinHash.h"
#include "platform/Clock.h"
#include "Settings.h"

#include <memory>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace mirello {

namespace {

constexpr QStringView PinKey = u"lock/pin";
constexpr QStringView IdleKey = u"lock/idleMinutes";
constexpr qint64 FirstPause = duration_cast<nanoseconds>(30s).count();
constexpr qint64 LongestPause = duration_cast<nanoseconds>(15min).count();

} // namespace

bool openWhileLocked(Feature feature, bool drawingOpen)
{
    using enum Feature;
    switch (feature) {
    case LockNow:
    case Unlock:
    case Projector:
    case ProjectorFullScreen:
    case ProjectorDark:
    case FloatingButton:
    case Countdown30Seconds:
    case Countdown1Minute:
    case Countdown2Minutes:
    case Countdown3Minutes:
    case Countdown5Minutes:
    case CountdownTyped:
    case CountdownFor:
    case CountdownPauseResume:
    case CountdownStop:
    case ZoomIn:
    case ZoomOut:
    case Zoom100:
    case Zoom150:
    case Zoom200:
    case Zoom250:
    case Guide:
    case ChooseClass:
        return true;
    case StartPause:
    case SeveralAtOnce:
    case PreviousPick:
    case NextPick:
        return drawingOpen;
    default:
        return false;
    }
}

BreakLock::BreakLock(Settings& settings, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
    , m_pin(settings.bytes(PinKey))
    , m_locked(hasPin())
    , m_lastUse(clock.steadyNanoseconds())
    , m_idleCheck(new QTimer(this))
{
    m_idleCheck->setInterval(15s);
    connect(m_idleCheck, &QTimer::timeout, this, &BreakLock::checkIdle);
    m_idleCheck->start();
}

QString BreakLock::refusalText(QStringView feature)
{
    return u"已锁定：下课时不能使用“"_s + feature +
           u"”。请按 Ctrl+U 或在功能菜单中选“解锁…”，输入密码；也可以用今天配对的手机解锁。"_s;
}

std::optional<QString> BreakLock::refusalOf(Feature feature) const
{
    if (!m_locked ||
        openWhileLocked(feature, m_settings.flag(featureRow(Feature::LockDrawingOpen).setting)))
        return std::nullopt;
    return refusalText(featureRow(feature).text);
}

void BreakLock::lock()
{
    if (!hasPin()) {
        Q_EMIT pinRefused(u"还没有设置锁定密码：请先在功能菜单中选“锁定密码与时间…”设置。"_s);
        return;
    }
    setLocked(true);
}

// A use after the minutes without use finds the lock closed, even where the check
// has not run since (a computer woken from sleep).
void BreakLock::noteUse()
{
    checkIdle();
    m_lastUse = m_clock.steadyNanoseconds();
}

void BreakLock::setLocked(bool locked)
{
    m_lastUse = m_clock.steadyNanoseconds();
    if (std::exchange(m_locked, locked) != locked)
        Q_EMIT lockedChanged(locked);
}

void BreakLock::checkIdle()
{
    const qint64 idle = m_clock.steadyNanoseconds() - m_lastUse;
    if (!m_locked && hasPin() && idleMinutes() > 0 &&
        idle >= duration_cast<nanoseconds>(minutes(idleMinutes())).count())
        setLocked(true);
}

int BreakLock::idleMinutes() const
{
    bool number = false;
    const int chosen = m_settings.bytes(IdleKey).toInt(&number);
    return number && chosen >= 0 && chosen <= LongestIdleMinutes ? chosen : DefaultIdleMinutes;
}

void BreakLock::setIdleMinutes(int minutes)
{
    m_settings.setBytes(IdleKey, QByteArray::number(std::clamp(minutes, 0, LongestIdleMinutes)));
}

bool BreakLock::mayTry(const std::function<void(const QString&)>& refused) const
{
    if (m_checking) {
        refused(u"正在核对密码，请稍候。"_s);
        return false;
    }
    const qint64 wait = m_nextTry - m_clock.steadyNanoseconds();
    if (wait > 0) {
        const qint64 seconds = (wait + 999999999) / 1000000000;
        refused(u"密码错误次数太多，请 "_s + QString::number(seconds) + u" 秒后再试。"_s);
        return false;
    }
    return true;
}

void BreakLock::countTry(bool right)
{
    if (right) {
        m_wrongTries = 0;
        return;
    }
    if (++m_wrongTries < FreeTries)
        return;
    const int doublings = std::min(m_wrongTries - FreeTries, 10);
    m_nextTry = m_clock.steadyNanoseconds() + std::min(FirstPause << doublings, LongestPause);
}

void BreakLock::tryUnlock(const QString& pin)
{
    const auto refused = [this](const QString& why) {
        Q_EMIT unlockFailed(why);
    };
    if (!m_locked || !mayTry(refused))
        return;
    offThread([pin, kept = m_pin] { return pinMatches(pin, kept); },
              [this](bool right) {
                  countTry(right);
                  if (right)
                      setLocked(false);
                  else
                      Q_EMIT unlockFailed(u"密码不对，请再试一次。"_s);
              });
}

void BreakLock::unlockFromPhone()
{
    setLocked(false);
}

void BreakLock::changePin(const QString& current, const QString& next)
{
    const auto refused = [this](const QString& why) {
        Q_EMIT pinRefused(why);
    };
    if (!next.isEmpty() && !isValidPin(next))
        return refused(u"密码应是 4 到 6 位数字。"_s);
    if (!mayTry(refused))
        return;
    auto made = std::make_shared<QByteArray>();
    offThread(
        [current, next, kept = m_pin, made] {
            if (!kept.isEmpty() && !pinMatches(current, kept))
                return false;
            if (!next.isEmpty())
                *made = hashPin(next);
            return true;
        },
        [this, made, removed = next.isEmpty()](bool right) {
            countTry(right);
            if (!right)
                return Q_EMIT pinRefused(u"现在的密码不对，锁定密码没有改动。"_s);
            m_pin = *made;
            m_settings.setBytes(PinKey, m_pin);
            Q_EMIT pinChanged(removed ? u"锁定密码已取消：Mirello 不再锁定。"_s
                                      : u"锁定密码已保存。"_s);
        });
}

// A QThread that deletes itself: the answer comes back through the event loop, to
// nobody once the lock is gone.
void BreakLock::offThread(std::function<bool()> work, std::function<void(bool)> done)
{
    m_checking = true;
    auto answer = std::make_shared<bool>(false);
    QThread* thread = QThread::create([work = std::move(work), answer] { *answer = work(); });
    connect(thread, &QThread::finished, this, [this, answer, done = std::move(done)] {
        m_checking = false;
        done(*answer);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace mirello
