#pragma once

#include <array>
#include <optional>
#include <QStringView>

namespace mirello {

// The four grades, in the order of their digits in a line's tally: 优秀 leftmost,
// then 良好, 及格 and 不及格. A grade is known by its index in this table.
inline constexpr std::array<QStringView, 4> GradeNames{u"优秀", u"良好", u"及格", u"不及格"};

// The index of the grade called `name` exactly; none for any other text.
std::optional<int> gradeIndex(QStringView name);

// What one recording of the grade adds to the four-digit tally: 1000 for 优秀
// down to 1 for 不及格.
int gradeWeight(int index);

} // namespace mirello
