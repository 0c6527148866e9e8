// The lesson without a window: what the board and a phone ask of it lands on the
// student it was meant for, or on nobody, and what it shows is published once a change.

#include "lesson/Lesson.h"
#include "lesson/RecordingWorker.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "support/ClassText.h"
#include "support/RollFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace mirello;
using namespace recordingtest;
using namespace std::chrono_literals;

class TestLesson : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsOnTheStudentMeant_data();
    void recordsOnTheStudentMeant();
    void publishesEachChangeOnce();
    void marksAbsentTheStudentTheListNames_data();
    void marksAbsentTheStudentTheListNames();
};

namespace {

// A lesson on the class 高一3班 of one student, 王小明, so that every draw stops on him
// and only the draw, never the student, tells one call from another.
struct LessonAtBoard
{
    LessonAtBoard()
    {
        QVERIFY(roll.writeClass(gbk(classText({u"王小明"_s}))));
        lesson.open();
        lesson.resume();
    }

    // Starts the names, lets them flicker and pauses; the draw's id is kept.
    void draw()
    {
        lesson.setDrawing(true);
        for (int i = 0; i < 3; ++i)
            lesson.tick();
        lesson.setDrawing(false);
        draws.append(lesson.view().draw);
    }

    // Carries out one step of a row; what went wrong, if anything.
    QString take(const QString& step)
    {
        const QStringList words = step.split(u' ');
        const auto phone = [&](Feature feature, const QString& draw, const QString& recording,
                               const QString& grade) {
            return lesson.carryOut(
                {{feature, {}, {true, roll.className(), draw, recording, grade}}});
        };
        if (step == u"draw")
            draw();
        else if (words[0] == u"ok")
            lesson.chooseGrade(words[1].toInt() - 1), lesson.record();
        else if (words[0] == u"phone-ok")
            return phone(Feature::Record, draws.value(words[1].toInt()), {}, words[2]);
        else if (words[0] == u"phone-undo")
            return phone(Feature::Undo, {}, recordings.value(words[1].toInt()), {});
        else if (step == u"recorded")
            waitForUndoable();
        return QString();
    }

    // Keeps the recording an undo would take back once the worker says what it is.
    void waitForUndoable()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!lesson.view().undoable.isEmpty() &&
                                     !recordings.contains(lesson.view().undoable),
                                 5000);
        recordings.append(lesson.view().undoable);
    }

    RollFixture roll;
    SystemClock clock;
    Lesson lesson{roll.folder().path(), QString(), clock, systemFileOperations()};
    QStringList draws;
    QStringList recordings;
};

} // namespace

void TestLesson::recordsOnTheStudentMeant_data()
{
    QTest::addColumn<QStringList>("steps");
    // The steps that are refused, by number, and 王小明's counters at the end.
    QTest::addColumn<QList<int>>("refused");
    QTest::addColumn<QString>("counters");

    // Each row ends on a recording of its own, which the worker does after the ones
    // before it: when it is in the file, whatever the row refused would be too.
    QTest::newRow("the board's OK, the grade chosen")
        << QStringList{u"draw"_s, u"ok 2"_s} << QList<int>{} << u"01\\0100"_s;
    QTest::newRow("a phone's OK, the grade it showed")
        << QStringList{u"draw"_s, u"phone-ok 0 3"_s} << QList<int>{} << u"01\\0010"_s;
    QTest::newRow("a phone's late OK for the draw before: nobody")
        << QStringList{u"draw"_s, u"draw"_s, u"phone-ok 0 1"_s, u"ok 4"_s} << QList<int>{2}
        << u"01\\0001"_s;
    QTest::newRow("a phone's undo of what it saw")
        << QStringList{u"draw"_s, u"ok 1"_s, u"recorded"_s, u"phone-undo 0"_s, u"draw"_s, u"ok 3"_s}
        << QList<int>{} << u"01\\0010"_s;
    QTest::newRow("a phone's undo of a recording taken over since: nothing")
        << QStringList{u"draw"_s,     u"ok 1"_s,         u"recorded"_s, u"draw"_s, u"ok 2"_s,
                       u"recorded"_s, u"phone-undo 0"_s, u"draw"_s,     u"ok 4"_s}
        << QList<int>{6} << u"03\\1101"_s;
}

void TestLesson::recordsOnTheStudentMeant()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, refused);
    QFETCH(QString, counters);
    LessonAtBoard board;
    for (int i = 0; i < steps.size(); ++i) {
        const QString failure = board.take(steps[i]);
        QVERIFY2(failure.isEmpty() != refused.contains(i), qPrintable(steps[i] + u": " + failure));
    }
    QTRY_COMPARE_WITH_TIMEOUT(board.roll.classBytes(), gbk(rollLine(u"王小明", counters) + u"\r\n"),
                              5000);
}

// A verb that changes nothing on screen says nothing; one that changes several fields
// says so once.
void TestLesson::publishesEachChangeOnce()
{
    LessonAtBoard board;
    const QSignalSpy changed(&board.lesson, &Lesson::viewChanged);
    board.lesson.chooseGrade(2);
    board.lesson.chooseGrade(2);
    QCOMPARE(changed.count(), 1);
    board.lesson.setDrawing(true);
    board.lesson.tick();
    QCOMPARE(changed.count(), 3);
    QCOMPARE(board.lesson.view().name, u"王小明"_s);
    QVERIFY(board.lesson.view().drawing && board.lesson.view().draw.isEmpty());
    QVERIFY(board.lesson.carryOut({{Feature::ChooseClass, u"高一4班"_s}}).contains(u"高一4班"));
    QCOMPARE(board.lesson.view().classFile, board.roll.className());
}

void TestLesson::marksAbsentTheStudentTheListNames_data()
{
    QTest::addColumn<QString>("name");
    // The class the phone showed; empty for the command line, which has none.
    QTest::addColumn<QString>("aimedClass");
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("a namesake, by its number")
        << u"张伟（2）"_s << u"高一3班.txt"_s << QStringList{u"张伟（2）"_s};
    QTest::newRow("from the command line") << u"王小明"_s << QString() << QStringList{u"王小明"_s};
    QTest::newRow("no such student: nobody") << u"张"_s << QString() << QStringList{};
    QTest::newRow("the phone showed another class: nobody")
        << u"王小明"_s << u"高一4班.txt"_s << QStringList{};
}

void TestLesson::marksAbsentTheStudentTheListNames()
{
    QFETCH(QString, name);
    QFETCH(QString, aimedClass);
    QFETCH(QStringList, absent);
    RollFixture roll;
    QVERIFY(roll.writeClass(gbk(classText({u"王小明"_s, u"张伟"_s, u"张伟"_s}))));
    SystemClock clock;
    Lesson lesson{roll.folder().path(), QString(), clock, systemFileOperations()};
    lesson.open();
    lesson.resume();
    QCOMPARE(roll.className(), u"高一3班.txt"_s);
    RemoteCommand command{Feature::AbsentOf, name};
    command.aim.given = !aimedClass.isEmpty();
    command.aim.classFile = aimedClass;
    QCOMPARE(lesson.carryOut({command}).isEmpty(), !absent.isEmpty());
    QStringList marked;
    for (const Attendee& student : lesson.session().attendance()) {
        if (student.absent)
            marked.append(student.name);
    }
    QCOMPARE(marked, absent);
}

QTEST_GUILESS_MAIN(TestLesson)
#include "tst_lesson.moc"
