// Loading a class: reading the file, decoding GBK and splitting it into lines.
#include "BenchFiles.h"
#include "roll/RosterLoader.h"
#include "RosterGenerator.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

using namespace mirello;

namespace {

void loadRosterBenchmark(benchmark::State& state, const QString& path)
{
    for (auto _ : state) {
        Result<NameList> names = loadRoster(path);
        if (!names) {
            state.SkipWithError(qPrintable(names.error().text()));
            break;
        }
        benchmark::DoNotOptimize(names);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const QTemporaryDir folder;
    for (const qsizetype lines : {50, 10'000, 100'000, 1'000'000}) {
        const QString path = folder.filePath(QString::number(lines) + u".txt");
        writeFileOrExit(path, generatedRoster(lines));
        benchmark::RegisterBenchmark("load_roster", loadRosterBenchmark, path)
            ->Arg(lines)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
