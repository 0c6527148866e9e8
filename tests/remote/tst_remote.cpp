// What other programs ask of Mirello: the command line read in order, its message
// from one copy to another, and the local channel with its bounds and its owner.

#include "remote/CommandChannel.h"

#include <atomic>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <thread>
#ifndef Q_OS_WIN
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace mirello;
using namespace Qt::StringLiterals;
using Kind = RemoteCommand::Kind;

Q_DECLARE_METATYPE(QList<RemoteCommand>)

namespace {

// A later start's answer, asked from a thread of its own while this one's events turn.
std::optional<QString> ask(const LocalChannelAddress& address,
                           const QList<RemoteCommand>& commands = {},
                           std::chrono::milliseconds wait = std::chrono::seconds(5))
{
    std::optional<QString> answer;
    std::atomic<bool> done = false;
    std::thread client([&] {
        answer = sendToRunningCopy(address, commands, wait);
        done = true;
    });
    static_cast<void>(QTest::qWaitFor([&] { return done.load(); }, int(wait.count()) + 2000));
    client.join();
    return answer;
}

#ifndef Q_OS_WIN
// As the user "nobody" in a child process: listens at `path` or calls there and asks;
// ends with 0 when nothing came over the channel. Only what fork() allows is done.
pid_t asNobody(const QByteArray& path, bool listens)
{
    sockaddr_un place = {};
    place.sun_family = AF_UNIX;
    std::strncpy(place.sun_path, path.constData(), sizeof place.sun_path - 1);
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    ::alarm(10);
    int channel = ::socket(AF_UNIX, SOCK_STREAM, 0);
    auto* at = reinterpret_cast<sockaddr*>(&place);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        ::_exit(3);
    if (listens) {
        if (::bind(channel, at, sizeof place) != 0 || ::listen(channel, 1) != 0)
            ::_exit(4);
        channel = ::accept(channel, nullptr, nullptr);
    } else if (::connect(channel, at, sizeof place) == 0) {
        ::signal(SIGPIPE, SIG_IGN); // the copy may have hung up already
        static_cast<void>(::write(channel, "undo \n\n", 7));
    } else {
        ::_exit(4);
    }
    char heard[64];
    ::_exit(::read(channel, heard, sizeof heard) <= 0 ? 0 : 1);
}
#endif

} // namespace

class TestRemote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheCommandLineInOrder_data();
    void readsTheCommandLineInOrder();
    void refusesMessagesThatAreNotCommands_data();
    void refusesMessagesThatAreNotCommands();
    void carriesTheAnswerBack_data();
    void carriesTheAnswerBack();
    void takesOverOnlyADeadChannel_data();
    void takesOverOnlyADeadChannel();
    void refusesAnotherUsersProgram_data();
    void refusesAnotherUsersProgram();
    void placesTheChannelWhereOnlyThisUserCan_data();
    void placesTheChannelWhereOnlyThisUserCan();
};
void TestRemote::readsTheCommandLineInOrder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QList<RemoteCommand>>("commands");
    // What is wrong, when the line is refused; "usage" for --help.
    QTest::addColumn<QString>("refused");
    const QList<RemoteCommand> none;
    QTest::newRow("nothing: just start") << QStringList() << none << QString();
    QTest::newRow("in the order given") << QStringList{u"--class"_s, u"高一(3)班"_s, u"--grade=2"_s,
                                                       u"--start-pause"_s, u"--record"_s}
                                        << QList<RemoteCommand>{{Kind::Class, u"高一(3)班"_s},
                                                                {Kind::Grade, u"2"_s},
                                                                {Kind::StartPause, {}},
                                                                {Kind::Record, {}}}
                                        << QString();
    QTest::newRow("undo and pass")
        << QStringList{u"--undo"_s, u"--pass"_s}
        << QList<RemoteCommand>{{Kind::Undo, {}}, {Kind::Pass, {}}} << QString();
    QTest::newRow("a countdown and the next pick")
        << QStringList{u"--countdown"_s, u"90"_s, u"--next"_s}
        << QList<RemoteCommand>{{Kind::Countdown, u"90"_s}, {Kind::NextPick, {}}} << QString();
    QTest::newRow("no countdown of nothing") << QStringList{u"--countdown=0"_s} << none << u"0"_s;
    QTest::newRow("no countdown past 99:59")
        << QStringList{u"--countdown=6000"_s} << none << u"6000"_s;
    QTest::newRow("help wins") << QStringList{u"--record"_s, u"--help"_s} << none << u"usage"_s;
    QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << none << u"--bogus"_s;
    QTest::newRow("a bare word") << QStringList{u"record"_s} << none << u"record"_s;
    QTest::newRow("grade out of range") << QStringList{u"--grade"_s, u"5"_s} << none << u"5"_s;
    QTest::newRow("grade missing") << QStringList{u"--grade"_s} << none << u"--grade"_s;
    QTest::newRow("value on a switch") << QStringList{u"--undo=1"_s} << none << u"--undo"_s;
}

void TestRemote::readsTheCommandLineInOrder()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<RemoteCommand>, commands);
    QFETCH(QString, refused);
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (refused == u"usage"_s)
        QVERIFY(std::holds_alternative<UsageAsked>(parsed));
    else if (!refused.isEmpty())
        QVERIFY(std::get<CommandLineMistake>(parsed).what.contains(refused));
    else
        QCOMPARE(std::get<QList<RemoteCommand>>(parsed), commands);
    if (refused.isEmpty())
        QCOMPARE(decodeCommands(encodeCommands(commands)), commands);
}

void TestRemote::refusesMessagesThatAreNotCommands_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("unfinished") << QByteArray("record ");
    QTest::newRow("unknown") << QByteArray("format-disk \n");
    QTest::newRow("no space") << QByteArray("record\n");
    QTest::newRow("bad grade") << QByteArray("grade 9\n");
    QTest::newRow("value on a switch") << QByteArray("undo now\n");
    QTest::newRow("empty class") << QByteArray("class \n");
}

void TestRemote::refusesMessagesThatAreNotCommands()
{
    QFETCH(QByteArray, message);
    QCOMPARE(decodeCommands(message), std::nullopt);
}

void TestRemote::carriesTheAnswerBack_data()
{
    QTest::addColumn<QString>("said");
    // How long carrying out takes, in an event loop of its own, and the client waits.
    QTest::addColumn<int>("carryMs");
    QTest::addColumn<int>("waitMs");
    // Ending in "：", how the answer begins.
    QTest::addColumn<QString>("heard");
    QTest::newRow("done") << QString() << 0 << 5000 << QString();
    QTest::newRow("a failure, in one line")
        << u"班级“9班”无法读取：\n权限不够"_s << 0 << 5000 << u"班级“9班”无法读取： 权限不够"_s;
    QTest::newRow("blanks are no success") << u" \n"_s << 0 << 5000 << u"执行失败，原因不明"_s;
    QTest::newRow("longer than reading may take")
        << u"没有可以撤销的记录"_s << 2600 << 6000 << u"没有可以撤销的记录"_s;
    QTest::newRow("the client gives up first")
        << QString() << 1500 << 300 << u"正在运行的 Mirello 没有回应："_s;
}

// Whatever the carrying-out says comes back whole, however long it takes, and the copy
// outlives a client that left meanwhile; a flood is cut off unanswered.
void TestRemote::carriesTheAnswerBack()
{
    QFETCH(QString, said);
    QFETCH(int, carryMs);
    QFETCH(int, waitMs);
    QFETCH(QString, heard);
    QTemporaryDir dir;
    const LocalChannelAddress address = userChannelAddress(u"channel"_s, dir.path(), dir.path());
    const QList<RemoteCommand> asked{{Kind::Grade, u"4"_s}, {Kind::Record, {}}};
    QCOMPARE(sendToRunningCopy(address, asked, std::chrono::seconds(1)), std::nullopt);
    QList<RemoteCommand> received;
    bool carried = false;
    CommandServer server(address, [&](const QList<RemoteCommand>& commands) {
        received = commands;
        QEventLoop loop;
        QTimer::singleShot(carryMs, &loop, &QEventLoop::quit);
        loop.exec();
        carried = true;
        return said;
    });
    QCOMPARE(server.listen(), std::nullopt);
    const std::optional<QString> answer = ask(address, asked, std::chrono::milliseconds(waitMs));
    QTRY_VERIFY_WITH_TIMEOUT(carried, carryMs + 1000);
    QCOMPARE(received, asked);
    QVERIFY(answer);
    if (heard.endsWith(u'：'))
        QVERIFY2(answer->startsWith(heard), qPrintable(*answer));
    else
        QCOMPARE(*answer, heard);

    QLocalSocket flood;
    flood.setSocketOptions(address.abstractName ? QLocalSocket::AbstractNamespaceOption
                                                : QLocalSocket::NoOptions);
    flood.connectToServer(address.serverName);
    QVERIFY(flood.waitForConnected(1000));
    flood.write(QByteArray(64 * 1024, 'x'));
    QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(flood.readAll(), QByteArray());
}

void TestRemote::takesOverOnlyADeadChannel_data()
{
    QTest::addColumn<QString>("left");
    QTest::newRow("nothing there") << u"nothing"_s;
    QTest::newRow("a crashed copy's socket") << u"dead"_s;
    QTest::newRow("a copy running") << u"live"_s;
}

// A second start never takes the channel of the copy running, also not when it ends.
void TestRemote::takesOverOnlyADeadChannel()
{
    QFETCH(QString, left);
    QTemporaryDir dir;
    const LocalChannelAddress address = userChannelAddress(u"channel"_s, dir.path(), dir.path());
    std::optional<CommandServer> first;
    if (left == u"live") {
        first.emplace(address, [](const QList<RemoteCommand>&) { return u"第一个"_s; });
        QCOMPARE(first->listen(), std::nullopt);
    } else if (left == u"dead") {
#ifdef Q_OS_WIN
        QSKIP("A pipe ends with the program that made it: none is left behind.");
#else
        sockaddr_un place = {};
        place.sun_family = AF_UNIX;
        std::strncpy(place.sun_path, QFile::encodeName(address.serverName).constData(),
                     sizeof place.sun_path - 1);
        const int channel = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::bind(channel, reinterpret_cast<sockaddr*>(&place), sizeof place), 0);
        ::close(channel);
#endif
    }
    const std::optional<QString> firstAnswer =
        first ? std::optional(u"第一个"_s) : std::optional<QString>();
    QCOMPARE(ask(address), firstAnswer);
    {
        CommandServer second(address, [](const QList<RemoteCommand>&) { return u"第二个"_s; });
        QCOMPARE(second.listen().has_value(), first.has_value());
        QCOMPARE(ask(address), first ? firstAnswer : u"第二个"_s);
    }
    QCOMPARE(ask(address), firstAnswer);
}

void TestRemote::refusesAnotherUsersProgram_data()
{
    QTest::addColumn<bool>("theyListen");
    QTest::newRow("another user's program listens") << true;
    QTest::newRow("another user's program calls") << false;
}

// Neither end hands anything to a program of another user.
void TestRemote::refusesAnotherUsersProgram()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no other user to run as here.");
#else
    QFETCH(bool, theyListen);
    if (::geteuid() != 0)
        QSKIP("Only root can run a program as another user.");
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
    const LocalChannelAddress address{dir.filePath(u"channel"_s)};
    const QByteArray path = QFile::encodeName(address.serverName);
    bool carried = false;
    CommandServer server(address, [&](const QList<RemoteCommand>&) {
        carried = true;
        return QString();
    });
    if (!theyListen) {
        QCOMPARE(server.listen(), std::nullopt);
        QVERIFY(::chmod(path.constData(), 0777) == 0);
    }
    const pid_t child = asNobody(path, theyListen);
    QTRY_VERIFY(QFileInfo::exists(address.serverName));
    if (theyListen) {
        const std::optional<QString> answer = ask(address, {{Kind::Undo, {}}});
        QVERIFY(answer && answer->contains(u"其他用户（用户号 65534）"_s));
    }
    int status = -1;
    pid_t ended = 0;
    QTRY_VERIFY_WITH_TIMEOUT(ended == child || (ended = ::waitpid(child, &status, WNOHANG)), 10000);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(!carried);
#endif
}

void TestRemote::placesTheChannelWhereOnlyThisUserCan_data()
{
    // The runtime folder's mode (0: none) and its owner; what is at "mirello-<uid>"
    // in the shared folder: nothing, ours with `sharedMode`, nobody's, or a link.
    QTest::addColumn<uint>("runtimeMode");
    QTest::addColumn<bool>("runtimeOurs");
    QTest::addColumn<QString>("shared");
    QTest::addColumn<uint>("sharedMode");
    QTest::addColumn<QString>("place");
    QTest::newRow("our runtime folder") << 0700u << true << QString() << 0u << u"runtime"_s;
    QTest::newRow("a runtime folder others enter")
        << 0755u << true << QString() << 0u << u"shared"_s;
    QTest::newRow("another user's runtime folder")
        << 0700u << false << QString() << 0u << u"shared"_s;
    QTest::newRow("no runtime folder") << 0u << true << QString() << 0u << u"shared"_s;
    QTest::newRow("ours, left from before") << 0u << true << u"ours"_s << 0700u << u"shared"_s;
    QTest::newRow("ours, but others write there")
        << 0u << true << u"ours"_s << 0733u << u"abstract"_s;
    QTest::newRow("another user's first") << 0u << true << u"nobody"_s << 0700u << u"abstract"_s;
    QTest::newRow("a link to ours") << 0u << true << u"link"_s << 0700u << u"abstract"_s;
}

void TestRemote::placesTheChannelWhereOnlyThisUserCan()
{
#ifdef Q_OS_WIN
    QSKIP("Windows names a pipe by the user's SID: there are no folders to choose.");
#else
    QFETCH(uint, runtimeMode);
    QFETCH(bool, runtimeOurs);
    QFETCH(QString, shared);
    QFETCH(uint, sharedMode);
    QFETCH(QString, place);
    if (::geteuid() != 0 && (!runtimeOurs || shared == u"nobody"))
        QSKIP("Only root can make a folder of another user.");
    QTemporaryDir dir;
    const QString runtime = dir.filePath(u"run"_s);
    const QString temporary = dir.filePath(u"tmp"_s);
    const QString ours = temporary + u"/mirello-"_s + QString::number(::getuid());
    const auto make = [](const QString& path, uint mode, bool mine) {
        const QByteArray name = QFile::encodeName(path);
        return ::mkdir(name.constData(), 0700) == 0 && ::chmod(name.constData(), mode) == 0 &&
               (mine || ::chown(name.constData(), 65534, 65534) == 0);
    };
    QVERIFY(make(temporary, 0755, true));
    QVERIFY(runtimeMode == 0 || make(runtime, runtimeMode, runtimeOurs));
    QVERIFY(shared.isEmpty() || shared == u"link" || make(ours, sharedMode, shared == u"ours"));
    const QString elsewhere = dir.filePath(u"elsewhere"_s);
    QVERIFY(shared != u"link" || (make(elsewhere, 0700, true) && QFile::link(elsewhere, ours)));
    const LocalChannelAddress address =
        userChannelAddress(u"x"_s, runtimeMode ? runtime : QString(), temporary);
    const QString folder = place == u"runtime" ? runtime : ours;
    QCOMPARE(address.abstractName, place == u"abstract");
    if (place != u"abstract")
        QCOMPARE(address.serverName, folder + u"/x"_s);
    struct stat made = {};
    QVERIFY(place != u"shared" || (::lstat(QFile::encodeName(ours).constData(), &made) == 0 &&
                                   (made.st_mode & 077) == 0));
#endif
}

QTEST_GUILESS_MAIN(TestRemote)
#include "tst_remote.moc"
