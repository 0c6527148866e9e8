#pragma once

#include "Result.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mirello {

// What the file system says about one file.
struct FileStatus
{
    enum class Kind
    {
        RegularFile,
        Folder,
        Link, // a symbolic link, or on Windows any reparse point (a junction included)
        Other
    };

    Kind kind = Kind::Other;
    // The permission bits of the mode (07777 on Linux; on Windows 0444 for a file
    // marked read-only, else 0666). Owner and group are 0 on Windows.
    quint32 permissions = 0;
    quint32 owner = 0;
    quint32 group = 0;
    qint64 size = 0;

    // Whether any write permission bit (owner, group or others) is set. A file
    // without one is read-only for everybody, the administrator included.
    bool hasWriteBit() const { return (permissions & 0222) != 0; }
};

// The single file steps that writing a file safely is made of, one system call
// each, so that tests can make every step fail in turn without replacing the logic
// that uses them. A failure is an Error whose message says in Chinese which step
// failed on which file and whose reason is the system's own text.
//
// Handles are the system's file handles: descriptors on Linux, HANDLEs on Windows.
// One implementation per system (platform/posix, platform/windows) stands behind
// systemFileOperations().
class FileOperations
{
public:
    using Handle = qintptr;
    // Whether a file may be reached through a link at its name: a class file may (the
    // design notes say why), the program's own files under .mirello/ may not.
    enum class Links
    {
        Follow,
        Refuse
    };

    virtual ~FileOperations() = default;

    // The status of the file at `path`, following symbolic links; none when
    // nothing is there (a dangling link included).
    virtual Result<std::optional<FileStatus>> status(const QString& path) = 0;
    // The status of the entry at `path` itself: a link is Link, never followed.
    virtual Result<std::optional<FileStatus>> linkStatus(const QString& path) = 0;
    // The absolute path with every symbolic link resolved.
    virtual Result<QString> resolvePath(const QString& path) = 0;
    // Whether the user running the program may write the file at `path`; false
    // when the system denies it (no permission, read-only file system).
    virtual Result<bool> mayWrite(const QString& path) = 0;

    // Opens a regular file without ever blocking (a named pipe put in its place is
    // refused, not waited on). With Links::Refuse, a link at `path` is refused too.
    virtual Result<Handle> openForReading(const QString& path, Links links) = 0;
    // Everything from the current position to the end of the file.
    virtual Result<QByteArray> readAll(Handle handle) = 0;
    // At most `length` bytes from `offset`, fewer at the end of the file.
    virtual Result<QByteArray> readAt(Handle handle, qint64 offset, qsizetype length) = 0;

    // Creates a new, empty file for writing; fails when something exists at
    // `path`, a symbolic link included. Only the owner may read or write it until
    // setPermissions().
    virtual Result<Handle> createNew(const QString& path) = 0;
    // Gives the file this owner and group where the system allows it; a system that
    // does not let this user give files away (EPERM) leaves them and counts as done.
    virtual Result<void> setOwner(Handle handle, quint32 owner, quint32 group) = 0;
    virtual Result<void> setPermissions(Handle handle, quint32 permissions) = 0;
    // Writes some of `bytes`, at least one byte when `bytes` is not empty, and
    // returns how many: a write may be short. Interruptions by signals are retried.
    virtual Result<qsizetype> write(Handle handle, QByteArrayView bytes) = 0;
    // Flushes the file's data and metadata to the storage device (fsync).
    virtual Result<void> sync(Handle handle) = 0;
    // Closes the handle. The handle is gone afterwards even when this fails.
    virtual Result<void> close(Handle handle) = 0;

    // Replaces `to` with `from` in one atomic step; `to` may exist.
    virtual Result<void> rename(const QString& from, const QString& to) = 0;
    // Flushes the entries of the folder at `path` to the storage device, so that
    // a rename in it survives a power failure. A file system that cannot sync a
    // folder at all counts as done.
    virtual Result<void> syncFolder(const QString& path) = 0;
    // Removes the file at `path`; a path where nothing is counts as done.
    virtual Result<void> remove(const QString& path) = 0;

    // Opens the file at `path` for appending (and reading back), creating it when
    // nothing is there; every write lands at the end, whatever another writer did
    // meanwhile. Only a regular file is opened, never through a link at `path`.
    virtual Result<Handle> openForAppending(const QString& path) = 0;
    // Creates the folder at `path`; a folder already there counts as done.
    virtual Result<void> createFolder(const QString& path) = 0;

    // Writes all of `bytes` through write(), however short each write is.
    Result<void> writeAll(Handle handle, QByteArrayView bytes);
};

// The file steps of the system the program runs on; stateless, so shared by threads.
FileOperations& systemFileOperations();

// The system's text for an errno value, as the reason of an Error.
QString systemReason(int errorCode);

} // namespace mirello
