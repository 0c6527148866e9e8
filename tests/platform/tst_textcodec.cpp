#include "platform/TextCodec.h"

#include <QTest>

Q_DECLARE_METATYPE(mirello::TextEncoding)

using namespace mirello;
using namespace Qt::StringLiterals;

class TestTextCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectsEncodingPerFile_data();
    void detectsEncodingPerFile();
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
    QTest::newRow("gbk that is valid two-byte utf-8 (谢伟 叶平)")
        << "S1\xD0\xBB\xCE\xB0-00\\0000\r\nS2\xD2\xB6\xC6\xBD-00\\0000"_ba << TextEncoding::Gbk;
    QTest::newRow("two-byte utf-8 that gbk cannot read as chinese (Élodie)")
        << "\xC3\x89lodie"_ba << TextEncoding::Utf8;
    QTest::newRow("two-byte utf-8 beside chinese utf-8 (Иван 王)")
        << "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xE7\x8E\x8B"_ba << TextEncoding::Utf8;
}

void TestTextCodec::detectsEncodingPerFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, expected);
    QCOMPARE(detectEncoding(bytes), expected);
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
