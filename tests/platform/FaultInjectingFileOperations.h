#pragma once

// The real file steps, with a log of every call and the means to make one chosen
// call fail, to make writes short, or to run out of disk space. Used by the tests of
// the atomic replacement and of grade recording.

#include "platform/FileOperations.h"

#include <cerrno>
#include <optional>
#include <QString>
#include <set>
#include <vector>

namespace faulttest {

enum class Call
{
    Status,
    ResolvePath,
    MayWrite,
    OpenForReading,
    ReadAll,
    CreateNew,
    SetOwner,
    SetPermissions,
    Write,
    Sync,
    Close,
    Rename,
    SyncFolder,
    Remove,
};

inline const char* callName(Call call)
{
    switch (call) {
    case Call::Status:
        return "stat";
    case Call::ResolvePath:
        return "realpath";
    case Call::MayWrite:
        return "access";
    case Call::OpenForReading:
        return "open(read)";
    case Call::ReadAll:
        return "read";
    case Call::CreateNew:
        return "open(create)";
    case Call::SetOwner:
        return "fchown";
    case Call::SetPermissions:
        return "fchmod";
    case Call::Write:
        return "write";
    case Call::Sync:
        return "fsync";
    case Call::Close:
        return "close";
    case Call::Rename:
        return "rename";
    case Call::SyncFolder:
        return "fsync(folder)";
    case Call::Remove:
        return "unlink";
    }
    return "?";
}

class FaultInjectingFileOperations final : public mirello::FileOperations
{
public:
    // Every call made, in order, the failed one included.
    std::vector<Call> calls;
    // The indices in `calls` of the calls that fail with `failWith`.
    std::set<std::size_t> failAt;
    int failWith = EIO;
    // Writes take at most this many bytes each (0: as many as the system takes).
    qsizetype writeChunk = 0;
    // Bytes the disk still holds: a write beyond is short, then fails with ENOSPC.
    std::optional<qint64> spaceLeft;
    // Writes that took fewer bytes than they were given.
    int shortWrites = 0;

    using Status = std::optional<mirello::FileStatus>;

    mirello::Result<Status> status(const QString& path) override
    {
        if (fails(Call::Status))
            return injected();
        return m_real.status(path);
    }
    mirello::Result<QString> resolvePath(const QString& path) override
    {
        if (fails(Call::ResolvePath))
            return injected();
        return m_real.resolvePath(path);
    }
    mirello::Result<bool> mayWrite(const QString& path) override
    {
        if (fails(Call::MayWrite))
            return injected();
        return m_real.mayWrite(path);
    }
    mirello::Result<Handle> openForReading(const QString& path) override
    {
        if (fails(Call::OpenForReading))
            return injected();
        return m_real.openForReading(path);
    }
    mirello::Result<QByteArray> readAll(Handle handle) override
    {
        if (fails(Call::ReadAll))
            return injected();
        return m_real.readAll(handle);
    }
    mirello::Result<Handle> createNew(const QString& path) override
    {
        if (fails(Call::CreateNew))
            return injected();
        return m_real.createNew(path);
    }
    mirello::Result<void> setOwner(Handle handle, quint32 owner, quint32 group) override
    {
        if (fails(Call::SetOwner))
            return injected();
        return m_real.setOwner(handle, owner, group);
    }
    mirello::Result<void> setPermissions(Handle handle, quint32 permissions) override
    {
        if (fails(Call::SetPermissions))
            return injected();
        return m_real.setPermissions(handle, permissions);
    }
    mirello::Result<qsizetype> write(Handle handle, QByteArrayView bytes) override
    {
        if (fails(Call::Write))
            return injected();
        if (writeChunk > 0)
            bytes = bytes.first(std::min(writeChunk, bytes.size()));
        if (spaceLeft) {
            if (*spaceLeft <= 0)
                return mirello::Error{QStringLiteral("无法写入文件。"),
                                      mirello::systemReason(ENOSPC)};
            bytes = bytes.first(std::min<qsizetype>(*spaceLeft, bytes.size()));
        }
        const qsizetype given = bytes.size();
        mirello::Result<qsizetype> written = m_real.write(handle, bytes);
        if (written && spaceLeft)
            *spaceLeft -= written.value();
        if (written && written.value() < given)
            ++shortWrites;
        return written;
    }
    mirello::Result<void> sync(Handle handle) override
    {
        if (fails(Call::Sync))
            return injected();
        return m_real.sync(handle);
    }
    mirello::Result<void> close(Handle handle) override
    {
        if (fails(Call::Close)) {
            // A failed close still releases the handle.
            (void)m_real.close(handle);
            return injected();
        }
        return m_real.close(handle);
    }
    mirello::Result<void> rename(const QString& from, const QString& to) override
    {
        if (fails(Call::Rename))
            return injected();
        return m_real.rename(from, to);
    }
    mirello::Result<void> syncFolder(const QString& path) override
    {
        if (fails(Call::SyncFolder))
            return injected();
        return m_real.syncFolder(path);
    }
    mirello::Result<void> remove(const QString& path) override
    {
        if (fails(Call::Remove))
            return injected();
        return m_real.remove(path);
    }

private:
    bool fails(Call call)
    {
        calls.push_back(call);
        return failAt.count(calls.size() - 1) > 0;
    }
    mirello::Error injected() const
    {
        return mirello::Error{QStringLiteral("注入的故障。"), mirello::systemReason(failWith)};
    }

    mirello::PosixFileOperations m_real;
};

} // namespace faulttest
