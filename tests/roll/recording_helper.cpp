// A child process for the recording tests: another copy of the program that records
// grades, or that holds the roll folder's lock, until it is done or killed.
//
//   recording_helper [--as-nobody] record <program folder> <class> <name> <grade> <times>
//       Records `times` times (0: until killed), printing "ok" or "refused: <text>"
//       for each recording and "done <successes>" at the end.
//   recording_helper hold-lock <program folder>
//       Takes the roll folder's lock, prints "locked" and waits to be killed.
//
// --as-nobody first drops root's privileges for those of the user "nobody", for whom
// file permissions apply.

#include "platform/FileLock.h"
#include "roll/GradeRecorder.h"

#include <cstdio>
#include <QCoreApplication>
#include <thread>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#else
#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#endif

using namespace mirello;

namespace {

void say(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

bool becomeNobody()
{
#ifdef Q_OS_WIN
    return false;
#else
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
           ::setuid(nobody->pw_uid) == 0;
#endif
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // Lines end in "\n" alone, as the tests read them, not in the CR LF of text mode.
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == u"--as-nobody") {
        args.removeFirst();
        if (!becomeNobody())
            return 3;
    }
    if (args.size() == 2 && args[0] == u"hold-lock") {
        FileLock lock(RollFolder::besideProgram(args[1]).lockFilePath());
        if (lock.acquire(std::chrono::milliseconds(5000)) != FileLock::Outcome::Locked)
            return 1;
        say(QStringLiteral("locked"));
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    if (args.size() != 6 || args[0] != u"record")
        return 2;
    const qint64 times = args[5].toLongLong();
    qint64 successes = 0;
    for (qint64 i = 0; times == 0 || i < times; ++i) {
        const Result<void> result =
            recordGrade(RollFolder::besideProgram(args[1]), args[2], args[3], args[4]);
        successes += result.ok();
        if (times != 0)
            say(result.ok() ? QStringLiteral("ok")
                            : QString(u"refused: " + result.error().text().replace(u'\n', u' ')));
    }
    say(u"done " + QString::number(successes));
}
