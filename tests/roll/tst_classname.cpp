// The class name the teacher types, the file it becomes, and the class a script names.

#include "roll/ClassName.h"

#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

class TestClassName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checksNewNames_data();
    void checksNewNames();
    void findsTheClassNamed_data();
    void findsTheClassNamed();
};

void TestClassName::checksNewNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("plain") << u" 高一(7)班 "_s << u"高一(7)班.txt"_s << true;
    QTest::newRow("already .txt") << u"高一(7)班.TXT"_s << u"高一(7)班.TXT"_s << true;
    QTest::newRow("empty") << u"  "_s << QString() << false;
    QTest::newRow("only the ending") << u".txt"_s << u".txt"_s << false;
    QTest::newRow("slash") << u"高一/7班"_s << u"高一/7班.txt"_s << false;
    QTest::newRow("backslash") << u"高一\\7班"_s << u"高一\\7班.txt"_s << false;
    QTest::newRow("colon, forbidden on Windows") << u"7:30班"_s << u"7:30班.txt"_s << false;
    QTest::newRow("hidden") << u".高一7班"_s << u".高一7班.txt"_s << false;
    QTest::newRow("the scratch file") << u"temp"_s << u"temp.txt"_s << false;
    QTest::newRow("reserved by Windows") << u"con"_s << u"con.txt"_s << false;
    QTest::newRow("tab") << u"高一\t7班"_s << u"高一\t7班.txt"_s << false;
    QTest::newRow("61 characters") << QString(57, u'班') << QString(57, u'班') + u".txt"_s << false;
    QTest::newRow("60 characters") << QString(56, u'班') << QString(56, u'班') + u".txt"_s << true;
}

void TestClassName::checksNewNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, file);
    QFETCH(bool, allowed);
    QCOMPARE(classFileNameFor(typed), file);
    QCOMPARE(!classFileNameProblem(file), allowed);
    if (allowed)
        QCOMPARE(classNameOf(file), typed.trimmed().chopped(typed.endsWith(u"TXT") ? 4 : 0));
}

void TestClassName::findsTheClassNamed_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");

    QTest::newRow("as listed") << u"高一(3)班.txt"_s << u"3.txt"_s;
    QTest::newRow("without the ending") << u"高一(3)班"_s << u"3.txt"_s;
    QTest::newRow("other case") << u"CLASS B.TXT"_s << u"b.txt"_s;
    QTest::newRow("a listed name wins over the ending") << u"高一(5)班"_s << u"5"_s;
    QTest::newRow("unknown") << u"高一(4)班"_s << QString();
    QTest::newRow("part of a name") << u"高一"_s << QString();
}

void TestClassName::findsTheClassNamed()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    const QList<ListedFile> classes{{u"3.txt"_s, u"高一(3)班.txt"_s},
                                    {u"b.txt"_s, u"Class B.txt"_s},
                                    {u"5.txt"_s, u"高一(5)班.txt"_s},
                                    {u"5"_s, u"高一(5)班"_s}};
    QCOMPARE(classFileNamed(classes, name).value_or(QString()), file);
}

QTEST_GUILESS_MAIN(TestClassName)
#include "tst_classname.moc"
