// A phone's tap acts on what the phone showed, or on nobody: what it aimed at is
// checked against what the window shows when it arrives.

#include "lesson/CommandAim.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(mirello::RemoteCommand)

class TestCommandAim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actsOnlyOnWhatWasShown_data();
    void actsOnlyOnWhatWasShown();
};

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
    QTest::newRow("undo of the last recording") << phone(Undo, {}, {}, u"r7"_s) << true << false;
    QTest::newRow("undo of one undone or followed")
        << phone(Undo, {}, {}, u"r6"_s) << false << false;
    QTest::newRow("start, as the phone saw names still")
        << phone(StartPause, u"1班.txt"_s, u"d2"_s) << true << false;
    QTest::newRow("pause, as the phone saw them flicker")
        << phone(StartPause, u"1班.txt"_s, {}, {}, true) << false << true;
    QTest::newRow("a grade concerns no student")
        << phone(ChooseGood, u"2班.txt"_s, {}) << true << true;
    QTest::newRow("the command line's OK, as the key") << RemoteCommand{Record, {}} << true << true;
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
