#include "WindowUnderTest.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList Names{u"王小明"_s, u"李 四"_s, u"Anna 2"_s};
const QStringList ClassLines{u"S20230101王小明-03\\1201"_s, u"S20230102李 四-00\\0000"_s,
                             u"S20230103Anna 2-12\\3450"_s};
// Each line once graded 良好: the call count and the 良好 digit rise by one.
const QStringList Graded{u"S20230101王小明-04\\1301"_s, u"S20230102李 四-01\\0100"_s,
                         u"S20230103Anna 2-13\\3550"_s};
// What the status bar shows of each line before and after.
const QStringList Tallies{u"优秀1次|良好2次|及格0次|不及格1次"_s,
                          u"优秀0次|良好0次|及格0次|不及格0次"_s,
                          u"优秀3次|良好4次|及格5次|不及格0次"_s};
const QStringList GradedTallies{u"优秀1次|良好3次|及格0次|不及格1次"_s,
                                u"优秀0次|良好1次|及格0次|不及格0次"_s,
                                u"优秀3次|良好5次|及格5次|不及格0次"_s};

} // namespace

// One call as a teacher makes it: choose a class, draw, pause, grade, see the file,
// the faces and the status bar change; the walk checks the rest at every step.
class TestRoadOfOneCall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawPauseGradeAndUndo();
};

void TestRoadOfOneCall::drawPauseGradeAndUndo()
{
    const TestProgramFolder folder({{u"1班.txt"_s, gbkLines(ClassLines)}});
    WindowUnderTest w(folder);
    // The pointer rests outside the window: a click alone brings no move over the button.
    w.click(u"PicSP"_s);
    QVERIFY(w.shows(u"PicSP"_s, u"start1.bmp"_s) && !w.drawing() && !w.searchVisible());

    w.startPause();
    QVERIFY(w.shows(u"PicSP"_s, u"pause2.bmp"_s) && w.drawing() && w.searchVisible());
    QTest::qWait(300);
    w.click(u"PicSP"_s);
    QVERIFY(w.shows(u"PicSP"_s, u"start2.bmp"_s) && !w.drawing() && !w.searchVisible());
    // The last draw stays on screen.
    const QString name = w.text(u"LblName"_s);
    const qsizetype drawn = Names.indexOf(name);
    QVERIFY2(drawn >= 0, qPrintable(name));
    QCOMPARE(w.panelText(), Tallies[drawn]);

    // 良好; a double click (press, release, double click, release) records only once.
    QTest::keyClick(w.get<QComboBox>(u"ComboResult"_s), Qt::Key_Down);
    w.click(u"PicOK"_s);
    QTest::mouseDClick(w.get(u"PicOK"_s), Qt::LeftButton);
    QTest::mouseRelease(w.get(u"PicOK"_s), Qt::LeftButton);
    QStringList recorded = ClassLines;
    recorded[drawn] = Graded[drawn];
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), gbkLines(recorded));

    // The status bar says what was recorded before it shows the tallies again. (The
    // count on screen the walk checks at every step.)
    const auto* statusBar = w.get<PanelStatusBar>(u"StatusBar1"_s);
    QTRY_COMPARE(statusBar->shownText(), u"已记录："_s + name + u" 良好"_s);
    QTRY_COMPARE(statusBar->shownText(), GradedTallies[drawn]);

    QVERIFY(w.reporter.errors.isEmpty());
}

QTEST_MAIN(TestRoadOfOneCall)
#include "tst_roadofonecall.moc"
