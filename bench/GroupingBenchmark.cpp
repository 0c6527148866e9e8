// Grouping a class of 60 in groups of 5, balanced by score and against its three
// earlier groupings, beside its floor: sorting the 60 students by score, which the
// balanced deal does first. And the same class in two groups, where pairs must
// repeat, so the search runs to its time limit of 50 ms.
#include "draw/Grouping.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

using namespace mirello;

namespace {

constexpr int ClassSize = 60;
constexpr int GroupSize = 5;

struct Student
{
    int number = 0;
    double score = 0;
};

std::vector<double> classScores(RandomSource& random)
{
    std::vector<double> scores;
    for (int student = 0; student < ClassSize; ++student) {
        const auto tally = [&] {
            return qint64(random.next() * 5);
        };
        scores.push_back(gradeScore(tally(), tally(), tally(), tally()));
    }
    return scores;
}

// Three groupings made one after another, each against those before, most recent first.
std::vector<Groups> earlierGroupings(const std::vector<double>& scores, RandomSource& random)
{
    std::vector<Groups> earlier;
    for (int round = 0; round < 3; ++round)
        earlier.insert(earlier.begin(),
                       makeGroups(scores, earlier, {0, GroupSize, true}, random).value().groups);
    return earlier;
}

void groupingBenchmark(benchmark::State& state, int groupSize)
{
    const SystemClock clock;
    ClockSeededRandom random(clock);
    const std::vector<double> scores = classScores(random);
    const std::vector<Groups> earlier = earlierGroupings(scores, random);
    int repeated = 0;
    for (auto _ : state) {
        const Grouping grouping = makeGroups(scores, earlier, {0, groupSize, true}, random).value();
        repeated += grouping.repeatedPairs;
        benchmark::DoNotOptimize(grouping);
    }
    state.counters["repeated_pairs"] =
        benchmark::Counter(repeated, benchmark::Counter::kAvgIterations);
}

void sortFloorBenchmark(benchmark::State& state)
{
    const SystemClock clock;
    ClockSeededRandom random(clock);
    const std::vector<double> scores = classScores(random);
    std::vector<Student> students;
    for (int student = 0; student < ClassSize; ++student)
        students.push_back({student, scores[std::size_t(student)]});
    for (auto _ : state) {
        std::vector<Student> sorted = students;
        std::sort(sorted.begin(), sorted.end(),
                  [](const Student& a, const Student& b) { return a.score > b.score; });
        benchmark::DoNotOptimize(sorted.data());
    }
}

} // namespace

BENCHMARK_CAPTURE(groupingBenchmark, balanced_history, GroupSize)
    ->Arg(ClassSize)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(groupingBenchmark, two_groups_must_repeat, ClassSize / 2)
    ->Arg(ClassSize)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(sortFloorBenchmark)
    ->Name("sort_floor")
    ->Arg(ClassSize)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
