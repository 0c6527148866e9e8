#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace mirello {

// One phone's WebSocket, on the connection its upgrade request came in on. Our own
// handshake answer carries no header beyond the protocol's own (no CORS), frames are
// read within hard bounds, and every frame the phone sends, pings and pongs too, is
// told to the server, so that all of them count against the phone's rate.
class PhoneSocket final : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype LargestMessage = 1024;

    enum CloseCode : quint16
    {
        Normal = 1000,
        GoingAway = 1001,
        ProtocolError = 1002,
        Unsupported = 1003,
        BadData = 1007,
        PolicyViolated = 1008,
        TooLarge = 1009,
    };

    // Takes over `socket`, whose request head has been read, and answers the
    // handshake for the request's Sec-WebSocket-Key.
    PhoneSocket(QTcpSocket* socket, const QByteArray& key, QObject* parent);

    void sendText(const QString& text);
    void ping();
    // A close frame, then the connection ends, within a second at most.
    void close(CloseCode code);

Q_SIGNALS:
    void frameReceived();
    void textReceived(const QString& text);
    // The connection ended, whoever ended it.
    void closed();

private:
    void read();
    // One frame from the start of the buffer; false when it is not whole yet.
    bool takeFrame();
    void send(quint8 opcode, const QByteArray& payload);

    QTcpSocket* m_socket;
    QByteArray m_buffer;
    QByteArray m_message; // a text message arriving in fragments
    bool m_inMessage = false;
    bool m_closing = false;
};

} // namespace mirello
