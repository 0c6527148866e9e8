#include "draw/DrawTick.h"
#include "platform/RandomSource.h"
#include "support/FixedRandom.h"

#include <QTest>

using namespace mirello;
using test::FixedRandom;
using namespace Qt::StringLiterals;

namespace {

using OptionalText = std::optional<QString>;

NameList listOf(const QStringList& lines)
{
    return NameList::fromText(lines.join(u"\r\n"));
}

} // namespace

class TestDrawTick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textsDependOnLineLength_data();
    void textsDependOnLineLength();
    void indexFollowsTheRandomValue_data();
    void indexFollowsTheRandomValue();
    void nothingChangesWithoutLines();
};

void TestDrawTick::textsDependOnLineLength_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<OptionalText>("name");
    QTest::addColumn<OptionalText>("tallies");
    QTest::addColumn<OptionalText>("callCount");

    const OptionalText none;
    const OptionalText tallies(u"优秀1次|良好2次|及格3次|不及格4次"_s);
    const OptionalText oneFail(u"优秀0次|良好0次|及格0次|不及格1次"_s);
    const OptionalText fiveCalls(u"已被点到过05次"_s);
    QTest::newRow("L=0") << QString() << none << none << none;
    QTest::newRow("L=3") << u"123"_s << none << none << none;
    QTest::newRow("L=4: tallies only") << u"1234"_s << none << tallies << none;
    QTest::newRow("L=6") << u"ab1234"_s << none << tallies << none;
    QTest::newRow("L=7: call count too") << u"05\\1234"_s << none << tallies << fiveCalls;
    QTest::newRow("L=16") << u"S2023010-05\\0001"_s << none << oneFail << fiveCalls;
    QTest::newRow("L=17: empty name")
        << u"S20230101-05\\0001"_s << OptionalText(QString()) << oneFail << fiveCalls;
    QTest::newRow("L=20") << u"S20230107王小明-03\\1201"_s << OptionalText(u"王小明"_s)
                          << OptionalText(u"优秀1次|良好2次|及格0次|不及格1次"_s)
                          << OptionalText(u"已被点到过03次"_s);
    QTest::newRow("non-digits shown as they stand")
        << u"S20230101a b-x \\-9?z"_s << OptionalText(u"a b"_s)
        << OptionalText(u"优秀-次|良好9次|及格?次|不及格z次"_s)
        << OptionalText(u"已被点到过x 次"_s);
}

void TestDrawTick::textsDependOnLineLength()
{
    QFETCH(QString, line);
    QFETCH(OptionalText, name);
    QFETCH(OptionalText, tallies);
    QFETCH(OptionalText, callCount);

    // A single element is always drawn, whatever the value.
    FixedRandom random(0.7);
    const DrawTexts texts = drawTick(listOf({line}), random);
    QCOMPARE(texts.name, name);
    QCOMPARE(texts.tallies, tallies);
    QCOMPARE(texts.callCount, callCount);
    QCOMPARE(random.reseeds, 1);
}

void TestDrawTick::indexFollowsTheRandomValue_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<double>("r");
    QTest::addColumn<QString>("drawn");

    // Three lines and the empty element after the final line end: u = 3.
    const QStringList three{u"S20230101甲-00\\0000"_s, u"S20230102乙-00\\0000"_s,
                            u"S20230103丙-00\\0000"_s, QString()};
    QTest::newRow("zero draws the first") << three << 0.0 << u"甲"_s;
    QTest::newRow("just below a third") << three << 0.3333 << u"甲"_s;
    QTest::newRow("a third draws the second") << three << 1.0 / 3.0 + 1e-9 << u"乙"_s;
    QTest::newRow("largest value draws the last line") << three << 0.9999999999999999 << u"丙"_s;

    // A 16-bit index would fail beyond 32767 lines and fall back to the first line.
    QStringList large(40000, three[0]);
    large.last() = u"S20239999末尾-00\\0000"_s;
    large.append(QString());
    QTest::newRow("40000 lines reach the end") << large << 0.9999999999 << u"末尾"_s;
}

void TestDrawTick::indexFollowsTheRandomValue()
{
    QFETCH(QStringList, lines);
    QFETCH(double, r);
    QFETCH(QString, drawn);

    FixedRandom random(r);
    QCOMPARE(drawTick(listOf(lines), random).name, OptionalText(drawn));
}

void TestDrawTick::nothingChangesWithoutLines()
{
    // No class loaded, then an empty class file; every tick reseeds all the same.
    FixedRandom random(0.999);
    for (const auto& names : {std::optional<NameList>(), std::optional(listOf({}))}) {
        const DrawTexts texts = drawTick(names, random);
        QVERIFY(!texts.name && !texts.tallies && !texts.callCount);
    }
    QCOMPARE(random.reseeds, 2);
}

QTEST_GUILESS_MAIN(TestDrawTick)
#include "tst_drawtick.moc"
