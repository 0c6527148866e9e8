#include "draw/DrawTick.h"
#include "platform/Clock.h"
#include "platform/RandomSource.h"

#include <cmath>
#include <memory>
#include <QHash>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

constexpr int Students = 40;
constexpr int Ticks = 100'000;

// A clock that moves on by a fixed step each time it is read.
class SteppedClock final : public Clock
{
public:
    explicit SteppedClock(qint64 stepNanoseconds)
        : m_step(stepNanoseconds)
    {
    }
    qint64 nanosecondsSinceEpoch() const override { return m_now += m_step; }

private:
    qint64 m_step;
    mutable qint64 m_now = 1'765'000'000'000'000'000; // late 2025
};

// The kind of generator the draw must not be built on: the first value of a linear
// congruential generator seeded with the clock's milliseconds.
class MillisecondLcg final : public RandomSource
{
public:
    explicit MillisecondLcg(const Clock& clock)
        : m_clock(clock)
    {
    }
    void reseedFromClock() override
    {
        m_state = quint32(m_clock.nanosecondsSinceEpoch() / 1'000'000);
    }
    double next() override
    {
        m_state = m_state * 214013u + 2531011u;
        return ((m_state >> 16) & 0x7FFF) / 32768.0;
    }

private:
    const Clock& m_clock;
    quint32 m_state = 0;
};

enum class Generator
{
    ClockSeeded,
    MillisecondLcg
};
enum class ClockKind
{
    Step50ms,
    Step1ms,
    System
};

// Upper critical value of the chi-square distribution (Wilson-Hilferty), for the
// standard normal quantile z of the wanted significance level.
double chiSquareCritical(int degreesOfFreedom, double z)
{
    const double k = degreesOfFreedom;
    const double c = 2.0 / (9.0 * k);
    return k * std::pow(1.0 - c + z * std::sqrt(c), 3);
}

double chiSquare(const QList<int>& observed, double expected)
{
    double sum = 0;
    for (const int count : observed)
        sum += (count - expected) * (count - expected) / expected;
    return sum;
}

std::unique_ptr<Clock> makeClock(ClockKind kind)
{
    switch (kind) {
    case ClockKind::Step50ms:
        return std::make_unique<SteppedClock>(50'000'000);
    case ClockKind::Step1ms:
        return std::make_unique<SteppedClock>(1'000'000);
    case ClockKind::System:
        break;
    }
    return std::make_unique<SystemClock>();
}

std::unique_ptr<RandomSource> makeGenerator(Generator kind, const Clock& clock)
{
    if (kind == Generator::MillisecondLcg)
        return std::make_unique<MillisecondLcg>(clock);
    return std::make_unique<ClockSeededRandom>(clock);
}

} // namespace

class TestDrawUniformity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsAreUniformAndIndependent_data();
    void drawsAreUniformAndIndependent();
};

void TestDrawUniformity::drawsAreUniformAndIndependent_data()
{
    QTest::addColumn<Generator>("generator");
    QTest::addColumn<ClockKind>("clock");
    QTest::addColumn<double>("z");
    QTest::addColumn<bool>("acceptable");

    // 3.09 is the normal quantile for 0.001, 4.75 for 1e-6 (so the real clock never flakes).
    QTest::newRow("tick every 50 ms")
        << Generator::ClockSeeded << ClockKind::Step50ms << 3.0902 << true;
    QTest::newRow("tick every 1 ms")
        << Generator::ClockSeeded << ClockKind::Step1ms << 3.0902 << true;
    QTest::newRow("system clock") << Generator::ClockSeeded << ClockKind::System << 4.7534 << true;
    // The test itself must be able to fail: a poor generator is caught.
    QTest::newRow("poor generator, 50 ms")
        << Generator::MillisecondLcg << ClockKind::Step50ms << 3.0902 << false;
    QTest::newRow("poor generator, 1 ms")
        << Generator::MillisecondLcg << ClockKind::Step1ms << 3.0902 << false;
}

void TestDrawUniformity::drawsAreUniformAndIndependent()
{
    QFETCH(Generator, generator);
    QFETCH(ClockKind, clock);
    QFETCH(double, z);
    QFETCH(bool, acceptable);

    QStringList lines;
    QHash<QString, int> indexOfName;
    for (int i = 0; i < Students; ++i) {
        const QString name = u"学生%1"_s.arg(i, 2, 10, QChar(u'0'));
        indexOfName.insert(name, i);
        lines.append(u"S20230101" + name + u"-00\\0000");
    }
    // The file ends with a line end, so the list holds an empty last element.
    const std::optional names(NameList::fromText(lines.join(u"\r\n") + u"\r\n"));

    const auto theClock = makeClock(clock);
    const auto random = makeGenerator(generator, *theClock);
    QList<int> single(Students, 0);
    QList<int> pairs(Students * Students, 0);
    int previous = -1;
    for (int tick = 0; tick < Ticks; ++tick) {
        const DrawTexts texts = drawTick(names, *random);
        QVERIFY2(texts.name && indexOfName.contains(*texts.name), "drew the empty last element");
        const int index = indexOfName.value(*texts.name);
        ++single[index];
        if (tick % 2 == 1)
            ++pairs[previous * Students + index];
        previous = index;
    }

    const double frequency = chiSquare(single, double(Ticks) / Students);
    const double serial = chiSquare(pairs, double(Ticks / 2) / (Students * Students));
    const bool uniform = frequency < chiSquareCritical(Students - 1, z);
    const bool independent = serial < chiSquareCritical(Students * Students - 1, z);
    qInfo("chi-square: frequency %.1f, serial pairs %.1f", frequency, serial);
    QCOMPARE(uniform && independent, acceptable);
}

QTEST_GUILESS_MAIN(TestDrawUniformity)
#include "tst_drawuniformity.moc"
