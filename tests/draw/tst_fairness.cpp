// The fairness figures against values worked out by hand: binomial ranges and
// tails from exact fractions, p-values from the closed forms of the chi-square tail
// (e^(-x/2) for two degrees of freedom, erfc for one and three), a printed table
// (df 100) and arbitrary-precision arithmetic for many degrees of freedom; what a
// class's file and history make of calls and chances; and fair draws simulated.
#include "draw/ClassFairness.h"
#include "roll/RosterLoader.h"
#include "support/ClassText.h"

#include <algorithm>
#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(mirello::HistoryEntry)

using namespace mirello;
using namespace Qt::StringLiterals;
using recordingtest::classText;

using Calls = QVector<qint64>;
// Each: the number of calls, then how many lines of each student were present.
using Stretches = QList<QList<qint64>>;
using Shares = QList<double>;
using Verdict = StudentFairness::Verdict;

namespace {

const QDateTime Monday(QDate(2030, 1, 7), QTime(9, 0));

// "甲03": a line of 甲 with 3 calls.
NameList classOf(const QStringList& students)
{
    QString text;
    for (const QString& student : students)
        text += classText({student.left(1)}, student.mid(1) + u"\\0000", u"\n");
    return nameListFromBytes(text.toUtf8());
}

HistoryEntry recorded(const QString& name, const QString& draw, const QDateTime& time = Monday,
                      HistoryAction action = HistoryAction::Recording)
{
    HistoryEntry entry;
    entry.time = time;
    entry.classFile = u"1班.txt"_s;
    entry.action = action;
    entry.name = name;
    entry.drawId = draw;
    return entry;
}

HistoryEntry absent(const QString& name, bool absent, const QDateTime& time)
{
    return absenceEntry(u"1班.txt"_s, StudentKey{recordingtest::rollLine(name, {}), 1}, absent,
                        time);
}

} // namespace

class TestFairness : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chiSquareTail_data();
    void chiSquareTail();
    void report_data();
    void report();
    void countsCallsAndChancesOfAClass_data();
    void countsCallsAndChancesOfAClass();
    void fairClassesAreRarelyMarked();
    void samplesLookFair_data();
    void samplesLookFair();
};

void TestFairness::chiSquareTail_data()
{
    QTest::addColumn<double>("statistic");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("pValue");

    QTest::newRow("df 1, continued fraction") << 20.0 << 1.0 << 7.744216431044074e-06;
    QTest::newRow("df 100 at its 1 % point") << 135.807 << 100.0 << 0.0100;
    // Q(10000, 10000) to 30 digits with arbitrary-precision arithmetic.
    QTest::newRow("df 20000 at its mean") << 20000.0 << 20000.0 << 0.49867019166004480;
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
    QTest::addColumn<Stretches>("stretches"); // none: everyone present at every call
    QTest::addColumn<QString>("verdicts");    // per student -, = or +; none: all =
    // The p-values: erfc(√0.8), e^-2.6, 21 e^-20 (df 4, far tail) and 1 for χ² = 0.

    QTest::newRow("two students, 10 calls")
        << Calls{3, 7} << 2ll << 8ll << 1.6 << 0.20590321073206833 << true << Stretches{} << "";
    QTest::newRow("three students, 15 calls")
        << Calls{2, 4, 9} << 2ll << 9ll << 5.2 << 0.07427357821433388 << true << Stretches{} << "";
    QTest::newRow("four students, 8 calls")
        << Calls{0, 2, 3, 3} << 0ll << 5ll << 3.0 << 0.391625176271089 << true << Stretches{} << "";
    QTest::newRow("all calls on one of five")
        << Calls{0, 0, 0, 0, 10} << 0ll << 5ll << 40.0 << 4.3284226071209714e-08 << false
        << Stretches{} << "====+";
    QTest::newRow("one student") << Calls{7} << 7ll << 7ll << 0.0 << 1.0 << true << Stretches{}
                                 << "";
    QTest::newRow("no calls yet") << Calls{0, 0, 0} << 0ll << 0ll << 0.0 << 1.0 << true
                                  << Stretches{} << "";
    // Binomial(1000, 1/50): P(X <= 11) < 0.025 <= P(X <= 12), P(X <= 28) < 0.975 <= P(X <= 29).
    Calls fifty(50, 20);
    QTest::newRow("class of 50, 1000 calls, even")
        << fifty << 12ll << 29ll << 0.0 << 1.0 << true << Stretches{} << "";
    // Expected 50, 50 and 20: the third was absent for the second 60 calls. Against
    // 40 each it would be χ² = 12.2, p = 0.0022. The range: B(120, 5/12).
    QTest::newRow("absent for half the calls: only the calls present count")
        << Calls{48, 50, 22} << 40ll << 61ll << 0.28 << 0.8693582353988059 << true
        << Stretches{{60, 1, 1, 1}, {60, 1, 1, 0}} << "";
    // B(400, 1/40): P(X = 0) both sides 8.0e-5 <= 1 % / 40; P(X <= 2) both sides
    // 0.0051, below 1 % alone but not against 1 % / 39, Holm's second step.
    Calls forty{0, 2};
    forty << Calls(18, 11) << Calls(20, 10);
    QTest::newRow("forty students: chance cannot explain 0 calls, but 2")
        << forty << 4ll << 17ll << 18.2 << 0.9981787670034535 << true << Stretches{}
        << u"-"_s + QString(39, u'=');
}

void TestFairness::report()
{
    QFETCH(Calls, calls);
    QFETCH(qint64, lowest);
    QFETCH(qint64, highest);
    QFETCH(double, chiSquare);
    QFETCH(double, pValue);
    QFETCH(bool, fair);
    QFETCH(Stretches, stretches);
    QFETCH(QString, verdicts);

    std::vector<CallStretch> present;
    for (const QList<qint64>& stretch : stretches)
        present.push_back({stretch[0], {stretch.begin() + 1, stretch.end()}});
    const FairnessReport report =
        stretches.isEmpty() ? fairnessOf(calls) : fairnessOf(calls, present);
    QCOMPARE(report.range, (CallRange{lowest, highest}));
    QVERIFY(std::abs(report.chiSquare - chiSquare) < 1e-9);
    QVERIFY(std::abs(report.pValue - pValue) <= 1e-6 * pValue);
    QCOMPARE(report.looksFair(), fair);
    QString judged;
    for (const StudentFairness& student : report.each)
        judged += u"=-+"_s[int(student.verdict)];
    QCOMPARE(judged, verdicts.isEmpty() ? QString(calls.size(), u'=') : verdicts);
}

void TestFairness::countsCallsAndChancesOfAClass_data()
{
    QTest::addColumn<QStringList>("students");
    QTest::addColumn<QList<HistoryEntry>>("history");
    QTest::addColumn<Calls>("calls");
    QTest::addColumn<Shares>("expected");

    using enum HistoryAction;
    const QDateTime tuesday = Monday.addDays(1);
    QTest::newRow("calls the history lacks count with everyone present")
        << QStringList{u"甲03"_s, u"乙01"_s, u"丙02"_s} << QList<HistoryEntry>{} << Calls{3, 1, 2}
        << Shares{2, 2, 2};
    QTest::newRow("grades given on one draw are one call")
        << QStringList{u"甲02"_s, u"乙00"_s}
        << QList{recorded(u"甲"_s, u"1"_s), recorded(u"甲"_s, u"1"_s)} << Calls{1, 0}
        << Shares{0.5, 0.5};
    QTest::newRow("older history: each recording not undone")
        << QStringList{u"甲02"_s, u"乙00"_s}
        << QList{recorded(u"甲"_s, {}), recorded(u"甲"_s, {}), recorded(u"乙"_s, {}),
                 recorded(u"乙"_s, {}, Monday, Undo)}
        << Calls{2, 0} << Shares{1, 1};
    QTest::newRow("a name on two lines is one student with both their chances")
        << QStringList{u"甲01"_s, u"甲01"_s, u"乙00"_s} << QList{recorded(u"甲"_s, u"1"_s)}
        << Calls{1, 1, 0} << Shares{2.0 / 3, 2.0 / 3, 1.0 / 3};
    QTest::newRow("absent on that day's later calls only")
        << QStringList{u"甲01"_s, u"乙00"_s, u"丙01"_s}
        << QList{absent(u"乙"_s, true, Monday.addSecs(-60)), recorded(u"甲"_s, u"1"_s),
                 recorded(u"丙"_s, u"2"_s, tuesday)}
        << Calls{1, 0, 1} << Shares{0.5 + 1.0 / 3, 1.0 / 3, 0.5 + 1.0 / 3};
    QTest::newRow("an absence taken back")
        << QStringList{u"甲01"_s, u"乙00"_s}
        << QList{absent(u"乙"_s, true, Monday.addSecs(-60)),
                 absent(u"乙"_s, false, Monday.addSecs(-30)), recorded(u"甲"_s, u"1"_s)}
        << Calls{1, 0} << Shares{0.5, 0.5};
    QTest::newRow("a new term starts afresh")
        << QStringList{u"甲00"_s, u"乙00"_s}
        << QList{recorded(u"甲"_s, u"1"_s), recorded(QString(), {}, tuesday, NewTerm)}
        << Calls{0, 0} << Shares{0, 0};
}

void TestFairness::countsCallsAndChancesOfAClass()
{
    QFETCH(QStringList, students);
    QFETCH(QList<HistoryEntry>, history);
    QFETCH(Calls, calls);
    QFETCH(Shares, expected);

    const NameList names = classOf(students);
    const std::vector<quint32> lines = studentLines(names);
    const ClassFairness fairness = classFairness(names, lines, history, u"1班.txt"_s);
    QCOMPARE(qsizetype(fairness.students.size()), students.size());
    for (qsizetype i = 0; i < students.size(); ++i) {
        QCOMPARE(fairness.students[std::size_t(i)].calls, calls[i]);
        QVERIFY(std::abs(fairness.students[std::size_t(i)].expected - expected[i]) < 1e-12);
    }
}

// Fair draws of 40 students, 400 calls: before, the range marked one student in 40;
// now at most one class in a hundred has anyone marked.
void TestFairness::fairClassesAreRarelyMarked()
{
    QRandomGenerator random(20300107);
    qsizetype marked = 0;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<qint64> calls(40);
        for (int call = 0; call < 400; ++call)
            ++calls[random.bounded(40)];
        const FairnessReport report = fairnessOf(calls);
        marked += std::any_of(report.each.begin(), report.each.end(), [](const auto& student) {
            return student.verdict != Verdict::AsExpected;
        });
    }
    QVERIFY2(marked <= 7, qPrintable(QString::number(marked)));
}

void TestFairness::samplesLookFair_data()
{
    QTest::addColumn<QString>("sample");
    QTest::newRow("高一(3)班") << u"高一(3)班.txt"_s;
    QTest::newRow("高一(5)班") << u"高一(5)班.txt"_s;
}

// What a teacher sees first must not cry foul.
void TestFairness::samplesLookFair()
{
    QFETCH(QString, sample);
    const Result<NameList> names = loadRoster(QStringLiteral(MIRELLO_SAMPLES "/") + sample);
    QVERIFY(names.ok());
    const ClassFairness fairness =
        classFairness(names.value(), studentLines(names.value()), {}, sample);
    QVERIFY(fairness.report.totalCalls > 0);
    QVERIFY(fairness.report.looksFair());
    for (const StudentFairness& student : fairness.students)
        QCOMPARE(student.verdict, Verdict::AsExpected);
}

QTEST_GUILESS_MAIN(TestFairness)
#include "tst_fairness.moc"
