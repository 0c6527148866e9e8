#include "ui/speech/MandarinVoice.h"

#include <QTest>

using namespace Qt::StringLiterals;
using mirello::OfferedVoice;

class TestMandarinVoice : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesMandarin_data();
    void choosesMandarin();
};

// Each voice is "locale|name"; the chosen voice's name, or nothing.
void TestMandarinVoice::choosesMandarin_data()
{
    QTest::addColumn<QStringList>("voices");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("zh_CN among others") << QStringList{u"en_US|English"_s, u"zh_TW|Hanhan"_s,
                                                       u"zh_CN|Huihui+female2"_s, u"zh_CN|Huihui"_s}
                                        << u"Huihui"_s;
    QTest::newRow("only zh_TW") << QStringList{u"en_US|English"_s, u"zh_TW|Hanhan"_s}
                                << u"Hanhan"_s;
    // As espeak-ng's voices come through speech-dispatcher: Qt cannot name "cmn".
    QTest::newRow("cmn voice names")
        << QStringList{u"C|Bishnupriya Manipuri"_s, u"C|Hakka Chinese"_s, u"zh_TW|Hanhan"_s,
                       u"C|Chinese (Mandarin, latin as English)+Adam"_s,
                       u"C|Chinese (Mandarin, latin as English)"_s}
        << u"Chinese (Mandarin, latin as English)"_s;
    QTest::newRow("Cantonese only")
        << QStringList{u"yue_HK|Chinese (Cantonese)"_s, u"zh_HK|Chinese (Cantonese)"_s,
                       u"C|Hakka Chinese"_s}
        << QString();
    QTest::newRow("none") << QStringList{u"en_US|English"_s, u"C|Klingon"_s} << QString();
}

void TestMandarinVoice::choosesMandarin()
{
    QFETCH(QStringList, voices);
    QFETCH(QString, chosen);

    QList<OfferedVoice> offered;
    for (const QString& voice : voices)
        offered.append({QLocale(voice.section(u'|', 0, 0)), voice.section(u'|', 1)});
    const std::optional<qsizetype> index = mirello::mandarinVoice(offered);
    QCOMPARE(index ? offered[*index].name : QString(), chosen);
}

QTEST_MAIN(TestMandarinVoice)
#include "tst_mandarinvoice.moc"
