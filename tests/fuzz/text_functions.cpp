// The string and number helpers and the decoders against plain reference versions
// written here a different way.
#include "FuzzCheck.h"
#include "platform/TextCodec.h"
#include "platform/TextFunctions.h"

#include <cstdint>
#include <limits>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#endif

using namespace mirello;

namespace {

qint64 referenceLeadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && QStringView(u" \t\r\n").contains(text.at(i)))
        ++i;
    const bool negative = i < text.size() && text.at(i) == u'-';
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        ++i;
    QString digits;
    while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9')
        digits += text.at(i++);
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    const QString limit = QString::number(std::numeric_limits<qint64>::max());
    const bool saturated =
        digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit);
    const qint64 magnitude = saturated ? std::numeric_limits<qint64>::max() : digits.toLongLong();
    return negative ? -magnitude : magnitude;
}

// One piece through the system's own GBK: ICU on Linux, code page 936 on Windows,
// where a lone 0xFF, which ICU makes U+F8F5, is missing from wine's table.
QString referencePiece(QByteArrayView piece)
{
#ifdef Q_OS_WIN
    wchar_t decoded[2];
    const int made = ::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, piece.data(),
                                           int(piece.size()), decoded, 2);
    if (made > 0)
        return QString::fromWCharArray(decoded, made);
    return QString(QChar(piece == "\xFF" ? 0xF8F5 : 0xFFFD));
#else
    QStringDecoder decoder("GBK", QStringDecoder::Flag::Stateless);
    return decoder.decode(piece);
#endif
}

// One character at a time: a lead byte 0x81-0xFE takes the next byte when it is a
// trail byte, anything else stands alone; each piece is decoded on its own.
QString referenceGbk(QByteArrayView bytes)
{
    const auto isTrail = [](unsigned char b) {
        return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
    };
    QString text;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const bool pair = lead >= 0x81 && lead <= 0xFE && i + 1 < bytes.size() &&
                          isTrail(static_cast<unsigned char>(bytes[i + 1]));
        const bool loneLead = lead >= 0x81 && lead <= 0xFE && !pair;
        const qsizetype width = pair ? 2 : 1;
        if (loneLead) {
            text += QChar(0xFFFD);
        } else {
            text += referencePiece(bytes.sliced(i, width));
        }
        i += width;
    }
    return text;
}

// Decodes code points and checks their ranges, instead of checking byte patterns.
bool referenceUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int extra = lead < 0x80    ? 0
                          : lead >= 0xF0 ? 3
                          : lead >= 0xE0 ? 2
                          : lead >= 0xC0 ? 1
                                         : -1;
        if (extra < 0 || i + extra >= bytes.size())
            return false;
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
            lead >= 0xF8)
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    FUZZ_CHECK(isValidUtf8(bytes) == referenceUtf8(bytes));
    FUZZ_CHECK(decodeText(bytes, TextEncoding::Gbk) == referenceGbk(bytes));

    const QString text = QString::fromUtf8(bytes);
    FUZZ_CHECK(leadingNumber(text) == referenceLeadingNumber(text));
    for (const qsizetype start : {-1, 0, 1, 2, 9, 10, 17}) {
        for (const qsizetype count : {-1, 0, 1, 2, 4, 100}) {
            const auto result = mid(text, start, count);
            FUZZ_CHECK(result.has_value() == (start >= 1 && count >= 0));
            if (result)
                FUZZ_CHECK(*result == text.mid(start - 1, count));
        }
    }
    return 0;
}
