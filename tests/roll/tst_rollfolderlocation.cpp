// Where the roll folder lies, and how the first start makes it from the sample classes.

#include "roll/RollFolderLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

const QByteArray SampleA = "S20230301Zhang San-00\\0000\r\n"_ba;
const QByteArray SampleB = "S20230302Li Si-01\\0100\r\n"_ba;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

class TestRollFolderLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void location_data();
    void location();
    void firstStart_data();
    void firstStart();
    void neverPutsBackWhatTheTeacherChanged();
};

void TestRollFolderLocation::location_data()
{
    QTest::addColumn<Installation>("installation");
    QTest::addColumn<QString>("programFolder"); // "missing", "bare" or "with checkroll"
    QTest::addColumn<bool>("besideProgram");

    const auto portable = Installation::PortableFolder;
    QTest::newRow("portable, first start") << portable << u"bare"_s << true;
    QTest::newRow("portable, classes there") << portable << u"with checkroll"_s << true;
    QTest::newRow("portable, folder not writable") << portable << u"missing"_s << false;
    QTest::newRow("system-wide") << Installation::SystemWide << u"with checkroll"_s << false;
}

void TestRollFolderLocation::location()
{
    QFETCH(Installation, installation);
    QFETCH(QString, programFolder);
    QFETCH(bool, besideProgram);

    const QTemporaryDir dir;
    const QString program = dir.filePath(u"program"_s);
    if (programFolder != u"missing")
        QVERIFY(QDir().mkpath(program));
    if (programFolder == u"with checkroll")
        QVERIFY(QDir().mkpath(program + u"/checkroll"_s));
    const QString data = dir.filePath(u"data/Mirello"_s);
    QCOMPARE(rollFolderPath(installation, program, data),
             QDir::toNativeSeparators((besideProgram ? program : data) + u"/checkroll"_s));
}

void TestRollFolderLocation::firstStart_data()
{
    QTest::addColumn<QStringList>("samples"); // "bad" cannot be read; "none": no folder
    QTest::addColumn<QString>("inTheWay");    // "roll" or "parent": a file is there
    QTest::addColumn<QStringList>("classes"); // "error": the roll folder is not made

    QTest::newRow("samples copied, hidden files not")
        << QStringList{u"a.txt"_s, u"b.txt"_s, u".hidden"_s} << QString()
        << QStringList{u"a.txt"_s, u"b.txt"_s};
    QTest::newRow("no samples folder") << QStringList{u"none"_s} << QString() << QStringList();
    QTest::newRow("unreadable sample: nothing half copied")
        << QStringList{u"a.txt"_s, u"bad"_s} << QString() << QStringList{u"error"_s};
    QTest::newRow("parent folder is a file")
        << QStringList{u"a.txt"_s} << u"parent"_s << QStringList{u"error"_s};
    QTest::newRow("a file at the roll folder stays")
        << QStringList{u"a.txt"_s} << u"roll"_s << QStringList{u"file"_s};
}

void TestRollFolderLocation::firstStart()
{
    QFETCH(QStringList, samples);
    QFETCH(QString, inTheWay);
    QFETCH(QStringList, classes);

    const QTemporaryDir dir;
    const QString samplesFolder = dir.filePath(u"samples"_s);
    const QString parent = dir.filePath(u"home/.local/share/Mirello"_s);
    const QString roll = parent + u"/checkroll"_s;
    if (!samples.contains(u"none"_s))
        QVERIFY(QDir().mkpath(samplesFolder));
    for (const QString& name : samples) {
        if (name == u"bad")
            QVERIFY(QFile::link(u"/proc/self/mem"_s, samplesFolder + u"/bad.txt"_s));
        else if (name != u"none")
            writeFile(samplesFolder + u'/' + name, name == u"b.txt" ? SampleB : SampleA);
    }
    QVERIFY(QDir().mkpath(dir.filePath(u"home/.local/share"_s)));
    if (inTheWay == u"parent")
        writeFile(parent, {});
    if (inTheWay == u"roll") {
        QVERIFY(QDir().mkpath(parent));
        writeFile(roll, "kept"_ba);
    }

    const Result<void> created = createRollFolderOnFirstStart(roll, samplesFolder);
    if (classes == QStringList{u"error"_s}) {
        QVERIFY(!created);
        QVERIFY2(created.error().message.contains(roll), qPrintable(created.error().message));
        QVERIFY(!QFile::exists(roll));
        if (inTheWay.isEmpty())
            QCOMPARE(entriesOf(parent), QStringList());
        return;
    }
    QVERIFY2(created, qPrintable(created ? QString() : created.error().text()));
    if (classes == QStringList{u"file"_s}) {
        QCOMPARE(fileBytes(roll), "kept"_ba);
        return;
    }
    QCOMPARE(entriesOf(parent), QStringList{u"checkroll"_s});
    QCOMPARE(entriesOf(roll), classes);
    for (const QString& name : classes)
        QCOMPARE(fileBytes(roll + u'/' + name), name == u"b.txt" ? SampleB : SampleA);
}

void TestRollFolderLocation::neverPutsBackWhatTheTeacherChanged()
{
    const QTemporaryDir dir;
    const QString samples = dir.filePath(u"samples"_s);
    const QString roll = dir.filePath(u"checkroll"_s);
    QVERIFY(QDir().mkpath(samples));
    writeFile(samples + u"/a.txt"_s, SampleA);
    writeFile(samples + u"/b.txt"_s, SampleB);
    // Read-only samples, as a package may install them, still give classes to record in.
    QVERIFY(QFile::setPermissions(samples + u"/a.txt"_s, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(createRollFolderOnFirstStart(roll, samples).ok());
    QVERIFY(QFile::permissions(roll + u"/a.txt"_s) & QFile::WriteOwner);

    writeFile(roll + u"/a.txt"_s, "recorded"_ba);
    QVERIFY(QFile::remove(roll + u"/b.txt"_s));
    QVERIFY(createRollFolderOnFirstStart(roll, samples).ok());
    QCOMPARE(entriesOf(roll), QStringList{u"a.txt"_s});
    QCOMPARE(fileBytes(roll + u"/a.txt"_s), "recorded"_ba);
}

QTEST_GUILESS_MAIN(TestRollFolderLocation)
#include "tst_rollfolderlocation.moc"
