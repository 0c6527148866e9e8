#include "platform/FileLock.h"
#include "Win32.h"

#include <windows.h>

namespace mirello {

FileLock::Attempt FileLock::tryOnce()
{
    if (m_handle != -1)
        return Attempt::Locked;
    // Hidden when it is made, so the class list never shows it.
    const HANDLE file =
        ::CreateFileW(win32::widePath(m_path).c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_failureReason = win32::systemReason(error);
        return Attempt::Failed;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(file);
        m_failureReason = QStringLiteral("锁文件不是普通文件");
        return Attempt::Failed;
    }
    // One left by a copy on another system, or copied here, is hidden now.
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes =
            (info.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_HIDDEN;
        (void)::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    }
    OVERLAPPED whole = {};
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &whole)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
            return Attempt::Busy;
        m_failureReason = win32::systemReason(error);
        return Attempt::Failed;
    }
    m_handle = reinterpret_cast<qintptr>(file);
    return Attempt::Locked;
}

void FileLock::release()
{
    if (m_handle == -1)
        return;
    // Closing the handle releases the lock, as the end of the process would. The file
    // stays: a file being removed cannot be opened until its last handle is closed,
    // which would turn another copy's short wait into a failure.
    ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}

} // namespace mirello
