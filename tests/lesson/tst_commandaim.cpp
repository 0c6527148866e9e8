// A phone's tap acts on what the phone showed, or on nobody: its action read with what
// it aimed at, and checked against what the window shows when it arrives.

#include "lesson/CommandAim.h"
#include "remote/CommandLine.h"

#include <QJsonDocument>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mirello::RemoteCommand)

class TestCommandAim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsWhatAPhoneAimedAt_data();
    void readsWhatAPhoneAimedAt();
    void actsOnlyOnWhatWasShown_data();
    void actsOnlyOnWhatWasShown();
};

void TestCommandAim::readsWhatAPhoneAimedAt_data()
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

void TestCommandAim::readsWhatAPhoneAimedAt()
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

void TestCommandAim::actsOnlyOnWhatWasShown_data()
{
    using enum Feature;
    QTest::addColumn<RemoteCommand>("command");
    // Whether it is carried out with 1班's draw d2 on screen and recording r7 to undo,
    // and while names flicker with nothing to undo.
    QTest::addColumn<bool>("doneStill");
    QTest::addColumn<bool>("doneFlickering");
    const auto phone = [](Feature feature, QString classFile, QString draw, QString recording = {},
                          bool drawing = false) {
        return RemoteCommand{
            feature, {}, RemoteCommand::Aim{true, classFile, draw, recording, {}, drawing}};
    };
    QTest::newRow("OK for the student on screen")
        << phone(Record, u"1班.txt"_s, u"d2"_s) << true << false;
    QTest::newRow("OK for the student before: late")
        << phone(Record, u"1班.txt"_s, u"d1"_s) << false << false;
    QTest::newRow("OK for the same draw in another class")
        << phone(Record, u"2班.txt"_s, u"d2"_s) << false << false;
    QTest::newRow("OK from a phone that saw nobody")
        << phone(Record, u"1班.txt"_s, {}) << false << false;
    QTest::newRow("absent aims as OK does")
        << phone(MarkAbsent, u"1班.txt"_s, u"d1"_s) << false << false;
    QTest::newRow("the next pick of another draw")
        << phone(NextPick, u"1班.txt"_s, u"d9"_s) << false << false;
    QTest::newRow("undo of the last recording")
        << phone(Undo, {}, {}, u"r7"_s) << true << false;
    QTest::newRow("undo of one undone or followed")
        << phone(Undo, {}, {}, u"r6"_s) << false << false;
    QTest::newRow("start, as the phone saw names still")
        << phone(StartPause, u"1班.txt"_s, u"d2"_s) << true << false;
    QTest::newRow("pause, as the phone saw them flicker")
        << phone(StartPause, u"1班.txt"_s, {}, {}, true) << false << true;
    QTest::newRow("a grade concerns no student")
        << phone(ChooseGood, u"2班.txt"_s, {}) << true << true;
    QTest::newRow("the command line's OK, as the key")
        << RemoteCommand{Record, {}} << true << true;
    QTest::newRow("the command line's undo") << RemoteCommand{Undo, {}} << true << false;
}

void TestCommandAim::actsOnlyOnWhatWasShown()
{
    QFETCH(RemoteCommand, command);
    QFETCH(bool, doneStill);
    QFETCH(bool, doneFlickering);
    QCOMPARE(!refusalOf(command, {u"1班.txt"_s, u"d2"_s, false, true, u"r7"_s}), doneStill);
    QCOMPARE(!refusalOf(command, {u"1班.txt"_s, {}, true, true, {}}), doneFlickering);
}

QTEST_GUILESS_MAIN(TestCommandAim)
#include "tst_commandaim.moc"
