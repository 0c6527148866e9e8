#include "HttpRequest.h"

#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QByteArrayView HeadEnd = "\r\n\r\n";

bool isPrintableAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return (c >= 0x20 && c < 0x7f) || c == '\t'; });
}

bool isToken(QByteArrayView bytes)
{
    return !bytes.isEmpty() && std::all_of(bytes.begin(), bytes.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
    });
}

std::optional<qsizetype> contentLength(const QByteArray& value)
{
    if (value.isEmpty() || value.size() > 6 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return value.toLongLong();
}

// The request line: "GET /path?query HTTP/1.1", with an absolute path only.
bool takeRequestLine(QByteArrayView line, HttpRequest& request)
{
    const QList<QByteArray> parts = line.toByteArray().split(' ');
    if (parts.size() != 3 || (parts[0] != "GET" && parts[0] != "POST") ||
        !parts[1].startsWith('/') || (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0"))
        return false;
    request.method = parts[0];
    const QUrl url = QUrl::fromEncoded("http://phone" + parts[1], QUrl::StrictMode);
    if (!url.isValid() || url.host() != u"phone"_s)
        return false;
    request.path = url.path(QUrl::FullyDecoded);
    request.query = url.query(QUrl::FullyEncoded);
    return !request.path.contains(u"/.."_s);
}

bool takeHeader(QByteArrayView line, HttpRequest& request)
{
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0 || !isToken(line.first(colon)))
        return false; // a folded line starts with a space, which no name holds
    const QByteArray name = line.first(colon).toByteArray().toLower();
    const QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
    const bool framing = name == "content-length" || name == "transfer-encoding" ||
                         name == "host" || name == "authorization";
    if (framing && !request.header(name).isNull())
        return false;
    request.headers.append({name, value});
    return true;
}

// What can never become a request: another method (a TLS ClientHello starts with the
// byte 0x16), or a line ended by a bare line feed, whose blank line would never come.
bool cannotBecomeRequest(QByteArrayView bytes)
{
    const QByteArrayView start = bytes.first(std::min<qsizetype>(bytes.size(), 5));
    if (!QByteArrayView("GET ").startsWith(start.first(std::min<qsizetype>(start.size(), 4))) &&
        !QByteArrayView("POST ").startsWith(start))
        return true;
    for (qsizetype at = bytes.indexOf('\n'); at >= 0; at = bytes.indexOf('\n', at + 1)) {
        if (at == 0 || bytes[at - 1] != '\r')
            return true;
    }
    return false;
}

} // namespace

QByteArray HttpRequest::header(QByteArrayView lowerName) const
{
    for (const auto& [name, value] : headers) {
        if (name == lowerName)
            return value.isNull() ? QByteArray("") : value;
    }
    return {};
}

QString HttpRequest::queryItem(const QString& key) const
{
    return QUrlQuery(query).queryItemValue(key, QUrl::FullyDecoded);
}

bool HttpRequest::isWebSocketUpgrade() const
{
    return method == "GET" && header("upgrade").toLower() == "websocket";
}

ParsedRequest parseRequestHead(QByteArrayView bytes)
{
    const qsizetype end =
        bytes.first(std::min(bytes.size(), HttpRequest::LargestHead)).indexOf(HeadEnd);
    if (end < 0 &&
        cannotBecomeRequest(bytes.first(std::min(bytes.size(), HttpRequest::LargestHead))))
        return RequestRefused{400};
    if (end < 0)
        return bytes.size() >= HttpRequest::LargestHead ? ParsedRequest(RequestRefused{431})
                                                        : ParsedRequest(RequestIncomplete{});
    const QByteArrayView head = bytes.first(end);
    if (!isPrintableAscii(head.toByteArray().replace("\r\n", "")))
        return RequestRefused{400};
    HttpRequest request;
    request.headBytes = end + HeadEnd.size();
    const QList<QByteArray> lines = head.toByteArray().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].endsWith('\r') && i + 1 < lines.size())
            return RequestRefused{400};
        const QByteArrayView line =
            QByteArrayView(lines[i]).chopped(lines[i].endsWith('\r') ? 1 : 0);
        if (i == 0 ? !takeRequestLine(line, request) : !takeHeader(line, request))
            return RequestRefused{400};
    }
    if (!request.header("transfer-encoding").isNull())
        return RequestRefused{501};
    if (const QByteArray length = request.header("content-length"); !length.isNull()) {
        const std::optional<qsizetype> body = contentLength(length);
        if (!body)
            return RequestRefused{400};
        if (*body > HttpRequest::LargestBody)
            return RequestRefused{413};
        request.bodyBytes = *body;
    }
    return request;
}

} // namespace mirello
