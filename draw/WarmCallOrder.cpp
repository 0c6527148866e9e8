#include "WarmCallOrder.h"

#include "RoundDraw.h"

#include <algorithm>

namespace mirello {

namespace {

void erase(std::vector<qsizetype>& order, qsizetype student)
{
    order.erase(std::remove(order.begin(), order.end(), student), order.end());
}

} // namespace

std::optional<qsizetype> WarmCallOrder::announce(const RoundDraw& draw, RandomSource& random,
                                                 std::span<const qsizetype> justCalled)
{
    if (!m_upNext.empty())
        return m_upNext.front();
    std::vector<qsizetype> notNow = m_afterRound;
    notNow.insert(notNow.end(), justCalled.begin(), justCalled.end());
    std::sort(notNow.begin(), notNow.end());
    notNow.erase(std::unique(notNow.begin(), notNow.end()), notNow.end());
    std::optional<qsizetype> next = draw.drawAnother(random, notNow);
    if (!next && !m_afterRound.empty()) {
        next = m_afterRound.front();
        m_afterRound.erase(m_afterRound.begin());
    }
    if (!next)
        next = draw.drawAnother(random, {});
    if (next)
        m_upNext.push_back(*next);
    return next;
}

void WarmCallOrder::callFirst()
{
    if (!m_upNext.empty())
        m_upNext.erase(m_upNext.begin());
}

void WarmCallOrder::putFirst(qsizetype student)
{
    remove(student);
    m_upNext.insert(m_upNext.begin(), student);
}

void WarmCallOrder::putLast(qsizetype student)
{
    remove(student);
    m_afterRound.push_back(student);
}

void WarmCallOrder::remove(qsizetype student)
{
    erase(m_upNext, student);
    erase(m_afterRound, student);
}

void WarmCallOrder::restore(std::vector<qsizetype> upNext, std::vector<qsizetype> afterRound)
{
    m_upNext = std::move(upNext);
    m_afterRound = std::move(afterRound);
}

} // namespace mirello
