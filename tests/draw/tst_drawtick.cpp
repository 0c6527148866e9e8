// Which line a random value draws where fuzzing cannot reach: tens of thousands of
// lines, a name of megabytes, no class. Every other draw, and what the tick shows of
// the line, the roster_draw fuzz target checks against a reference.
#include "draw/DrawTick.h"
#include "platform/RandomSource.h"
#include "support/FixedRandom.h"

#include <QTest>

Q_DECLARE_METATYPE(std::optional<mirello::NameList>)
Q_DECLARE_METATYPE(std::optional<QString>)

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

    const auto list = [](const QStringList& lines) {
        return std::optional(NameList::fromText(lines.join(u"\r\n")));
    };
    // A 16-bit index would fail beyond 32767 lines and fall back to the first line.
    QStringList large;
    for (int line = 0; line < 40000; ++line)
        large.append(u"S20230101甲-00\\0000"_s);
    large.last() = u"S20239999末尾-00\\0000"_s;
    large.append(QString());
    QTest::newRow("40000 lines reach the end")
        << list(large) << 0.9999999999 << OptionalText(u"末尾"_s);

    const QString longName(5'000'000, u'名');
    QTest::newRow("a name of megabytes is shortened, not copied whole")
        << list({u"S20230101"_s + longName + u"-00\\0000"_s}) << 0.5
        << OptionalText(longName.left(DrawTexts::LongestName - 1) + u'…');
    QTest::newRow("no class") << std::optional<NameList>() << 0.5 << OptionalText();
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
