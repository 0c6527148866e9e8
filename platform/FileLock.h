#pragma once

#include <chrono>
#include <QString>

namespace mirello {

// An exclusive lock between processes, held on a lock file (flock(2) on Linux,
// LockFileEx on Windows). The system drops the lock the moment its holder ends,
// however it ends, so a lock left by a crashed copy is free at once and its file is
// taken over. On Linux the lock file is removed on release; on Windows it stays,
// hidden, since a file being removed cannot be opened by the next copy.
class FileLock
{
public:
    enum class Outcome
    {
        Locked,        // ours until release() or destruction
        HeldElsewhere, // another process held it for the whole wait
        Failed,        // the lock file could not be opened or locked: see failureReason()
    };

    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Tries for at most `wait`, in short uneven pauses, so that copies waiting for
    // each other take their turns. Never blocks on the file itself.
    Outcome acquire(std::chrono::milliseconds wait);
    void release();

    // The system's reason for the last Failed attempt.
    const QString& failureReason() const { return m_failureReason; }

private:
    enum class Attempt
    {
        Locked,
        Busy,
        Failed
    };
    Attempt tryOnce();

    QString m_path;
    qintptr m_handle = -1; // the descriptor or HANDLE while locked
    QString m_failureReason;
};

} // namespace mirello
