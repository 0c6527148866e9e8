#include "PhoneSocket.h"

#include <QCryptographicHash>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QtEndian>
#include <QTimer>

namespace mirello {

namespace {

constexpr QByteArrayView Guid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr quint8 Continuation = 0x0, Text = 0x1, Binary = 0x2, Close = 0x8, Ping = 0x9, Pong = 0xa;
// The most one read takes in: a few frames of the largest size.
constexpr qsizetype ReadBuffer = 4 * PhoneSocket::LargestMessage;

} // namespace

PhoneSocket::PhoneSocket(QTcpSocket* socket, const QByteArray& key, QObject* parent)
    : QObject(parent)
    , m_socket(socket)
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(ReadBuffer);
    const QByteArray accept =
        QCryptographicHash::hash(QByteArray(key + Guid.toByteArray()), QCryptographicHash::Sha1)
            .toBase64();
    m_socket->write("HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                    "Connection: Upgrade\r\nSec-WebSocket-Accept: " +
                    accept + "\r\n\r\n");
    connect(m_socket, &QTcpSocket::readyRead, this, &PhoneSocket::read);
    connect(m_socket, &QTcpSocket::disconnected, this, &PhoneSocket::closed);
    // What came with the request, or its end, would be told of no more.
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        QMetaObject::invokeMethod(this, &PhoneSocket::closed, Qt::QueuedConnection);
    else if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &PhoneSocket::read, Qt::QueuedConnection);
}

void PhoneSocket::send(quint8 opcode, const QByteArray& payload)
{
    if (m_closing)
        return;
    QByteArray frame(1, char(0x80 | opcode));
    const qsizetype size = payload.size();
    if (size < 126) {
        frame += char(size);
    } else if (size < 65536) {
        frame += char(126);
        frame += char(size >> 8);
        frame += char(size & 0xff);
    } else {
        frame += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((quint64(size) >> shift) & 0xff);
    }
    m_socket->write(frame + payload);
}

void PhoneSocket::sendText(const QString& text)
{
    send(Text, text.toUtf8());
}

void PhoneSocket::ping()
{
    send(Ping, {});
}

void PhoneSocket::close(CloseCode code)
{
    if (m_closing)
        return;
    QByteArray payload(2, Qt::Uninitialized);
    qToBigEndian(quint16(code), payload.data());
    send(Close, payload);
    m_closing = true;
    m_socket->disconnectFromHost();
    // A phone that reads nothing more would hold the connection open.
    QTimer::singleShot(1000, m_socket, &QTcpSocket::abort);
}

void PhoneSocket::read()
{
    while (!m_closing && m_socket->bytesAvailable() > 0) {
        m_buffer += m_socket->read(ReadBuffer - m_buffer.size());
        while (!m_closing && takeFrame()) {
        }
        if (m_buffer.size() >= ReadBuffer)
            return close(TooLarge); // a header that promises more than a frame may hold
    }
}

bool PhoneSocket::takeFrame()
{
    if (m_buffer.size() < 2)
        return false;
    const quint8 first = quint8(m_buffer[0]);
    const quint8 second = quint8(m_buffer[1]);
    const bool final = first & 0x80;
    const quint8 opcode = first & 0x0f;
    qsizetype headSize = 2 + 4;
    quint64 size = second & 0x7f;
    if (size == 126)
        headSize += 2;
    else if (size == 127)
        headSize += 8;
    if (m_buffer.size() < headSize)
        return false;
    if (size >= 126) {
        size = 0;
        for (qsizetype i = 2; i < headSize - 4; ++i)
            size = (size << 8) | quint8(m_buffer.at(i));
    }
    // Phones mask every frame and use no extension; control frames are short and whole.
    if ((first & 0x70) || !(second & 0x80) || (opcode >= Close && (size > 125 || !final)) ||
        (opcode > Binary && opcode < Close) || opcode > Pong) {
        close(ProtocolError);
        return false;
    }
    if (quint64(m_message.size()) + size > quint64(LargestMessage)) {
        close(TooLarge);
        return false;
    }
    if (quint64(m_buffer.size()) < quint64(headSize) + size)
        return false;
    QByteArray payload = m_buffer.mid(headSize, qsizetype(size));
    const char* mask = m_buffer.constData() + headSize - 4;
    char* unmasked = payload.data();
    for (qsizetype i = 0; i < payload.size(); ++i)
        unmasked[i] = char(unmasked[i] ^ mask[i % 4]);
    m_buffer.remove(0, headSize + qsizetype(size));
    Q_EMIT frameReceived();
    if (m_closing)
        return false;
    switch (opcode) {
    case Ping:
        send(Pong, payload);
        return true;
    case Pong:
        return true;
    case Close:
        close(Normal);
        return false;
    case Binary:
        close(Unsupported);
        return false;
    default:
        break;
    }
    if ((opcode == Continuation) != m_inMessage) {
        close(ProtocolError);
        return false;
    }
    m_message += payload;
    m_inMessage = !final;
    if (m_inMessage)
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(m_message);
    m_message.clear();
    if (utf8.hasError()) {
        close(BadData);
        return false;
    }
    Q_EMIT textReceived(text);
    return true;
}

} // namespace mirello
