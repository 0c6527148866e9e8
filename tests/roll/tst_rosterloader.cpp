#include "roll/RosterLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

QStringList elements(const NameList& list)
{
    QStringList result;
    for (qsizetype i = 0; i < list.size(); ++i)
        result.append(list.at(i).toString());
    return result;
}

} // namespace

class TestRosterLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void splitsLines_data();
    void splitsLines();
    void sameRosterInEveryEncoding_data();
    void sameRosterInEveryEncoding();
    void invalidGbkKeepsPositions();
    void missingFileIsAnError();
    void loadsFromDisk();

private:
    QTemporaryDir m_dir;
};

void TestRosterLoader::splitsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("crlf with final line end")
        << "a\r\nb\r\nc\r\n"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s, {}};
    QTest::newRow("crlf without final line end")
        << "a\r\nb\r\nc"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("lf only") << "a\nb\n"_ba << QStringList{u"a"_s, u"b"_s, {}};
    QTest::newRow("mixed") << "a\r\nb\nc"_ba << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("empty line in the middle") << "a\r\n\r\nb"_ba << QStringList{u"a"_s, {}, u"b"_s};
    QTest::newRow("lone cr stays in its line")
        << "a\rb\r\nc\r"_ba << QStringList{u"a\rb"_s, u"c\r"_s};
    QTest::newRow("cr cr lf keeps one cr") << "a\r\r\nb"_ba << QStringList{u"a\r"_s, u"b"_s};
    QTest::newRow("only a line end") << "\r\n"_ba << QStringList{{}, {}};
    QTest::newRow("zero bytes") << QByteArray() << QStringList{};
}

void TestRosterLoader::splitsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const NameList list = nameListFromBytes(bytes);
    QCOMPARE(elements(list), expected);
    QCOMPARE(list.upperBound(), expected.size() - 1);
}

void TestRosterLoader::sameRosterInEveryEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");

    // S20230107王小明-03\1201, then a second line with a three-character name.
    QTest::newRow("gbk")
        << "S20230107\xCD\xF5\xD0\xA1\xC3\xF7-03\\1201\r\nS20230108\xC0\xEE\xCB\xC4-00\\0000\r\n"_ba;
    QTest::newRow("utf-8")
        << "S20230107\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E-03\\1201\r\nS20230108\xE6\x9D\x8E\xE5\x9B\x9B-00\\0000\r\n"_ba;
    QTest::newRow("utf-8 with bom")
        << "\xEF\xBB\xBFS20230107\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E-03\\1201\r\nS20230108\xE6\x9D\x8E\xE5\x9B\x9B-00\\0000\r\n"_ba;
}

void TestRosterLoader::sameRosterInEveryEncoding()
{
    QFETCH(QByteArray, bytes);
    const QStringList expected{u"S20230107王小明-03\\1201"_s, u"S20230108李四-00\\0000"_s, {}};
    QCOMPARE(elements(nameListFromBytes(bytes)), expected);
}

void TestRosterLoader::invalidGbkKeepsPositions()
{
    // A stray lead byte in the lead field must not shift the name or the counters.
    const NameList list = nameListFromBytes("S20\x81"
                                            "0101A\xCD\xF5\xD0\xA1-01\\0001\r\n"_ba);
    QCOMPARE(list.at(0), u"S20\uFFFD0101A王小-01\\0001");
}

void TestRosterLoader::missingFileIsAnError()
{
    const auto result = loadRoster(m_dir.filePath(u"不存在.txt"_s));
    QVERIFY(!result);
    QVERIFY(result.error().message.contains(u"不存在.txt"));
    QVERIFY(!result.error().reason.isEmpty());
}

void TestRosterLoader::loadsFromDisk()
{
    QFile file(m_dir.filePath(u"一班.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("S20230101abc-00\\0000\r\n");
    file.close();

    const auto result = loadRoster(file.fileName());
    QVERIFY(result);
    QCOMPARE(elements(result.value()), (QStringList{u"S20230101abc-00\\0000"_s, {}}));
}

QTEST_GUILESS_MAIN(TestRosterLoader)
#include "tst_rosterloader.moc"
