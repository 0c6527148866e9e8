/* The portable folder's mirello and mirello-xlsx: they start the program of their own
 * name in bin/ through the C library's loader in lib/, so that it runs on the C and
 * C++ runtimes it was built with, whatever the system has. Linked statically, so that
 * it needs no C library itself. The loader takes the folder's lib/ as its library
 * path for this process only: programs that Mirello starts in turn, a browser say,
 * run on the system's own libraries. */
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#if defined(__x86_64__)
#define LOADER "ld-linux-x86-64.so.2"
#elif defined(__aarch64__)
#define LOADER "ld-linux-aarch64.so.1"
#else
#error "the folder's C library loader has no known name on this processor"
#endif

static void fail(const char* what, const char* path)
{
    fprintf(stderr, "Mirello 无法启动：%s %s：%s\n", what, path, strerror(errno));
    exit(127);
}

int main(int argc, char* argv[])
{
    /* The file itself, links resolved: a link to it on the desktop starts the folder. */
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        if (!realpath(argv[0], self))
            fail("找不到程序自身", argv[0]);
    } else {
        self[length] = '\0';
    }
    char* slash = strrchr(self, '/');
    *slash = '\0';
    const char* folder = self;
    const char* name = slash + 1;

    char loader[PATH_MAX], libraries[PATH_MAX], program[PATH_MAX];
    if (snprintf(loader, sizeof loader, "%s/lib/" LOADER, folder) >= (int)sizeof loader ||
        snprintf(libraries, sizeof libraries, "%s/lib", folder) >= (int)sizeof libraries ||
        snprintf(program, sizeof program, "%s/bin/%s", folder, name) >= (int)sizeof program) {
        errno = ENAMETOOLONG;
        fail("文件夹路径太长", folder);
    }
    /* /proc/self/exe names the loader from here on: the program learns its folder so. */
    if (setenv("MIRELLO_FOLDER", folder, 1) != 0)
        fail("无法设置环境变量", "MIRELLO_FOLDER");

    char** arguments = calloc((size_t)argc + 7, sizeof *arguments);
    if (!arguments)
        fail("内存不足", "");
    int next = 0;
    arguments[next++] = loader;
    arguments[next++] = "--library-path";
    arguments[next++] = libraries;
    arguments[next++] = "--argv0";
    arguments[next++] = argv[0];
    arguments[next++] = program;
    for (int i = 1; i < argc; ++i)
        arguments[next++] = argv[i];
    execv(loader, arguments);
    fail("无法运行", loader);
}
