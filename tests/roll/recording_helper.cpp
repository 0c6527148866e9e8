// A child process for the recording tests: another copy of the program that records
// grades, or that holds the roll folder's lock, until it is done or killed.
//
//   recording_helper [--as-nobody] record <program folder> <class file> <name> <grade> <times>
//       Records `times` times (0: until killed). Prints "ok" or "refused: <message>"
//       for each recording and "done <successes>" at the end.
//   recording_helper [--as-nobody] hold-lock <roll folder>
//       Takes the roll folder's lock, prints "locked" and waits to be killed.
//
// --as-nobody drops root's privileges first and runs as the user "nobody", for whom
// file permissions apply.

#include "roll/GradeRecorder.h"
#include "roll/RollFolderLock.h"

#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <QCoreApplication>
#include <QStringList>
#include <thread>
#include <unistd.h>

using namespace mirello;

namespace {

void say(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

bool becomeNobody()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
           ::setuid(nobody->pw_uid) == 0;
}

int record(const QStringList& args)
{
    if (args.size() != 5)
        return 2;
    const RollFolder folder(args[0]);
    const qint64 times = args[4].toLongLong();
    qint64 successes = 0;
    for (qint64 i = 0; times == 0 || i < times; ++i) {
        const Result<void> result = recordGrade(folder, args[1], args[2], args[3]);
        if (result.ok()) {
            ++successes;
            if (times != 0)
                say(QStringLiteral("ok"));
        } else if (times != 0) {
            say(u"refused: " + result.error().text().replace(u'\n', u' '));
        }
    }
    say(u"done " + QString::number(successes));
    return 0;
}

int holdLock(const QStringList& args)
{
    if (args.size() != 1)
        return 2;
    RollFolderLock lock(args[0]);
    if (lock.acquire(std::chrono::milliseconds(5000)) != RollFolderLock::Outcome::Locked) {
        say(u"not locked: " + lock.failureReason());
        return 1;
    }
    say(QStringLiteral("locked"));
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.first() == u"--as-nobody") {
        args.removeFirst();
        if (!becomeNobody()) {
            say(QStringLiteral("cannot become nobody"));
            return 3;
        }
    }
    if (args.isEmpty())
        return 2;
    const QString mode = args.takeFirst();
    if (mode == u"record")
        return record(args);
    if (mode == u"hold-lock")
        return holdLock(args);
    return 2;
}
