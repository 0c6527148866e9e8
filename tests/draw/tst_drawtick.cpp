#include "draw/DrawTick.h"
#include "FixedRandom.h"

#include <QTest>

using namespace mirello;
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
    void nothingChangesWithoutLines_data();
    void nothingChangesWithoutLines();
    void reseedsOnEveryTick();
    void largeRosterReachesItsEnd();
};

void TestDrawTick::textsDependOnLineLength_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<OptionalText>("name");
    QTest::addColumn<OptionalText>("tallies");
    QTest::addColumn<OptionalText>("callCount");

    const OptionalText none;
    QTest::newRow("L=0: empty line") << QString() << none << none << none;
    QTest::newRow("L=3") << u"123"_s << none << none << none;
    QTest::newRow("L=4: tally digits only")
        << u"1234"_s << none << OptionalText(u"优秀1次|良好2次|及格3次|不及格4次"_s) << none;
    QTest::newRow("L=6") << u"ab1234"_s << none
                         << OptionalText(u"优秀1次|良好2次|及格3次|不及格4次"_s) << none;
    QTest::newRow("L=7: call count from a short line")
        << u"05\\1234"_s << none << OptionalText(u"优秀1次|良好2次|及格3次|不及格4次"_s)
        << OptionalText(u"已被点到过05次"_s);
    QTest::newRow("L=16") << u"S2023010-05\\0001"_s << none
                          << OptionalText(u"优秀0次|良好0次|及格0次|不及格1次"_s)
                          << OptionalText(u"已被点到过05次"_s);
    QTest::newRow("L=17: empty name") << u"S20230101-05\\0001"_s << OptionalText(QString())
                                      << OptionalText(u"优秀0次|良好0次|及格0次|不及格1次"_s)
                                      << OptionalText(u"已被点到过05次"_s);
    QTest::newRow("L=20: worked example")
        << u"S20230107王小明-03\\1201"_s << OptionalText(u"王小明"_s)
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

    // A single element is always drawn: u = 0 gives index 0.
    FixedRandom random(0.7);
    const DrawTexts texts = drawTick(listOf({line}), random);
    QCOMPARE(texts.name, name);
    QCOMPARE(texts.tallies, tallies);
    QCOMPARE(texts.callCount, callCount);
}

void TestDrawTick::indexFollowsTheRandomValue_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<QString>("expectedName");

    // Three lines and the empty element after the final line end: u = 3.
    QTest::newRow("zero draws the first") << 0.0 << u"甲"_s;
    QTest::newRow("just below a third") << 0.3333 << u"甲"_s;
    QTest::newRow("a third draws the second") << 1.0 / 3.0 + 1e-9 << u"乙"_s;
    QTest::newRow("largest value draws the last line") << 0.9999999999999999 << u"丙"_s;
}

void TestDrawTick::indexFollowsTheRandomValue()
{
    QFETCH(double, r);
    QFETCH(QString, expectedName);

    const NameList names = listOf({u"S20230101甲-00\\0000"_s, u"S20230102乙-00\\0000"_s,
                                   u"S20230103丙-00\\0000"_s, QString()});
    FixedRandom random(r);
    QCOMPARE(drawTick(names, random).name, OptionalText(expectedName));
}

void TestDrawTick::nothingChangesWithoutLines_data()
{
    QTest::addColumn<std::optional<NameList>>("names");

    QTest::newRow("no class loaded") << std::optional<NameList>();
    QTest::newRow("empty class file") << std::optional(NameList::fromText(QString()));
}

void TestDrawTick::nothingChangesWithoutLines()
{
    QFETCH(std::optional<NameList>, names);
    for (const double r : {0.0, 0.5, 0.999}) {
        FixedRandom random(r);
        const DrawTexts texts = drawTick(names, random);
        QVERIFY(!texts.name && !texts.tallies && !texts.callCount);
    }
}

void TestDrawTick::reseedsOnEveryTick()
{
    FixedRandom random(0.5);
    const std::optional<NameList> none;
    for (int tick = 0; tick < 3; ++tick)
        (void)drawTick(none, random);
    QCOMPARE(random.reseeds, 3);
}

void TestDrawTick::largeRosterReachesItsEnd()
{
    // A 16-bit index would fail beyond 32767 lines and fall back to the first line.
    QStringList lines(40000, u"S20230101张三-00\\0000"_s);
    lines.last() = u"S20239999末尾-00\\0000"_s;
    lines.append(QString());
    FixedRandom random(0.9999999999);
    QCOMPARE(drawTick(listOf(lines), random).name, OptionalText(u"末尾"_s));
}

QTEST_GUILESS_MAIN(TestDrawTick)
#include "tst_drawtick.moc"
