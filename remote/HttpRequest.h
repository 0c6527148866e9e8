#pragma once

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <variant>

namespace mirello {

// One request of the phone page, read with hard bounds: anyone on the school's network
// can send anything to the port.
struct HttpRequest
{
    // The most a request line and its headers may take, and the largest body.
    static constexpr qsizetype LargestHead = 8 * 1024;
    static constexpr qsizetype LargestBody = 1024;

    QByteArray method;
    QString path;                                     // decoded, without the query
    QString query;                                    // decoded pairs follow in queryItem()
    QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
    qsizetype headBytes = 0;                          // through the empty line
    qsizetype bodyBytes = 0;                          // as Content-Length says

    QByteArray header(QByteArrayView lowerName) const;
    QString queryItem(const QString& key) const;
    bool isWebSocketUpgrade() const;
};

// More bytes are needed; or the request cannot be taken, with the status to answer.
struct RequestIncomplete
{
};
struct RequestRefused
{
    int status;
};
using ParsedRequest = std::variant<RequestIncomplete, RequestRefused, HttpRequest>;

// Reads the head of the request at the start of `bytes`: request line, headers and
// the body's length. Refuses what a browser never sends: other methods than GET and
// POST, a chunked or oversized body, folded or repeated framing headers, a head over
// LargestHead, bytes outside printable ASCII in the head; and before the head is whole,
// what can never become a request (another method, a line ended by a bare line feed).
ParsedRequest parseRequestHead(QByteArrayView bytes);

} // namespace mirello
