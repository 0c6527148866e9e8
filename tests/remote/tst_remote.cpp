// What other programs ask of Mirello: the command line read in order, a phone's action
// with what it aimed at, the message from one copy to another, and the local channel
// with its bounds and its owner.

#include "remote/CommandChannel.h"

#include <atomic>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
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
using enum Feature;

Q_DECLARE_METATYPE(QList<RemoteCommand>)

namespace {

const QList<RemoteCommand> Asked{{ChooseFail, {}}, {Record, {}}};

// A later start's answer, asked from a thread of its own while this one's events turn.
std::optional<QString> ask(const LocalChannelAddress& address, int waitMs = 5000)
{
    std::optional<QString> answer;
    std::atomic<bool> done = false;
    std::thread client([&] {
        answer = sendToRunningCopy(address, Asked, std::chrono::milliseconds(waitMs));
        done = true;
    });
    static_cast<void>(QTest::qWaitFor([&] { return done.load(); }, waitMs + 2000));
    client.join();
    return answer;
}

#ifndef Q_OS_WIN
// In a child process, as the user "nobody": listens at `path` ("listens"), or calls
// there and asks ("calls"); or, as this user, binds there and ends as a crash leaves it
// ("dies"). Ends with 0 when nothing came over the channel. Does only what fork() allows.
pid_t child(const QByteArray& path, QStringView does)
{
    sockaddr_un place = {AF_UNIX, {}};
    std::strncpy(place.sun_path, path.constData(), sizeof place.sun_path - 1);
    auto* at = reinterpret_cast<sockaddr*>(&place);
    const bool calls = does == u"calls", dies = does == u"dies";
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    ::alarm(10);
    ::signal(SIGPIPE, SIG_IGN); // the copy may have hung up already
    if (!dies && (::setgid(65534) != 0 || ::setuid(65534) != 0))
        ::_exit(3);
    int channel = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (calls ? ::connect(channel, at, sizeof place) != 0 : ::bind(channel, at, sizeof place) != 0)
        ::_exit(4);
    if (dies)
        ::_exit(0);
    if (calls)
        static_cast<void>(::write(channel, "undo \n\n", 7));
    else if (::listen(channel, 1) != 0 || (channel = ::accept(channel, nullptr, nullptr)) < 0)
        ::_exit(5);
    char heard[64];
    ::_exit(::read(channel, heard, sizeof heard) <= 0 ? 0 : 1);
}

// The child's exit code, the events turning meanwhile; -1 when it did not end in time.
int exitCode(pid_t child)
{
    int status = -1;
    const bool ended =
        QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000);
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

} // namespace

class TestRemote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheCommandLineInOrder_data();
    void readsTheCommandLineInOrder();
    void readsWhatAPhoneAimedAt_data();
    void readsWhatAPhoneAimedAt();
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
                                        << QList<RemoteCommand>{{ChooseClass, u"高一(3)班"_s},
                                                                {ChooseGood, {}},
                                                                {StartPause, {}},
                                                                {Record, {}}}
                                        << QString();
    QTest::newRow("undo and pass") << QStringList{u"--undo"_s, u"--pass"_s}
                                   << QList<RemoteCommand>{{Undo, {}}, {Pass, {}}} << QString();
    QTest::newRow("a countdown and the next pick")
        << QStringList{u"--countdown"_s, u"90"_s, u"--next"_s}
        << QList<RemoteCommand>{{CountdownFor, u"90"_s}, {NextPick, {}}} << QString();
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

void TestRemote::readsWhatAPhoneAimedAt_data()
{
    QTest::addColumn<QByteArray>("message");
    // "feature:draw:grade:drawing", or "" when it is not an action.
    QTest::addColumn<QString>("read");
    QTest::newRow("a grade on a draw")
        << R"({"do":"record","class":"1班.txt","draw":"d1","grade":"2"})"_ba << u"1:d1:2:0"_s;
    QTest::newRow("start, seen still")
        << R"({"do":"start-pause","drawing":false})"_ba << u"0:::0"_s;
    QTest::newRow("pause, seen flickering")
        << R"({"do":"start-pause","drawing":true})"_ba << u"0:::1"_s;
    QTest::newRow("an aim too long to be one")
        << QByteArray(R"({"do":"pass","draw":")" + QByteArray(300, 'x') + R"("})") << u"8:::0"_s;
    QTest::newRow("no grade 5") << R"({"do":"record","grade":"5"})"_ba << QString();
    QTest::newRow("no such action") << R"({"do":"format-disk"})"_ba << QString();
    QTest::newRow("a value on a switch") << R"({"do":"undo","arg":"1"})"_ba << QString();
}

void TestRemote::readsWhatAPhoneAimedAt()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, read);
    const std::optional<RemoteCommand> command =
        phoneCommand(QJsonDocument::fromJson(message).object());
    QCOMPARE(command.has_value(), !read.isEmpty());
    if (!command)
        return;
    QVERIFY(command->aim.given); // a phone's action never acts on whatever is on screen
    QCOMPARE(u"%1:%2:%3:%4"_s.arg(int(command->feature))
                 .arg(command->aim.draw, command->aim.grade)
                 .arg(int(command->aim.drawing)),
             read);
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
    const std::optional<QString> answer = ask(address, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(carried, carryMs + 1000);
    QCOMPARE(received, Asked);
    QVERIFY(answer && (heard.endsWith(u'：') ? answer->startsWith(heard) : *answer == heard));

    QLocalSocket flood;
    reachAddress(flood, address);
    QVERIFY(flood.waitForConnected(1000));
    flood.write(QByteArray(64 * 1024, 'x'));
    QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(flood.readAll(), QByteArray());
}

void TestRemote::takesOverOnlyADeadChannel_data()
{
    QTest::addColumn<QString>("left");
    QTest::newRow("nothing there") << u"nothing"_s;
    QTest::newRow("a crashed copy's socket") << u"dies"_s;
    QTest::newRow("a copy running") << u"runs"_s;
}

// A second start never takes the channel of the copy running, not even as it ends.
void TestRemote::takesOverOnlyADeadChannel()
{
    QFETCH(QString, left);
    QTemporaryDir dir;
    const LocalChannelAddress address = userChannelAddress(u"channel"_s, dir.path(), dir.path());
    std::optional<CommandServer> first;
    if (left == u"runs") {
        first.emplace(address, [](const QList<RemoteCommand>&) { return u"第一个"_s; });
        QCOMPARE(first->listen(), std::nullopt);
    }
#ifdef Q_OS_WIN
    if (left == u"dies")
        QSKIP("A pipe ends with the program that made it: none is left behind.");
#else
    QVERIFY(left != u"dies" || exitCode(child(QFile::encodeName(address.serverName), left)) == 0);
#endif
    const std::optional<QString> firstAnswer = first ? std::optional(u"第一个"_s) : std::nullopt;
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
    QTest::addColumn<QString>("they");
    QTest::newRow("another user's program listens") << u"listens"_s;
    QTest::newRow("another user's program calls") << u"calls"_s;
}

// Neither end hands anything to a program of another user.
void TestRemote::refusesAnotherUsersProgram()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no other user to run as here.");
#else
    QFETCH(QString, they);
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
    QVERIFY(they == u"listens" ||
            (server.listen() == std::nullopt && ::chmod(path.constData(), 0777) == 0));
    const pid_t other = child(path, they);
    QTRY_VERIFY(QFileInfo::exists(address.serverName));
    QVERIFY(they == u"calls" ||
            ask(address).value_or(QString()).contains(u"其他用户（用户号 65534）"));
    QCOMPARE(exitCode(other), 0);
    QVERIFY(!carried);
#endif
}

void TestRemote::placesTheChannelWhereOnlyThisUserCan_data()
{
    // The runtime folder and what is at "mirello-<uid>" in the shared folder: nothing,
    // a folder of that mode, ours or nobody's, or a link to a folder of ours.
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("shared");
    QTest::addColumn<QString>("place");
    QTest::newRow("our runtime folder") << u"700 ours"_s << QString() << u"runtime"_s;
    QTest::newRow("a runtime folder others enter") << u"755 ours"_s << QString() << u"shared"_s;
    QTest::newRow("another user's runtime folder") << u"700 nobody"_s << QString() << u"shared"_s;
    QTest::newRow("ours, left from before") << QString() << u"700 ours"_s << u"shared"_s;
    QTest::newRow("ours, but others write there") << QString() << u"733 ours"_s << u"abstract"_s;
    QTest::newRow("another user's first") << QString() << u"700 nobody"_s << u"abstract"_s;
    QTest::newRow("a link to ours") << QString() << u"link"_s << u"abstract"_s;
}

void TestRemote::placesTheChannelWhereOnlyThisUserCan()
{
#ifdef Q_OS_WIN
    QSKIP("Windows names a pipe by the user's SID: there are no folders to choose.");
#else
    QFETCH(QString, runtime);
    QFETCH(QString, shared);
    QFETCH(QString, place);
    if (::geteuid() != 0 && QString(runtime + shared).contains(u"nobody"))
        QSKIP("Only root can make a folder of another user.");
    QTemporaryDir dir;
    const QString runtimeFolder = dir.filePath(u"run"_s);
    const QString ours = dir.filePath(u"mirello-"_s + QString::number(::getuid()));
    const auto make = [](const QString& path, const QString& mode) {
        const QByteArray name = QFile::encodeName(path);
        return mode.isEmpty() ||
               (::mkdir(name.constData(), 0700) == 0 &&
                ::chmod(name.constData(), mode.left(3).toUInt(nullptr, 8)) == 0 &&
                (mode.endsWith(u"ours") || ::chown(name.constData(), 65534, 65534) == 0));
    };
    QVERIFY(make(runtimeFolder, runtime));
    QVERIFY(shared == u"link" ? QFile::link(dir.path(), ours) : make(ours, shared));
    const LocalChannelAddress address =
        userChannelAddress(u"x"_s, runtime.isEmpty() ? QString() : runtimeFolder, dir.path());
    QCOMPARE(address.abstractName, place == u"abstract");
    if (place != u"abstract")
        QCOMPARE(address.serverName, (place == u"runtime" ? runtimeFolder : ours) + u"/x"_s);
    struct stat made = {};
    QVERIFY(place != u"shared" ||
            (::stat(QFile::encodeName(ours).constData(), &made) == 0 && (made.st_mode & 077) == 0));
#endif
}

QTEST_GUILESS_MAIN(TestRemote)
#include "tst_remote.moc"
