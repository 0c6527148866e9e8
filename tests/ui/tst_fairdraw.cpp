// Rounds without repeats, passes and absences as a teacher drives them in the real
// window: Start and Pause, the key P, the overview's absence box, a day going by,
// and the one message for a state file that is damaged or cannot be written.
#include "ui/windows/OverviewModel.h"
#include "WindowUnderTest.h"

#include <QTableView>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList Names{u"甲一"_s, u"乙二"_s, u"丙三"_s, u"丁四"_s};
constexpr qint64 Day = 86'400'000'000'000;

// The four students, with a blank line that is nobody among them.
QByteArray fourStudents()
{
    QString text;
    for (qsizetype i = 0; i < Names.size(); ++i)
        text +=
            u"S2023010%1"_s.arg(i) + Names[i] + u"-00\\0000\r\n"_s + (i == 1 ? u"\r\n"_s : u""_s);
    return gbk(text);
}

QString notice(const WindowUnderTest& w)
{
    return w.get<PanelStatusBar>(u"StatusBar1"_s)->shownText();
}

// Waits for the next draw tick, however slow the machine.
void waitForTick(const WindowUnderTest& w)
{
    int ticks = 0;
    const QMetaObject::Connection counting =
        QObject::connect(w.get<QTimer>(u"TimerName"_s), &QTimer::timeout, [&] { ++ticks; });
    QTRY_VERIFY(ticks > 0);
    QObject::disconnect(counting);
}

// Start, one tick at least, Pause: the name the draw stopped on.
QString callOne(WindowUnderTest& w)
{
    w.startPause();
    waitForTick(w);
    w.click(u"PicSP"_s);
    w.moveOverSurface();
    return w.text(u"LblName"_s);
}

QStringList callRound(WindowUnderTest& w, qsizetype present)
{
    QStringList called;
    while (called.size() < present)
        called.append(callOne(w));
    return called;
}

// The overview's cell of `name` in `column`, as the table shows it.
QModelIndex cellOf(const WindowUnderTest& w, const QString& name, int column)
{
    const QAbstractItemModel* model = w.window.findChild<QTableView*>(u"OverviewTable"_s)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, OverviewModel::Name).data() == name)
            return model->index(row, column);
    }
    return {};
}

} // namespace

class TestFairDraw : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundsPassesAndAbsences();
    void reportsStateTroubleOnce_data();
    void reportsStateTroubleOnce();
};

void TestFairDraw::roundsPassesAndAbsences()
{
    const TestProgramFolder folder({{u"1班.txt"_s, fourStudents()}});
    QVERIFY(QDir(folder.rollFolder()).mkdir(u".mirello"_s));
    QFile settings(folder.rollFolder() + u"/.mirello/settings.ini"_s);
    QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write("[draw]\noncePerRound=true\n"));
    settings.close();
    WindowUnderTest w(folder);

    QStringList called = callRound(w, 4);
    QCOMPARE(QSet<QString>(called.begin(), called.end()),
             QSet<QString>(Names.begin(), Names.end()));
    QVERIFY(notice(w).startsWith(u"本轮已点完全班 4 人"));
    // P: the last one goes back, and is all that is left of the round.
    QTest::keyClick(&w.window, Qt::Key_P);
    QCOMPARE(notice(w), u"已跳过："_s + called.last() + u"，本轮稍后再点"_s);
    QCOMPARE(callOne(w), called.last());

    // 乙二 is absent: the next start begins round 2 without them.
    QTest::keyClick(&w.window, Qt::Key_L, Qt::ControlModifier);
    QVERIFY(w.window.findChild<QTableView*>(u"OverviewTable"_s)->isVisible());
    QCOMPARE(cellOf(w, called.last(), OverviewModel::Passes).data().toInt(), 1);
    QAbstractItemModel* overview = w.window.findChild<QTableView*>(u"OverviewTable"_s)->model();
    QVERIFY(overview->setData(cellOf(w, u"乙二"_s, OverviewModel::Absent), Qt::Checked,
                              Qt::CheckStateRole));
    w.startPause();
    QVERIFY(notice(w).contains(u"第 2 轮开始"));
    waitForTick(w);
    w.click(u"PicSP"_s);
    w.moveOverSurface();
    called = QStringList{w.text(u"LblName"_s)};
    called += callRound(w, 2);
    QCOMPARE(QSet<QString>(called.begin(), called.end()), (QSet{u"甲一"_s, u"丙三"_s, u"丁四"_s}));

    // A day later the absence is gone by itself, and 乙二 is the one the round lacks.
    w.clock.now += Day;
    QCOMPARE(callOne(w), u"乙二"_s);
    QVERIFY(notice(w).startsWith(u"本轮已点完全班 4 人"));
    QCOMPARE(cellOf(w, u"乙二"_s, OverviewModel::Absent).data(Qt::CheckStateRole), Qt::Unchecked);
    QCOMPARE(folder.classBytes(u"1班.txt"_s), fourStudents());
    QVERIFY(w.reporter.errors.isEmpty());
}

void TestFairDraw::reportsStateTroubleOnce_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("reported");

    QTest::newRow("damaged state file") << true << u"已损坏"_s;
    // A file where the state folder belongs: nothing can be saved, every pass tries.
    QTest::newRow("state cannot be saved") << false << u"无法保存班级"_s;
}

void TestFairDraw::reportsStateTroubleOnce()
{
    QFETCH(bool, damaged);
    QFETCH(QString, reported);

    const TestProgramFolder folder({{u"1班.txt"_s, fourStudents()}});
    const QString own = folder.rollFolder() + u"/.mirello"_s;
    QFile blocker(damaged ? own + u"/1班.txt.state.json"_s : own);
    QVERIFY(!damaged || QDir(folder.rollFolder()).mkdir(u".mirello"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("{\"version\": 1, \"rou"));
    blocker.close();
    WindowUnderTest w(folder);
    for (int pass = 0; pass < 3; ++pass) {
        callOne(w);
        QTest::keyClick(&w.window, Qt::Key_P);
    }
    QVERIFY2(w.reportedOnce(reported), qPrintable(w.reporter.errors.value(0).message));
}

QTEST_MAIN(TestFairDraw)
#include "tst_fairdraw.moc"
