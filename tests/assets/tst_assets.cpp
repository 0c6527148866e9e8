#include "platform/TextCodec.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QString AssetsFolder = QString::fromUtf8(MIRELLO_ASSETS_FOLDER);

QString assetPath(const QString& relativePath)
{
    return AssetsFolder + u'/' + relativePath;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isDigit(QChar character)
{
    return character >= u'0' && character <= u'9';
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void facesAreOpaque24BitBitmaps_data();
    void facesAreOpaque24BitBitmaps();
    void designFacesMatchTheirIcons_data();
    void designFacesMatchTheirIcons();
    void picturesHaveTheirSizes_data();
    void picturesHaveTheirSizes();
    void sampleClassesAreGbkRollFiles_data();
    void sampleClassesAreGbkRollFiles();
};

void TestAssets::facesAreOpaque24BitBitmaps_data()
{
    QTest::addColumn<QString>("fileName");
    for (const QString& name : {u"start1"_s, u"start2"_s, u"pause1"_s, u"pause2"_s, u"ok1"_s,
                                u"ok2"_s, u"search1"_s, u"search2"_s, u"search3"_s})
        QTest::newRow(qPrintable(name)) << name + u".bmp"_s;
}

void TestAssets::facesAreOpaque24BitBitmaps()
{
    QFETCH(QString, fileName);
    const QString path = assetPath(u"Icons/"_s + fileName);
    const QImage face(path);
    QCOMPARE(face.size(), QSize(32, 32));
    QVERIFY(!face.hasAlphaChannel());
    const QByteArray header = fileBytes(path).left(30);
    QCOMPARE(header.left(2), "BM"_ba);
    QCOMPARE(int(header.at(28)), 24); // bits per pixel
}

void TestAssets::designFacesMatchTheirIcons_data()
{
    QTest::addColumn<QString>("designFace");
    QTest::addColumn<QString>("icon");
    QTest::newRow("start") << u"design-start.png"_s << u"start1.bmp"_s;
    QTest::newRow("ok") << u"design-ok.png"_s << u"ok1.bmp"_s;
    QTest::newRow("search") << u"design-search.png"_s << u"search1.bmp"_s;
}

void TestAssets::designFacesMatchTheirIcons()
{
    QFETCH(QString, designFace);
    QFETCH(QString, icon);
    const QImage design =
        QImage(assetPath(u"pictures/"_s + designFace)).convertToFormat(QImage::Format_RGB32);
    const QImage loaded =
        QImage(assetPath(u"Icons/"_s + icon)).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!design.isNull());
    QCOMPARE(design, loaded);
}

void TestAssets::picturesHaveTheirSizes_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QSize>("size");
    QTest::newRow("background") << u"background.png"_s << QSize(392, 265);
    QTest::newRow("about logo") << u"about-logo.png"_s << QSize(124, 78);
    QTest::newRow("status bar person") << u"status-person.png"_s << QSize(24, 24);
    for (const int side : {16, 20, 24})
        QTest::addRow("window icon %d", side) << u"icon-%1.png"_s.arg(side) << QSize(side, side);
}

void TestAssets::picturesHaveTheirSizes()
{
    QFETCH(QString, fileName);
    QFETCH(QSize, size);
    QCOMPARE(QImage(assetPath(u"pictures/"_s + fileName)).size(), size);
}

void TestAssets::sampleClassesAreGbkRollFiles_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("senior class") << u"高一(3)班.txt"_s;
    QTest::newRow("small class") << u"高一(5)班.txt"_s;
}

void TestAssets::sampleClassesAreGbkRollFiles()
{
    QFETCH(QString, fileName);
    const QByteArray bytes = fileBytes(assetPath(u"samples/"_s + fileName));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(detectEncoding(bytes), TextEncoding::Gbk);
    const NameList lines = nameListFromBytes(bytes);
    QVERIFY(lines.size() > 1);
    QVERIFY(lines.at(lines.upperBound()).isEmpty());
    QSet<QString> names;
    for (qsizetype i = 0; i < lines.upperBound(); ++i) {
        const QStringView line = lines.at(i);
        const RollRecord record(line);
        QVERIFY2(record.personName() && !record.personName()->isEmpty(),
                 qPrintable(line.toString()));
        QVERIFY2(isDigit(line.at(line.size() - 7)) && isDigit(line.at(line.size() - 6)),
                 qPrintable(line.toString()));
        QCOMPARE(line.at(line.size() - 5), u'\\');
        qint64 tallySum = 0;
        for (const auto grade : {RollRecord::Grade::Excellent, RollRecord::Grade::Good,
                                 RollRecord::Grade::Pass, RollRecord::Grade::Fail}) {
            QVERIFY(isDigit(record.tallyDigit(grade)->at(0)));
            tallySum += record.tallyDigit(grade)->toString().toInt();
        }
        QCOMPARE(record.callCount(), tallySum);
        names.insert(record.personName()->toString());
    }
    // Grades are recorded by name, so two students of one name would share them.
    QCOMPARE(names.size(), lines.upperBound());
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
