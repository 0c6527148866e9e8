// Which line a random value draws. What the tick shows of a line is checked against a
// reference for every input by the roster_draw fuzz target.
#include "draw/DrawTick.h"
#include "platform/RandomSource.h"
#include "support/FixedRandom.h"

#include <QTest>

using namespace mirello;
using test::FixedRandom;
using namespace Qt::StringLiterals;

using OptionalText = std::optional<QString>;

class TestDrawTick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsTheLineTheValueSelects_data();
    void drawsTheLineTheValueSelects();
};

void TestDrawTick::drawsTheLineTheValueSelects_data()
{
    QTest::addColumn<std::optional<NameList>>("names");
    QTest::addColumn<double>("r");
    QTest::addColumn<OptionalText>("drawn");

    // Three lines and the empty element after the final line end: u = 3.
    const QStringList three{u"S20230101甲-00\\0000"_s, u"S20230102乙-00\\0000"_s,
                            u"S20230103丙-00\\0000"_s, QString()};
    const auto list = [](const QStringList& lines) {
        return std::optional(NameList::fromText(lines.join(u"\r\n")));
    };
    QTest::newRow("zero draws the first") << list(three) << 0.0 << OptionalText(u"甲"_s);
    QTest::newRow("just below a third") << list(three) << 0.3333 << OptionalText(u"甲"_s);
    QTest::newRow("a third draws the second") << list(three) << 1.0 / 3.0 + 1e-9 << OptionalText(u"乙"_s);
    QTest::newRow("largest value draws the last line, never the empty element")
        << list(three) << 0.9999999999999999 << OptionalText(u"丙"_s);

    // A 16-bit index would fail beyond 32767 lines and fall back to the first line.
    QStringList large(40000, three[0]);
    large.last() = u"S20239999末尾-00\\0000"_s;
    large.append(QString());
    QTest::newRow("40000 lines reach the end") << list(large) << 0.9999999999 << OptionalText(u"末尾"_s);

    const QString longName(5'000'000, u'名');
    QTest::newRow("a name of megabytes is shortened, not copied whole")
        << list({u"S20230101"_s + longName + u"-00\\0000"_s}) << 0.5
        << OptionalText(longName.first(DrawTexts::LongestName - 1) + u'…');
    QTest::newRow("no class") << std::optional<NameList>() << 0.5 << OptionalText();
    QTest::newRow("empty class") << list({}) << 0.999 << OptionalText();
}

void TestDrawTick::drawsTheLineTheValueSelects()
{
    QFETCH(std::optional<NameList>, names);
    QFETCH(double, r);
    QFETCH(OptionalText, drawn);

    FixedRandom random(r);
    QCOMPARE(drawTick(names, random).name, drawn);
    QCOMPARE(random.reseeds, 1); // every tick reseeds, whatever the list holds
}

QTEST_GUILESS_MAIN(TestDrawTick)
#include "tst_drawtick.moc"
