#include "RollRecord.h"

#include "platform/TextFunctions.h"

namespace mirello {

std::optional<QStringView> RollRecord::personName() const
{
    return mid(m_line, 10, length() - MinimumLength);
}

std::optional<QStringView> RollRecord::callCountText() const
{
    return mid(m_line, length() - 6, 2);
}

std::optional<QStringView> RollRecord::tallyDigit(int grade) const
{
    return mid(m_line, length() - 3 + grade, 1);
}

qint64 RollRecord::callCount() const
{
    return leadingNumber(callCountText().value_or(QStringView()));
}

qint64 RollRecord::gradeTally() const
{
    return leadingNumber(rightPart(m_line, 4));
}

std::optional<QStringView> RollRecord::recordHead() const
{
    if (length() < CounterLength)
        return std::nullopt;
    return m_line.left(length() - CounterLength);
}

bool RollRecord::hasCounterLayout() const
{
    if (length() < CounterLength)
        return false;
    const QStringView counters = m_line.right(CounterLength);
    for (qsizetype i = 0; i < CounterLength; ++i) {
        const QChar c = counters[i];
        if (i == 2 ? c != u'\\' : (c < u'0' || c > u'9'))
            return false;
    }
    return true;
}

} // namespace mirello
