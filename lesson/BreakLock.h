#pragma once

#include "Features.h"

#include <chrono>
#include <functional>
#include <optional>
#include <QObject>
#include <QString>

class QTimer;

namespace mirello {

class Clock;
class Settings;

// 下课锁定: between lessons the board belongs to the students. Once the teacher has
// set a PIN, the lock closes when the program starts, after some minutes without use
// and when asked; while it is closed, refusalOf() refuses every feature that writes,
// opens grades or changes a setting, and only the PIN on the board or a phone paired
// today opens it. Only a salted PBKDF2 hash of the PIN is kept, in the settings
// (PinHash.h); it is computed off the window's thread.
class BreakLock final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIdleMinutes = 10;
    static constexpr int LongestIdleMinutes = 240;
    // Wrong PINs in a row before each further try waits, 30 s doubling up to 15 min.
    static constexpr int FreeTries = 3;

    BreakLock(Settings& settings, const Clock& clock, QObject* parent = nullptr);

    bool hasPin() const { return !m_pin.isEmpty(); }
    bool isLocked() const { return m_locked; }
    // Why `feature` may not run now, naming it and how to unlock; none when it may.
    std::optional<QString> refusalOf(Feature feature) const;

    // Closes the lock; without a PIN it says what to do first.
    void lock();
    // A key, a tap or a command: the minutes without use start again.
    void noteUse();
    // Opens the lock when `pin` is right: unlocked() or unlockFailed() says so later.
    void tryUnlock(const QString& pin);
    // A phone paired today asked: its token is proof enough.
    void unlockFromPhone();
    // Sets the PIN to `next` (an empty one takes the lock away) when `current` is the
    // PIN kept now; pinChanged() or pinRefused() says so later.
    void changePin(const QString& current, const QString& next);

    // 0: never locks by itself.
    int idleMinutes() const;
    void setIdleMinutes(int minutes);

    // The refusal's words for a feature of this name.
    static QString refusalText(QStringView feature);

Q_SIGNALS:
    void lockedChanged(bool locked);
    void unlockFailed(const QString& why);
    void pinChanged(const QString& said);
    void pinRefused(const QString& why);

private:
    void setLocked(bool locked);
    void checkIdle();
    // Whether a try may be made now; else says when, through `refused`.
    bool mayTry(const std::function<void(const QString&)>& refused) const;
    void countTry(bool right);
    // Runs `work` on a thread of its own and hands its answer to `done` here.
    void offThread(std::function<bool()> work, std::function<void(bool)> done);

    Settings& m_settings;
    const Clock& m_clock;
    QByteArray m_pin;
    bool m_locked = false;
    bool m_checking = false;
    qint64 m_lastUse = 0;
    int m_wrongTries = 0;
    qint64 m_nextTry = 0;
    QTimer* m_idleCheck;
};

// Whether `feature` may run while the lock is closed: what shows the lesson without
// grades (the projector, the countdown, the zoom, the guide) and the lock itself; the
// draw too where `drawingOpen`.
bool openWhileLocked(Feature feature, bool drawingOpen);

} // namespace mirello
