#include "WindowUnderTest.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList ClassLines{u"S20230101王小明-03\\1201"_s, u"S20230102李 四-00\\0000"_s,
                             u"S20230103Anna 2-12\\3450"_s};
// Each line once graded 良好: the call count and the 良好 digit rise by one.
const QStringList Graded{u"S20230101王小明-04\\1301"_s, u"S20230102李 四-01\\0100"_s,
                         u"S20230103Anna 2-13\\3550"_s};

QByteArray classFile(const QStringList& lines)
{
    return gbk(lines.join(u"\r\n"_s) + u"\r\n"_s);
}

QString tallyText(const QString& line)
{
    const QString tally = line.right(4);
    return u"优秀%1次|良好%2次|及格%3次|不及格%4次"_s.arg(tally[0], tally[1], tally[2], tally[3]);
}

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
    const TestProgramFolder folder({{u"1班.txt"_s, classFile(ClassLines)}});
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
    const qsizetype drawn =
        std::ranges::find_if(ClassLines,
                             [&](const QString& line) { return line.mid(9).chopped(8) == name; }) -
        ClassLines.begin();
    QVERIFY2(drawn < ClassLines.size(), qPrintable(name));
    QCOMPARE(w.panelText(), tallyText(ClassLines[drawn]));

    // 良好; a double click (press, release, double click, release) records only once.
    QTest::keyClick(w.get<QComboBox>(u"ComboResult"_s), Qt::Key_Down);
    w.click(u"PicOK"_s);
    QTest::mouseDClick(w.get(u"PicOK"_s), Qt::LeftButton);
    QTest::mouseRelease(w.get(u"PicOK"_s), Qt::LeftButton);
    QStringList recorded = ClassLines;
    recorded[drawn] = Graded[drawn];
    QTRY_COMPARE(folder.classBytes(u"1班.txt"_s), classFile(recorded));

    // The status bar says what was recorded before it shows the tallies again. (The
    // count on screen the walk checks at every step.)
    const auto* statusBar = w.get<PanelStatusBar>(u"StatusBar1"_s);
    QTRY_COMPARE(statusBar->shownText(), u"已记录："_s + name + u" 良好"_s);
    QTRY_COMPARE(statusBar->shownText(), tallyText(Graded[drawn]));

    QVERIFY(w.reporter.errors.isEmpty());
}

QTEST_MAIN(TestRoadOfOneCall)
#include "tst_roadofonecall.moc"
