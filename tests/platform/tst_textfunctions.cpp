#include "platform/TextFunctions.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestTextFunctions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mid_data();
    void mid();
    void leadingNumber_data();
    void leadingNumber();
};

void TestTextFunctions::mid_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected");

    QTest::newRow("middle") << u"abcdef"_s << 2 << 3 << false << u"bcd"_s;
    QTest::newRow("whole") << u"abc"_s << 1 << 3 << false << u"abc"_s;
    QTest::newRow("short at the end") << u"abc"_s << 2 << 5 << false << u"bc"_s;
    QTest::newRow("start just past the end") << u"abc"_s << 4 << 1 << false << QString();
    QTest::newRow("start far past the end") << u"abc"_s << 40 << 1 << false << QString();
    QTest::newRow("zero count") << u"abc"_s << 2 << 0 << false << QString();
    QTest::newRow("empty text") << QString() << 1 << 2 << false << QString();
    QTest::newRow("chinese counts characters") << u"王小明"_s << 2 << 1 << false << u"小"_s;
    QTest::newRow("start zero fails") << u"abc"_s << 0 << 1 << true << QString();
    QTest::newRow("negative start fails") << u"abc"_s << -3 << 1 << true << QString();
    QTest::newRow("negative count fails") << u"abc"_s << 1 << -1 << true << QString();
}

void TestTextFunctions::mid()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    const auto result = mirello::mid(text, start, count);
    QCOMPARE(!result.has_value(), fails);
    if (result)
        QCOMPARE(result->toString(), expected);
}

void TestTextFunctions::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("zero padded") << u"03"_s << qint64(3);
    QTest::newRow("four digits") << u"1201"_s << qint64(1201);
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("letters") << u"ab"_s << qint64(0);
    QTest::newRow("digits then letters") << u"4x"_s << qint64(4);
    QTest::newRow("leading blanks") << u" \t7"_s << qint64(7);
    QTest::newRow("minus sign") << u"-5"_s << qint64(-5);
    QTest::newRow("plus sign") << u"+8"_s << qint64(8);
    QTest::newRow("sign alone") << u"-"_s << qint64(0);
    QTest::newRow("blank after sign stops") << u"- 5"_s << qint64(0);
    QTest::newRow("decimal point ends the number") << u"1.9"_s << qint64(1);
    QTest::newRow("full-width digits are not digits") << u"１２"_s << qint64(0);
    QTest::newRow("saturates") << u"99999999999999999999999"_s
                               << std::numeric_limits<qint64>::max();
}

void TestTextFunctions::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QCOMPARE(mirello::leadingNumber(text), expected);
}

QTEST_GUILESS_MAIN(TestTextFunctions)
#include "tst_textfunctions.moc"
