// The round, passes and absences of a class kept across a restart, and a damaged
// state file set aside so that the class starts afresh.
#include "roll/ClassState.h"
#include "support/RollFixture.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace mirello;
using namespace recordingtest;

namespace {

const QString ClassFile = u"高一(3)班.txt"_s;
const QDateTime Now(QDate(2025, 3, 14), QTime(9, 41, 7));

} // namespace

class TestClassState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void survivesARestart();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
};

void TestClassState::survivesARestart()
{
    const RollFixture roll;
    const RollFolder& folder = roll.folder();

    ClassState state;
    state.round = 7;
    state.absentOn = Now.date();
    // Heads hold whatever a class file does: quotes, backslashes, a NUL, a second copy.
    state.change({u"S20230107王小明-"_s}, [](StudentMarks& m) { m.calledThisRound = true; });
    state.change({u"S20230107王小明-"_s, 2}, [](StudentMarks& m) { m.passes = 3; });
    state.change({u"S2023\"\\\0x-"_s},
                 [](StudentMarks& m) { m.absent = m.calledThisRound = true; });
    // The warm call's order and the groupings: fields an older copy passes over.
    state.upNext = {{u"S20230107王小明-"_s, 2}, {u"S2023\"\\\0x-"_s}};
    state.afterRound = {{u"S20230107王小明-"_s}};
    state.groupings = {{{{u"a"_s}, {u"b"_s, 2}}, {{u"c"_s}}}, {{{u"c"_s}, {u"a"_s}}}};
    QVERIFY(ClassStateStore(folder).save(ClassFile, state).ok());
    QCOMPARE(QJsonDocument::fromJson(readBytes(ClassStateStore(folder).stateFilePath(ClassFile)))
                 .object()
                 .value(u"version"),
             1);

    ClassStateStore::Loaded loaded = ClassStateStore(folder).load(ClassFile, Now);
    QVERIFY(!loaded.notice);
    QCOMPARE(loaded.state, state);
    QVERIFY(!QDir(folder.stateFolderPath()).exists(ClassFile + u".state.json.tmp"_s));
    QVERIFY(QFileInfo(folder.stateFolderPath()).isHidden()); // by attribute on Windows

    // The next day the absences are gone; the round and the passes stay.
    QVERIFY(!loaded.state.expireAbsences(Now.date()));
    QVERIFY(loaded.state.expireAbsences(Now.date().addDays(1)));
    QCOMPARE(loaded.state.students.size(), 3);
    QVERIFY(loaded.state.marksOf({u"S2023\"\\\0x-"_s}).calledThisRound);
    QVERIFY(!loaded.state.marksOf({u"S2023\"\\\0x-"_s}).absent);
}

void TestClassState::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not JSON") << QByteArray("round=3\n");
    QTest::newRow("cut short") << QByteArray(R"({"version": 1, "round": 3, "stud)");
    QTest::newRow("no version") << QByteArray(R"({"round": 3})");
    QTest::newRow("a newer version") << QByteArray(R"({"version": 2})");
    QTest::newRow("negative passes")
        << QByteArray(R"({"version": 1, "students": [{"line": "S1张三-", "passes": -1}]})");
    QTest::newRow("round is text") << QByteArray(R"({"version": 1, "round": "3"})");
    QTest::newRow("a student without a line") << QByteArray(R"({"version": 1, "students": [{}]})");
    QTest::newRow("absent on no date") << QByteArray(R"({"version": 1, "absentOn": "周五"})");
    QTest::newRow("a warm call of no students")
        << QByteArray(R"({"version": 1, "warmCall": {"upNext": 3}})");
    QTest::newRow("a group of no students") << QByteArray(R"({"version": 1, "groupings": [[7]]})");
}

void TestClassState::damagedFileIsSetAside()
{
    QFETCH(QByteArray, content);

    const RollFixture roll;
    QVERIFY(QDir().mkpath(roll.folder().stateFolderPath()));
    ClassStateStore store(roll.folder());
    const QString path = store.stateFilePath(ClassFile);
    const QString setAside = path + u".damaged-2025-03-14-094107"_s;
    QVERIFY(writeBytes(path, content));
    QVERIFY(writeBytes(setAside, "an earlier one")); // never overwritten

    const ClassStateStore::Loaded loaded = store.load(ClassFile, Now);
    QCOMPARE(loaded.state, ClassState{});
    QVERIFY(loaded.notice && loaded.notice->message.contains(u"已损坏"));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(readBytes(setAside), QByteArray("an earlier one"));
    QCOMPARE(readBytes(setAside + u"-2"_s), content);

    // The fresh round is kept from then on.
    QVERIFY(store.save(ClassFile, loaded.state).ok());
    QVERIFY(!store.load(ClassFile, Now).notice);
}

QTEST_GUILESS_MAIN(TestClassState)
#include "tst_classstate.moc"
