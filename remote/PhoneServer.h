#pragma once

#include "CommandLine.h"
#include "PairedPhones.h"
#include "Pairing.h"

#include <chrono>
#include <functional>
#include <optional>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QQueue>
#include <QUrl>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace mirello {

class Clock;
class PhoneSocket;
struct HttpRequest;

// The small web server of the phone remote, on the local network. It serves the page
// from the program's resources, pairs phones, and takes their actions over a WebSocket.
// Everything a client sends is bounded in size, time and rate, per address as well as
// in all; everything but the page itself needs a paired phone's token. One request per
// connection, then it closes. A phone's WebSocket is pinged and dropped when it falls
// silent, and closed the moment its phone is no longer paired.
class PhoneServer final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MostConnections = 32;
    static constexpr int MostConnectionsPerAddress = 8;
    // Phones, not sockets: a phone that connects again replaces its old socket.
    static constexpr int MostPhoneSockets = 8;
    static constexpr int MostMessagesPerSecond = 20; // frames of any kind
    static constexpr std::chrono::seconds PingInterval{15};
    static constexpr std::chrono::seconds SilenceLimit{45};
    static constexpr qsizetype RememberedActions = 1024;

    // Carries out one command on the window's thread: empty when done, else why not.
    using CarryOut = std::function<QString(const RemoteCommand&)>;

    PhoneServer(PairedPhones& phones, Pairing& pairing, const Clock& clock, CarryOut carryOut,
                QObject* parent = nullptr);
    ~PhoneServer() override;

    // Listens on `address` at `port` (0: any free one); the system's reason when not.
    std::optional<QString> listen(const QHostAddress& address, quint16 port);
    void close();
    bool isListening() const;
    // http://address:port/#code, for the QR code.
    QUrl pageUrl() const;

    // The state every paired phone is shown; sent now to those connected, and to each
    // one as it connects.
    void publish(const QJsonObject& state);
    // The teacher let the phone of `request` in, or not.
    void answerPairing(const QString& request, bool accepted);
    // The teacher revoked a phone: its connections end.
    void revoke(const QByteArray& tokenHash);
    // Pings the phones, drops those silent too long and those no longer paired; a timer
    // calls it every PingInterval.
    void checkPhones();

Q_SIGNALS:
    // A phone gave the right code: the teacher is to confirm it, seeing `check` as the
    // phone shows it.
    void pairingAsked(const QString& request, const QString& phone, const QString& check);
    // A phone was paired, so the kept list is to be saved.
    void phonesChanged();

private:
    void accept();
    void readRequest(QTcpSocket* socket);
    void serve(QTcpSocket* socket, const HttpRequest& request, const QByteArray& body);
    void servePairing(QTcpSocket* socket, const HttpRequest& request, const QByteArray& body);
    void upgrade(QTcpSocket* socket, const HttpRequest& request);
    void takeFrame(PhoneSocket* phone);
    void takeMessage(PhoneSocket* phone, const QString& message);
    // Ends the connections of phones that are no longer paired.
    void dropUnpaired();
    void dismiss(PhoneSocket* phone, quint16 code);
    qint64 nowMs() const;
    bool addressedToUs(const HttpRequest& request) const;
    std::optional<QByteArray> tokenOf(const HttpRequest& request) const;

    PairedPhones& m_phones;
    Pairing& m_pairing;
    const Clock& m_clock;
    CarryOut m_carryOut;
    QTcpServer* m_tcp;
    QTimer* m_pings;
    QJsonObject m_state;
    // The token hash of each connected phone, when its last second of frames began, and
    // when it was last heard from (steady milliseconds).
    struct Phone
    {
        QByteArray tokenHash;
        qint64 secondStart = 0;
        int framesInSecond = 0;
        qint64 heardAt = 0;
    };
    QHash<PhoneSocket*, Phone> m_sockets;
    // The answers to the last actions by id: a retried action is answered, not redone.
    QHash<QString, QByteArray> m_answers;
    QQueue<QString> m_answerOrder;
};

} // namespace mirello
