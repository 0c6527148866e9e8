#include "CommandChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr qsizetype MaxMessage = 4096;
constexpr std::chrono::seconds ConnectionTime{2};
constexpr int ConnectWaitMs = 500;
// A message ends in an empty line; an answer is one line.
constexpr QByteArrayView MessageEnd = "\n\n";

QString userName()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("USERNAME") : user;
}

} // namespace

QString channelName(const QString& rollFolder)
{
    const QByteArray identity =
        (userName() + u'\0' + QDir(rollFolder).canonicalPath().toLower()).toUtf8();
    return u"mirello-"_s +
           QString::fromLatin1(
               QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(24));
}

std::optional<QString> sendToRunningCopy(const QString& name, const QList<RemoteCommand>& commands,
                                         std::chrono::milliseconds wait)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectWaitMs))
        return std::nullopt;
    socket.write(encodeCommands(commands) + '\n');
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(int(wait.count())))
        answer += socket.readAll();
    if (!answer.endsWith('\n'))
        return u"正在运行的 Mirello 没有回应："_s + socket.errorString();
    return QString::fromUtf8(answer.chopped(1));
}

CommandServer::CommandServer(const QString& name, CarryOut carryOut, QObject* parent)
    : QObject(parent)
    , m_name(name)
    , m_carryOut(std::move(carryOut))
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection())
            take(connection);
    });
}

std::optional<QString> CommandServer::listen()
{
    if (m_server->listen(m_name))
        return std::nullopt;
    // No copy answered under this name, or this one would not be listening: what is
    // left there is a dead copy's.
    QLocalServer::removeServer(m_name);
    if (m_server->listen(m_name))
        return std::nullopt;
    return m_server->errorString();
}

void CommandServer::take(QLocalSocket* connection)
{
    connection->setParent(this);
    connection->setReadBufferSize(MaxMessage);
    QTimer::singleShot(ConnectionTime, connection, &QLocalSocket::abort);
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    auto message = std::make_shared<QByteArray>();
    connect(connection, &QLocalSocket::readyRead, this, [this, connection, message] {
        *message += connection->read(MaxMessage - message->size());
        if (message->endsWith(MessageEnd) || *message == "\n")
            answer(connection, message->chopped(1));
        else if (message->size() >= MaxMessage)
            connection->abort();
    });
}

void CommandServer::answer(QLocalSocket* connection, const QByteArray& message)
{
    const std::optional<QList<RemoteCommand>> commands = decodeCommands(message);
    const QString said = commands ? m_carryOut(*commands) : u"看不懂的命令"_s;
    connection->write(said.simplified().toUtf8() + '\n');
    connection->flush();
    connection->disconnectFromServer();
}

} // namespace mirello
