#include "FileLock.h"

#include <algorithm>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <thread>

namespace mirello {

FileLock::FileLock(QString path)
    : m_path(std::move(path))
{
}

FileLock::~FileLock()
{
    release();
}

FileLock::Outcome FileLock::acquire(std::chrono::milliseconds wait)
{
    const QDeadlineTimer deadline(wait);
    for (;;) {
        switch (tryOnce()) {
        case Attempt::Locked:
            return Outcome::Locked;
        case Attempt::Failed:
            return Outcome::Failed;
        case Attempt::Busy:
            break;
        }
        if (deadline.hasExpired())
            return Outcome::HeldElsewhere;
        // A recording holds the lock for milliseconds.
        const qint64 pause = std::min<qint64>(QRandomGenerator::global()->bounded(2, 12),
                                              std::max<qint64>(1, deadline.remainingTime()));
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

} // namespace mirello
