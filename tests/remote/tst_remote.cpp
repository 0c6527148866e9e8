// What other programs ask of Mirello: the command line read in order, its message
// from one copy to another, and the local channel with its bounds.

#include "remote/CommandChannel.h"

#include <QLocalSocket>
#include <QTest>
#include <QUuid>
#include <thread>

using namespace mirello;
using namespace Qt::StringLiterals;
using Kind = RemoteCommand::Kind;

Q_DECLARE_METATYPE(QList<RemoteCommand>)

class TestRemote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsTheCommandLineInOrder_data();
    void readsTheCommandLineInOrder();
    void refusesMessagesThatAreNotCommands_data();
    void refusesMessagesThatAreNotCommands();
    void handsCommandsToTheRunningCopy();
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

// The commands arrive whole and in order and the answer comes back; without a copy
// listening there is no answer; a flood is cut off unanswered.
void TestRemote::handsCommandsToTheRunningCopy()
{
    const QString name = u"mirello-test-"_s + QUuid::createUuid().toString(QUuid::Id128);
    const QList<RemoteCommand> asked{{Kind::Grade, u"4"_s}, {Kind::Record, {}}};
    QCOMPARE(sendToRunningCopy(name, asked, std::chrono::seconds(1)), std::nullopt);

    QList<RemoteCommand> received;
    CommandServer server(name, [&](const QList<RemoteCommand>& commands) {
        received = commands;
        return u"没有名为“9班”的班级"_s;
    });
    QCOMPARE(server.listen(), std::nullopt);
    std::optional<QString> answer;
    std::thread client([&] { answer = sendToRunningCopy(name, asked, std::chrono::seconds(5)); });
    QTRY_VERIFY(!received.isEmpty());
    client.join();
    QCOMPARE(received, asked);
    QCOMPARE(answer, u"没有名为“9班”的班级"_s);

    QLocalSocket flood;
    flood.connectToServer(name);
    QVERIFY(flood.waitForConnected(1000));
    flood.write(QByteArray(64 * 1024, 'x'));
    QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(flood.readAll(), QByteArray());
}

QTEST_GUILESS_MAIN(TestRemote)
#include "tst_remote.moc"
