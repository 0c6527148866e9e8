// The phone server's request reading over any bytes: it stays within its bounds, takes
// only what a browser sends, and reads a request the same once its head is complete,
// whatever follows.
#include "FuzzCheck.h"
#include "remote/HttpRequest.h"

#include <cstdint>

using namespace mirello;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ParsedRequest parsed = parseRequestHead(bytes);
    if (const auto* refused = std::get_if<RequestRefused>(&parsed))
        FUZZ_CHECK(refused->status >= 400 && refused->status < 600);
    const auto* request = std::get_if<HttpRequest>(&parsed);
    if (!request) {
        FUZZ_CHECK(std::holds_alternative<RequestRefused>(parsed) ||
                   size < std::size_t(HttpRequest::LargestHead));
        return 0;
    }
    FUZZ_CHECK(request->headBytes <= HttpRequest::LargestHead);
    FUZZ_CHECK(request->bodyBytes >= 0 && request->bodyBytes <= HttpRequest::LargestBody);
    FUZZ_CHECK(request->method == "GET" || request->method == "POST");
    FUZZ_CHECK(request->path.startsWith(u'/') && !request->path.contains(u"/.."));
    const ParsedRequest head = parseRequestHead(bytes.left(request->headBytes));
    const auto* again = std::get_if<HttpRequest>(&head);
    FUZZ_CHECK(again && again->path == request->path && again->headers == request->headers &&
               again->bodyBytes == request->bodyBytes);
    FUZZ_CHECK(std::holds_alternative<RequestIncomplete>(
        parseRequestHead(bytes.left(request->headBytes - 1))));
    return 0;
}
