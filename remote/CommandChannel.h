#pragma once

#include "RemoteCommand.h"

#include <chrono>
#include <functional>
#include <optional>
#include <QObject>

class QLocalServer;
class QLocalSocket;

namespace mirello {

// The name under which the copy of Mirello running for this user and `rollFolder`
// takes commands; other users' copies and other roll folders have other names.
QString channelName(const QString& rollFolder);

// Hands `commands` to the copy listening under `name`. Nothing when no copy listens;
// else its answer: empty when it carried them out, else what went wrong.
std::optional<QString> sendToRunningCopy(const QString& name, const QList<RemoteCommand>& commands,
                                         std::chrono::milliseconds wait);

// Takes the commands of later starts, one message per connection, and has `carryOut`
// do them on this thread; its answer (empty when all went well) goes back. Only this
// user may connect; a message is at most a few kilobytes, and a connection that does
// not complete one in time is dropped.
class CommandServer final : public QObject
{
    Q_OBJECT

public:
    using CarryOut = std::function<QString(const QList<RemoteCommand>&)>;

    CommandServer(const QString& name, CarryOut carryOut, QObject* parent = nullptr);

    // Starts listening, in place of a copy that ended without closing its channel;
    // the system's reason when it cannot.
    std::optional<QString> listen();

private:
    void take(QLocalSocket* connection);
    void answer(QLocalSocket* connection, const QByteArray& message);

    QString m_name;
    CarryOut m_carryOut;
    QLocalServer* m_server;
};

} // namespace mirello
