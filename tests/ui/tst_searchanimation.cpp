#include "ui/SearchAnimation.h"

#include <QTest>

using namespace mirello;

class TestSearchAnimation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framesFollowEachOther_data();
    void framesFollowEachOther();
};

void TestSearchAnimation::framesFollowEachOther_data()
{
    QTest::addColumn<QList<bool>>("loads");
    QTest::addColumn<QList<int>>("frames");
    QTest::addColumn<QList<int>>("counters");

    QTest::newRow("every frame loads")
        << QList{true, true, true, true, true} << QList{1, 2, 3, 1, 2} << QList{1, 2, 0, 1, 2};
    QTest::newRow("frame 2 fails: the cycle goes on")
        << QList{true, false, true, true} << QList{1, 2, 3, 1} << QList{1, 2, 0, 1};
    QTest::newRow("frame 3 fails: the counter keeps 3, then frame 1")
        << QList{true, true, false, true, true} << QList{1, 2, 3, 1, 2} << QList{1, 2, 3, 1, 2};
    // Far more ticks than a 16-bit counter holds, every frame missing.
    QList<int> frames;
    for (int tick = 0; tick < 100'000; ++tick)
        frames.append(tick % 3 + 1);
    QTest::newRow("every frame fails") << QList<bool>(frames.size(), false) << frames << frames;
}

void TestSearchAnimation::framesFollowEachOther()
{
    QFETCH(QList<bool>, loads);
    QFETCH(QList<int>, frames);
    QFETCH(QList<int>, counters);

    SearchAnimation animation;
    QCOMPARE(animation.counter(), 0);
    QList<int> framesAsked;
    QList<int> countersAfter;
    for (const bool loaded : loads) {
        framesAsked.append(animation.advance());
        if (loaded)
            animation.frameShown();
        countersAfter.append(animation.counter());
    }
    QCOMPARE(framesAsked, frames);
    QCOMPARE(countersAfter, counters);
}

QTEST_APPLESS_MAIN(TestSearchAnimation)
#include "tst_searchanimation.moc"
