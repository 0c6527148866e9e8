// The settings kept between runs, as two copies of the program on one roll folder
// write them.

#include "lesson/Settings.h"

#include <optional>
#include <QTemporaryDir>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void twoCopiesKeepEachOthersChanges_data();
    void twoCopiesKeepEachOthersChanges();
};

void TestSettings::twoCopiesKeepEachOthersChanges_data()
{
    // What the first copy sets and then the second, both started on "phones=甲乙"
    // ("key=" removes), and what the file holds after both.
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("after");
    QTest::newRow("different keys")
        << u"zoom=2"_s << u"class=高一"_s << u"zoom=2 class=高一 phones=甲乙"_s;
    QTest::newRow("a revocation stays")
        << u"phones="_s << u"zoom=3"_s << u"zoom=3 class= phones="_s;
    QTest::newRow("what the second had is no change")
        << u"phones=甲"_s << u"phones=甲乙 zoom=1"_s << u"zoom=1 class= phones=甲"_s;
    QTest::newRow("one key: the later wins")
        << u"zoom=2"_s << u"zoom=3 phones=乙"_s << u"zoom=3 class= phones=乙"_s;
}

void TestSettings::twoCopiesKeepEachOthersChanges()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QString, after);
    QTemporaryDir dir;
    const RollFolder folder = RollFolder::at(dir.path());
    const auto set = [](Settings& settings, const QString& changes) {
        for (const QString& change : changes.split(u' '))
            settings.setBytes(change.section(u'=', 0, 0), change.section(u'=', 1).toUtf8());
    };
    // Each copy waits for its last write as it goes.
    std::optional<Settings> one(std::in_place, folder);
    std::optional<Settings> two;
    set(*one, u"phones=甲乙"_s);
    one.emplace(folder);
    two.emplace(folder);
    set(*one, first);
    one.reset();
    set(*two, second);
    two.reset();
    one.emplace(folder);
    for (const QString& kept : after.split(u' '))
        QCOMPARE(QString::fromUtf8(one->bytes(kept.section(u'=', 0, 0))), kept.section(u'=', 1));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
