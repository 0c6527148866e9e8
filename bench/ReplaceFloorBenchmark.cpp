// The least that replacing a file durably takes, the floor for recording a grade:
// copy the class file to a scratch file, fsync it and rename it over a copy of the
// class file. Plain system calls, no parsing, no encoding.
#include "BenchFiles.h"
#include "RosterGenerator.h"

#include <array>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <functional>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>
#include <vector>

using namespace mirello;

namespace {

struct Replacement
{
    qsizetype lines;
    QByteArray original;
    QByteArray source;  // the class file, never changed
    QByteArray scratch; // the copy being made
    QByteArray target;  // a copy of the class file, replaced in every iteration
};

bool writeAll(int file, const char* bytes, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = write(file, bytes, size);
        if (written < 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool copy(int from, int to)
{
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t count = read(from, buffer.data(), buffer.size());
        if (count <= 0)
            return count == 0;
        if (!writeAll(to, buffer.data(), count))
            return false;
    }
}

bool copySyncRename(const Replacement& files)
{
    const int from = open(files.source.constData(), O_RDONLY | O_CLOEXEC);
    const int to = open(files.scratch.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool synced = from >= 0 && to >= 0 && copy(from, to) && fsync(to) == 0;
    const bool closed = (from < 0 || close(from) == 0) && (to < 0 || close(to) == 0);
    return synced && closed && rename(files.scratch.constData(), files.target.constData()) == 0;
}

Replacement prepareReplacement(const QTemporaryDir& folder, qsizetype lines)
{
    const QString name = QString::number(lines);
    Replacement files{lines, generatedRoster(lines), QFile::encodeName(folder.filePath(name)),
                      QFile::encodeName(folder.filePath(name + u".scratch")),
                      QFile::encodeName(folder.filePath(name + u".target"))};
    writeFileOrExit(QFile::decodeName(files.source), files.original);
    return files;
}

void replaceFloorBenchmark(benchmark::State& state, const Replacement& files)
{
    for (auto _ : state) {
        state.PauseTiming();
        writeFileOrExit(QFile::decodeName(files.target), files.original);
        state.ResumeTiming();
        if (!copySyncRename(files)) {
            state.SkipWithError("copy, fsync or rename failed");
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const QTemporaryDir folder;
    std::vector<Replacement> replacements;
    for (const qsizetype lines : {50, 1'000'000})
        replacements.push_back(prepareReplacement(folder, lines));
    for (const Replacement& files : replacements) {
        benchmark::RegisterBenchmark("replace_floor", replaceFloorBenchmark, std::cref(files))
            ->Arg(files.lines)
            ->UseRealTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
