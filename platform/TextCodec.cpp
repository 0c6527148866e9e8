#include "TextCodec.h"

#include "GbkCodec.h"

#include <QStringEncoder>

namespace mirello {

namespace {

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

bool hasUtf8Bom(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView(Utf8Bom, 3));
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence starting at `i`, or 0 when it is not valid.
qsizetype utf8SequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) {
        return static_cast<unsigned char>(bytes[k]);
    };
    const unsigned char lead = at(i);
    const qsizetype remaining = bytes.size() - i;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return remaining >= 2 && isContinuation(at(i + 1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (remaining < 3 || !isContinuation(at(i + 1)) || !isContinuation(at(i + 2)))
            return 0;
        if (lead == 0xE0 && at(i + 1) < 0xA0) // overlong
            return 0;
        if (lead == 0xED && at(i + 1) >= 0xA0) // UTF-16 surrogate
            return 0;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (remaining < 4 || !isContinuation(at(i + 1)) || !isContinuation(at(i + 2)) ||
            !isContinuation(at(i + 3)))
            return 0;
        if (lead == 0xF0 && at(i + 1) < 0x90) // overlong
            return 0;
        if (lead == 0xF4 && at(i + 1) >= 0x90) // above U+10FFFF
            return 0;
        return 4;
    }
    return 0;
}

} // namespace

qsizetype validUtf8Prefix(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        // Skip ASCII runs quickly: roll files are mostly ASCII digits and separators.
        while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
            ++i;
        if (i == bytes.size())
            break;
        const qsizetype length = utf8SequenceLength(bytes, i);
        if (length == 0)
            break;
        i += length;
    }
    return i;
}

bool isValidUtf8(QByteArrayView bytes)
{
    return validUtf8Prefix(bytes) == bytes.size();
}

TextEncoding detectEncoding(QByteArrayView bytes)
{
    if (hasUtf8Bom(bytes))
        return isValidUtf8(bytes.sliced(3)) ? TextEncoding::Utf8WithBom : TextEncoding::Gbk;
    return isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Gbk;
}

qsizetype preambleLength(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8WithBom ? 3 : 0;
}

QString decodeText(QByteArrayView body, TextEncoding encoding)
{
    if (encoding != TextEncoding::Gbk)
        return QString::fromUtf8(body);
    return decodeGbk(body);
}

std::optional<QByteArray> encodeText(QStringView text, TextEncoding encoding)
{
    if (encoding != TextEncoding::Gbk) {
        QStringEncoder encoder(QStringEncoder::Utf8);
        QByteArray bytes = encoder.encode(text);
        return encoder.hasError() ? std::nullopt : std::optional(bytes);
    }
    return encodeGbk(text);
}

} // namespace mirello
