#pragma once

#include "CommandLine.h"
#include "platform/LocalChannel.h"

#include <chrono>
#include <functional>
#include <optional>
#include <QObject>
#include <QPointer>

class QLocalServer;
class QLocalSocket;

namespace mirello {

// Where the copy of Mirello running for this user and `rollFolder` takes commands;
// other roll folders have other names, and other users' copies other places.
LocalChannelAddress channelAddress(const QString& rollFolder);

// Connects `socket` to the channel at `address`.
void reachAddress(QLocalSocket& socket, const LocalChannelAddress& address);

// Hands `commands` to the copy listening at `address` (none: it is asked to show its
// window). Nothing when no copy listens; else its answer: empty when it carried them
// out, else what went wrong, or why nothing was handed over to a program that is not
// this user's.
std::optional<QString> sendToRunningCopy(const LocalChannelAddress& address,
                                         const QList<RemoteCommand>& commands,
                                         std::chrono::milliseconds wait);

// Takes the commands of later starts, one message per connection, and has `carryOut`
// do them on this thread; its answer (empty when all went well) goes back. Only this
// user may connect; a message is at most a few kilobytes, and a connection that does
// not complete one in time is dropped. The carrying-out may take as long as it needs.
class CommandServer final : public QObject
{
    Q_OBJECT

public:
    using CarryOut = std::function<QString(const QList<RemoteCommand>&)>;

    CommandServer(const LocalChannelAddress& address, CarryOut carryOut, QObject* parent = nullptr);

    // Starts listening, in place of a copy that ended without closing its channel; the
    // reason when it cannot, also when another copy listens there now.
    std::optional<QString> listen();

private:
    void take(QLocalSocket* connection);
    void answer(QPointer<QLocalSocket> connection, const QByteArray& message);

    LocalChannelAddress m_address;
    CarryOut m_carryOut;
    QLocalServer* m_server;
};

} // namespace mirello
