#include "RoundDraw.h"

#include "platform/RandomSource.h"

#include <algorithm>

namespace mirello {

void RoundDraw::Pool::reset(std::size_t students, bool full)
{
    m_members.clear();
    m_position.assign(students, Outside);
    if (!full)
        return;
    m_members.reserve(students);
    for (std::size_t student = 0; student < students; ++student)
        insert(qsizetype(student));
}

void RoundDraw::Pool::insert(qsizetype student)
{
    if (contains(student))
        return;
    m_position[std::size_t(student)] = quint32(m_members.size());
    m_members.push_back(quint32(student));
}

// The last member takes the place of the one that leaves.
void RoundDraw::Pool::erase(qsizetype student)
{
    const quint32 at = m_position[std::size_t(student)];
    if (at == Outside)
        return;
    const quint32 last = m_members.back();
    m_members[at] = last;
    m_position[last] = at;
    m_members.pop_back();
    m_position[std::size_t(student)] = Outside;
}

RoundDraw::RoundDraw(std::vector<quint32> studentLines)
    : m_lines(std::move(studentLines))
{
}

void RoundDraw::track()
{
    if (m_tracked)
        return;
    m_tracked = true;
    m_called.assign(m_lines.size(), false);
    m_present.reset(m_lines.size(), true);
    m_waiting.reset(m_lines.size(), true);
}

std::optional<qsizetype> RoundDraw::studentOn(qsizetype line) const
{
    const auto found = std::lower_bound(m_lines.begin(), m_lines.end(), quint64(line));
    if (found == m_lines.end() || *found != quint64(line))
        return std::nullopt;
    return qsizetype(found - m_lines.begin());
}

bool RoundDraw::isAbsent(qsizetype student) const
{
    return m_tracked && !m_present.contains(student);
}

bool RoundDraw::isCalled(qsizetype student) const
{
    return m_tracked && m_called[std::size_t(student)];
}

qsizetype RoundDraw::presentCount() const
{
    return m_tracked ? qsizetype(m_present.size()) : studentCount();
}

qsizetype RoundDraw::waitingCount() const
{
    return m_tracked ? qsizetype(m_waiting.size()) : studentCount();
}

bool RoundDraw::roundComplete() const
{
    return waitingCount() == 0 && presentCount() > 0;
}

void RoundDraw::setAbsent(qsizetype student, bool absent)
{
    if (!absent && !m_tracked)
        return;
    track();
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
    if (!called && !m_tracked)
        return;
    track();
    m_called[std::size_t(student)] = called;
    if (called)
        m_waiting.erase(student);
    else if (!isAbsent(student))
        m_waiting.insert(student);
}

void RoundDraw::startNewRound()
{
    if (!m_tracked)
        return;
    std::fill(m_called.begin(), m_called.end(), false);
    m_waiting.reset(m_lines.size(), false);
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

bool RoundDraw::mayStopOn(qsizetype student) const
{
    return !isAbsent(student) && (m_mode == DrawMode::EveryTick || !isCalled(student));
}

std::optional<qsizetype> RoundDraw::drawAnother(RandomSource& random,
                                                std::span<const qsizetype> excluded) const
{
    const Pool& pool = m_mode == DrawMode::EveryTick ? m_present : m_waiting;
    const qsizetype members = !m_tracked ? studentCount() : qsizetype(pool.size());
    const auto member = [&](qsizetype at) {
        return m_tracked ? qsizetype(pool[std::size_t(at)]) : at;
    };
    const auto isExcluded = [&](qsizetype student) {
        return std::find(excluded.begin(), excluded.end(), student) != excluded.end();
    };
    const qsizetype left =
        members - std::count_if(excluded.begin(), excluded.end(),
                                [this](qsizetype student) { return mayStopOn(student); });
    if (left <= 0)
        return std::nullopt;
    // While most are left a few tries find one; a source that keeps repeating itself
    // ends in the pass over the pool.
    for (int tries = 0; left * 2 >= members && tries < 64; ++tries) {
        const qsizetype student = member(drawIndex(random.next(), members));
        if (!isExcluded(student))
            return student;
    }
    qsizetype skip = drawIndex(random.next(), left);
    for (qsizetype at = 0; at < members; ++at) {
        if (!isExcluded(member(at)) && skip-- == 0)
            return member(at);
    }
    return std::nullopt;
}

DrawTexts RoundDraw::tick(const std::optional<NameList>& names, RandomSource& random) const
{
    if (m_mode == DrawMode::EveryTick && presentCount() == studentCount())
        return drawTick(names, random);
    random.reseedFromClock();
    const double r = random.next();
    if (!names)
        return {};
    // Until the first call of a round with nobody absent, every student waits.
    if (!m_tracked)
        return m_lines.empty() ? DrawTexts{}
                               : textsOfLine(*names, lineOf(drawIndex(r, studentCount())));
    const Pool& pool = m_mode == DrawMode::EveryTick ? m_present : m_waiting;
    if (pool.empty())
        return {};
    return textsOfLine(*names, lineOf(pool[std::size_t(drawIndex(r, qsizetype(pool.size())))]));
}

} // namespace mirello
