#include "FileNames.h"

#include "TextCodec.h"

#include <QDir>

namespace mirello {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscapedByte(QChar character)
{
    return character.unicode() >= EscapeBase + 0x80 && character.unicode() <= EscapeBase + 0xFF;
}

} // namespace

QByteArray nativeFileName(const QString& path)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isEscapedByte(path.at(i)))
            continue;
        bytes += QStringView(path).mid(runStart, i - runStart).toUtf8();
        if (i < path.size())
            bytes += char(path.at(i).unicode() - EscapeBase);
        runStart = i + 1;
    }
    return bytes;
}

QString fileNameFromNative(QByteArrayView bytes)
{
    QString text;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype valid = validUtf8Prefix(bytes.sliced(i));
        text += QString::fromUtf8(bytes.sliced(i, valid));
        i += valid;
        if (i < bytes.size())
            text += QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[i++])));
    }
    return text;
}

bool sameFileName(QStringView a, QStringView b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

QString shownFileName(const QString& path)
{
    const QByteArray bytes = nativeFileName(path);
    const QString shown =
        isValidUtf8(bytes) ? QString::fromUtf8(bytes) : decodeText(bytes, TextEncoding::Gbk);
    return QDir::toNativeSeparators(shown);
}

} // namespace mirello
