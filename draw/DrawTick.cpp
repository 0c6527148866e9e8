#include "DrawTick.h"

#include "platform/RandomSource.h"
#include "roll/RollRecord.h"

#include <cmath>

namespace mirello {

namespace {

using Grade = RollRecord::Grade;

std::optional<QString> tallyText(const RollRecord& record)
{
    const auto excellent = record.tallyDigit(Grade::Excellent);
    const auto good = record.tallyDigit(Grade::Good);
    const auto pass = record.tallyDigit(Grade::Pass);
    const auto fail = record.tallyDigit(Grade::Fail);
    if (!excellent || !good || !pass || !fail)
        return std::nullopt;
    return u"优秀" + *excellent + u"次|良好" + *good + u"次|及格" + *pass + u"次|不及格" + *fail +
           u"次";
}

std::optional<QString> callCountText(const RollRecord& record)
{
    const auto count = record.callCountText();
    if (!count)
        return std::nullopt;
    return u"已被点到过" + *count + u"次";
}

} // namespace

qint64 drawIndex(double r, qsizetype upperBound)
{
    return static_cast<qint64>(std::floor(r * static_cast<double>(upperBound)));
}

DrawTexts drawTick(const std::optional<NameList>& names, RandomSource& random)
{
    random.reseedFromClock();
    // The value is taken before the list is looked at, whatever the list holds.
    const double r = random.next();
    if (!names)
        return {};
    const qint64 index = drawIndex(r, names->upperBound());
    if (index < 0 || index >= names->size())
        return {};
    const RollRecord record(names->at(index));
    DrawTexts texts;
    if (const auto name = record.personName())
        texts.name = name->toString();
    texts.tallies = tallyText(record);
    texts.callCount = callCountText(record);
    return texts;
}

} // namespace mirello
