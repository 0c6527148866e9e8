#include "platform/LocalChannel.h"
#include "Win32.h"

#include <vector>
#include <windows.h>
// After windows.h, whose macros it uses.
#include <sddl.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// The SID of the user `process` runs as, copied out of its token's TOKEN_USER (whose
// pointer points into that buffer, so the buffer itself cannot be handed on); empty
// when it cannot be read.
std::vector<BYTE> userSid(HANDLE process)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    const bool read = size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    ::CloseHandle(token);
    if (!read)
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    std::vector<BYTE> copy(::GetLengthSid(sid));
    if (!::CopySid(DWORD(copy.size()), copy.data(), sid))
        return {};
    return copy;
}

QString ownSidText()
{
    std::vector<BYTE> own = userSid(::GetCurrentProcess());
    wchar_t* text = nullptr;
    if (own.empty() || !::ConvertSidToStringSidW(own.data(), &text))
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
    std::vector<BYTE> theirs = userSid(process);
    ::CloseHandle(process);
    std::vector<BYTE> ours = userSid(::GetCurrentProcess());
    if (theirs.empty() || ours.empty())
        return u"无法确认另一端的程序属于哪个用户"_s;
    if (!::EqualSid(theirs.data(), ours.data()))
        return u"另一端是其他用户的程序"_s;
    return std::nullopt;
}

} // namespace mirello
