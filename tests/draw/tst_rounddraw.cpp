// Round mode over many rounds, as the window drives it: start, ticks, pause on the
// student shown, now and then a pass, with some students absent.
#include "draw/RoundDraw.h"
#include "platform/RandomSource.h"
#include "roll/ClassState.h"
#include "support/ClassText.h"
#include "support/SteppedClock.h"

#include <QTest>

using namespace mirello;
using test::SteppedClock;
using namespace recordingtest;
using namespace Qt::StringLiterals;

using Students = QList<qsizetype>;

class TestRoundDraw : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyPresentStudentOncePerRound_data();
    void everyPresentStudentOncePerRound();
};

void TestRoundDraw::everyPresentStudentOncePerRound_data()
{
    QTest::addColumn<int>("classSize");
    QTest::addColumn<Students>("absent");
    QTest::addColumn<int>("passEvery"); // every n-th pause is passed; 0: none

    QTest::newRow("one student") << 1 << Students{} << 0;
    QTest::newRow("class of 50") << 50 << Students{} << 0;
    QTest::newRow("absent students") << 50 << Students{0, 17, 49} << 0;
    QTest::newRow("every third pause passed") << 30 << Students{} << 3;
    QTest::newRow("every pause but one passed, absences") << 8 << Students{2, 5} << 2;
    QTest::newRow("one present") << 5 << Students{0, 1, 3, 4} << 0;
}

void TestRoundDraw::everyPresentStudentOncePerRound()
{
    QFETCH(int, classSize);
    QFETCH(Students, absent);
    QFETCH(int, passEvery);
    constexpr int Rounds = 40;

    // Blank and short lines between the students are no students and never drawn.
    const QStringList students = numberedStudents(classSize);
    QString text;
    for (int i = 0; i < classSize; ++i) {
        text += classText({students[i]});
        if (i % 7 == 3)
            text += i % 2 ? u"\r\n"_s : u"短行\r\n"_s;
    }
    const std::optional names(NameList::fromText(text));
    RoundDraw draw(studentLines(*names));
    QCOMPARE(draw.studentCount(), classSize);
    draw.setMode(DrawMode::OncePerRound);
    for (const qsizetype student : absent)
        draw.setAbsent(student, true);
    const SteppedClock clock(50'000'000);
    ClockSeededRandom random(clock);

    int pauses = 0;
    for (int round = 0; round < Rounds; ++round) {
        QVector<int> calls(classSize, 0);
        QVector<int> passes(classSize, 0);
        // Start after Pause: a round still open goes on, a complete one gives way.
        QCOMPARE(draw.beginDrawing(), round > 0);
        while (!draw.roundComplete()) {
            std::optional<qsizetype> line;
            for (int tick = 0; tick < 3; ++tick)
                line = draw.tick(names, random).line;
            QVERIFY(line);
            const std::optional<qsizetype> student = draw.studentOn(*line);
            QVERIFY2(student && !absent.contains(*student), "drew no present student");
            QVERIFY2(!draw.isCalled(*student), "drew a student called in this round");
            draw.stopOn(*student);
            if (passEvery > 0 && ++pauses % passEvery == 0) {
                draw.pass(*student);
                ++passes[*student];
            } else {
                ++calls[*student];
            }
            QVERIFY(pauses < 100'000);
            if (!draw.roundComplete())
                QVERIFY(!draw.beginDrawing());
        }
        for (qsizetype student = 0; student < classSize; ++student) {
            QCOMPARE(calls[student], absent.contains(student) ? 0 : 1);
            QVERIFY(!absent.contains(student) || passes[student] == 0);
        }
    }

    // With absences, every tick at random draws among the students present.
    draw.setMode(DrawMode::EveryTick);
    for (int tick = 0; !absent.isEmpty() && tick < 1000; ++tick) {
        const std::optional<qsizetype> student = draw.studentOn(*draw.tick(names, random).line);
        QVERIFY(student && !absent.contains(*student));
    }
}

QTEST_GUILESS_MAIN(TestRoundDraw)
#include "tst_rounddraw.moc"
