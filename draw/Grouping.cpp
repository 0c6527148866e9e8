#include "Grouping.h"

#include "AffineGroups.h"
#include "GroupArrangement.h"
#include "RandomPick.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <QHash>
#include <queue>
#include <tuple>

namespace mirello {

namespace {

using namespace Qt::StringLiterals;
using SteadyClock = std::chrono::steady_clock;
using grouping::Arrangement;
using grouping::Labels;
using grouping::PairHistory;

constexpr double MiddleScore = 2.5;
constexpr int EarlierKept = 3;

// Sizes of `groups` groups of `students`, the larger first.
Labels evenSizes(int students, int groups)
{
    Labels sizes(std::size_t(groups), students / groups);
    for (int i = 0; i < students % groups; ++i)
        ++sizes[std::size_t(i)];
    return sizes;
}

int totalDistance(int students, int groups, int groupSize)
{
    int total = 0;
    for (const int size : evenSizes(students, groups))
        total += std::abs(size - groupSize);
    return total;
}

// For each earlier grouping the group of every student now present, -1 for none; the
// groups holding anyone now are numbered from 0, so every label is below `students`.
std::vector<Labels> earlierLabels(std::span<const Groups> earlier, int students)
{
    std::vector<Labels> labels;
    for (const Groups& grouping :
         earlier.first(std::min<std::size_t>(earlier.size(), EarlierKept))) {
        Labels& groupOf = labels.emplace_back(std::size_t(students), -1);
        int numbered = 0;
        for (const std::vector<int>& group : grouping) {
            bool anyone = false;
            for (const int student : group) {
                if (student >= 0 && student < students && groupOf[std::size_t(student)] < 0) {
                    groupOf[std::size_t(student)] = numbered;
                    anyone = true;
                }
            }
            numbered += anyone;
        }
    }
    return labels;
}

Labels randomDeal(const Labels& sizes, RandomSource& random)
{
    Labels groupOf;
    for (std::size_t group = 0; group < sizes.size(); ++group)
        groupOf.insert(groupOf.end(), std::size_t(sizes[group]), int(group));
    randomShuffle(groupOf, random);
    return groupOf;
}

// Students in order of score, highest first, equal scores in random order.
Labels byScore(std::span<const double> scores, RandomSource& random)
{
    Labels order(scores.size());
    std::iota(order.begin(), order.end(), 0);
    randomShuffle(order, random);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return scores[std::size_t(a)] > scores[std::size_t(b)]; });
    return order;
}

// Deals the students from the highest score down so that after the t-th, a group of
// m out of n holds more than t*m/n - 1 and fewer than t*m/n + 1 of them. Its k-th
// student may come no sooner than place floor((k-1)n/m) + 1 and no later than
// ceil(kn/m); dealing to the earliest due group meets every such window, as no
// stretch of places has more students due in it than it has places. A group's
// average then differs from the class's by less than the spread over its size. The
// groups wait in one heap by when their next place opens and are chosen from another by
// when it is due, the ties at random, so a class of many groups is dealt in n log n.
Labels balancedDeal(std::span<const double> scores, const Labels& sizes, RandomSource& random)
{
    struct Slot
    {
        qint64 order; // when it opens while waiting, when it is due once open
        double tie;
        int group;
        bool operator>(const Slot& other) const
        {
            return std::tie(order, tie) > std::tie(other.order, other.tie);
        }
    };
    using Heap = std::priority_queue<Slot, std::vector<Slot>, std::greater<>>;
    const qint64 students = qint64(scores.size());
    const auto opens = [&](int group, qint64 next) {
        return (next - 1) * students / sizes[std::size_t(group)] + 1;
    };
    const auto due = [&](int group, qint64 next) {
        const qint64 size = sizes[std::size_t(group)];
        return (next * students + size - 1) / size;
    };
    Labels groupOf(scores.size(), 0);
    Labels dealt(sizes.size(), 0);
    Heap waiting;
    Heap open;
    for (int group = 0; group < int(sizes.size()); ++group) {
        if (sizes[std::size_t(group)] > 0)
            waiting.push({opens(group, 1), 0, group});
    }
    qint64 place = 0;
    for (const int student : byScore(scores, random)) {
        ++place;
        for (; !waiting.empty() && waiting.top().order <= place; waiting.pop()) {
            const int group = waiting.top().group;
            open.push({due(group, dealt[std::size_t(group)] + 1), random.next(), group});
        }
        // Never empty, by the windows above; a slip must still not write outside the groups.
        int chosen = 0;
        if (!open.empty()) {
            chosen = open.top().group;
            open.pop();
        } else {
            while (dealt[std::size_t(chosen)] >= sizes[std::size_t(chosen)])
                ++chosen;
        }
        groupOf[std::size_t(student)] = chosen;
        const qint64 next = ++dealt[std::size_t(chosen)] + 1;
        if (next <= sizes[std::size_t(chosen)])
            waiting.push({opens(chosen, next), 0, chosen});
    }
    return groupOf;
}

struct Limits
{
    SteadyClock::time_point deadline;
    int maxSteps = 0;

    bool outOfTime() const { return SteadyClock::now() >= deadline; }
    bool reached(int step) const { return step >= maxSteps || outOfTime(); }
    // For the inner loops, which in a large class take long between two steps: the
    // clock is read once in 1024 calls.
    bool spentNow() const { return (++ticks & 1023) == 0 && outOfTime(); }

    mutable unsigned ticks = 0;
};

// A few random swaps that keep the balance, to leave a place where the search stalls.
void shake(Arrangement& arrangement, RandomSource& random)
{
    const int swaps = 1 + arrangement.students() / 10;
    for (int tries = 0, done = 0; done < swaps && tries < 20 * swaps; ++tries) {
        const int a = randomBelow(random, arrangement.students());
        const int b = randomBelow(random, arrangement.students());
        if (arrangement.groupOf(a) != arrangement.groupOf(b) && arrangement.keepsBalance(a, b)) {
            arrangement.swap(a, b);
            ++done;
        }
    }
}

// A student in a repeated pair, chosen at random.
int someConflicted(const Arrangement& arrangement, const Limits& limits, RandomSource& random)
{
    int chosen = -1;
    for (int student = 0, seen = 0; student < arrangement.students() && !limits.spentNow();
         ++student) {
        if (arrangement.conflicts(student) > 0 && randomBelow(random, ++seen) == 0)
            chosen = student;
    }
    return chosen;
}

// Tabu search: each step moves a student of a repeated pair by the best swap that
// keeps the balance, leaving out swaps that put a student back in a group they
// left a few steps ago unless the swap beats the best found. When the best has not
// improved for a while the search goes back to it and shakes it.
void fewerRepeats(Arrangement& arrangement, const Limits& limits, RandomSource& random)
{
    const int students = arrangement.students();
    const int stall = 100 + 10 * students;
    // Kept for the moves made only, not for every student and group.
    QHash<quint64, int> tabuUntil;
    const auto tabuSlot = [](int student, int group) {
        return quint64(student) << 32 | quint32(group);
    };
    Labels best = arrangement.labels();
    int bestRepeats = arrangement.repeats();
    for (int step = 1, lastGain = 0; bestRepeats > 0 && !limits.reached(step); ++step) {
        const int a = someConflicted(arrangement, limits, random);
        if (a < 0)
            break;
        int chosen = -1;
        int chosenChange = std::numeric_limits<int>::max();
        for (int b = 0, ties = 0; b < students && !limits.spentNow(); ++b) {
            if (arrangement.groupOf(b) == arrangement.groupOf(a) || !arrangement.keepsBalance(a, b))
                continue;
            const int change = arrangement.repeatChange(a, b);
            const bool tabu = tabuUntil.value(tabuSlot(a, arrangement.groupOf(b))) > step ||
                              tabuUntil.value(tabuSlot(b, arrangement.groupOf(a))) > step;
            if (tabu && arrangement.repeats() + change >= bestRepeats)
                continue;
            if (change < chosenChange) {
                chosen = b;
                chosenChange = change;
                ties = 1;
            } else if (change == chosenChange && randomBelow(random, ++ties) == 0) {
                chosen = b;
            }
        }
        if (chosen >= 0) {
            const int tenure = 4 + randomBelow(random, 1 + students / 4);
            tabuUntil.insert(tabuSlot(a, arrangement.groupOf(a)), step + tenure);
            tabuUntil.insert(tabuSlot(chosen, arrangement.groupOf(chosen)), step + tenure);
            arrangement.swap(a, chosen);
        }
        if (arrangement.repeats() < bestRepeats) {
            best = arrangement.labels();
            bestRepeats = arrangement.repeats();
            lastGain = step;
        } else if (step - lastGain > stall) {
            arrangement.assign(best);
            shake(arrangement, random);
            lastGain = step;
        }
    }
    if (arrangement.repeats() > bestRepeats)
        arrangement.assign(best);
}

// Swaps that bring groups' totals nearer their shares, adding no repeated pair,
// until none is left.
void evenOut(Arrangement& arrangement, const Limits& limits)
{
    constexpr int MostPasses = 20;
    bool improved = true;
    for (int pass = 0; improved && pass < MostPasses && !limits.outOfTime(); ++pass) {
        improved = false;
        for (int a = 0; a < arrangement.students(); ++a) {
            for (int b = a + 1; b < arrangement.students(); ++b) {
                if (limits.spentNow())
                    return;
                const int groupA = arrangement.groupOf(a);
                const int groupB = arrangement.groupOf(b);
                const double change = arrangement.scoreChange(a, b);
                const double gain =
                    change * (arrangement.distance(groupA) - arrangement.distance(groupB) + change);
                if (groupA == groupB || gain > -1e-12 || arrangement.repeatChange(a, b) > 0 ||
                    !arrangement.keepsBalance(a, b))
                    continue;
                arrangement.swap(a, b);
                improved = true;
            }
        }
    }
}

// The affine plane's next class where the earlier groupings allow one, as it repeats
// no pair; otherwise a deal, by score when balanced.
Labels startingLabels(const Arrangement& arrangement, std::span<const double> scores,
                      const std::vector<Labels>& earlier, bool balanced, RandomSource& random)
{
    const Labels sizes = evenSizes(arrangement.students(), arrangement.groups());
    Labels dealt = balanced ? balancedDeal(scores, sizes, random) : randomDeal(sizes, random);
    const int p = arrangement.groups();
    if (p * p != arrangement.students())
        return dealt;
    const std::optional<Labels> affine = nextParallelClass(p, earlier, random);
    if (!affine)
        return dealt;
    if (balanced) {
        Arrangement trial = arrangement;
        trial.assign(*affine);
        if (!trial.isBalanced())
            return dealt;
    }
    return *affine;
}

} // namespace

double gradeScore(qint64 excellent, qint64 good, qint64 pass, qint64 fail)
{
    const auto count = [](qint64 tally) {
        return double(std::max<qint64>(tally, 0));
    };
    const double grades = count(excellent) + count(good) + count(pass) + count(fail);
    if (grades == 0)
        return MiddleScore;
    return (4 * count(excellent) + 3 * count(good) + 2 * count(pass) + count(fail)) / grades;
}

int groupCountFor(int students, int groupSize)
{
    if (students <= 0)
        return 0;
    if (groupSize <= 0 || groupSize >= students)
        return 1;
    const int fewer = students / groupSize;
    const int more = std::min(fewer + 1, students);
    return totalDistance(students, more, groupSize) < totalDistance(students, fewer, groupSize)
               ? more
               : fewer;
}

Result<Grouping> makeGroups(std::span<const double> scores, std::span<const Groups> earlier,
                            const GroupingRequest& request, RandomSource& random)
{
    if (scores.size() > std::size_t(LargestGroupedClass)) {
        return Error{u"无法分组：出席的同学有 "_s + QString::number(scores.size()) +
                         u" 名，超过分组的上限 "_s + QString::number(LargestGroupedClass) +
                         u" 名。"_s,
                     QString()};
    }
    const int students = int(scores.size());
    if (students == 0)
        return Grouping{};
    std::vector<double> cleanScores(scores.begin(), scores.end());
    for (double& score : cleanScores) {
        if (!std::isfinite(score))
            score = MiddleScore;
    }
    const int groups = request.groupCount > 0
                           ? std::min(request.groupCount, students)
                           : std::max(groupCountFor(students, request.groupSize), 1);
    const auto [lowest, highest] = std::minmax_element(cleanScores.begin(), cleanScores.end());
    const double spread =
        request.balanced ? *highest - *lowest : std::numeric_limits<double>::infinity();
    const Limits limits{SteadyClock::now() + request.timeLimit, request.maxSteps};

    const std::vector<Labels> earlierGroups = earlierLabels(earlier, students);
    const PairHistory history(earlierGroups, students);
    Arrangement arrangement(history, cleanScores, groups, spread);
    arrangement.assign(
        startingLabels(arrangement, cleanScores, earlierGroups, request.balanced, random));
    fewerRepeats(arrangement, limits, random);
    if (request.balanced)
        evenOut(arrangement, limits);
    return arrangement.result();
}

} // namespace mirello
