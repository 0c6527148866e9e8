#include "TextCodec.h"

#include "GbkCodec.h"

#include <algorithm>
#include <QStringDecoder>
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

namespace {

// Whether every sequence of valid UTF-8 `bytes` is at most two bytes long, one at
// least: Cyrillic, Greek or accented Latin, but no Chinese.
bool onlyTwoByteUtf8(QByteArrayView bytes)
{
    bool twoByte = false;
    for (qsizetype i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const qsizetype length = utf8SequenceLength(bytes, i);
        if (length > 2)
            return false;
        twoByte = twoByte || length == 2;
        i += length;
    }
    return twoByte;
}

bool isChinese(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x3400 && u <= 0x9FFF) || (u >= 0x3000 && u <= 0x303F) ||
           (u >= 0xFF00 && u <= 0xFFEF);
}

// Whether GBK makes Chinese of every character outside ASCII, from pairs of the
// common GB2312 range (both bytes A1..FE), where names are.
bool readsAsChineseGbk(QByteArrayView bytes)
{
    if (std::any_of(bytes.begin(), bytes.end(), [](char b) {
            const auto byte = static_cast<unsigned char>(b);
            return byte >= 0x80 && (byte < 0xA1 || byte == 0xFF);
        }))
        return false;
    const QString text = decodeText(bytes, TextEncoding::Gbk);
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x80 || isChinese(c); });
}

} // namespace

TextEncoding detectEncoding(QByteArrayView bytes)
{
    if (hasUtf8Bom(bytes))
        return isValidUtf8(bytes.sliced(3)) ? TextEncoding::Utf8WithBom : TextEncoding::Gbk;
    if (!isValidUtf8(bytes))
        return TextEncoding::Gbk;
    // Some GBK names are valid UTF-8 by chance (谢伟 = D0BB CEB0): a UTF-8 class of
    // Chinese names would hold three-byte sequences.
    return onlyTwoByteUtf8(bytes) && readsAsChineseGbk(bytes) ? TextEncoding::Gbk
                                                              : TextEncoding::Utf8;
}

qsizetype preambleLength(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8WithBom ? 3 : 0;
}

QString decodeText(QByteArrayView body, TextEncoding encoding)
{
    // A byte-order mark inside the body is a character like any other, so that a line
    // decodes alike on its own and within the whole body.
    if (encoding != TextEncoding::Gbk)
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
            .decode(body);
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
