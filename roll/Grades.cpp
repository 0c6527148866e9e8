#include "Grades.h"

#include <algorithm>

namespace mirello {

std::optional<int> gradeIndex(QStringView name)
{
    const auto found = std::find(GradeNames.begin(), GradeNames.end(), name);
    if (found == GradeNames.end())
        return std::nullopt;
    return int(found - GradeNames.begin());
}

int gradeWeight(int index)
{
    constexpr std::array<int, 4> Weights{1000, 100, 10, 1};
    return Weights.at(std::size_t(index));
}

} // namespace mirello
