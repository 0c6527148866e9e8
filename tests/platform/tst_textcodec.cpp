#include "platform/TextCodec.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestTextCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectsEncodingPerFile_data();
    void detectsEncodingPerFile();
    void decodesGbk_data();
    void decodesGbk();
    void rejectsInvalidUtf8_data();
    void rejectsInvalidUtf8();
    void encodesForTheFile_data();
    void encodesForTheFile();
};

void TestTextCodec::detectsEncodingPerFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("expected");

    QTest::newRow("empty") << QByteArray() << TextEncoding::Utf8;
    QTest::newRow("ascii") << "S20230101abc-00\\0000\r\n"_ba << TextEncoding::Utf8;
    QTest::newRow("gbk chinese") << "\xCD\xF5\xD0\xA1\xC3\xF7"_ba << TextEncoding::Gbk;
    QTest::newRow("utf-8 chinese") << "\xE7\x8E\x8B\xE5\xB0\x8F"_ba << TextEncoding::Utf8;
    QTest::newRow("utf-8 with bom") << "\xEF\xBB\xBF\xE7\x8E\x8B"_ba << TextEncoding::Utf8WithBom;
    QTest::newRow("bom then gbk") << "\xEF\xBB\xBF\xCD\xF5"_ba << TextEncoding::Gbk;
    QTest::newRow("utf-8 cut at the end") << "\xE7\x8E"_ba << TextEncoding::Gbk;
}

void TestTextCodec::detectsEncodingPerFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, expected);
    QCOMPARE(detectEncoding(bytes), expected);
}

void TestTextCodec::decodesGbk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name") << "\xCD\xF5\xD0\xA1\xC3\xF7"_ba << u"王小明"_s;
    QTest::newRow("trail byte is a backslash") << "\x81\x5C"_ba << u"乗"_s;
    QTest::newRow("euro sign of code page 936") << "\x80"_ba << u"€"_s;
    QTest::newRow("invalid pair keeps the ascii") << "\x81\x30"_ba << u"\uFFFD0"_s;
    QTest::newRow("lead byte before line end") << "\x81\r\n"_ba << u"\uFFFD\r\n"_s;
    QTest::newRow("lead byte at the very end") << "A\x81"_ba << u"A\uFFFD"_s;
}

void TestTextCodec::decodesGbk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(decodeText(bytes, TextEncoding::Gbk), expected);
}

void TestTextCodec::rejectsInvalidUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("four-byte emoji") << "\xF0\x9F\x98\x80"_ba << true;
    QTest::newRow("highest code point") << "\xF4\x8F\xBF\xBF"_ba << true;
    QTest::newRow("overlong slash") << "\xC0\xAF"_ba << false;
    QTest::newRow("overlong three-byte") << "\xE0\x80\xAF"_ba << false;
    QTest::newRow("surrogate") << "\xED\xA0\x80"_ba << false;
    QTest::newRow("above U+10FFFF") << "\xF4\x90\x80\x80"_ba << false;
    QTest::newRow("lone continuation") << "\x80"_ba << false;
    QTest::newRow("truncated four-byte") << "\xF0\x9F\x98"_ba << false;
}

void TestTextCodec::rejectsInvalidUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(isValidUtf8(bytes), valid);
}

void TestTextCodec::encodesForTheFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("encodable");

    QTest::newRow("gbk name") << u"王小明"_s << TextEncoding::Gbk << "\xCD\xF5\xD0\xA1\xC3\xF7"_ba
                              << true;
    QTest::newRow("utf-8 name") << u"王"_s << TextEncoding::Utf8 << "\xE7\x8E\x8B"_ba << true;
    QTest::newRow("counters") << u"04\\1301"_s << TextEncoding::Gbk << "04\\1301"_ba << true;
    QTest::newRow("replacement character has no gbk form")
        << u"\uFFFD"_s << TextEncoding::Gbk << QByteArray() << false;
}

void TestTextCodec::encodesForTheFile()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(QByteArray, expected);
    QFETCH(bool, encodable);

    const auto bytes = encodeText(text, encoding);
    QCOMPARE(bytes.has_value(), encodable);
    if (bytes)
        QCOMPARE(*bytes, expected);
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
