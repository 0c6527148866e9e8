#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

using Grade = RollRecord::Grade;

class TestRollRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takesFieldsFromBothEnds_data();
    void takesFieldsFromBothEnds();
    void workedExampleFromGbkBytes();
};

void TestRollRecord::takesFieldsFromBothEnds_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("callCount");
    QTest::addColumn<qint64>("tally");
    QTest::addColumn<QString>("head");

    QTest::newRow("three chinese characters count three")
        << u"S20230107王小明-03\\1201"_s << u"王小明"_s << qint64(3) << qint64(1201)
        << u"S20230107王小明-"_s;
    QTest::newRow("name with backslash, digits and space")
        << u"S20230101a\\b 2c-12\\0345"_s << u"a\\b 2c"_s << qint64(12) << qint64(345)
        << u"S20230101a\\b 2c-"_s;
    QTest::newRow("seventeen characters: empty name")
        << u"S20230101-05\\0104"_s << QString() << qint64(5) << qint64(104) << u"S20230101-"_s;
    QTest::newRow("counter without a number") << u"S20230101张三-ab\\xy12"_s << u"张三"_s
                                              << qint64(0) << qint64(0) << u"S20230101张三-"_s;
    QTest::newRow("separators of any kind")
        << u"S20230101李四:07/0007"_s << u"李四"_s << qint64(7) << qint64(7) << u"S20230101李四:"_s;
}

void TestRollRecord::takesFieldsFromBothEnds()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(qint64, callCount);
    QFETCH(qint64, tally);
    QFETCH(QString, head);

    const RollRecord record(line);
    QCOMPARE(record.personName()->toString(), name);
    QCOMPARE(record.callCount(), callCount);
    QCOMPARE(record.gradeTally(), tally);
    QCOMPARE(record.recordHead()->toString(), head);
}

void TestRollRecord::workedExampleFromGbkBytes()
{
    // S20230107王小明-03\1201 as a Windows roll file stores it: 23 bytes and CR LF.
    const QByteArray bytes = "S20230107\xCD\xF5\xD0\xA1\xC3\xF7-03\\1201\r\n"_ba;
    QCOMPARE(bytes.size(), 25);
    const NameList list = nameListFromBytes(bytes);
    const RollRecord record(list.at(0));

    QCOMPARE(record.length(), 20);
    QCOMPARE(*record.personName(), u"王小明");
    QCOMPARE(*record.callCountText(), u"03");
    QCOMPARE(*record.tallyDigit(Grade::Excellent), u"1");
    QCOMPARE(*record.tallyDigit(Grade::Good), u"2");
    QCOMPARE(*record.tallyDigit(Grade::Pass), u"0");
    QCOMPARE(*record.tallyDigit(Grade::Fail), u"1");
    QCOMPARE(*record.recordHead(), u"S20230107王小明-");
}

QTEST_GUILESS_MAIN(TestRollRecord)
#include "tst_rollrecord.moc"
