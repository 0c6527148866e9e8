#pragma once

#include <optional>
#include <QString>

namespace mirello {

// Where this user's programs meet on a local channel (QLocalServer and QLocalSocket),
// so that no other user can take the name first or answer in their place.
struct LocalChannelAddress
{
    QString serverName;
    // Linux's abstract namespace: no file, so anyone may bind the name; the other
    // end is then checked all the more.
    bool abstractName = false;
    // An access list for this user alone on the pipe (QLocalServer::UserAccessOption).
    // Not on Linux, where Qt would grant it by renaming over whatever has the name.
    bool userOnlyAccess = false;

    bool operator==(const LocalChannelAddress&) const = default;
};

// The address of this user's channel `name` (letters, digits and '-'). Linux: in the
// runtime folder when it is this user's alone (mode 0700), else in the folder
// "mirello-<uid>" of ours under `sharedTemporary`, made 0700, else in the abstract
// namespace. Windows (the folders unused): a pipe whose name carries the user's SID.
LocalChannelAddress
userChannelAddress(const QString& name,
                   const QString& runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR"),
                   const QString& sharedTemporary = QStringLiteral("/tmp"));

enum class ChannelEnd
{
    Server,
    Client
};

// Why the program at the other end (`otherEnd`) of the connected channel `descriptor`
// (QLocalSocket::socketDescriptor()) is not this user's, in a Chinese phrase; nothing
// when it is.
std::optional<QString> foreignChannelEnd(qintptr descriptor, ChannelEnd otherEnd);

} // namespace mirello
