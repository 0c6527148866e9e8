// The fairness figures against values worked out by hand: binomial ranges from exact
// fractions, p-values from the closed forms of the chi-square tail (e^(-x/2) for two
// degrees of freedom, erfc for one and three), a printed table (df 100) and
// arbitrary-precision arithmetic for many degrees of freedom.
#include "draw/Fairness.h"

#include <QTest>

using namespace mirello;

using Calls = QList<qint64>;

class TestFairness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chiSquareTail_data();
    void chiSquareTail();
    void report_data();
    void report();
};

void TestFairness::chiSquareTail_data()
{
    QTest::addColumn<double>("statistic");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("pValue");

    QTest::newRow("df 1, series side") << 1.6 << 1.0 << 0.20590321073206833; // erfc(√0.8)
    QTest::newRow("df 1, continued fraction") << 20.0 << 1.0 << 7.744216431044074e-06;
    QTest::newRow("df 2") << 5.2 << 2.0 << 0.07427357821433388;               // e^-2.6
    QTest::newRow("df 4, far tail") << 40.0 << 4.0 << 4.3284226071209714e-08; // 21 e^-20
    QTest::newRow("df 100 at its 1 % point") << 135.807 << 100.0 << 0.0100;
    // Q(10000, 10000) to 30 digits with arbitrary-precision arithmetic.
    QTest::newRow("df 20000 at its mean") << 20000.0 << 20000.0 << 0.49867019166004480;
    QTest::newRow("zero statistic") << 0.0 << 3.0 << 1.0;
}

void TestFairness::chiSquareTail()
{
    QFETCH(double, statistic);
    QFETCH(double, degrees);
    QFETCH(double, pValue);

    const double relative = pValue == 0.0100 ? 1e-4 : 1e-6; // the table gives 4 digits
    QVERIFY2(std::abs(chiSquareUpperTail(statistic, degrees) - pValue) <= relative * pValue,
             qPrintable(QString::number(chiSquareUpperTail(statistic, degrees), 'g', 12)));
}

void TestFairness::report_data()
{
    QTest::addColumn<Calls>("calls");
    QTest::addColumn<qint64>("lowest");
    QTest::addColumn<qint64>("highest");
    QTest::addColumn<double>("chiSquare");
    QTest::addColumn<double>("pValue");
    QTest::addColumn<bool>("fair");

    QTest::newRow("two students, 10 calls")
        << Calls{3, 7} << 2ll << 8ll << 1.6 << 0.20590321073206833 << true;
    QTest::newRow("three students, 15 calls")
        << Calls{2, 4, 9} << 2ll << 9ll << 5.2 << 0.07427357821433388 << true;
    QTest::newRow("four students, 8 calls")
        << Calls{0, 2, 3, 3} << 0ll << 5ll << 3.0 << 0.391625176271089 << true;
    QTest::newRow("all calls on one of five")
        << Calls{0, 0, 0, 0, 10} << 0ll << 5ll << 40.0 << 4.3284226071209714e-08 << false;
    QTest::newRow("one student") << Calls{7} << 7ll << 7ll << 0.0 << 1.0 << true;
    QTest::newRow("no calls yet") << Calls{0, 0, 0} << 0ll << 0ll << 0.0 << 1.0 << true;
    // Binomial(1000, 1/50): P(X <= 11) < 0.025 <= P(X <= 12), P(X <= 28) < 0.975 <= P(X <= 29).
    Calls fifty(50, 20);
    QTest::newRow("class of 50, 1000 calls, even") << fifty << 12ll << 29ll << 0.0 << 1.0 << true;
}

void TestFairness::report()
{
    QFETCH(Calls, calls);
    QFETCH(qint64, lowest);
    QFETCH(qint64, highest);
    QFETCH(double, chiSquare);
    QFETCH(double, pValue);
    QFETCH(bool, fair);

    const FairnessReport report = fairnessOf(calls);
    QCOMPARE(report.range, (CallRange{lowest, highest}));
    QVERIFY(std::abs(report.chiSquare - chiSquare) < 1e-9);
    QVERIFY(std::abs(report.pValue - pValue) <= 1e-6 * pValue);
    QCOMPARE(report.looksFair(), fair);
}

QTEST_GUILESS_MAIN(TestFairness)
#include "tst_fairness.moc"
