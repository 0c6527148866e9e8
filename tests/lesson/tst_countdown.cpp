// The lesson's countdown on a clock moved by hand, and the durations a teacher types.

#include "lesson/Countdown.h"
#include "platform/Clock.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

// Steady time moved by hand; the wall clock apart from it, as when it is set at boot.
struct HandClock final : Clock
{
    qint64 nanosecondsSinceEpoch() const override { return wall; }
    qint64 steadyNanoseconds() const override { return steady; }
    qint64 wall = 1'765'000'000'000'000'000;
    qint64 steady = 0;
};

} // namespace

class TestCountdown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesTypedDurations_data();
    void parsesTypedDurations();
    void runsOnTheClock_data();
    void runsOnTheClock();
};

void TestCountdown::parsesTypedDurations_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("seconds"); // 0: refused
    QTest::addColumn<QString>("reason");
    QTest::newRow("seconds") << u"90"_s << 90 << QString();
    QTest::newRow("minutes:seconds") << u"1:30"_s << 90 << QString();
    QTest::newRow("full-width") << u"１２：００"_s << 720 << QString();
    QTest::newRow("分") << u"2分"_s << 120 << QString();
    QTest::newRow("分钟") << u" 3 分钟 "_s << 180 << QString();
    QTest::newRow("分秒") << u"1分30秒"_s << 90 << QString();
    QTest::newRow("秒") << u"45秒"_s << 45 << QString();
    QTest::newRow("longest") << u"99:00"_s << 5940 << QString();
    QTest::newRow("empty") << u" "_s << 0 << u"请输入时长"_s;
    QTest::newRow("words") << u"三分钟"_s << 0 << u"看不懂“三分钟”"_s;
    QTest::newRow("seconds past 59") << u"1:75"_s << 0 << u"秒数应小于 60"_s;
    QTest::newRow("zero") << u"0秒"_s << 0 << u"至少 1 秒"_s;
    QTest::newRow("past 99 minutes") << u"5941"_s << 0 << u"最多 99 分钟"_s;
    QTest::newRow("huge") << u"999999分"_s << 0 << u"最多 99 分钟"_s;
}

void TestCountdown::parsesTypedDurations()
{
    QFETCH(QString, typed);
    QFETCH(int, seconds);
    QFETCH(QString, reason);
    const Result<std::chrono::seconds> parsed = parseCountdownDuration(typed);
    if (seconds > 0)
        QCOMPARE(parsed.value().count(), seconds);
    else
        QVERIFY2(parsed.error().message.contains(reason), qPrintable(parsed.error().message));
}

void TestCountdown::runsOnTheClock_data()
{
    // Steps of the clock in milliseconds, negative ones while paused; the wall clock
    // then set by `wallSet` milliseconds; then what shows.
    QTest::addColumn<int>("duration");
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<qint64>("wallSet");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ended");
    QTest::newRow("a moment after the start")
        << 30 << QList<int>{1} << qint64(0) << u"0:30"_s << false;
    QTest::newRow("one second in") << 300 << QList<int>{1000} << qint64(0) << u"4:59"_s << false;
    QTest::newRow("a moment before the end")
        << 30 << QList<int>{29'999} << qint64(0) << u"0:01"_s << false;
    QTest::newRow("exactly at the end")
        << 30 << QList<int>{30'000} << qint64(0) << u"0:00"_s << true;
    QTest::newRow("long after the end")
        << 30 << QList<int>{90'000} << qint64(0) << u"0:00"_s << true;
    QTest::newRow("twelve minutes") << 720 << QList<int>{} << qint64(0) << u"12:00"_s << false;
    QTest::newRow("paused holds the time")
        << 60 << QList<int>{10'000, -600'000} << qint64(0) << u"0:50"_s << false;
    QTest::newRow("resumed ends on time")
        << 60 << QList<int>{10'000, -600'000, 50'000} << qint64(0) << u"0:00"_s << true;
    QTest::newRow("the system clock set a day on")
        << 60 << QList<int>{10'000} << qint64(86'400'000) << u"0:50"_s << false;
    QTest::newRow("the system clock set an hour back")
        << 60 << QList<int>{10'000} << qint64(-3'600'000) << u"0:50"_s << false;
}

void TestCountdown::runsOnTheClock()
{
    QFETCH(int, duration);
    QFETCH(QList<int>, steps);
    QFETCH(qint64, wallSet);
    QFETCH(QString, text);
    QFETCH(bool, ended);
    HandClock clock;
    Countdown countdown(clock);
    countdown.start(std::chrono::seconds(duration));
    for (const int step : steps) {
        if (step < 0)
            countdown.pause();
        clock.steady += qint64(std::abs(step)) * 1'000'000;
        clock.wall += qint64(std::abs(step)) * 1'000'000;
        countdown.resume();
    }
    clock.wall += wallSet * 1'000'000;
    QCOMPARE(countdownText(countdown.remaining()), text);
    QCOMPARE(countdown.hasEnded(), ended);
}

QTEST_GUILESS_MAIN(TestCountdown)
#include "tst_countdown.moc"
