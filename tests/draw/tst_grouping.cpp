// Splitting a class into groups: everyone once in groups of even size, the balance
// bound on many score sets, and successive groupings that repeat no pair.
#include "draw/Grouping.h"
#include "platform/RandomSource.h"
#include "support/SteppedClock.h"

#include <algorithm>
#include <numeric>
#include <QTest>

using namespace mirello;
using namespace std::chrono_literals;
using test::SteppedClock;

namespace {

bool isEvenPartition(const Groups& groups, int students)
{
    std::vector<int> seen(std::size_t(students), 0);
    std::vector<std::size_t> sizes;
    for (const std::vector<int>& group : groups) {
        sizes.push_back(group.size());
        for (const int student : group)
            ++seen[std::size_t(student)];
    }
    return std::ranges::count(seen, 1) == students &&
           (sizes.empty() || std::ranges::max(sizes) - std::ranges::min(sizes) <= 1);
}

qint64 tally(RandomSource& random)
{
    return qint64(random.next() * 4);
}

} // namespace

class TestGrouping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyoneOnceInEvenGroups_data();
    void everyoneOnceInEvenGroups();
    void balancedGroupsWithinBound_data();
    void balancedGroupsWithinBound();
    void fewestRepeatedPairs_data();
    void fewestRepeatedPairs();
    void groupsAClassAtTheLimit();
};

void TestGrouping::everyoneOnceInEvenGroups_data()
{
    QTest::addColumn<int>("students");
    QTest::addColumn<int>("groupCount");
    QTest::addColumn<int>("groupSize");
    QTest::addColumn<int>("expectedGroups");

    QTest::newRow("no students") << 0 << 3 << 0 << 0;
    QTest::newRow("one student") << 1 << 0 << 3 << 1;
    QTest::newRow("size above class") << 4 << 0 << 10 << 1;
    QTest::newRow("count above class") << 3 << 7 << 0 << 3;
    QTest::newRow("26 by 5: one group of 6") << 26 << 0 << 5 << 5;
    QTest::newRow("28 by 5: two groups of 4") << 28 << 0 << 5 << 6;
    QTest::newRow("7 by 5: one group of 7") << 7 << 0 << 5 << 1;
    QTest::newRow("pairs of an odd class") << 9 << 0 << 2 << 4;
}

void TestGrouping::everyoneOnceInEvenGroups()
{
    QFETCH(int, students);
    QFETCH(int, groupCount);
    QFETCH(int, groupSize);
    QFETCH(int, expectedGroups);
    const SteppedClock clock(1);
    ClockSeededRandom random(clock);
    const std::vector<double> scores(std::size_t(students), 3.0);
    for (const bool balanced : {false, true}) {
        const Grouping grouping =
            makeGroups(scores, {}, {groupCount, groupSize, balanced}, random).value();
        QCOMPARE(int(grouping.groups.size()), expectedGroups);
        QVERIFY(isEvenPartition(grouping.groups, students));
        QCOMPARE(grouping.repeatedPairs, 0);
    }
    QCOMPARE(gradeScore(0, 0, 0, 0), 2.5);
    QCOMPARE(gradeScore(0, 2, 0, 1), 7.0 / 3);
}

void TestGrouping::balancedGroupsWithinBound_data()
{
    QTest::addColumn<int>("students");
    QTest::addColumn<int>("groupCount");
    QTest::addColumn<bool>("withHistory");

    QTest::newRow("14 in 5: sizes 3 and 2") << 14 << 5 << false;
    QTest::newRow("25 in 5 with history") << 25 << 5 << true;
    QTest::newRow("60 in 10 with history") << 60 << 10 << true;
}

// Scores from random tallies, some students without a grade; every third set has
// two values only, where a badly dealt group is furthest off.
void TestGrouping::balancedGroupsWithinBound()
{
    QFETCH(int, students);
    QFETCH(int, groupCount);
    QFETCH(bool, withHistory);
    const SteppedClock clock(7);
    ClockSeededRandom random(clock);
    for (int set = 0; set < 300; ++set) {
        std::vector<double> scores;
        for (int student = 0; student < students; ++student)
            scores.push_back(set % 3 == 0 ? 1.0 + 3.0 * double(tally(random) == 0)
                                          : gradeScore(tally(random), tally(random), tally(random),
                                                       tally(random) - 2));
        std::vector<Groups> earlier;
        for (int round = 0; withHistory && round < 3; ++round)
            earlier.push_back(makeGroups(scores, {}, {groupCount}, random).value().groups);
        const Grouping grouping =
            makeGroups(scores, earlier, {groupCount, 0, true, 10s, 2000}, random).value();
        QVERIFY(isEvenPartition(grouping.groups, students));
        const auto [lowest, highest] = std::ranges::minmax(scores);
        const double mean = std::accumulate(scores.begin(), scores.end(), 0.0) / students;
        double largestGap = 0;
        for (const std::vector<int>& group : grouping.groups) {
            double total = 0;
            for (const int student : group)
                total += scores[std::size_t(student)];
            const double gap = std::abs(total / double(group.size()) - mean);
            QVERIFY(gap <= (highest - lowest) / double(group.size()) + 1e-9);
            largestGap = std::max(largestGap, gap);
        }
        QCOMPARE(grouping.largestBalanceGap, largestGap);
    }
}

void TestGrouping::fewestRepeatedPairs_data()
{
    QTest::addColumn<int>("students");
    QTest::addColumn<int>("groupCount");
    QTest::addColumn<int>("rounds");
    QTest::addColumn<bool>("possible");

    QTest::newRow("25 by 5") << 25 << 5 << 4 << true;
    QTest::newRow("49 by 7") << 49 << 7 << 4 << true;
    QTest::newRow("9 by 3") << 9 << 3 << 4 << true;
    QTest::newRow("30 in 6 groups") << 30 << 6 << 4 << true;
    // After three groupings of 12 by 3 about half the histories leave no fourth.
    QTest::newRow("12 by 3") << 12 << 4 << 3 << true;
    QTest::newRow("6 in 2 groups of 3") << 6 << 2 << 4 << false;
}

// Each grouping is made against the three before it, most recent first. Where no
// grouping without repeats exists, the time limit ends the search, not the steps (how
// soon is the benchmark's to say).
void TestGrouping::fewestRepeatedPairs()
{
    QFETCH(int, students);
    QFETCH(int, groupCount);
    QFETCH(int, rounds);
    QFETCH(bool, possible);
    const SteppedClock clock(13);
    ClockSeededRandom random(clock);
    const GroupingRequest request{groupCount, 0, false, possible ? 10s : 50ms,
                                  possible ? 100'000 : INT_MAX};
    const std::vector<double> scores(std::size_t(students), 2.5);
    for (int seed = 0; seed < (possible ? 20 : 2); ++seed) {
        std::vector<Groups> earlier;
        std::vector<int> together(std::size_t(students * students), 0);
        for (int round = 0; round < rounds; ++round) {
            const Grouping grouping = makeGroups(scores, earlier, request, random).value();
            QVERIFY(isEvenPartition(grouping.groups, students));
            int repeated = 0;
            for (const std::vector<int>& group : grouping.groups) {
                for (const int a : group) {
                    for (const int b : group)
                        repeated += a < b && together[std::size_t(a * students + b)]++ > 0;
                }
            }
            QCOMPARE(grouping.repeatedPairs, repeated);
            QCOMPARE(repeated > 0, !possible && round > 0);
            earlier.insert(earlier.begin(), grouping.groups);
            earlier.resize(std::min<std::size_t>(earlier.size(), 3));
        }
    }
}

// Pair bookkeeping in proportion to the class and the time limit over every step: a
// class at the limit is grouped against the groupings before it, with its repeats
// counted right; one more is refused.
void TestGrouping::groupsAClassAtTheLimit()
{
    const SteppedClock clock(17);
    ClockSeededRandom random(clock);
    std::vector<double> scores;
    for (int student = 0; student < LargestGroupedClass; ++student)
        scores.push_back(gradeScore(tally(random), tally(random), tally(random), tally(random)));
    std::vector<Groups> earlier;
    std::vector<std::vector<int>> groupOf;
    for (const bool balanced : {false, true, true}) {
        const Result<Grouping> grouping = makeGroups(scores, earlier, {0, 5, balanced}, random);
        QVERIFY(grouping.ok() && grouping.value().groups.size() == LargestGroupedClass / 5);
        QVERIFY(isEvenPartition(grouping.value().groups, LargestGroupedClass));
        int repeated = 0;
        for (const std::vector<int>& group : grouping.value().groups) {
            for (const int a : group) {
                for (const int b : group)
                    repeated += a < b && std::ranges::any_of(groupOf, [&](const auto& before) {
                                    return before[std::size_t(a)] == before[std::size_t(b)];
                                });
            }
        }
        QCOMPARE(grouping.value().repeatedPairs, repeated);
        earlier.insert(earlier.begin(), grouping.value().groups);
        std::vector<int>& labels = groupOf.emplace_back(std::size_t(LargestGroupedClass));
        for (std::size_t group = 0; group < earlier.front().size(); ++group) {
            for (const int student : earlier.front()[group])
                labels[std::size_t(student)] = int(group);
        }
    }
    scores.push_back(2.5);
    const Result<Grouping> refused = makeGroups(scores, earlier, {0, 5, false}, random);
    QVERIFY(!refused.ok() && refused.error().message.contains(u"超过分组的上限 50000 名"));
}

QTEST_GUILESS_MAIN(TestGrouping)
#include "tst_grouping.moc"
