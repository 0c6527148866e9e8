#include "DrawTick.h"

#include "platform/RandomSource.h"
#include "roll/Grades.h"
#include "roll/RollRecord.h"

#include <cmath>

namespace mirello {

namespace {

// "优秀1次|良好2次|及格0次|不及格3次"
std::optional<QString> tallyText(const RollRecord& record)
{
    QString text;
    for (int grade = 0; grade < int(GradeNames.size()); ++grade) {
        const std::optional<QStringView> digit = record.tallyDigit(grade);
        if (!digit)
            return std::nullopt;
        text += (grade > 0 ? u"|" : u"") + GradeNames[grade] + *digit + u"次";
    }
    return text;
}

std::optional<QString> callCountText(const RollRecord& record)
{
    const auto count = record.callCountText();
    if (!count)
        return std::nullopt;
    return u"已被点到过" + *count + u"次";
}

} // namespace

qint64 drawIndex(double r, qsizetype count)
{
    return static_cast<qint64>(std::floor(r * static_cast<double>(count)));
}

DrawTexts drawTick(const std::optional<NameList>& names, RandomSource& random)
{
    random.reseedFromClock();
    // The value is taken before the list is looked at, whatever the list holds.
    const double r = random.next();
    if (!names)
        return {};
    const qint64 index = drawIndex(r, names->drawnLineCount());
    if (index < 0 || index >= names->size())
        return {};
    return textsOfLine(*names, index);
}

QString shownName(QStringView name)
{
    return name.size() <= DrawTexts::LongestName ? name.toString()
                                                 : name.left(DrawTexts::LongestName - 1) + u'…';
}

DrawTexts textsOfLine(const NameList& names, qsizetype index)
{
    const RollRecord record(names.at(index));
    DrawTexts texts;
    texts.line = index;
    if (const auto name = record.personName())
        texts.name = shownName(*name);
    texts.tallies = tallyText(record);
    texts.callCount = callCountText(record);
    return texts;
}

} // namespace mirello
