#include "draw/DrawTick.h"
#include "draw/RoundDraw.h"
#include "platform/RandomSource.h"
#include "roll/ClassState.h"
#include "support/ClassText.h"
#include "support/SteppedClock.h"

#include <cmath>
#include <numeric>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;
using test::SteppedClock;
using namespace recordingtest;

namespace {

constexpr int Students = 40;
constexpr int Ticks = 100'000;

// The kind of generator the draw must not be built on: the first value of a linear
// congruential generator seeded with the clock's milliseconds.
struct MillisecondLcg final : RandomSource
{
    explicit MillisecondLcg(const Clock& c)
        : clock(c)
    {
    }
    void reseedFromClock() override { state = quint32(clock.nanosecondsSinceEpoch() / 1'000'000); }
    double next() override
    {
        state = state * 214013u + 2531011u;
        return ((state >> 16) & 0x7FFF) / 32768.0;
    }

    const Clock& clock;
    quint32 state = 0;
};

// Whether the chi-square statistic of `observed` stays below the upper critical value
// (Wilson-Hilferty) for the standard normal quantile z.
bool passesChiSquare(const QVector<int>& observed, double z)
{
    const double expected = std::reduce(observed.begin(), observed.end()) / double(observed.size());
    double sum = 0;
    for (const int count : observed)
        sum += (count - expected) * (count - expected) / expected;
    const double k = observed.size() - 1;
    const double c = 2.0 / (9.0 * k);
    qInfo("chi-square %.1f with %.0f degrees of freedom", sum, k);
    return sum < k * std::pow(1.0 - c + z * std::sqrt(c), 3);
}

} // namespace

class TestDrawUniformity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsAreUniformAndIndependent_data();
    void drawsAreUniformAndIndependent();
    void roundsAreUniformWithin_data();
    void roundsAreUniformWithin();
};

void TestDrawUniformity::drawsAreUniformAndIndependent_data()
{
    QTest::addColumn<bool>("poor");
    QTest::addColumn<qint64>("step"); // nanoseconds; 0: the system clock
    QTest::addColumn<double>("z");
    QTest::addColumn<bool>("acceptable");

    // 3.09 is the normal quantile for 0.001, 4.75 for 1e-6 (so the real clock never flakes).
    const auto row = [](const char* name, bool poor, qint64 step, double z, bool acceptable) {
        QTest::newRow(name) << poor << step << z << acceptable;
    };
    row("tick every 50 ms", false, 50'000'000, 3.0902, true);
    row("tick every 1 ms", false, 1'000'000, 3.0902, true);
    row("system clock", false, 0, 4.7534, true);
    // The test itself must be able to fail: a poor generator is caught.
    row("poor generator, 50 ms", true, 50'000'000, 3.0902, false);
    row("poor generator, 1 ms", true, 1'000'000, 3.0902, false);
}

void TestDrawUniformity::drawsAreUniformAndIndependent()
{
    QFETCH(bool, poor);
    QFETCH(qint64, step);
    QFETCH(double, z);
    QFETCH(bool, acceptable);
    // With a final line end the list holds an empty last element. (Lists without one the
    // roster_draw fuzz target draws against a reference.)
    const std::optional names(NameList::fromText(classText(numberedStudents(Students))));

    const SteppedClock stepped(step);
    const SystemClock system;
    const Clock& clock = step ? static_cast<const Clock&>(stepped) : system;
    MillisecondLcg lcg(clock);
    ClockSeededRandom seeded(clock);
    RandomSource& random = poor ? static_cast<RandomSource&>(lcg) : seeded;

    QVector<int> single(Students, 0);
    QVector<int> pairs(Students * Students, 0);
    int previous = -1;
    for (int tick = 0; tick < Ticks; ++tick) {
        const DrawTexts texts = drawTick(names, random);
        QVERIFY2(texts.name && texts.name->startsWith(u"学生"), "drew the empty last element");
        const int index = texts.name->mid(2).toInt();
        ++single[index];
        if (tick % 2 == 1)
            ++pairs[previous * Students + index];
        previous = index;
    }
    // Uniform on its own, and independent of the draw before it.
    const bool uniform = passesChiSquare(single, z);
    QCOMPARE(uniform && passesChiSquare(pairs, z), acceptable);
}

// Who is called at one place in the order of a round, over many rounds: every
// student present and not yet called must be equally likely at every stop.
void TestDrawUniformity::roundsAreUniformWithin_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("absent");

    QTest::newRow("first call of a round") << 0 << -1;
    QTest::newRow("a call in the middle") << 5 << -1;
    QTest::newRow("the last call") << 11 << -1;
    QTest::newRow("middle, one student absent") << 5 << 3;
}

void TestDrawUniformity::roundsAreUniformWithin()
{
    QFETCH(int, place);
    QFETCH(int, absent);
    constexpr int Class = 12;
    constexpr int Rounds = 30'000;

    const std::optional names(NameList::fromText(classText(numberedStudents(Class))));
    RoundDraw draw(studentLines(*names));
    draw.setMode(DrawMode::OncePerRound);
    if (absent >= 0)
        draw.setAbsent(absent, true);
    const SteppedClock clock(50'000'000);
    ClockSeededRandom random(clock);
    QVector<int> calledAtPlace(Class, 0);
    for (int round = 0; round < Rounds; ++round) {
        draw.beginDrawing();
        for (int call = 0; !draw.roundComplete(); ++call) {
            const qsizetype student = *draw.studentOn(*draw.tick(names, random).line);
            if (call == place)
                ++calledAtPlace[student];
            draw.stopOn(student);
        }
    }
    if (absent >= 0)
        QCOMPARE(calledAtPlace.takeAt(absent), 0);
    QVERIFY(passesChiSquare(calledAtPlace, 3.0902));
}

QTEST_GUILESS_MAIN(TestDrawUniformity)
#include "tst_drawuniformity.moc"
