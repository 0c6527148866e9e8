#pragma once

#include "platform/FileLock.h"

#include <chrono>
#include <QString>

namespace mirello {

// The lock that keeps two copies of the program from rewriting class files of one
// roll folder at the same time: the hidden file ".mirello.lock" in the roll folder,
// which the class chooser never lists. A copy that crashed or was killed while it
// held the lock leaves nothing in the way: the system released its lock, and the
// lock file it left is taken over.
class RollFolderLock
{
public:
    static constexpr char16_t FileName[] = u".mirello.lock";

    enum class Outcome
    {
        Locked,        // the lock is ours until release() or destruction
        HeldElsewhere, // another copy held it for the whole wait
        Failed,        // the lock file could not be made (see failureReason())
    };

    explicit RollFolderLock(const QString& folderPath);

    // Tries for at most `wait`, every few milliseconds, so that copies waiting
    // for each other take their turns.
    Outcome acquire(std::chrono::milliseconds wait);
    void release() { m_lock.unlock(); }

    // For Failed: the system's reason.
    QString failureReason() const { return m_lock.failureReason(); }

    // Whether `fileName` is the lock file's name.
    static bool isLockFileName(const QString& fileName);

private:
    FileLock m_lock;
};

} // namespace mirello
