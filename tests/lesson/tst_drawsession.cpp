// Several students at once and the warm call, through random lessons with a seeded
// source: who may be drawn, and whether the announced order is the order called.
#include "lesson/DrawSession.h"
#include "platform/RandomSource.h"
#include "support/ClassText.h"
#include "support/SteppedClock.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

// A class in a session whose saves are kept, to be loaded by the next run.
struct Lesson
{
    explicit Lesson(int size, const QString& folder, std::optional<ClassState> kept = {})
        : names(NameList::fromText(recordingtest::classText(recordingtest::numberedStudents(size))))
        , session(RollFolder::at(folder), clock,
                  [this](const QString&, const ClassState& state) { saved = state; })
    {
        if (kept)
            QVERIFY(ClassStateStore(RollFolder::at(folder)).save(u"班.txt"_s, *kept));
    }
    StudentKey key(qsizetype line) const { return *session.keyOnLine(line); }
    bool called(qsizetype line) const { return session.marksOf(key(line)).calledThisRound; }
    bool absent(qsizetype line) const { return session.marksOf(key(line)).absent; }

    test::SteppedClock clock{50'000'000};
    ClockSeededRandom random{clock};
    const std::optional<NameList> names;
    ClassState saved;
    DrawSession session;
};

// The first student of a Lesson, as a kept state names them.
const StudentKey First{u"S20230107学生000-"_s, 1};

} // namespace

class TestDrawSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void severalNeverRepeat_data();
    void severalNeverRepeat();
    void warmCallCallsInTheOrderAnnounced_data();
    void warmCallCallsInTheOrderAnnounced();
    void warmCallLeavesThoseCalledInTheRound_data();
    void warmCallLeavesThoseCalledInTheRound();
};

void TestDrawSession::severalNeverRepeat_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("absent"); // the first ones
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("round");
    QTest::addColumn<bool>("warm");
    QTest::newRow("3 of 30") << 30 << 0 << 3 << false << false;
    QTest::newRow("10 of 12, 4 absent") << 12 << 4 << 10 << false << false;
    QTest::newRow("round, 4 of 30, 5 absent") << 30 << 5 << 4 << true << false;
    QTest::newRow("round, 10 of 7") << 7 << 0 << 10 << true << false;
    QTest::newRow("round, warm, 3 of 20, 2 absent") << 20 << 2 << 3 << true << true;
    QTest::newRow("warm, 5 of 9") << 9 << 1 << 5 << false << true;
}

// Every Pause lands on that many different students present (fewer only when fewer
// are left in the round), and a round calls nobody twice.
void TestDrawSession::severalNeverRepeat()
{
    QFETCH(int, size);
    QFETCH(int, absent);
    QFETCH(int, count);
    QFETCH(bool, round);
    QFETCH(bool, warm);
    const QTemporaryDir folder;
    Lesson lesson(size, folder.path());
    DrawSession& session = lesson.session;
    QVERIFY(!session.classLoaded(u"班.txt"_s, *lesson.names));
    session.setMode(round ? DrawMode::OncePerRound : DrawMode::EveryTick);
    session.setWarmCall(warm);
    for (int line = 0; line < absent; ++line)
        session.setAbsent(lesson.key(line), true);
    QSet<qsizetype> calledInRound;
    for (int pause = 0; pause < 200; ++pause) {
        if (session.beginDrawing())
            calledInRound.clear();
        const qsizetype left = round ? session.waitingCount() : session.presentCount();
        const qint64 roundBefore = session.round();
        const std::vector<qsizetype> called =
            session.stop(session.tick(lesson.names, lesson.random).line, count, lesson.random);
        QCOMPARE(qsizetype(called.size()), std::min<qsizetype>(count, left));
        QCOMPARE(QSet<qsizetype>(called.begin(), called.end()).size(), qsizetype(called.size()));
        for (const qsizetype line : called) {
            QVERIFY(line >= absent);
            QVERIFY(!round || !calledInRound.contains(line));
            QVERIFY(!round || lesson.called(line) || session.round() != roundBefore);
            calledInRound.insert(line);
        }
        // The warm call begins the next round as it announces its first student.
        if (session.round() != roundBefore)
            calledInRound.clear();
    }
}

void TestDrawSession::warmCallCallsInTheOrderAnnounced_data()
{
    QTest::addColumn<bool>("roundMode");
    QTest::addColumn<int>("count");
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed < 10; ++seed) {
        QTest::addRow("round, seed %u", seed) << true << 1 << seed;
        QTest::addRow("round, 3 at once, seed %u", seed) << true << 3 << seed;
        QTest::addRow("every draw at random, seed %u", seed) << false << 1 << seed;
    }
}

// Random pauses, passes, absences and undos. The first student a Pause lands on is
// the one announced before it; an undo brings its student next; an absent student
// is never announced; in round mode nobody comes twice in a round unless they passed
// or were undone, and one who passed comes after everyone who was still to come. A new
// run on the same class announces the same student.
void TestDrawSession::warmCallCallsInTheOrderAnnounced()
{
    QFETCH(bool, roundMode);
    QFETCH(int, count);
    QFETCH(quint32, seed);
    constexpr int Size = 9;
    QRandomGenerator teacher(seed);
    const QTemporaryDir folder;
    Lesson lesson(Size, folder.path());
    DrawSession& session = lesson.session;
    QVERIFY(!session.classLoaded(u"班.txt"_s, *lesson.names));
    session.setMode(roundMode ? DrawMode::OncePerRound : DrawMode::EveryTick);
    session.setWarmCall(true);
    std::vector<qsizetype> lastCalled;
    QList<qsizetype> everCalled;
    QSet<qsizetype> calledInRound;
    // Who passed in round mode, and who was still to be called then.
    QHash<qsizetype, QSet<qsizetype>> passedBefore;
    qint64 round = session.round();
    const auto followRound = [&] {
        if (std::exchange(round, session.round()) != round)
            calledInRound.clear();
    };
    const auto calledNow = [&](qsizetype line) {
        return std::find(lastCalled.begin(), lastCalled.end(), line) != lastCalled.end();
    };
    for (int step = 0; step < 400; ++step) {
        const int action = teacher.bounded(10);
        if (action < 6) {
            const std::optional<qsizetype> announced = session.announce(lesson.random);
            session.beginDrawing();
            followRound();
            lastCalled =
                session.stop(session.tick(lesson.names, lesson.random).line, count, lesson.random);
            QCOMPARE(lastCalled.empty() ? std::nullopt : std::optional(lastCalled[0]), announced);
            for (const qsizetype line : lastCalled) {
                QVERIFY(!lesson.absent(line));
                if (!roundMode)
                    continue;
                QVERIFY2(!calledInRound.contains(line), "called twice in a round");
                for (const qsizetype other : passedBefore.take(line))
                    QVERIFY2(calledInRound.contains(other) || calledNow(other) ||
                                 lesson.absent(other) || passedBefore.contains(other),
                             "one who passed came before everyone else");
                calledInRound.insert(line);
            }
            everCalled.append(QList<qsizetype>(lastCalled.begin(), lastCalled.end()));
            followRound();
        } else if (action == 6 && !lastCalled.empty()) {
            const qsizetype line = lastCalled.back();
            lastCalled.pop_back();
            QVERIFY(session.pass(line));
            calledInRound.remove(line);
            QSet<qsizetype> waiting;
            for (qsizetype other = 0; roundMode && other < Size; ++other) {
                if (other != line && !calledInRound.contains(other) && !lesson.absent(other) &&
                    !passedBefore.contains(other))
                    waiting.insert(other);
            }
            if (roundMode)
                passedBefore.insert(line, waiting);
        } else if (action == 7) {
            const qsizetype line = teacher.bounded(Size);
            const bool absent = !lesson.absent(line);
            session.setAbsent(lesson.key(line), absent);
            // Back from an absence, they are drawn anew, maybe after one who passed.
            passedBefore.remove(line);
            for (QSet<qsizetype>& waiting : passedBefore)
                waiting.remove(line);
            QVERIFY(!absent || session.announce(lesson.random) != line);
            followRound();
        } else if (action == 8 && !everCalled.isEmpty()) {
            const qsizetype line = everCalled[teacher.bounded(everCalled.size())];
            if (lesson.absent(line))
                continue;
            session.takeBack(lesson.key(line));
            calledInRound.remove(line);
            passedBefore.remove(line);
            QCOMPARE(session.announce(lesson.random), line);
            followRound();
        }
    }
    const std::optional<qsizetype> announced = session.announce(lesson.random);
    Lesson again(Size, folder.path(), lesson.saved);
    again.session.setWarmCall(true);
    QVERIFY(!again.session.classLoaded(u"班.txt"_s, *again.names));
    QCOMPARE(again.session.announce(again.random), announced);
}

void TestDrawSession::warmCallLeavesThoseCalledInTheRound_data()
{
    QTest::addColumn<bool>("kept");
    QTest::newRow("round mode switched on") << false;
    QTest::newRow("a kept order naming them") << true;
}

// One already called in the round is announced (before round mode came on, or in a
// kept order): they leave the order, so that each Pause stops on the one announced.
void TestDrawSession::warmCallLeavesThoseCalledInTheRound()
{
    QFETCH(bool, kept);
    const QTemporaryDir folder;
    ClassState state;
    state.students.insert(First, {true, false, 0});
    if (kept)
        state.upNext = {First};
    Lesson lesson(5, folder.path(), state);
    DrawSession& session = lesson.session;
    session.setMode(kept ? DrawMode::OncePerRound : DrawMode::EveryTick);
    session.setWarmCall(true);
    QVERIFY(!session.classLoaded(u"班.txt"_s, *lesson.names));
    for (int pause = 0; !kept && session.announce(lesson.random) != 0 && pause < 100; ++pause)
        session.stop(session.tick(lesson.names, lesson.random).line, 1, lesson.random);
    if (!kept)
        QCOMPARE(session.announce(lesson.random), 0);
    session.setMode(DrawMode::OncePerRound);
    for (int pause = 0; pause < 4; ++pause) {
        const std::optional<qsizetype> announced = session.announce(lesson.random);
        QVERIFY(announced && *announced != 0);
        session.beginDrawing();
        const std::vector<qsizetype> called =
            session.stop(session.tick(lesson.names, lesson.random).line, 1, lesson.random);
        QCOMPARE(called, std::vector{*announced});
    }
}

QTEST_GUILESS_MAIN(TestDrawSession)
#include "tst_drawsession.moc"
