// The fairness chart: what it paints and tells on hover for classes of every size; and
// the overview's order of 学号.
#include "ui/windows/FairnessChart.h"
#include "ui/windows/OverviewModel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QToolTip>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestFairnessChart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paintsAndNamesTheBars_data();
    void paintsAndNamesTheBars();
    void sortsStudentNumbersAsTeachersDo_data();
    void sortsStudentNumbersAsTeachersDo();
};

void TestFairnessChart::paintsAndNamesTheBars_data()
{
    QTest::addColumn<int>("students");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("no students") << 0 << false;
    QTest::newRow("a small class by name") << 12 << true;
    QTest::newRow("two thousand") << 2000 << true;
    QTest::newRow("beyond two thousand") << 2001 << false;
}

// Every student called twenty times but the last, never called: too few for chance.
void TestFairnessChart::paintsAndNamesTheBars()
{
    QFETCH(int, students);
    QFETCH(bool, drawn);
    QList<OverviewRow> rows = QVector<OverviewRow>(students).toList();
    std::vector<qint64> calls;
    for (int i = 0; i < students; ++i)
        calls.push_back(i + 1 == students ? 0 : 20);
    const FairnessReport report = fairnessOf(calls);
    for (int i = 0; i < students; ++i) {
        rows[i].order = i + 1;
        rows[i].shownName = u"学生"_s + QString::number(i + 1);
        rows[i].fairness = report.each[std::size_t(i)];
    }
    FairnessChart chart;
    chart.resize(640, 300);
    chart.setStudents(rows, report);
    const QImage image = chart.grab().toImage();

    // The legend shows both colours too; the tops of the bars are above it.
    const QRgb usual = qRgb(66, 133, 244);
    const QRgb fewer = qRgb(219, 68, 55);
    auto topmost = [&image](QRgb colour) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == colour)
                    return QPoint(x, y);
            }
        }
        return QPoint(-1, -1);
    };
    const QPoint usualTop = topmost(usual);
    const QPoint fewerTop = topmost(fewer);
    QCOMPARE(fewerTop.y() >= 0, drawn);
    QCOMPARE(usualTop.y() >= 0, drawn);
    QVERIFY(usualTop.y() < fewerTop.y() || !drawn);
    if (!drawn || students > 100)
        return;

    // Hovering the red bar names its student.
    int right = fewerTop.x();
    while (right + 1 < image.width() && image.pixel(right + 1, fewerTop.y()) == fewer)
        ++right;
    const QPoint at((fewerTop.x() + right) / 2, fewerTop.y());
    QHelpEvent hover(QEvent::ToolTip, at, chart.mapToGlobal(at));
    QApplication::sendEvent(&chart, &hover);
    QTRY_COMPARE(QToolTip::text(), u"学生"_s + QString::number(students) + u"：0 次"_s);
}

void TestFairnessChart::sortsStudentNumbersAsTeachersDo_data()
{
    QTest::addColumn<QStringList>("leads");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("numbers") << QStringList{u"10"_s, u"2"_s, u"19"_s, u"1"_s}
                             << QStringList{u"1"_s, u"2"_s, u"10"_s, u"19"_s};
    QTest::newRow("a letter in front")
        << QStringList{u"S10"_s, u"S9"_s, u"S100"_s} << QStringList{u"S9"_s, u"S10"_s, u"S100"_s};
}

void TestFairnessChart::sortsStudentNumbersAsTeachersDo()
{
    QFETCH(QStringList, leads);
    QFETCH(QStringList, sorted);
    QList<OverviewRow> rows = QVector<OverviewRow>(leads.size()).toList();
    for (qsizetype i = 0; i < leads.size(); ++i)
        rows[i].lead = leads[i];
    OverviewModel model;
    model.setRows(rows);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(OverviewModel::SortRole);
    proxy.sort(OverviewModel::Lead);
    QStringList shown;
    for (int row = 0; row < proxy.rowCount(); ++row)
        shown.append(proxy.index(row, OverviewModel::Lead).data().toString());
    QCOMPARE(shown, sorted);
}

QTEST_MAIN(TestFairnessChart)
#include "tst_fairnesschart.moc"
