#include "CommandChannel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr qsizetype MaxMessage = 4096;
constexpr std::chrono::seconds ConnectionTime{2};
// Where no copy runs the connection fails at once; a copy that is busy, on a loaded
// computer, may take a while to take it, and a start that gave up would run beside it.
constexpr int ConnectWaitMs = 3000;
// A message ends in an empty line; an answer is one line.
constexpr QByteArrayView MessageEnd = "\n\n";

} // namespace

// Qt 5 has no abstract namespace; its one use, Windows, has no need of it.
void reachAddress(QLocalSocket& socket, const LocalChannelAddress& address)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 2, 0)
    socket.setSocketOptions(address.abstractName ? QLocalSocket::AbstractNamespaceOption
                                                 : QLocalSocket::NoOptions);
#endif
    socket.connectToServer(address.serverName);
}

LocalChannelAddress channelAddress(const QString& rollFolder)
{
    // By the folder it is in, which is there before a first start makes the roll folder
    // itself: a copy takes its channel before that.
    const QFileInfo folderInfo(QDir::cleanPath(QDir(rollFolder).absolutePath()));
    const QString parent = QDir(folderInfo.path()).canonicalPath();
    const QByteArray folder =
        ((parent.isEmpty() ? folderInfo.path() : parent) + u'/' + folderInfo.fileName())
            .toLower()
            .toUtf8();
    return userChannelAddress(
        u"mirello-"_s +
        QString::fromLatin1(
            QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(24)));
}

std::optional<QString> sendToRunningCopy(const LocalChannelAddress& address,
                                         const QList<RemoteCommand>& commands,
                                         std::chrono::milliseconds wait)
{
    QLocalSocket socket;
    reachAddress(socket, address);
    if (!socket.waitForConnected(ConnectWaitMs))
        return std::nullopt;
    // Another user's program could otherwise take the teacher's commands and answer "done".
    if (const std::optional<QString> foreign =
            foreignChannelEnd(socket.socketDescriptor(), ChannelEnd::Server))
        return u"命令没有交出：Mirello 的通道被占用，"_s + *foreign +
               u"。请关闭那个程序，或注销后重新登录再试。"_s;
    socket.write(encodeCommands(commands) + '\n');
    QByteArray answer;
    const QDeadlineTimer deadline(wait);
    while (!answer.endsWith('\n') && socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.readAll();
    answer += socket.readAll();
    if (!answer.endsWith('\n'))
        return u"正在运行的 Mirello 没有回应："_s + socket.errorString();
    return QString::fromUtf8(answer.chopped(1));
}

CommandServer::CommandServer(const LocalChannelAddress& address, CarryOut carryOut, QObject* parent)
    : QObject(parent)
    , m_address(address)
    , m_carryOut(std::move(carryOut))
    , m_server(new QLocalServer(this))
{
    QLocalServer::SocketOptions options = QLocalServer::NoOptions;
#if QT_VERSION >= QT_VERSION_CHECK(6, 2, 0)
    if (address.abstractName)
        options |= QLocalServer::AbstractNamespaceOption;
#endif
    if (address.userOnlyAccess)
        options |= QLocalServer::UserAccessOption;
    m_server->setSocketOptions(options);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection())
            take(connection);
    });
}

// Asks first: where a live copy answers, listening would take its channel (Windows
// even adds a pipe of the same name). Only a name that refuses is a dead copy's.
std::optional<QString> CommandServer::listen()
{
    QLocalSocket probe;
    reachAddress(probe, m_address);
    if (probe.waitForConnected(ConnectWaitMs)) {
        const std::optional<QString> foreign =
            foreignChannelEnd(probe.socketDescriptor(), ChannelEnd::Server);
        return foreign ? u"通道被占用，"_s + *foreign : u"另一个 Mirello 正在使用这个通道"_s;
    }
    if (probe.error() == QLocalSocket::ConnectionRefusedError)
        QLocalServer::removeServer(m_address.serverName);
    if (m_server->listen(m_address.serverName))
        return std::nullopt;
    return m_server->errorString();
}

// The socket is only ever deleted later and reached through a QPointer: the carrying
// out may run an event loop in which the client gives up and the socket goes.
void CommandServer::take(QLocalSocket* connection)
{
    connection->setParent(this);
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    if (foreignChannelEnd(connection->socketDescriptor(), ChannelEnd::Client)) {
        connection->abort();
        connection->deleteLater();
        return;
    }
    connection->setReadBufferSize(MaxMessage);
    auto* deadline = new QTimer(connection);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, connection, &QLocalSocket::abort);
    deadline->start(ConnectionTime);
    auto message = std::make_shared<QByteArray>();
    connect(connection, &QLocalSocket::readyRead, this,
            [this, socket = QPointer(connection), deadline, message] {
                *message += socket->read(MaxMessage - message->size());
                if (message->endsWith(MessageEnd) || *message == "\n") {
                    // One message a connection, however long carrying it out takes.
                    deadline->stop();
                    socket->disconnect(this);
                    answer(socket, message->chopped(1));
                } else if (message->size() >= MaxMessage) {
                    socket->abort();
                }
            });
}

void CommandServer::answer(QPointer<QLocalSocket> connection, const QByteArray& message)
{
    const std::optional<QList<RemoteCommand>> commands = decodeCommands(message);
    const QString said = commands ? m_carryOut(*commands) : u"看不懂的命令"_s;
    if (!connection || connection->state() != QLocalSocket::ConnectedState)
        return;
    // An answer of blanks is still a failure, never "done".
    const QString line = said.simplified();
    connection->write(
        (line.isEmpty() && !said.isEmpty() ? u"执行失败，原因不明"_s : line).toUtf8() + '\n');
    connection->flush();
    connection->disconnectFromServer();
}

} // namespace mirello
