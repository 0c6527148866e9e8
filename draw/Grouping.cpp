#include "Grouping.h"

#include "AffineGroups.h"
#include "RandomPick.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace mirello {

namespace {

using SteadyClock = std::chrono::steady_clock;
using Labels = std::vector<int>;

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

// For each earlier grouping the group of every student now present, -1 for none.
std::vector<Labels> earlierLabels(std::span<const Groups> earlier, int students)
{
    std::vector<Labels> labels;
    for (const Groups& grouping :
         earlier.first(std::min<std::size_t>(earlier.size(), EarlierKept))) {
        Labels& groupOf = labels.emplace_back(std::size_t(students), -1);
        for (std::size_t group = 0; group < grouping.size(); ++group) {
            for (const int student : grouping[group]) {
                if (student >= 0 && student < students && groupOf[std::size_t(student)] < 0)
                    groupOf[std::size_t(student)] = int(group);
            }
        }
    }
    return labels;
}

// Which pairs of students were together in an earlier grouping.
class PairHistory
{
public:
    PairHistory(const std::vector<Labels>& earlier, int students)
        : m_students(students)
        , m_met(std::size_t(students) * std::size_t(students), 0)
    {
        for (const Labels& groupOf : earlier) {
            for (int a = 0; a < students; ++a) {
                for (int b = a + 1; b < students; ++b) {
                    const int group = groupOf[std::size_t(a)];
                    if (group >= 0 && group == groupOf[std::size_t(b)])
                        m_met[index(a, b)] = m_met[index(b, a)] = 1;
                }
            }
        }
    }

    int met(int a, int b) const { return m_met[index(a, b)]; }

private:
    std::size_t index(int a, int b) const
    {
        return std::size_t(a) * std::size_t(m_students) + std::size_t(b);
    }

    int m_students;
    std::vector<quint8> m_met;
};

// Students' groups, with what a swap of two students would change kept at hand:
// for every student and group, how many there they met before, and every group's
// distance from its share of the class's total score. With `spread` finite no
// group's distance may pass it.
class Arrangement
{
public:
    Arrangement(const PairHistory& history, std::span<const double> scores, int groups,
                double spread)
        : m_history(history)
        , m_scores(scores)
        , m_groups(groups)
        , m_spread(spread)
        , m_mean(std::accumulate(scores.begin(), scores.end(), 0.0) / double(scores.size()))
    {
    }

    void assign(Labels labels)
    {
        m_groupOf = std::move(labels);
        const int students = int(m_groupOf.size());
        m_metIn.assign(std::size_t(students * m_groups), 0);
        m_distance.assign(std::size_t(m_groups), 0.0);
        m_repeats = 0;
        for (int a = 0; a < students; ++a) {
            m_distance[std::size_t(groupOf(a))] += m_scores[std::size_t(a)] - m_mean;
            for (int b = 0; b < students; ++b)
                metIn(a, groupOf(b)) += m_history.met(a, b);
            m_repeats += metIn(a, groupOf(a));
        }
        m_repeats /= 2;
    }

    int students() const { return int(m_scores.size()); }
    int groups() const { return m_groups; }
    const Labels& labels() const { return m_groupOf; }
    int groupOf(int student) const { return m_groupOf[std::size_t(student)]; }
    int repeats() const { return m_repeats; }
    int conflicts(int student) const { return metIn(student, groupOf(student)); }
    double distance(int group) const { return m_distance[std::size_t(group)]; }

    int repeatChange(int a, int b) const
    {
        const int groupA = groupOf(a);
        const int groupB = groupOf(b);
        const int together = m_history.met(a, b);
        return metIn(b, groupA) - metIn(a, groupA) + metIn(a, groupB) - metIn(b, groupB) -
               2 * together;
    }

    double scoreChange(int a, int b) const
    {
        return m_scores[std::size_t(b)] - m_scores[std::size_t(a)];
    }

    bool withinSpread(double distance) const
    {
        return std::abs(distance) <= m_spread * (1 + 1e-9) + 1e-12;
    }

    bool keepsBalance(int a, int b) const
    {
        const double change = scoreChange(a, b);
        return withinSpread(distance(groupOf(a)) + change) &&
               withinSpread(distance(groupOf(b)) - change);
    }

    bool isBalanced() const
    {
        return std::all_of(m_distance.begin(), m_distance.end(),
                           [&](double distance) { return withinSpread(distance); });
    }

    void swap(int a, int b)
    {
        const int groupA = groupOf(a);
        const int groupB = groupOf(b);
        m_repeats += repeatChange(a, b);
        const double change = scoreChange(a, b);
        m_distance[std::size_t(groupA)] += change;
        m_distance[std::size_t(groupB)] -= change;
        for (int x = 0; x < students(); ++x) {
            const int gain = m_history.met(x, a) - m_history.met(x, b);
            metIn(x, groupA) -= gain;
            metIn(x, groupB) += gain;
        }
        m_groupOf[std::size_t(a)] = groupB;
        m_groupOf[std::size_t(b)] = groupA;
    }

    Grouping result() const
    {
        Grouping grouping;
        grouping.groups.resize(std::size_t(m_groups));
        for (int student = 0; student < students(); ++student)
            grouping.groups[std::size_t(groupOf(student))].push_back(student);
        grouping.repeatedPairs = m_repeats;
        for (int group = 0; group < m_groups; ++group) {
            const double size = double(grouping.groups[std::size_t(group)].size());
            grouping.largestBalanceGap =
                std::max(grouping.largestBalanceGap, std::abs(distance(group)) / size);
        }
        return grouping;
    }

private:
    int& metIn(int student, int group) { return m_metIn[std::size_t(student * m_groups + group)]; }
    int metIn(int student, int group) const
    {
        return m_metIn[std::size_t(student * m_groups + group)];
    }

    const PairHistory& m_history;
    std::span<const double> m_scores;
    int m_groups;
    double m_spread;
    double m_mean;
    Labels m_groupOf;
    std::vector<int> m_metIn;
    std::vector<double> m_distance;
    int m_repeats = 0;
};

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
// average then differs from the class's by less than the spread over its size.
Labels balancedDeal(std::span<const double> scores, const Labels& sizes, RandomSource& random)
{
    const qint64 students = qint64(scores.size());
    Labels groupOf(scores.size(), 0);
    Labels dealt(sizes.size(), 0);
    qint64 place = 0;
    for (const int student : byScore(scores, random)) {
        ++place;
        int chosen = -1;
        qint64 chosenDue = 0;
        int ties = 0;
        for (std::size_t group = 0; group < sizes.size(); ++group) {
            const qint64 size = sizes[group];
            const qint64 next = dealt[group] + 1;
            if (next > size || (next - 1) * students / size + 1 > place)
                continue;
            const qint64 due = (next * students + size - 1) / size;
            if (chosen < 0 || due < chosenDue) {
                chosen = int(group);
                chosenDue = due;
                ties = 1;
            } else if (due == chosenDue && randomBelow(random, ++ties) == 0) {
                chosen = int(group);
            }
        }
        // Never, by the windows above; a slip must still not write outside the groups.
        for (chosen = std::max(chosen, 0);
             dealt[std::size_t(chosen)] >= sizes[std::size_t(chosen)];)
            ++chosen;
        groupOf[std::size_t(student)] = chosen;
        ++dealt[std::size_t(chosen)];
    }
    return groupOf;
}

struct Limits
{
    SteadyClock::time_point deadline;
    int maxSteps = 0;

    bool outOfTime() const { return SteadyClock::now() >= deadline; }
    bool reached(int step) const { return step >= maxSteps || outOfTime(); }
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
int someConflicted(const Arrangement& arrangement, RandomSource& random)
{
    int chosen = -1;
    for (int student = 0, seen = 0; student < arrangement.students(); ++student) {
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
    std::vector<int> tabuUntil(std::size_t(students * arrangement.groups()), 0);
    Labels best = arrangement.labels();
    int bestRepeats = arrangement.repeats();
    for (int step = 1, lastGain = 0; bestRepeats > 0 && !limits.reached(step); ++step) {
        const int a = someConflicted(arrangement, random);
        if (a < 0)
            break;
        int chosen = -1;
        int chosenChange = std::numeric_limits<int>::max();
        for (int b = 0, ties = 0; b < students; ++b) {
            if (arrangement.groupOf(b) == arrangement.groupOf(a) || !arrangement.keepsBalance(a, b))
                continue;
            const int change = arrangement.repeatChange(a, b);
            const bool tabu =
                tabuUntil[std::size_t(a * arrangement.groups() + arrangement.groupOf(b))] > step ||
                tabuUntil[std::size_t(b * arrangement.groups() + arrangement.groupOf(a))] > step;
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
            tabuUntil[std::size_t(a * arrangement.groups() + arrangement.groupOf(a))] =
                step + tenure;
            tabuUntil[std::size_t(chosen * arrangement.groups() + arrangement.groupOf(chosen))] =
                step + tenure;
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

Grouping makeGroups(std::span<const double> scores, std::span<const Groups> earlier,
                    const GroupingRequest& request, RandomSource& random)
{
    const int students = int(scores.size());
    if (students == 0)
        return {};
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
