#include "PhoneServer.h"

#include "HttpRequest.h"
#include "PhoneSocket.h"
#include "platform/Clock.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A client has this long to send its whole request.
constexpr int RequestTimeMs = 5000;

constexpr QByteArrayView PagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
    "img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

struct StaticFile
{
    QStringView path;
    QStringView resource;
    QByteArrayView type;
};
constexpr std::array StaticFiles{
    StaticFile{u"/", u":/phone/index.html", "text/html; charset=utf-8"},
    StaticFile{u"/app.js", u":/phone/app.js", "text/javascript; charset=utf-8"},
    StaticFile{u"/app.css", u":/phone/app.css", "text/css; charset=utf-8"},
};

QByteArrayView reasonOf(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 202:
        return "Accepted";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    default:
        return "Service Unavailable";
    }
}

// Answers and closes: no keep-alive, no CORS headers, nothing cached or sniffed.
void respond(QTcpSocket* socket, int status, QByteArrayView type, const QByteArray& body,
             bool page = false)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' +
                      reasonOf(status).toByteArray() + "\r\nContent-Type: " + type.toByteArray() +
                      "\r\nContent-Length: " + QByteArray::number(body.size()) +
                      "\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff"
                      "\r\nReferrer-Policy: no-referrer\r\nConnection: close\r\n";
    if (page)
        head += "Content-Security-Policy: " + PagePolicy.toByteArray() + "\r\n";
    socket->write(head + "\r\n" + body);
    socket->disconnectFromHost();
}

void respondJson(QTcpSocket* socket, int status, const QJsonObject& body)
{
    respond(socket, status, "application/json; charset=utf-8",
            QJsonDocument(body).toJson(QJsonDocument::Compact));
}

void refuse(QTcpSocket* socket, int status, const QString& why)
{
    respondJson(socket, status, {{u"error"_s, why}});
}

// The peer's address as the teacher reads it: IPv4 without its IPv6 wrapping.
QString addressOf(QTcpSocket* socket)
{
    QHostAddress peer = socket->peerAddress();
    if (bool ok = false; peer.toIPv4Address(&ok) && ok)
        peer = QHostAddress(peer.toIPv4Address());
    return peer.toString();
}

// "192.168.1.23 · Android 手机上的 Chrome", for the teacher to recognise the phone.
QString describePhone(QTcpSocket* socket, const HttpRequest& request)
{
    QString agent = QString::fromLatin1(request.header("user-agent")).left(160);
    const QString browser = agent.contains(u"MicroMessenger"_s) ? u"微信"_s
                            : agent.contains(u"Edg"_s)          ? u"Edge"_s
                            : agent.contains(u"Chrome"_s)       ? u"Chrome"_s
                            : agent.contains(u"Firefox"_s)      ? u"Firefox"_s
                            : agent.contains(u"Safari"_s)       ? u"Safari"_s
                                                                : u"未知浏览器"_s;
    const QString system = agent.contains(u"iPhone"_s) || agent.contains(u"iPad"_s) ? u"iOS"_s
                           : agent.contains(u"Android"_s)                           ? u"Android"_s
                           : agent.contains(u"Windows"_s)                           ? u"Windows"_s
                           : agent.contains(u"Linux"_s)                             ? u"Linux"_s
                                                                                    : QString();
    return addressOf(socket) + u" · "_s +
           (system.isEmpty() ? browser : system + u" 上的 "_s + browser);
}

} // namespace

PhoneServer::PhoneServer(PairedPhones& phones, Pairing& pairing, const Clock& clock,
                         CarryOut carryOut, QObject* parent)
    : QObject(parent)
    , m_phones(phones)
    , m_pairing(pairing)
    , m_clock(clock)
    , m_carryOut(std::move(carryOut))
    , m_tcp(new QTcpServer(this))
    , m_pings(new QTimer(this))
{
    m_tcp->setMaxPendingConnections(MostConnections);
    connect(m_tcp, &QTcpServer::newConnection, this, &PhoneServer::accept);
    m_pings->setInterval(PingInterval);
    connect(m_pings, &QTimer::timeout, this, &PhoneServer::checkPhones);
}

PhoneServer::~PhoneServer()
{
    close();
}

std::optional<QString> PhoneServer::listen(const QHostAddress& address, quint16 port)
{
    close();
    if (!m_tcp->listen(address, port))
        return m_tcp->errorString();
    m_pings->start();
    return std::nullopt;
}

void PhoneServer::close()
{
    m_tcp->close();
    m_pings->stop();
    for (PhoneSocket* phone : m_sockets.keys())
        dismiss(phone, PhoneSocket::GoingAway);
    for (QTcpSocket* socket : m_tcp->findChildren<QTcpSocket*>())
        socket->abort();
}

qint64 PhoneServer::nowMs() const
{
    return m_clock.steadyNanoseconds() / 1'000'000;
}

bool PhoneServer::isListening() const
{
    return m_tcp->isListening();
}

QUrl PhoneServer::pageUrl() const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(m_tcp->serverAddress().toString());
    url.setPort(m_tcp->serverPort());
    url.setPath(u"/"_s);
    url.setFragment(m_pairing.code());
    return url;
}

void PhoneServer::accept()
{
    while (QTcpSocket* socket = m_tcp->nextPendingConnection()) {
        socket->setReadBufferSize(HttpRequest::LargestHead + HttpRequest::LargestBody);
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
        deadline->start(RequestTimeMs);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // Answered rather than dropped, so that a phone says why it cannot connect; once
        // its request is in, since closing on bytes unread resets the connection on
        // Windows before the answer arrives.
        const QList<QTcpSocket*> open =
            m_tcp->findChildren<QTcpSocket*>(QString(), Qt::FindDirectChildrenOnly);
        const QHostAddress peer = socket->peerAddress();
        const auto refuseOnRequest = [this, socket](int status, const QString& why) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, status, why] {
                socket->disconnect(this);
                refuse(socket, status, why);
            });
        };
        if (open.size() > MostConnections)
            refuseOnRequest(503, u"连接太多，请稍后再试。"_s);
        else if (std::ranges::count(open, peer, &QTcpSocket::peerAddress) >
                 MostConnectionsPerAddress)
            refuseOnRequest(429, u"这台设备的连接太多，请稍后再试。"_s);
        else
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void PhoneServer::readRequest(QTcpSocket* socket)
{
    const QByteArray seen = socket->peek(HttpRequest::LargestHead + HttpRequest::LargestBody);
    const ParsedRequest parsed = parseRequestHead(seen);
    if (std::holds_alternative<RequestIncomplete>(parsed))
        return;
    socket->disconnect(this); // one request per connection
    if (const auto* refused = std::get_if<RequestRefused>(&parsed))
        return refuse(socket, refused->status, u"请求无效"_s);
    const auto& request = std::get<HttpRequest>(parsed);
    if (!addressedToUs(request))
        return refuse(socket, 403, u"地址不对"_s);
    if (request.isWebSocketUpgrade())
        return upgrade(socket, request);
    const qsizetype whole = request.headBytes + request.bodyBytes;
    if (seen.size() < whole) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        return;
    }
    serve(socket, request, seen.mid(request.headBytes, request.bodyBytes));
}

// Only the address the phones were given: a page elsewhere that renames its own host
// to this address (DNS rebinding) sends another Host and is refused.
bool PhoneServer::addressedToUs(const HttpRequest& request) const
{
    const QUrl url = pageUrl();
    const QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    const QByteArray ours =
        (m_tcp->serverAddress().protocol() == QAbstractSocket::IPv6Protocol ? '[' + host + ']'
                                                                            : host) +
        ':' + QByteArray::number(url.port());
    if (request.header("host") != ours)
        return false;
    const QByteArray origin = request.header("origin");
    return origin.isNull() || origin == "http://" + ours;
}

std::optional<QByteArray> PhoneServer::tokenOf(const HttpRequest& request) const
{
    const QByteArray authorization = request.header("authorization");
    const QByteArray token = authorization.startsWith("Bearer ")
                                 ? authorization.mid(7)
                                 : request.queryItem(u"token"_s).toLatin1();
    return m_phones.admit(token);
}

void PhoneServer::serve(QTcpSocket* socket, const HttpRequest& request, const QByteArray& body)
{
    if (request.path == u"/pair"_s || request.path.startsWith(u"/pair/"_s))
        return servePairing(socket, request, body);
    if (request.path == u"/session"_s) {
        if (!tokenOf(request))
            return refuse(socket, 401, u"配对已过期或已被老师取消，请重新扫码配对。"_s);
        return respondJson(socket, 200, {{u"ok"_s, true}});
    }
    const auto file = std::ranges::find(StaticFiles, request.path, &StaticFile::path);
    if (file == StaticFiles.end())
        return refuse(socket, 404, u"没有这个页面"_s);
    if (request.method != "GET")
        return refuse(socket, 405, u"请求无效"_s);
    QFile page(file->resource.toString());
    (void)page.open(QIODevice::ReadOnly);
    respond(socket, 200, file->type, page.readAll(), true);
}

void PhoneServer::servePairing(QTcpSocket* socket, const HttpRequest& request,
                               const QByteArray& body)
{
    if (request.method == "GET" && request.path.startsWith(u"/pair/"_s)) {
        const auto [state, token] = m_pairing.poll(request.path.mid(6));
        switch (state) {
        case Pairing::State::Unknown:
            return refuse(socket, 404, u"配对请求已过期，请重新配对。"_s);
        case Pairing::State::Waiting:
            return respondJson(socket, 200, {{u"status"_s, u"waiting"_s}});
        case Pairing::State::Refused:
            return respondJson(socket, 200, {{u"status"_s, u"refused"_s}});
        case Pairing::State::Paired:
            return respondJson(socket, 200,
                               {{u"status"_s, u"paired"_s},
                                {u"token"_s, QString::fromLatin1(token.data(), token.size())}});
        }
    }
    if (request.method != "POST" || request.path != u"/pair"_s)
        return refuse(socket, 405, u"请求无效"_s);
    // Another site's page cannot send this type without asking first, which is never
    // answered: no CORS.
    if (!request.header("content-type").startsWith("application/json"))
        return refuse(socket, 415, u"请求无效"_s);
    const QString code = QJsonDocument::fromJson(body).object()[u"code"_s].toString();
    const Pairing::Outcome outcome =
        m_pairing.tryCode(code, addressOf(socket), describePhone(socket, request));
    if (const auto* asked = std::get_if<Pairing::Asked>(&outcome)) {
        respondJson(socket, 202, {{u"request"_s, asked->request}, {u"check"_s, asked->check}});
        Q_EMIT pairingAsked(asked->request, m_pairing.phoneOf(asked->request), asked->check);
    } else if (const auto* paused = std::get_if<Pairing::Paused>(&outcome)) {
        respondJson(socket, 429,
                    {{u"error"_s, u"配对码错误次数太多，请稍后再试。"_s},
                     {u"retryAfter"_s, qint64(paused->retryAfter.count())}});
    } else if (const auto* busy = std::get_if<Pairing::Busy>(&outcome)) {
        respondJson(socket, 429,
                    {{u"error"_s, u"请稍候：老师正在确认另一部手机。"_s},
                     {u"retryAfter"_s, qint64(busy->retryAfter.count())}});
    } else {
        refuse(socket, 403, u"配对码不对，请看黑板上的六位数字。"_s);
    }
}

void PhoneServer::answerPairing(const QString& request, bool accepted)
{
    const QString phone = m_pairing.phoneOf(request);
    if (phone.isEmpty())
        return;
    m_pairing.answer(request, accepted ? std::optional(m_phones.pair(phone)) : std::nullopt);
    if (accepted) {
        dropUnpaired(); // the oldest phone may have been pushed out
        Q_EMIT phonesChanged();
    }
}

void PhoneServer::upgrade(QTcpSocket* socket, const HttpRequest& request)
{
    const std::optional<QByteArray> hash = tokenOf(request);
    if (request.path != u"/ws"_s || !hash)
        return refuse(socket, 401, u"需要先配对"_s);
    const QByteArray key = request.header("sec-websocket-key");
    if (request.header("sec-websocket-version") != "13" ||
        QByteArray::fromBase64(key, QByteArray::AbortOnBase64DecodingErrors).size() != 16)
        return refuse(socket, 400, u"请求无效"_s);
    // A phone back from sleep or another access point: its old socket may be half-open.
    const QList<PhoneSocket*> same = m_sockets.keys();
    for (PhoneSocket* old : same) {
        if (m_sockets.value(old).tokenHash == *hash)
            dismiss(old, PhoneSocket::GoingAway);
    }
    if (m_sockets.size() >= MostPhoneSockets)
        return refuse(socket, 503, u"连接的手机太多"_s);
    // The request's deadline is over: a phone stays connected for the lesson.
    qDeleteAll(socket->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly));
    (void)socket->read(request.headBytes);
    auto* phone = new PhoneSocket(socket, key, this);
    m_sockets.insert(phone, {*hash, nowMs(), 0, nowMs()});
    connect(phone, &PhoneSocket::frameReceived, this, [this, phone] { takeFrame(phone); });
    connect(phone, &PhoneSocket::textReceived, this,
            [this, phone](const QString& message) { takeMessage(phone, message); });
    connect(phone, &PhoneSocket::closed, this, [this, phone] {
        m_sockets.remove(phone);
        phone->deleteLater();
    });
    phone->sendText(QString::fromUtf8(
        QJsonDocument(QJsonObject{{u"state"_s, m_state}}).toJson(QJsonDocument::Compact)));
}

void PhoneServer::dismiss(PhoneSocket* phone, quint16 code)
{
    m_sockets.remove(phone);
    phone->close(PhoneSocket::CloseCode(code));
}

void PhoneServer::takeFrame(PhoneSocket* phone)
{
    const auto found = m_sockets.find(phone);
    if (found == m_sockets.end())
        return;
    const qint64 now = nowMs();
    found->heardAt = now;
    if (now - found->secondStart >= 1000) {
        found->secondStart = now;
        found->framesInSecond = 0;
    }
    // A flood, of messages or of pings, ends the connection.
    if (++found->framesInSecond > MostMessagesPerSecond)
        dismiss(phone, PhoneSocket::PolicyViolated);
}

void PhoneServer::dropUnpaired()
{
    const QList<PhoneSocket*> phones = m_sockets.keys();
    for (PhoneSocket* phone : phones) {
        if (!m_phones.holds(m_sockets.value(phone).tokenHash))
            dismiss(phone, PhoneSocket::PolicyViolated);
    }
}

void PhoneServer::checkPhones()
{
    dropUnpaired();
    const qint64 now = nowMs();
    const QList<PhoneSocket*> phones = m_sockets.keys();
    for (PhoneSocket* phone : phones) {
        if (now - m_sockets.value(phone).heardAt > std::chrono::milliseconds(SilenceLimit).count())
            dismiss(phone, PhoneSocket::GoingAway);
        else
            phone->ping();
    }
}

void PhoneServer::takeMessage(PhoneSocket* phone, const QString& message)
{
    const auto found = m_sockets.constFind(phone);
    if (found == m_sockets.cend())
        return;
    const Phone sender = *found;
    if (!m_phones.holds(sender.tokenHash))
        return dismiss(phone, PhoneSocket::PolicyViolated);
    const QJsonObject action = QJsonDocument::fromJson(message.toUtf8()).object();
    const QString id = action[u"id"_s].toString();
    if (id.size() < 16 || id.size() > 64)
        return dismiss(phone, PhoneSocket::ProtocolError);
    // A retry after a lost answer gets the answer again, and nothing is done twice.
    const QString key = QString::fromLatin1(sender.tokenHash) + u':' + id;
    QByteArray answer = m_answers.value(key);
    if (answer.isEmpty() && !answer.isNull())
        return; // still being carried out, behind a dialog of the window's
    if (answer.isNull()) {
        m_answers.insert(key, QByteArray(""));
        const std::optional<RemoteCommand> command = phoneCommand(action);
        // Only the computer opens the remote's own window.
        const bool allowed = command && command->feature != Feature::PhoneRemote;
        const QString failure = allowed ? m_carryOut(*command) : u"不认识的操作"_s;
        QJsonObject ack{{u"ack"_s, id}, {u"ok"_s, failure.isEmpty()}};
        if (!failure.isEmpty())
            ack.insert(u"error"_s, failure);
        answer = QJsonDocument(ack).toJson(QJsonDocument::Compact);
        m_answers[key] = answer;
        m_answerOrder.enqueue(key);
        if (m_answerOrder.size() > RememberedActions)
            m_answers.remove(m_answerOrder.dequeue());
    }
    if (m_sockets.contains(phone))
        phone->sendText(QString::fromUtf8(answer));
}

// A phone whose token expired since the last state hears nothing more.
void PhoneServer::publish(const QJsonObject& state)
{
    dropUnpaired();
    m_state = state;
    const QString message = QString::fromUtf8(
        QJsonDocument(QJsonObject{{u"state"_s, state}}).toJson(QJsonDocument::Compact));
    for (PhoneSocket* phone : m_sockets.keys())
        phone->sendText(message);
}

void PhoneServer::revoke(const QByteArray& tokenHash)
{
    m_phones.revoke(tokenHash);
    dropUnpaired();
    Q_EMIT phonesChanged();
}

} // namespace mirello
