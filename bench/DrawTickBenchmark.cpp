// One draw tick with the real clock-seeded random source: reseed, draw, and build
// the three texts, for a small class and a huge one, in every mode: every tick at
// random as it always was, the same with one student absent, and once per round
// halfway through a round; ten drawn at once against ten plain ticks. Beside them,
// what the huge class adds at the least: one
// read from a random place in memory of its size; and what choosing a class adds
// for the round: finding its students and the kept marks of one of them.
#include "draw/DrawTick.h"
#include "draw/RoundDraw.h"
#include "lesson/DrawSession.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"
#include "roll/ClassState.h"
#include "roll/RosterLoader.h"
#include "RosterGenerator.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <functional>
#include <numeric>
#include <QTemporaryDir>
#include <random>
#include <vector>

using namespace mirello;

namespace {

// About what a class of 1,000,000 lines takes in memory: 44 MB of text and 8 MB of
// line starts.
constexpr std::size_t HugeClassBytes = 52 << 20;
constexpr std::size_t CacheLineWords = 64 / sizeof(std::size_t);

void drawTickBenchmark(benchmark::State& state, const std::optional<NameList>& names)
{
    const SystemClock clock;
    ClockSeededRandom random(clock);
    for (auto _ : state)
        benchmark::DoNotOptimize(drawTick(names, random));
}

enum class Mode
{
    RoundHalfCalled,
    OneAbsent,
};

void modeTickBenchmark(benchmark::State& state, const std::optional<NameList>& names, Mode mode)
{
    RoundDraw draw(studentLines(*names));
    if (mode == Mode::OneAbsent) {
        draw.setAbsent(0, true);
    } else {
        draw.setMode(DrawMode::OncePerRound);
        for (qsizetype student = 0; student < draw.studentCount(); student += 2)
            draw.setCalled(student, true);
    }
    const SystemClock clock;
    ClockSeededRandom random(clock);
    for (auto _ : state)
        benchmark::DoNotOptimize(draw.tick(names, random));
}

void classSetupBenchmark(benchmark::State& state, const std::optional<NameList>& names)
{
    ClassState kept;
    const std::vector<quint32> lines = studentLines(*names);
    kept.change(studentKey(*names, lines, qsizetype(lines.size() / 2)),
                [](StudentMarks& marks) { marks.calledThisRound = true; });
    for (auto _ : state) {
        RoundDraw draw(studentLines(*names));
        for (const auto& [student, marks] : markedStudents(*names, draw.lines(), kept))
            draw.setCalled(student, marks.calledThisRound);
        benchmark::DoNotOptimize(draw);
    }
}

// One Pause that draws ten at once, as the window does it: the last tick, the stop
// on ten different students and the texts of each. Its floor: ten plain ticks.
void tenAtOnceBenchmark(benchmark::State& state, const std::optional<NameList>& names)
{
    const SystemClock clock;
    ClockSeededRandom random(clock);
    const QTemporaryDir folder;
    DrawSession session(RollFolder::at(folder.path()), clock, [](const auto&, const auto&) {});
    (void)session.classLoaded(QStringLiteral("bench.txt"), *names);
    for (auto _ : state) {
        const DrawTexts last = session.tick(names, random);
        for (const qsizetype line : session.stop(last.line, 10, random))
            benchmark::DoNotOptimize(textsOfLine(*names, line));
    }
}

void tenTicksBenchmark(benchmark::State& state, const std::optional<NameList>& names)
{
    const SystemClock clock;
    ClockSeededRandom random(clock);
    for (auto _ : state) {
        for (int tick = 0; tick < 10; ++tick)
            benchmark::DoNotOptimize(drawTick(names, random));
    }
}

// A cycle through every cache line of `bytes` of memory in random order: each word
// holds the index of the next one to read, so every read waits for the one before.
std::vector<std::size_t> randomCycle(std::size_t bytes)
{
    std::vector<std::size_t> order(bytes / sizeof(std::size_t) / CacheLineWords);
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::shuffle(order.begin(), order.end(), std::mt19937_64(1));
    std::vector<std::size_t> cycle(order.size() * CacheLineWords);
    for (std::size_t i = 0; i < order.size(); ++i)
        cycle[order[i] * CacheLineWords] = order[(i + 1) % order.size()] * CacheLineWords;
    return cycle;
}

void randomReadBenchmark(benchmark::State& state, const std::vector<std::size_t>& cycle)
{
    std::size_t at = 0;
    for (auto _ : state) {
        at = cycle[at];
        benchmark::DoNotOptimize(at);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::vector<qsizetype> lineCounts = {50, 100'000, 1'000'000};
    std::vector<std::optional<NameList>> rosters;
    for (const qsizetype lines : lineCounts)
        rosters.emplace_back(nameListFromBytes(generatedRoster(lines)));
    for (std::size_t i = 0; i < rosters.size(); ++i) {
        benchmark::RegisterBenchmark("draw_tick", drawTickBenchmark, std::cref(rosters[i]))
            ->Arg(lineCounts[i])
            ->UseRealTime()
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark("draw_tick_round", modeTickBenchmark, std::cref(rosters[i]),
                                     Mode::RoundHalfCalled)
            ->Arg(lineCounts[i])
            ->UseRealTime()
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark("draw_tick_absent", modeTickBenchmark, std::cref(rosters[i]),
                                     Mode::OneAbsent)
            ->Arg(lineCounts[i])
            ->UseRealTime()
            ->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark("class_students", classSetupBenchmark, std::cref(rosters[i]))
            ->Arg(lineCounts[i])
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("ten_at_once", tenAtOnceBenchmark, std::cref(rosters[0]))
        ->Arg(lineCounts[0])
        ->UseRealTime()
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("ten_ticks", tenTicksBenchmark, std::cref(rosters[0]))
        ->Arg(lineCounts[0])
        ->UseRealTime()
        ->Unit(benchmark::kNanosecond);
    const std::vector<std::size_t> cycle = randomCycle(HugeClassBytes);
    benchmark::RegisterBenchmark("random_read", randomReadBenchmark, std::cref(cycle))
        ->Arg(HugeClassBytes >> 20)
        ->UseRealTime()
        ->Unit(benchmark::kNanosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
