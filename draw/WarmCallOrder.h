#pragma once

#include <optional>
#include <QtGlobal>
#include <span>
#include <vector>

namespace mirello {

class RandomSource;
class RoundDraw;

// The order of a warm call, in which the next student is told ahead to get ready.
// First come the students already decided, in order: the one announced, and those
// an undo put back. Then the draw picks at random as it would without the warm
// call. Last come those who passed in round mode, after everyone else of the round.
class WarmCallOrder
{
public:
    // The student to announce: the first decided, else one drawn now and decided,
    // other than `justCalled`; when the round has nobody else, the first who passed,
    // else one of `justCalled`. None when the draw may stop on nobody.
    std::optional<qsizetype> announce(const RoundDraw& draw, RandomSource& random,
                                      std::span<const qsizetype> justCalled);
    // The announced student is called: the next one is decided at the next announce().
    void callFirst();
    // An undo: the student comes next, before the one announced.
    void putFirst(qsizetype student);
    // A pass in round mode: the student comes after everyone else of the round.
    void putLast(qsizetype student);
    // An absence, or a pass when every draw is at random: the student leaves the order.
    void remove(qsizetype student);

    const std::vector<qsizetype>& upNext() const { return m_upNext; }
    const std::vector<qsizetype>& afterRound() const { return m_afterRound; }
    // The order as it was kept.
    void restore(std::vector<qsizetype> upNext, std::vector<qsizetype> afterRound);

private:
    std::vector<qsizetype> m_upNext;
    std::vector<qsizetype> m_afterRound;
};

} // namespace mirello
