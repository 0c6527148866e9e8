#pragma once

#include <QStringView>

namespace mirello {

// Whether `a` comes before `b` as a teacher lists classes: runs of digits and runs of
// Chinese numerals (一 … 十, 百, 〇, 零) compare by their value, so 2班 comes before
// 10班 and 高一 before 高二 before 高三; other text compares by Chinese collation
// (pinyin), ignoring case. Texts that compare equal fall back to their code units.
bool naturallyBefore(QStringView a, QStringView b);

} // namespace mirello
