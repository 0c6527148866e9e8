#pragma once

#include <algorithm>
#include <optional>
#include <QStringView>

namespace mirello {

// One line of a class roll, taken apart from both ends. L is the line's length:
//   characters 1..9      lead, never interpreted
//   10..L-8              the person's name (any characters, possibly empty)
//   L-7                  name separator
//   L-6..L-5             call count, two digits
//   L-4                  "\"
//   L-3..L               grade tally, one digit each for 优秀, 良好, 及格, 不及格
// Each field is read with the same rules as the display uses, so a line that is too
// short simply has no such field.
class RollRecord
{
public:
    static constexpr qsizetype MinimumLength = 17;
    // The characters a recording replaces: call count, "\" and grade tally.
    static constexpr qsizetype CounterLength = 7;

    explicit RollRecord(QStringView line)
        : m_line(line)
    {
    }

    qsizetype length() const { return m_line.size(); }
    // Characters 1 to 9 (the student number), fewer on a shorter line.
    QStringView leadField() const { return m_line.left(std::min<qsizetype>(m_line.size(), 9)); }
    // Characters 10 to L-8; none for lines shorter than MinimumLength.
    std::optional<QStringView> personName() const;
    // The two characters at L-6, as they stand; none for lines shorter than 7.
    std::optional<QStringView> callCountText() const;
    // The single character of one grade's tally (an index of GradeNames); none for
    // lines shorter than 4.
    std::optional<QStringView> tallyDigit(int grade) const;
    // Whole-number values of the call count and of the last four characters.
    qint64 callCount() const;
    qint64 gradeTally() const;
    // Everything before the counters: lead, name and name separator.
    std::optional<QStringView> recordHead() const;
    // Whether the line ends in counters as a recording writes them: two digits, "\"
    // and four digits. A title or a note that merely ends in text does not.
    bool hasCounterLayout() const;

private:
    QStringView m_line;
};

} // namespace mirello
