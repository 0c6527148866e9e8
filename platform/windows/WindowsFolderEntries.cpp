#include "platform/FileNames.h"
#include "platform/FolderEntries.h"
#include "Win32.h"

#include <windows.h>

namespace mirello {

namespace {

constexpr DWORD Unlisted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

// A link counts when it leads to a file; one that leads nowhere or to a folder does not.
bool leadsToFile(const std::wstring& path)
{
    const HANDLE handle = ::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const bool file = ::GetFileInformationByHandle(handle, &info) &&
                      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(handle);
    return file;
}

} // namespace

Result<QStringList> plainFileNames(const QString& folder)
{
    // Windows keeps names as UTF-16, so a name needs no escaping: it is kept as it is.
    const std::wstring prefix = win32::widePath(folder) + L'\\';
    WIN32_FIND_DATAW found = {};
    const HANDLE search =
        ::FindFirstFileExW((prefix + L'*').c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                           nullptr, FIND_FIRST_EX_LARGE_FETCH);
    QStringList names;
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) // a drive's empty root: no "." or ".." either
            return names;
        return Error{u"无法打开文件夹“" + shownFileName(folder) + u"”。",
                     win32::systemReason(error)};
    }
    DWORD error = ERROR_SUCCESS;
    for (;;) {
        const bool listed = !(found.dwFileAttributes & Unlisted) &&
                            (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                             leadsToFile(prefix + found.cFileName));
        if (listed)
            names.append(QString::fromWCharArray(found.cFileName));
        if (!::FindNextFileW(search, &found)) {
            error = ::GetLastError();
            break;
        }
    }
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        return Error{u"无法读取文件夹“" + shownFileName(folder) + u"”。",
                     win32::systemReason(error)};
    }
    return names;
}

} // namespace mirello
