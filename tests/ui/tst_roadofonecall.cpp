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

QString callCountText(const QString& line)
{
    return u"已被点到过"_s + line.right(7).left(2) + u"次"_s;
}

// Waits until somebody else and then `name` is drawn, so that the texts on screen
// come from a draw made after the call.
void waitForNewDrawOf(const WindowUnderTest& w, const QString& name)
{
    QTRY_VERIFY(w.text(u"LblName"_s) != name);
    QTRY_COMPARE(w.text(u"LblName"_s), name);
}

} // namespace

// A teacher's whole round: choose a class, draw, pause, grade, and see the file change.
class TestRoadOfOneCall : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawPauseGradeAndReload();
};

void TestRoadOfOneCall::drawPauseGradeAndReload()
{
    const TestProgramFolder folder(
        {{u"1班.txt"_s, classFile(ClassLines)}, {u"2班.txt"_s, classFile({ClassLines[0]})}});
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
    const QString& old = ClassLines[drawn];
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(old));
    const QString tally = old.right(4);
    QCOMPARE(
        w.panelText(),
        u"优秀%1次|良好%2次|及格%3次|不及格%4次"_s.arg(tally[0]).arg(tally[1]).arg(tally[2]).arg(
            tally[3]));

    // 良好; a double click (press, release, double click, release) records only once.
    QTest::keyClick(w.get<QComboBox>(u"ComboResult"_s), Qt::Key_Down);
    w.click(u"PicOK"_s);
    QTest::mouseDClick(w.get(u"PicOK"_s), Qt::LeftButton);
    QTest::mouseRelease(w.get(u"PicOK"_s), Qt::LeftButton);
    QStringList recorded = ClassLines;
    recorded[drawn] = Graded[drawn];
    QCOMPARE(folder.classBytes(u"1班.txt"_s), classFile(recorded));

    // The class in memory is not read again, so draws show the old count ...
    w.startPause(QPoint(5, 5));
    waitForNewDrawOf(w, name);
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(old));

    // ... until the class is chosen again.
    QTest::keyClick(w.get<QComboBox>(u"ComboFileChange"_s), Qt::Key_Down);
    QTest::keyClick(w.get<QComboBox>(u"ComboFileChange"_s), Qt::Key_Up);
    waitForNewDrawOf(w, name);
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(Graded[drawn]));
    QVERIFY(w.reporter.errors.isEmpty());
}

QTEST_MAIN(TestRoadOfOneCall)
#include "tst_roadofonecall.moc"
