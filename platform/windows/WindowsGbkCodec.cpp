#include "platform/GbkCodec.h"

#include <algorithm>
#include <windows.h>

namespace mirello {

namespace {

// Code page 936 by number: Qt without ICU knows no GBK on Windows, and the system's
// own code page is 1252 or another on any machine not set up for Chinese.
constexpr UINT Gbk = 936;
constexpr char16_t Replacement = 0xFFFD;
constexpr char16_t LoneFF = 0xF8F5;

bool isLead(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

bool isTrail(unsigned char byte)
{
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// Decodes well-formed pieces (single bytes and lead-trail pairs) into `text`; false
// when the system rejects any of them.
bool decodeRun(QByteArrayView run, QString& text)
{
    if (run.isEmpty())
        return true;
    const qsizetype at = text.size();
    text.resize(at + run.size());
    const int made =
        ::MultiByteToWideChar(Gbk, MB_ERR_INVALID_CHARS, run.data(), int(run.size()),
                              reinterpret_cast<wchar_t*>(text.data() + at), int(run.size()));
    text.resize(at + std::max(made, 0));
    return made > 0;
}

// A run the system rejected, piece by piece: a piece it has no character for is one
// U+FFFD, so every piece stays one character as it is on Linux.
void decodePieces(QByteArrayView run, QString& text)
{
    for (qsizetype i = 0; i < run.size();) {
        const qsizetype width = isLead(static_cast<unsigned char>(run[i])) ? 2 : 1;
        if (!decodeRun(run.sliced(i, width), text))
            text += QChar(Replacement);
        i += width;
    }
}

void flush(QByteArrayView bytes, qsizetype start, qsizetype end, QString& text)
{
    const QByteArrayView run = bytes.sliced(start, end - start);
    const qsizetype before = text.size();
    if (!decodeRun(run, text)) {
        text.truncate(before);
        decodePieces(run, text);
    }
}

} // namespace

QString decodeGbk(QByteArrayView bytes)
{
    // Bytes are taken in pieces as on Linux: a lead byte 0x81-0xFE with a trail byte
    // after it is one character; a lead byte without one is one U+FFFD, and the byte
    // after it starts the next piece. Runs of whole pieces go to the system in one call.
    constexpr qsizetype LongestRun = 1 << 16;
    QString text;
    text.reserve(bytes.size());
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0xFF) {
            // ICU on Linux gives it the private-use character U+F8F5; wine's code page
            // 936 has no character for it, so it is given the same here.
            flush(bytes, start, i, text);
            text += QChar(LoneFF);
            start = ++i;
        } else if (!isLead(byte)) {
            ++i;
        } else if (i + 1 < bytes.size() && isTrail(static_cast<unsigned char>(bytes[i + 1]))) {
            i += 2;
        } else {
            flush(bytes, start, i, text);
            text += QChar(Replacement);
            start = ++i;
        }
        if (i - start >= LongestRun) {
            flush(bytes, start, i, text);
            start = i;
        }
    }
    flush(bytes, start, i, text);
    return text;
}

std::optional<QByteArray> encodeGbk(QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    // No best fit: a character without its own GBK form must fail, not turn into a
    // look-alike that would be written into the file.
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(Gbk, WC_NO_BEST_FIT_CHARS, wide, int(text.size()),
                                             nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(length, Qt::Uninitialized);
    ::WideCharToMultiByte(Gbk, WC_NO_BEST_FIT_CHARS, wide, int(text.size()), bytes.data(), length,
                          nullptr, &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

} // namespace mirello
