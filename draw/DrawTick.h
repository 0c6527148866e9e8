#pragma once

#include "roll/NameList.h"

#include <optional>
#include <QString>

namespace mirello {

class RandomSource;

// What one tick puts on screen. Each text is present only when its step succeeded;
// the window leaves a control untouched where a text is absent.
struct DrawTexts
{
    // Longer names are shortened, ending in "…": the window shows a few characters
    // at most, and a name of megabytes must not be copied and measured every tick.
    static constexpr qsizetype LongestName = 100;

    std::optional<QString> name;      // the drawn person's name
    std::optional<QString> tallies;   // 优秀1次|良好2次|及格0次|不及格3次
    std::optional<QString> callCount; // 已被点到过05次
    // The index of the drawn line, when a line was drawn.
    std::optional<qsizetype> line;
};

// `name` as a window shows it: a longer one than DrawTexts::LongestName is cut and
// ends in "…".
QString shownName(QStringView name);

// One tick of the roll call: reseed from the clock, draw an index, then build the
// three texts from the drawn line. The empty element after the file's final line
// end is never drawn; a last line without a line end is. With no list, or a list
// without elements, nothing is produced.
DrawTexts drawTick(const std::optional<NameList>& names, RandomSource& random);

// The texts of line `index` of `names`, as a draw of it shows them.
DrawTexts textsOfLine(const NameList& names, qsizetype index);

// The index a value r in [0, 1) selects among `count` lines: floor(r * count).
qint64 drawIndex(double r, qsizetype count);

} // namespace mirello
