#include "RollFolderLock.h"

#include "platform/ProgramFolder.h"

#include <algorithm>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <thread>

namespace mirello {

RollFolderLock::RollFolderLock(const QString& folderPath)
    : m_lock(pathInFolder(folderPath, QString::fromUtf16(FileName)))
{
}

RollFolderLock::Outcome RollFolderLock::acquire(std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    for (;;) {
        switch (m_lock.tryLock()) {
        case FileLock::Attempt::Locked:
            return Outcome::Locked;
        case FileLock::Attempt::Failed:
            return Outcome::Failed;
        case FileLock::Attempt::Busy:
            break;
        }
        if (deadline.hasExpired())
            return Outcome::HeldElsewhere;
        // Short, uneven pauses: a recording holds the lock for milliseconds.
        const qint64 pause = std::min<qint64>(QRandomGenerator::global()->bounded(2, 12),
                                              std::max<qint64>(1, deadline.remainingTime()));
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

bool RollFolderLock::isLockFileName(const QString& fileName)
{
    return fileName == QStringView(FileName);
}

} // namespace mirello
