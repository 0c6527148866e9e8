#pragma once

#include <QString>

namespace mirello {

// An exclusive lock between processes, held on a lock file that exists while the
// lock is held (flock(2) on Linux; LockFileEx would serve on Windows).
//
// The system drops the lock the moment its holder ends, however it ends, so a lock
// left by a process that crashed or was killed is free at once: there are no stale
// locks to recognise. The lock file is removed on release; a copy that was killed
// leaves it behind, and the next holder takes it over and removes it in turn.
class FileLock
{
public:
    enum class Attempt
    {
        Locked, // the lock is ours until unlock() or destruction
        Busy,   // another process holds it
        Failed, // the lock file could not be opened or locked: see failureReason()
    };

    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // One attempt that does not wait.
    Attempt tryLock();
    void unlock();
    bool isLocked() const { return m_descriptor >= 0; }

    const QString& path() const { return m_path; }
    // The system's reason for the last Failed attempt.
    const QString& failureReason() const { return m_failureReason; }

private:
    QString m_path;
    int m_descriptor = -1;
    QString m_failureReason;
};

} // namespace mirello
