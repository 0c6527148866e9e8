#include "TestProgramFolder.h"
#include "WindowUnderTest.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QStringList ClassLines{u"S20230101王小明-03\\1201"_s, u"S20230102李 四-00\\0000"_s,
                             u"S20230103Anna 2-12\\3450"_s};

QByteArray classFile(const QStringList& lines)
{
    return gbk(lines.join(u"\r\n"_s) + u"\r\n"_s);
}

QString callCountText(const QString& line)
{
    return u"已被点到过"_s + line.mid(line.size() - 7, 2) + u"次"_s;
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
    TestProgramFolder folder(
        {{u"1班.txt"_s, classFile(ClassLines)}, {u"2班.txt"_s, classFile({ClassLines[0]})}});
    WindowUnderTest w(folder.path());
    QVERIFY(w.show());

    QTest::mouseMove(w.control(u"PicSP"_s));
    w.clickStartPause();
    QTest::qWait(300);
    w.clickStartPause();
    const QString name = w.text(u"LblName"_s);
    qsizetype drawn = 0;
    while (drawn < ClassLines.size() && ClassLines[drawn].mid(9).chopped(8) != name)
        ++drawn;
    QVERIFY2(drawn < ClassLines.size(), qPrintable(name));
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(ClassLines[drawn]));

    // 良好: the call count and the 良好 digit of the tally rise by one.
    QTest::keyClick(w.combo(u"ComboResult"_s), Qt::Key_Down);
    QTest::mouseClick(w.control(u"PicOK"_s), Qt::LeftButton);
    QVERIFY(w.reporter.errors.isEmpty());
    const QString& old = ClassLines[drawn];
    QStringList recorded = ClassLines;
    recorded[drawn] =
        old.chopped(7) + u"%1\\%2"_s.arg(old.mid(old.size() - 7, 2).toInt() + 1, 2, 10, QChar(u'0'))
                             .arg(old.right(4).toInt() + 100, 4, 10, QChar(u'0'));
    QCOMPARE(folder.classBytes(u"1班.txt"_s), classFile(recorded));

    // The class in memory is not read again, so draws show the old count ...
    QTest::mouseMove(w.control(u"PicSP"_s), QPoint(5, 5));
    w.clickStartPause();
    waitForNewDrawOf(w, name);
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(old));

    // ... until the class is chosen again.
    QTest::keyClick(w.combo(u"ComboFileChange"_s), Qt::Key_Down);
    QTest::keyClick(w.combo(u"ComboFileChange"_s), Qt::Key_Up);
    waitForNewDrawOf(w, name);
    QCOMPARE(w.text(u"LblAnsCount"_s), callCountText(recorded[drawn]));
    QVERIFY(w.reporter.errors.isEmpty());
}

QTEST_MAIN(TestRoadOfOneCall)
#include "tst_roadofonecall.moc"
