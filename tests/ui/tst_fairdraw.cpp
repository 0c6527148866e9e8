// The one message for a class's state file that is damaged or cannot be written, as
// a teacher meets it in the real window. (Rounds, passes and absences themselves the
// walk checks at every step.)
#include "WindowUnderTest.h"

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QByteArray FourStudents = gbk(classText({u"甲一"_s, u"乙二"_s, u"丙三"_s, u"丁四"_s}));

// Waits for the next draw tick, however slow the machine.
void waitForTick(const WindowUnderTest& w)
{
    int ticks = 0;
    const QMetaObject::Connection counting =
        QObject::connect(w.get<QTimer>(u"TimerName"_s), &QTimer::timeout, [&] { ++ticks; });
    QTRY_VERIFY(ticks > 0);
    QObject::disconnect(counting);
}

} // namespace

class TestFairDraw : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsStateTroubleOnce_data();
    void reportsStateTroubleOnce();
};

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

    const TestProgramFolder folder({{u"1班.txt"_s, FourStudents}});
    const QString own = folder.rollFolder() + u"/.mirello"_s;
    QVERIFY(!damaged || QDir(folder.rollFolder()).mkdir(u".mirello"_s));
    QVERIFY(writeBytes(damaged ? own + u"/1班.txt.state.json"_s : own, "{\"version\": 1, \"rou"));
    WindowUnderTest w(folder);
    for (int pass = 0; pass < 3; ++pass) { // Start, one tick at least, Pause, pass
        w.startPause();
        waitForTick(w);
        w.click(u"PicSP"_s);
        w.moveOverSurface();
        QTest::keyClick(&w.window, Qt::Key_P);
    }
    QVERIFY2(w.reportedOnce(reported), qPrintable(w.reporter.errors.value(0).message));
}

QTEST_MAIN(TestFairDraw)
#include "tst_fairdraw.moc"
