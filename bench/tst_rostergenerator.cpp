#include "platform/TextCodec.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "RosterGenerator.h"

#include <QSet>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

bool isChinese(QStringView text)
{
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

} // namespace

class TestRosterGenerator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesFollowTheLayout_data();
    void linesFollowTheLayout();
    void sameBytesEveryTime();
    void namesAndCountersVary();
};

void TestRosterGenerator::linesFollowTheLayout_data()
{
    QTest::addColumn<qsizetype>("lineCount");

    QTest::newRow("one line") << qsizetype(1);
    QTest::newRow("a class") << qsizetype(50);
    QTest::newRow("a school") << qsizetype(10'000);
}

void TestRosterGenerator::linesFollowTheLayout()
{
    QFETCH(qsizetype, lineCount);
    const QByteArray bytes = generatedRoster(lineCount);
    QCOMPARE(detectEncoding(bytes), TextEncoding::Gbk);
    QVERIFY(!decodeText(bytes, TextEncoding::Gbk).contains(QChar::ReplacementCharacter));
    QVERIFY(bytes.endsWith("\r\n"));

    const NameList names = nameListFromBytes(bytes);
    QCOMPARE(names.size(), lineCount + 1);
    QVERIFY(names.at(lineCount).isEmpty());
    for (qsizetype i = 0; i < lineCount; ++i) {
        const QString line = names.at(i).toString();
        const RollRecord record(line);
        QCOMPARE(line.first(9), QString(u"S" + QString::number(i + 1).rightJustified(8, u'0')));
        const QStringView name = record.personName().value();
        QVERIFY2(name.size() >= 2 && name.size() <= 4 && isChinese(name), qPrintable(line));
        QCOMPARE(line.at(line.size() - 8), u'-');
        QCOMPARE(line.at(line.size() - 5), u'\\');
        int tallySum = 0;
        for (qsizetype position = line.size() - 4; position < line.size(); ++position) {
            const int tally = line.at(position).digitValue();
            QVERIFY2(tally >= 0 && tally <= 8, qPrintable(line));
            tallySum += tally;
        }
        QCOMPARE(record.callCount(), tallySum);
    }
}

void TestRosterGenerator::sameBytesEveryTime()
{
    QCOMPARE(generatedRoster(500), generatedRoster(500));
}

void TestRosterGenerator::namesAndCountersVary()
{
    const NameList names = nameListFromBytes(generatedRoster(2'000));
    QSet<qsizetype> nameLengths;
    QSet<qint64> callCounts;
    QSet<QString> distinctNames;
    for (qsizetype i = 0; i < names.upperBound(); ++i) {
        const RollRecord record(names.at(i));
        nameLengths.insert(record.personName()->size());
        callCounts.insert(record.callCount());
        distinctNames.insert(record.personName()->toString());
    }
    QCOMPARE(nameLengths, (QSet<qsizetype>{2, 3, 4}));
    QVERIFY2(callCounts.size() >= 15, qPrintable(QString::number(callCounts.size())));
    QVERIFY2(distinctNames.size() >= 1'500, qPrintable(QString::number(distinctNames.size())));
}

QTEST_APPLESS_MAIN(TestRosterGenerator)
#include "tst_rostergenerator.moc"
