#include "NaturalOrder.h"

#include <QCollator>
#include <QLocale>

namespace mirello {

namespace {

// The value of one Chinese numeral character: a digit (0..9), or a unit (10, 100).
int numeralValue(QChar c)
{
    static constexpr QStringView Digits = u"〇一二三四五六七八九";
    if (c == u'零')
        return 0;
    if (const qsizetype digit = Digits.indexOf(c); digit >= 0)
        return int(digit);
    if (c == u'十')
        return 10;
    if (c == u'百')
        return 100;
    return -1;
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The value of a run of Chinese numerals: with units as spoken (二十三 = 23, 十一 = 11),
// without them digit by digit (二〇二三 = 2023).
qint64 chineseValue(QStringView run)
{
    const bool spoken = run.contains(u'十') || run.contains(u'百');
    qint64 total = 0;
    qint64 pending = 0;
    for (const QChar c : run) {
        const int value = numeralValue(c);
        if (!spoken) {
            total = std::min<qint64>(total * 10 + value, qint64(1) << 60);
        } else if (value >= 10) {
            total += (pending == 0 ? 1 : pending) * value;
            pending = 0;
        } else {
            pending = value;
        }
    }
    return total + pending;
}

struct Run
{
    QStringView text;
    bool isNumber;
    qint64 value;
};

// The run that starts at `i`, which it moves past.
Run nextRun(QStringView text, qsizetype& i)
{
    const qsizetype start = i;
    if (isAsciiDigit(text[i])) {
        qint64 value = 0;
        for (; i < text.size() && isAsciiDigit(text[i]); ++i)
            value = std::min<qint64>(value * 10 + (text[i].unicode() - u'0'), qint64(1) << 60);
        return {text.mid(start, i - start), true, value};
    }
    if (numeralValue(text[i]) >= 0) {
        while (i < text.size() && numeralValue(text[i]) >= 0)
            ++i;
        const QStringView run = text.mid(start, i - start);
        return {run, true, chineseValue(run)};
    }
    while (i < text.size() && !isAsciiDigit(text[i]) && numeralValue(text[i]) < 0)
        ++i;
    return {text.mid(start, i - start), false, 0};
}

int compareRuns(const Run& a, const Run& b)
{
    if (a.isNumber && b.isNumber)
        return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    // An explicit locale keeps the order the same whatever the system's language is.
    static const QCollator collator = [] {
        QCollator chinese(QLocale(QLocale::Chinese, QLocale::China));
        chinese.setCaseSensitivity(Qt::CaseInsensitive);
        return chinese;
    }();
    return collator.compare(a.text, b.text);
}

} // namespace

bool naturallyBefore(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (const int order = compareRuns(nextRun(a, i), nextRun(b, j)); order != 0)
            return order < 0;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
}

} // namespace mirello
