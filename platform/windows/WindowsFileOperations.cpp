#include "platform/FileOperations.h"
#include "Win32.h"

#include <algorithm>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <windows.h>

namespace mirello {

namespace {

// Every open shares reading, writing and deleting, so that Mirello never keeps another
// program (or a second copy of itself) from the file, nor from renaming over it.
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile count in DWORDs; larger requests are made in pieces.
constexpr qsizetype LargestTransfer = 1 << 30;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Error failure(const QString& message, DWORD errorCode)
{
    return Error{message, win32::systemReason(errorCode)};
}

HANDLE fileHandle(FileOperations::Handle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

bool isMissing(DWORD errorCode)
{
    return errorCode == ERROR_FILE_NOT_FOUND || errorCode == ERROR_PATH_NOT_FOUND;
}

// A handle for looking at a file or folder, links followed unless `atLink`;
// INVALID_HANDLE_VALUE on failure.
HANDLE openForLooking(const QString& path, bool atLink = false)
{
    return ::CreateFileW(
        win32::widePath(path).c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (atLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

Error linkRefused(const QString& path)
{
    return Error{u"“" + shown(path) + u"”是一个链接，为免读写别处的文件，没有打开它。",
                 QStringLiteral("是重分析点（链接）")};
}

// Only files on a disk: reading a pipe or a device could wait for ever. With
// `refuseLinks`, the handle was opened at the reparse point itself, which is refused.
std::optional<Error> notRegular(HANDLE handle, const QString& path, QStringView use,
                                bool refuseLinks)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Error{u"“" + shown(path) + u"”不是普通文件，无法" + use + u"。",
                     QStringLiteral("不是普通文件")};
    }
    if (refuseLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return linkRefused(path);
    return std::nullopt;
}

// The file steps as the Win32 calls CreateFileW, ReadFile, WriteFile,
// FlushFileBuffers, CloseHandle, MoveFileExW and DeleteFileW. Windows has no owner
// or permission bits to copy: a new file takes the folder's access rules, and the
// read-only attribute stands for a permission mode without write bits.
class WindowsFileOperations final : public FileOperations
{
    // Opens a file on a disk only; with `refuseLinks`, never through a reparse point.
    static Result<Handle> openRegular(const QString& path, DWORD access, DWORD disposition,
                                      QStringView use, bool refuseLinks)
    {
        const HANDLE handle = ::CreateFileW(
            win32::widePath(path).c_str(), access, ShareAll, nullptr, disposition,
            FILE_ATTRIBUTE_NORMAL | (refuseLinks ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            return failure(u"无法打开文件“" + shown(path) + u"”。", error);
        }
        if (std::optional<Error> refused = notRegular(handle, path, use, refuseLinks)) {
            ::CloseHandle(handle);
            return *refused;
        }
        return reinterpret_cast<Handle>(handle);
    }

public:
    Result<std::optional<FileStatus>> status(const QString& path) override
    {
        return statusOf(path, false);
    }

    Result<std::optional<FileStatus>> linkStatus(const QString& path) override
    {
        return statusOf(path, true);
    }

    Result<std::optional<FileStatus>> statusOf(const QString& path, bool atLink)
    {
        const HANDLE handle = openForLooking(path, atLink);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (isMissing(error))
                return std::optional<FileStatus>();
            return failure(u"无法查看文件“" + shown(path) + u"”。", error);
        }
        BY_HANDLE_FILE_INFORMATION info = {};
        const bool known = ::GetFileInformationByHandle(handle, &info);
        const DWORD error = ::GetLastError();
        const DWORD type = ::GetFileType(handle);
        ::CloseHandle(handle);
        if (!known)
            return failure(u"无法查看文件“" + shown(path) + u"”。", error);
        FileStatus status;
        if (atLink && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            status.kind = FileStatus::Kind::Link;
        else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            status.kind = FileStatus::Kind::Folder;
        else if (type == FILE_TYPE_DISK)
            status.kind = FileStatus::Kind::RegularFile;
        status.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
        status.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        return std::optional<FileStatus>(status);
    }

    Result<QString> resolvePath(const QString& path) override
    {
        const HANDLE handle = openForLooking(path);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            return failure(u"无法找到文件“" + shown(path) + u"”的实际位置。", error);
        }
        std::wstring resolved(MAX_PATH, L'\0');
        DWORD length = ::GetFinalPathNameByHandleW(handle, resolved.data(), DWORD(resolved.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length >= resolved.size()) {
            resolved.resize(length + 1);
            length = ::GetFinalPathNameByHandleW(handle, resolved.data(), DWORD(resolved.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        if (length == 0 || length >= resolved.size())
            return failure(u"无法找到文件“" + shown(path) + u"”的实际位置。", error);
        return win32::fromWidePath(resolved.data(), length);
    }

    Result<bool> mayWrite(const QString& path) override
    {
        const std::wstring wide = win32::widePath(path);
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = ::GetLastError();
            return failure(u"无法检查文件“" + shown(path) + u"”能否写入。", error);
        }
        // A folder's read-only attribute means nothing: writing to it is adding files.
        const bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
        if (!folder && (attributes & FILE_ATTRIBUTE_READONLY))
            return false;
        // Opening for writing asks the access rules and the medium, and changes nothing.
        const HANDLE handle = ::CreateFileW(
            wide.c_str(), folder ? FILE_ADD_FILE : GENERIC_WRITE, ShareAll, nullptr, OPEN_EXISTING,
            folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return true;
        }
        switch (const DWORD error = ::GetLastError()) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return false;
        case ERROR_SHARING_VIOLATION:
            // Open in another program: a matter for the rename, not of permission.
            return true;
        default:
            return failure(u"无法检查文件“" + shown(path) + u"”能否写入。", error);
        }
    }

    Result<Handle> openForReading(const QString& path, Links links) override
    {
        return openRegular(path, GENERIC_READ, OPEN_EXISTING, u"读取", links == Links::Refuse);
    }

    Result<QByteArray> readAt(Handle handle, qint64 offset, qsizetype length) override
    {
        QByteArray bytes(length, Qt::Uninitialized);
        qsizetype filled = 0;
        while (filled < length) {
            OVERLAPPED at = {};
            at.Offset = DWORD(quint64(offset + filled) & 0xffffffffu);
            at.OffsetHigh = DWORD(quint64(offset + filled) >> 32);
            DWORD got = 0;
            const DWORD wanted = DWORD(std::min(length - filled, LargestTransfer));
            if (!::ReadFile(fileHandle(handle), bytes.data() + filled, wanted, &got, &at)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_HANDLE_EOF)
                    break;
                return failure(QStringLiteral("无法读取文件。"), error);
            }
            if (got == 0)
                break;
            filled += got;
        }
        bytes.truncate(filled);
        return bytes;
    }

    Result<QByteArray> readAll(Handle handle) override
    {
        LARGE_INTEGER size = {};
        const qsizetype expected = ::GetFileSizeEx(fileHandle(handle), &size) ? size.QuadPart : 0;
        QByteArray bytes(expected + 1, Qt::Uninitialized);
        qsizetype filled = 0;
        for (;;) {
            if (filled == bytes.size())
                bytes.resize(bytes.size() * 2 + 64 * 1024);
            const DWORD wanted = DWORD(std::min(bytes.size() - filled, LargestTransfer));
            DWORD got = 0;
            if (!::ReadFile(fileHandle(handle), bytes.data() + filled, wanted, &got, nullptr)) {
                const DWORD error = ::GetLastError();
                return failure(QStringLiteral("无法读取文件。"), error);
            }
            if (got == 0) {
                bytes.truncate(filled);
                return bytes;
            }
            filled += got;
        }
    }

    Result<Handle> createNew(const QString& path) override
    {
        // CREATE_NEW fails on any name that is there, a link included, and the
        // reparse-point flag keeps a link from being followed.
        const HANDLE handle = ::CreateFileW(
            win32::widePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            return failure(u"无法创建文件“" + shown(path) + u"”。", error);
        }
        return reinterpret_cast<Handle>(handle);
    }

    Result<void> setOwner(Handle, quint32, quint32) override
    {
        // The new file already has the access rules of the folder it is made in.
        return {};
    }

    Result<void> setPermissions(Handle handle, quint32 permissions) override
    {
        if ((permissions & 0222) != 0)
            return {};
        FILE_BASIC_INFO info = {};
        info.FileAttributes = FILE_ATTRIBUTE_READONLY;
        if (!::SetFileInformationByHandle(fileHandle(handle), FileBasicInfo, &info, sizeof info)) {
            const DWORD error = ::GetLastError();
            return failure(QStringLiteral("无法设置文件的权限。"), error);
        }
        return {};
    }

    Result<qsizetype> write(Handle handle, QByteArrayView bytes) override
    {
        DWORD written = 0;
        if (!::WriteFile(fileHandle(handle), bytes.data(),
                         DWORD(std::min(bytes.size(), LargestTransfer)), &written, nullptr)) {
            const DWORD error = ::GetLastError();
            return failure(QStringLiteral("无法写入文件。"), error);
        }
        return qsizetype(written);
    }

    Result<void> sync(Handle handle) override
    {
        if (!::FlushFileBuffers(fileHandle(handle))) {
            const DWORD error = ::GetLastError();
            return failure(QStringLiteral("无法把文件保存到磁盘。"), error);
        }
        return {};
    }

    Result<void> close(Handle handle) override
    {
        if (!::CloseHandle(fileHandle(handle))) {
            const DWORD error = ::GetLastError();
            return failure(QStringLiteral("无法关闭文件。"), error);
        }
        return {};
    }

    Result<void> rename(const QString& from, const QString& to) override
    {
        // Write-through: the call returns only once the new name is on the disk.
        // Windows cannot replace a file that anyone has open, even for a moment (another
        // copy looking at it, a virus scanner, the search indexer): such a refusal is
        // tried again for as long as a recording waits for the lock.
        const std::wstring source = win32::widePath(from);
        const std::wstring target = win32::widePath(to);
        const QDeadlineTimer deadline(std::chrono::seconds(2));
        for (;;) {
            if (::MoveFileExW(source.c_str(), target.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return {};
            const DWORD error = ::GetLastError();
            const bool inUse = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
            if (!inUse || deadline.hasExpired())
                return failure(u"无法把文件“" + shown(from) + u"”改名为“" + shown(to) + u"”。",
                               error);
            ::Sleep(10);
        }
    }

    Result<void> syncFolder(const QString&) override
    {
        // Windows cannot flush a folder without administrator rights, and needs not:
        // the rename was written through.
        return {};
    }

    Result<void> remove(const QString& path) override
    {
        const std::wstring wide = win32::widePath(path);
        if (::DeleteFileW(wide.c_str()))
            return {};
        DWORD error = ::GetLastError();
        // Like unlink(), removing does not ask whether the file itself is read-only.
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = ::GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
                ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
                if (::DeleteFileW(wide.c_str()))
                    return {};
                error = ::GetLastError();
            }
        }
        if (isMissing(error))
            return {};
        return failure(u"无法删除文件“" + shown(path) + u"”。", error);
    }

    Result<Handle> openForAppending(const QString& path) override
    {
        // FILE_APPEND_DATA without FILE_WRITE_DATA: every write lands at the end.
        return openRegular(path, FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE, OPEN_ALWAYS,
                           u"写入", true);
    }

    Result<void> createFolder(const QString& path) override
    {
        const std::wstring wide = win32::widePath(path);
        if (::CreateDirectoryW(wide.c_str(), nullptr)) {
            // A name that begins with a dot is hidden on Linux; Explorer needs the
            // attribute. A folder left visible still works, so a refusal is no failure.
            if (QFileInfo(path).fileName().startsWith(u'.'))
                ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN);
            return {};
        }
        const DWORD error = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return {};
        return failure(u"无法建立文件夹“" + shown(path) + u"”。", error);
    }
};

} // namespace

FileOperations& systemFileOperations()
{
    static WindowsFileOperations files;
    return files;
}

} // namespace mirello
