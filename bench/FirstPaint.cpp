// Starts a program and prints, in milliseconds, how long it took from just before
// its process was created until its window titled <title> was first painted; then
// ends the program. Needs an X server with the Damage extension.
// Usage: first_paint <title> <program> [arguments...]
#include "PaintWatcher.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace mirello;
using namespace std::chrono_literals;

namespace {

constexpr auto GiveUpAfter = 60s;

pid_t start(char** command)
{
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    return child;
}

bool hasEnded(pid_t child)
{
    int status = 0;
    return waitpid(child, &status, WNOHANG) != 0;
}

void end(pid_t child)
{
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "Usage: %s <title> <program> [arguments...]\n", argv[0]);
        return EXIT_FAILURE;
    }
    PaintWatcher watcher;
    if (!watcher.connected()) {
        std::fprintf(stderr, "No X server with the Damage extension at $DISPLAY\n");
        return EXIT_FAILURE;
    }
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = start(argv + 2);
    if (child < 0) {
        std::perror("fork");
        return EXIT_FAILURE;
    }
    while (!watcher.sawPaint(argv[1], 50ms)) {
        const bool ended = hasEnded(child);
        if (ended || std::chrono::steady_clock::now() - started > GiveUpAfter) {
            std::fprintf(stderr, "%s showed no window titled \"%s\"\n", argv[2], argv[1]);
            if (!ended)
                end(child);
            return EXIT_FAILURE;
        }
    }
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - started;
    end(child);
    std::printf("%.3f\n", elapsed.count());
    return EXIT_SUCCESS;
}
