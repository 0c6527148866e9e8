#include "platform/LocalChannel.h"
#include "Win32.h"

#include <vector>
#include <windows.h>
// After windows.h, whose macros it uses.
#include <sddl.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// The TOKEN_USER of `process`'s token; empty when it cannot be read.
std::vector<BYTE> tokenUser(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    const bool read = size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    ::CloseHandle(token);
    return read ? user : std::vector<BYTE>();
}

PSID sidOf(std::vector<BYTE>& user)
{
    return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
}

QString ownSidText()
{
    std::vector<BYTE> user = tokenUser(::GetCurrentProcess());
    wchar_t* text = nullptr;
    if (user.empty() || !::ConvertSidToStringSidW(sidOf(user), &text))
        return u"unknown"_s;
    const QString sid = QString::fromWCharArray(text);
    ::LocalFree(text);
    return sid;
}

} // namespace

// Every user's pipes share one namespace: the name carries the user's SID, and the
// pipe's access list lets in this user alone.
LocalChannelAddress userChannelAddress(const QString& name, const QString&, const QString&)
{
    return {u"mirello-"_s + ownSidText() + u'-' + name, false, true};
}

std::optional<QString> foreignChannelEnd(qintptr descriptor, ChannelEnd otherEnd)
{
    const HANDLE pipe = reinterpret_cast<HANDLE>(descriptor);
    ULONG id = 0;
    const BOOL known = otherEnd == ChannelEnd::Server ? ::GetNamedPipeServerProcessId(pipe, &id)
                                                      : ::GetNamedPipeClientProcessId(pipe, &id);
    if (!known)
        return u"无法确认另一端的程序："_s + win32::systemReason(::GetLastError());
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return u"无法查看另一端的程序："_s + win32::systemReason(::GetLastError());
    std::vector<BYTE> theirs = tokenUser(process);
    ::CloseHandle(process);
    std::vector<BYTE> ours = tokenUser(::GetCurrentProcess());
    if (theirs.empty() || ours.empty())
        return u"无法确认另一端的程序属于哪个用户"_s;
    if (!::EqualSid(sidOf(theirs), sidOf(ours)))
        return u"另一端是其他用户的程序"_s;
    return std::nullopt;
}

} // namespace mirello
