#include "RoundDraw.h"

#include "platform/RandomSource.h"

#include <algorithm>

namespace mirello {

void RoundDraw::Pool::reset(qsizetype students, bool full)
{
    m_members.clear();
    m_position.assign(std::size_t(students), -1);
    if (!full)
        return;
    m_members.reserve(std::size_t(students));
    for (qsizetype student = 0; student < students; ++student)
        insert(student);
}

void RoundDraw::Pool::insert(qsizetype student)
{
    if (contains(student))
        return;
    m_position[std::size_t(student)] = qsizetype(m_members.size());
    m_members.push_back(student);
}

// The last member takes the place of the one that leaves.
void RoundDraw::Pool::erase(qsizetype student)
{
    const qsizetype at = m_position[std::size_t(student)];
    if (at < 0)
        return;
    const qsizetype last = m_members.back();
    m_members[std::size_t(at)] = last;
    m_position[std::size_t(last)] = at;
    m_members.pop_back();
    m_position[std::size_t(student)] = -1;
}

RoundDraw::RoundDraw(std::vector<qsizetype> studentLines)
    : m_lines(std::move(studentLines))
    , m_called(m_lines.size(), false)
{
    m_present.reset(studentCount(), true);
    m_waiting.reset(studentCount(), true);
}

std::optional<qsizetype> RoundDraw::studentOn(qsizetype line) const
{
    const auto found = std::lower_bound(m_lines.begin(), m_lines.end(), line);
    if (found == m_lines.end() || *found != line)
        return std::nullopt;
    return qsizetype(found - m_lines.begin());
}

bool RoundDraw::isAbsent(qsizetype student) const
{
    return !m_present.contains(student);
}

bool RoundDraw::isCalled(qsizetype student) const
{
    return m_called[std::size_t(student)];
}

void RoundDraw::setAbsent(qsizetype student, bool absent)
{
    if (absent) {
        m_present.erase(student);
        m_waiting.erase(student);
        return;
    }
    m_present.insert(student);
    if (!isCalled(student))
        m_waiting.insert(student);
}

void RoundDraw::setCalled(qsizetype student, bool called)
{
    m_called[std::size_t(student)] = called;
    if (called)
        m_waiting.erase(student);
    else if (!isAbsent(student))
        m_waiting.insert(student);
}

void RoundDraw::startNewRound()
{
    std::fill(m_called.begin(), m_called.end(), false);
    m_waiting.reset(studentCount(), false);
    for (std::size_t i = 0; i < m_present.size(); ++i)
        m_waiting.insert(m_present[i]);
}

bool RoundDraw::beginDrawing()
{
    if (m_mode != DrawMode::OncePerRound || !roundComplete())
        return false;
    startNewRound();
    return true;
}

void RoundDraw::stopOn(qsizetype student)
{
    if (m_mode == DrawMode::OncePerRound)
        setCalled(student, true);
}

DrawTexts RoundDraw::tick(const std::optional<NameList>& names, RandomSource& random) const
{
    if (m_mode == DrawMode::EveryTick && presentCount() == studentCount())
        return drawTick(names, random);
    const Pool& pool = m_mode == DrawMode::EveryTick ? m_present : m_waiting;
    random.reseedFromClock();
    const double r = random.next();
    if (!names || pool.empty())
        return {};
    const qint64 drawn = drawIndex(r, qsizetype(pool.size()));
    return textsOfLine(*names, lineOf(pool[std::size_t(drawn)]));
}

} // namespace mirello
