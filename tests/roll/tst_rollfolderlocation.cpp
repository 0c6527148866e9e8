// The roll folder made from the sample classes on the first start: whole or not at
// all, and never again once it exists.

#include "roll/RollFolderLocation.h"
#include "support/RollFixture.h"

#ifdef Q_OS_WIN
#include <QScopeGuard>
#include <windows.h>
#endif

Q_DECLARE_METATYPE(mirello::Installation)

using namespace mirello;
using namespace recordingtest;

class TestRollFolderLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStart_data();
    void firstStart();
    void whereTheClassesLive_data();
    void whereTheClassesLive();
};

void TestRollFolderLocation::firstStart_data()
{
    QTest::addColumn<bool>("unreadableSample");
    QTest::newRow("samples copied once") << false;
    QTest::newRow("unreadable sample: nothing half copied") << true;
}

void TestRollFolderLocation::firstStart()
{
    QFETCH(bool, unreadableSample);
    const QTemporaryDir dir;
    const QString samples = dir.filePath(u"samples"_s);
    const QString parent = dir.filePath(u"share/Mirello"_s);
    const QString roll = parent + u"/checkroll"_s;
    QVERIFY(QDir().mkpath(samples) && QDir().mkpath(dir.filePath(u"share"_s)));
    // Read-only, as a package may install it: the copy must still take recordings.
    QVERIFY(writeBytes(samples + u"/a.txt"_s, "S20230301Zhang San-00\\0000\r\n"_ba));
    QVERIFY(QFile::setPermissions(samples + u"/a.txt"_s, QFile::ReadOwner | QFile::ReadOther));
#ifdef Q_OS_WIN
    // Unreadable while another program holds it open without sharing.
    QVERIFY(writeBytes(samples + u"/b.txt"_s, "S20230302Li Si-01\\0100\r\n"_ba));
    const HANDLE held =
        unreadableSample
            ? ::CreateFileW(reinterpret_cast<const wchar_t*>(
                                QDir::toNativeSeparators(samples + u"/b.txt"_s).utf16()),
                            GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
            : INVALID_HANDLE_VALUE;
    QVERIFY(!unreadableSample || held != INVALID_HANDLE_VALUE);
    const auto release = qScopeGuard([held] { ::CloseHandle(held); });
#else
    if (unreadableSample)
        QVERIFY(QFile::link(u"/proc/self/mem"_s, samples + u"/b.txt"_s));
    else
        QVERIFY(writeBytes(samples + u"/b.txt"_s, "S20230302Li Si-01\\0100\r\n"_ba));
#endif

    const Result<void> created = createRollFolderOnFirstStart(roll, samples);
    if (unreadableSample) {
        QVERIFY(!created && created.error().message.contains(QDir::toNativeSeparators(roll)));
        QVERIFY(!QFile::exists(roll));
        QVERIFY(QDir(parent).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        return;
    }
    QVERIFY(created);
    QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{u"checkroll"_s});
    QCOMPARE(readBytes(roll + u"/b.txt"_s), readBytes(samples + u"/b.txt"_s));
    QVERIFY(QFile::permissions(roll + u"/a.txt"_s) & QFile::WriteOwner);

    // What the teacher changed or deleted is never put back.
    QVERIFY(writeBytes(roll + u"/a.txt"_s, "recorded"_ba));
    QVERIFY(QFile::remove(roll + u"/b.txt"_s));
    QVERIFY(createRollFolderOnFirstStart(roll, samples));
    QCOMPARE(QDir(roll).entryList(QDir::Files), QStringList{u"a.txt"_s});
    QCOMPARE(readBytes(roll + u"/a.txt"_s), "recorded"_ba);
}

void TestRollFolderLocation::whereTheClassesLive_data()
{
    QTest::addColumn<Installation>("installation");
    QTest::addColumn<bool>("besideTheProgram");
    QTest::newRow("portable folder that can be written") << Installation::PortableFolder << true;
    QTest::newRow("installed for every user") << Installation::SystemWide << false;
}

void TestRollFolderLocation::whereTheClassesLive()
{
    QFETCH(Installation, installation);
    QFETCH(bool, besideTheProgram);
    const QTemporaryDir program;
    const QString user = QDir::toNativeSeparators(program.filePath(u"user"_s));
    const QString expected = besideTheProgram ? QDir::toNativeSeparators(program.path()) : user;
    QCOMPARE(rollFolderPath(installation, QDir::toNativeSeparators(program.path()), user),
             expected + QDir::separator() + u"checkroll"_s);
}

QTEST_GUILESS_MAIN(TestRollFolderLocation)
#include "tst_rollfolderlocation.moc"
