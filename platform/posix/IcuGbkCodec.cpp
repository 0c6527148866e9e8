#include "platform/GbkCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace mirello {

namespace {

constexpr const char* GbkName = "GBK";

} // namespace

QString decodeGbk(QByteArrayView bytes)
{
    QStringDecoder decoder(GbkName);
    QString text = decoder.decode(bytes);
    // A lead byte at the very end waits for a trail byte that never comes; a line
    // feed, which is never a trail byte, makes the decoder emit U+FFFD for it.
    text += decoder.decode(QByteArrayView("\n", 1));
    text.chop(1);
    return text;
}

std::optional<QByteArray> encodeGbk(QStringView text)
{
    QStringEncoder encoder(GbkName);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace mirello
