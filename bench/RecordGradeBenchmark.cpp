// Recording one grade, from reading the class file to the synced rename of its new
// content, for a small class and a huge one. Every recording starts from the same
// file, written back untimed, so the counters never run full.
#include "BenchFiles.h"
#include "roll/GradeRecorder.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "RosterGenerator.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <QDir>
#include <QTemporaryDir>
#include <vector>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

struct Recording
{
    qsizetype lines;
    RollFolder folder;
    QString classFileName;
    QByteArray original;
    QString personName;
};

// A class of `lines` students in the roll folder under `programFolder`, recorded
// for the student in the middle of it.
Recording prepareRecording(const QString& programFolder, qsizetype lines)
{
    Recording recording{lines,
                        RollFolder::besideProgram(programFolder),
                        QString::number(lines) + u".txt",
                        generatedRoster(lines),
                        {}};
    const NameList names = nameListFromBytes(recording.original);
    recording.personName = RollRecord(names.at(lines / 2)).personName().value().toString();
    QDir().mkpath(recording.folder.path());
    return recording;
}

void recordGradeBenchmark(benchmark::State& state, const Recording& recording)
{
    const QString path = recording.folder.classFilePath(recording.classFileName);
    for (auto _ : state) {
        state.PauseTiming();
        writeFileOrExit(path, recording.original);
        state.ResumeTiming();
        const Result<void> recorded =
            recordGrade(recording.folder, recording.classFileName, recording.personName, u"良好"_s);
        if (!recorded) {
            state.SkipWithError(qPrintable(recorded.error().text()));
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const QTemporaryDir programFolder;
    std::vector<Recording> recordings;
    for (const qsizetype lines : {50, 1'000'000})
        recordings.push_back(prepareRecording(programFolder.path(), lines));
    for (const Recording& recording : recordings) {
        benchmark::RegisterBenchmark("record_grade", recordGradeBenchmark, std::cref(recording))
            ->Arg(recording.lines)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
