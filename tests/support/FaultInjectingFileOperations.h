#pragma once

// The real file steps behind a seam that logs every call by its name and makes the
// chosen calls fail, or makes every write short.

#include "platform/FileOperations.h"

#include <cerrno>
#include <QStringList>
#include <set>
#include <thread>

namespace faulttest {

class FaultInjectingFileOperations : public mirello::FileOperations
{
public:
    QStringList calls;          // every call by name, in order, failed ones included
    std::set<qsizetype> failAt; // the indices in `calls` of the calls that fail, as on a full disk
    qsizetype writeChunk = 0;   // the most a write takes (0: what the system takes)
    QString hangOn;             // the call by this name never returns, as on a lost network drive

// One step: fails when chosen, else forwards to the real file operations.
#define FAULT_STEP(Type, step, params, args)                                                       \
    mirello::Result<Type> step params override                                                     \
    {                                                                                              \
        if (fails(#step))                                                                          \
            return injected();                                                                     \
        return m_real.step args;                                                                   \
    }
    FAULT_STEP(std::optional<mirello::FileStatus>, status, (const QString& p), (p))
    FAULT_STEP(std::optional<mirello::FileStatus>, linkStatus, (const QString& p), (p))
    FAULT_STEP(QString, resolvePath, (const QString& p), (p))
    FAULT_STEP(bool, mayWrite, (const QString& p), (p))
    FAULT_STEP(Handle, openForReading, (const QString& p, Links l), (p, l))
    FAULT_STEP(QByteArray, readAll, (Handle h), (h))
    FAULT_STEP(QByteArray, readAt, (Handle h, qint64 at, qsizetype n), (h, at, n))
    FAULT_STEP(Handle, createNew, (const QString& p), (p))
    FAULT_STEP(void, setOwner, (Handle h, quint32 owner, quint32 group), (h, owner, group))
    FAULT_STEP(void, setPermissions, (Handle h, quint32 bits), (h, bits))
    FAULT_STEP(void, sync, (Handle h), (h))
    FAULT_STEP(void, rename, (const QString& from, const QString& to), (from, to))
    FAULT_STEP(void, syncFolder, (const QString& p), (p))
    FAULT_STEP(void, remove, (const QString& p), (p))
    FAULT_STEP(Handle, openForAppending, (const QString& p), (p))
    FAULT_STEP(void, createFolder, (const QString& p), (p))
#undef FAULT_STEP

    mirello::Result<qsizetype> write(Handle h, QByteArrayView bytes) override
    {
        if (fails("write"))
            return injected();
        return m_real.write(h, writeChunk > 0 ? bytes.first(std::min(writeChunk, bytes.size()))
                                              : bytes);
    }
    mirello::Result<void> close(Handle h) override
    {
        const mirello::Result<void> closed = m_real.close(h); // gone even when it fails
        if (fails("close"))
            return injected();
        return closed;
    }

private:
    bool fails(const char* step)
    {
        if (hangOn == QLatin1String(step))
            std::this_thread::sleep_for(std::chrono::hours(24));
        calls.append(QString::fromLatin1(step));
        return failAt.count(calls.size() - 1) > 0;
    }
    mirello::Error injected() const
    {
        return {QStringLiteral("注入的故障。"), mirello::systemReason(ENOSPC)};
    }

    mirello::FileOperations& m_real = mirello::systemFileOperations();
};

} // namespace faulttest
