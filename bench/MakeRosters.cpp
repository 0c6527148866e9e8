// Writes generated class rolls for the measurements made from outside the
// program. Usage: make_rosters <folder> <line count>...; each roll goes to
// <folder>/<line count>.txt.
#include "BenchFiles.h"
#include "RosterGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <QDir>

using namespace mirello;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s <folder> <line count>...\n", argv[0]);
        return EXIT_FAILURE;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const qsizetype lines = std::strtoll(argv[i], nullptr, 10);
        writeFileOrExit(folder.filePath(QString::number(lines) + u".txt"), generatedRoster(lines));
    }
    return EXIT_SUCCESS;
}
