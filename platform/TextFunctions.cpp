#include "TextFunctions.h"

#include <limits>

namespace mirello {

std::optional<QStringView> mid(QStringView text, qsizetype start, qsizetype count)
{
    if (start < 1 || count < 0)
        return std::nullopt;
    if (start > text.size())
        return QStringView();
    const qsizetype offset = start - 1;
    return text.mid(offset, std::min(count, text.size() - offset));
}

QStringView rightPart(QStringView text, qsizetype count)
{
    return text.right(std::clamp<qsizetype>(count, 0, text.size()));
}

qint64 leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
    };
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? -value : value;
}

QString zeroPadded(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, u'0');
}

} // namespace mirello
