// The one message for a class's state file that is damaged or cannot be written, as
// a teacher meets it in the real window. (Rounds, passes and absences themselves the
// walk checks at every step.)
#include "WindowUnderTest.h"

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList Names{u"甲一"_s, u"乙二"_s, u"丙三"_s, u"丁四"_s};

// The four students, with a blank line that is nobody among them.
QByteArray fourStudents()
{
    QString text;
    for (qsizetype i = 0; i < Names.size(); ++i)
        text +=
            u"S2023010%1"_s.arg(i) + Names[i] + u"-00\\0000\r\n"_s + (i == 1 ? u"\r\n"_s : u""_s);
    return gbk(text);
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
