// What is kept of a class over time, on real files: backups by day and their limit,
// restore and new term, the history and what it says of each student, formulas
// guarded in every CSV it writes; and every new file step made to fail.

#include "keeping/NewTerm.h"
#include "keeping/Restore.h"
#include "platform/Csv.h"
#include "support/EveryFileStep.h"

Q_DECLARE_METATYPE(mirello::HistoryEntry)

using namespace mirello;
using namespace recordingtest;

namespace {

// Far ahead, so that the backups of real recordings come first.
const QDateTime Monday(QDate(2030, 1, 7), QTime(8, 0));
const QByteArray Class = gbkLines({rollLine(u"王小明", u"03\\1201", u"20230107 "),
                                   rollLine(u"欧阳娜娜", u"12\\3450", u"S0108    ")});
const QByteArray Reset = gbkLines({rollLine(u"王小明", u"00\\0000", u"20230107 "),
                                   rollLine(u"欧阳娜娜", u"00\\0000", u"S0108    ")});

FileStatus statusOfClass(const RollFixture& roll)
{
    return systemFileOperations().status(roll.classPath()).value().value();
}

QList<BackupInfo> backupsOf(const RollFixture& roll)
{
    return listBackups(roll.folder(), roll.className(), systemFileOperations()).value();
}

HistoryEntry entry(HistoryAction action, const QString& name, const QDateTime& time,
                   const QString& classFile = u"高一3班.txt"_s)
{
    HistoryEntry entry;
    entry.time = time;
    entry.classFile = classFile;
    entry.action = action;
    entry.name = name;
    return entry;
}

Result<void> logged(const Result<LoggedChange>& change)
{
    if (!change)
        return change.error();
    if (const std::optional<Error> warning = warningOf(change.value()))
        return *warning;
    return {};
}

} // namespace

class TestKeeping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resetsCounters_data();
    void resetsCounters();
    void keepsBackupsByDay();
    void restoresAndStartsNewTerms();
    void summarisesHistory_data();
    void summarisesHistory();
    void readsEachRecordingOnce_data();
    void readsEachRecordingOnce();
    void guardsFormulasInEveryCsv_data();
    void guardsFormulasInEveryCsv();
    void failsAtEveryNewFileStep_data();
    void failsAtEveryNewFileStep();
};

void TestKeeping::resetsCounters_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after"); // empty: refused

    QTest::newRow("gbk") << Class << Reset;
    QTest::newRow("utf-8 with bom, lf, a short line, no final line end")
        << QByteArray("\xEF\xBB\xBF") +
               u"S1       甲-09\\0900\nshort\n\nS2       乙-99\\9999"_s.toUtf8()
        << QByteArray("\xEF\xBB\xBF") +
               u"S1       甲-00\\0000\r\nshort\r\n\r\nS2       乙-00\\0000\r\n"_s.toUtf8();
    // A title, a line without a name, counters that are no bytes of their own.
    const QByteArray notes =
        gbk(u"Title: class of 2026 first term\r\nS1       -03\\1201\r\nS1       甲-09\\090"_s) +
        "\x81\r\n";
    QTest::newRow("lines a recording would not raise stay as they are")
        << notes + gbk(u"S2       乙-03\\1201"_s) << notes + gbk(u"S2       乙-00\\0000\r\n"_s);
    QTest::newRow("a zero byte: refused") << QByteArray("S1       \0", 10) << QByteArray();
}

void TestKeeping::resetsCounters()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const Result<QByteArray> reset = resetCounters(before, u"高一3班.txt"_s);
    QCOMPARE(reset.ok(), !after.isEmpty());
    if (reset)
        QCOMPARE(reset.value(), after);
    else
        QVERIFY2(reset.error().message.contains(u"高一3班.txt"), WHY(reset));
}

void TestKeeping::keepsBackupsByDay()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(Class));
    auto& files = systemFileOperations();
    const auto keep = [&](const QByteArray& bytes, const QDateTime& time, BackupRule rule) {
        return keepBackup(roll.folder(), roll.className(), bytes, statusOfClass(roll), time, rule,
                          files)
            .ok();
    };

    QVERIFY(keep(Class, Monday, BackupRule::FirstChangeOfDay));
    QVERIFY(keep(Reset, Monday.addSecs(3600), BackupRule::FirstChangeOfDay));
    QCOMPARE(backupsOf(roll).size(), 1);
    QVERIFY(keep(Class, Monday.addSecs(7200), BackupRule::Always)); // same as the newest
    QCOMPARE(backupsOf(roll).size(), 1);
    QVERIFY(keep(Reset, Monday.addSecs(7200), BackupRule::Always));
    QVERIFY(keep(Class, Monday.addSecs(7200), BackupRule::Always)); // same second
    QCOMPARE(backupsOf(roll).size(), 3);
    for (int day = 1; day <= KeptBackupsPerClass; ++day)
        QVERIFY(keep(Class, Monday.addDays(day), BackupRule::FirstChangeOfDay));

    const QList<BackupInfo> backups = backupsOf(roll);
    QCOMPARE(backups.size(), KeptBackupsPerClass);
    QCOMPARE(backups.first().taken, Monday.addDays(KeptBackupsPerClass));
    QCOMPARE(backups.last().taken, Monday.addSecs(7200)); // the latest Always one stays
    QCOMPARE(backups.first().calls, 15);

    // Backups from a PC whose clock ran a year fast fill the folder. The backup a
    // restore makes here (of Reset) outlives the next backups all the same.
    for (int day = 0; day < KeptBackupsPerClass; ++day)
        QVERIFY(keep(Class, Monday.addYears(1).addDays(day), BackupRule::FirstChangeOfDay));
    const QDateTime now = Monday.addDays(KeptBackupsPerClass + 1);
    QVERIFY(keep(Reset, now, BackupRule::Always));
    QVERIFY(keep(Class, now.addDays(1), BackupRule::FirstChangeOfDay));
    QVERIFY(keep(Class, now.addDays(2), BackupRule::FirstChangeOfDay));
    QList<qint64> calls;
    for (const BackupInfo& backup : backupsOf(roll))
        calls.append(backup.calls);
    QCOMPARE(calls.size(), KeptBackupsPerClass);
    QCOMPARE(calls.count(0), 1);
}

void TestKeeping::restoresAndStartsNewTerms()
{
    RollFixture roll;
    QVERIFY(roll.writeClass(Class));
    auto& files = systemFileOperations();
    QVERIFY(roll.record(u"王小明"_s, u"良好"_s).ok()); // backs up the class as it was
    const QByteArray recorded = roll.classBytes();
    const QString backup = backupsOf(roll).first().fileName;

    // The bytes each leaves failsAtEveryNewFileStep checks, the history's entries the walk.
    const Result<void> restored =
        logged(restoreBackup(roll.folder(), roll.className(), backup, Monday.addDays(1), files));
    QVERIFY2(restored.ok(), WHY(restored));
    const Result<void> term =
        logged(startNewTerm(roll.folder(), roll.className(), Monday.addDays(2), files));
    QVERIFY2(term.ok(), WHY(term));

    // Each version replaced is a backup, newest first.
    QList<QByteArray> kept;
    for (const BackupInfo& info : backupsOf(roll))
        kept.append(readBackup(roll.folder(), roll.className(), info.fileName, files).value());
    QCOMPARE(kept, (QList<QByteArray>{Class, recorded, Class}));
}

void TestKeeping::summarisesHistory_data()
{
    QTest::addColumn<QList<HistoryEntry>>("history");
    QTest::addColumn<qint64>("callsThisTerm");
    QTest::addColumn<QDate>("lastCalled");

    using enum HistoryAction;
    const QDate monday = Monday.date();
    QTest::newRow("two calls") << QList{entry(Recording, u"甲"_s, Monday),
                                        entry(Recording, u"甲"_s, Monday.addDays(2))}
                               << qint64(2) << monday.addDays(2);
    QTest::newRow("the undone call does not count")
        << QList{entry(Recording, u"甲"_s, Monday), entry(Recording, u"甲"_s, Monday.addDays(2)),
                 entry(Undo, u"甲"_s, Monday.addDays(2))}
        << qint64(1) << monday;
    QTest::newRow("a new term starts the count again, the last call stays")
        << QList{entry(Recording, u"甲"_s, Monday), entry(NewTerm, QString(), Monday.addDays(1))}
        << qint64(0) << monday;
    QTest::newRow("other students and other classes")
        << QList{entry(Recording, u"乙"_s, Monday),
                 entry(Recording, u"甲"_s, Monday, u"高一4班.txt"_s)}
        << qint64(0) << QDate();
}

void TestKeeping::summarisesHistory()
{
    QFETCH(QList<HistoryEntry>, history);
    QFETCH(qint64, callsThisTerm);
    QFETCH(QDate, lastCalled);

    // Through the file, as the overview and the export read it.
    RollFixture roll;
    QVERIFY(appendHistory(roll.folder(), history, systemFileOperations()).ok());
    const QList<HistoryEntry> read = readHistory(roll.folder()).value();
    QCOMPARE(read, history);
    const StudentHistory student = studentHistories(read, roll.className()).value(u"甲"_s);
    QCOMPARE(student.callsThisTerm, callsThisTerm);
    QCOMPARE(student.lastCalled, lastCalled);
}

// A recording raises every line with the name: one entry lists their numbers. Older
// files wrote an entry per line, all at one time.
void TestKeeping::readsEachRecordingOnce_data()
{
    QTest::addColumn<QByteArray>("older");
    QTest::addColumn<QStringList>("numbers");

    const QByteArray title = "\xEF\xBB\xBF时间,班级文件,操作,学号,姓名,成绩,次数,成绩记录,备注\r\n";
    QTest::newRow("a recording of a name on two lines")
        << QByteArray() << QStringList{u"20230107、S0108"_s};
    QTest::newRow("an older file: an entry per line")
        << title + "2030-01-07T08:00:00+08:00,高一3班.txt,记录,20230107,甲,优秀,04,2201,\r\n"
                   "2030-01-07T08:00:00+08:00,高一3班.txt,记录,S0108,甲,优秀,13,4450,\r\n"
        << QStringList{u"20230107、S0108"_s};
    QTest::newRow("an older file: two recordings of one line in one second")
        << title + "2030-01-07T08:00:00+08:00,高一3班.txt,记录,20230107,甲,优秀,04,2201,\r\n"
                   "2030-01-07T08:00:00+08:00,高一3班.txt,记录,20230107,甲,优秀,05,3201,\r\n"
        << QStringList{u"20230107"_s, u"20230107"_s};
}

void TestKeeping::readsEachRecordingOnce()
{
    QFETCH(QByteArray, older);
    QFETCH(QStringList, numbers);

    RollFixture roll;
    if (older.isEmpty()) {
        const QByteArray twice = gbkLines({rollLine(u"甲", u"04\\2201", u"20230107 "),
                                           rollLine(u"甲", u"13\\4450", u"S0108    ")});
        QVERIFY(!appendStudentHistory(roll.folder(), roll.className(), HistoryAction::Recording,
                                      u"甲"_s, u"优秀"_s, u"7"_s, twice, Monday, u"x"_s,
                                      systemFileOperations()));
    } else {
        QVERIFY(QDir().mkpath(roll.folder().stateFolderPath()));
        QVERIFY(writeBytes(roll.folder().historyFilePath(), older));
    }
    const QList<HistoryEntry> read = readHistory(roll.folder()).value();
    QStringList readNumbers;
    for (const HistoryEntry& entry : read)
        readNumbers.append(entry.number);
    QCOMPARE(readNumbers, numbers);
    QCOMPARE(read.first().drawId, older.isEmpty() ? u"7"_s : QString());
    QCOMPARE(studentHistories(read, roll.className()).value(u"甲"_s).callsThisTerm, numbers.size());
}

void TestKeeping::guardsFormulasInEveryCsv_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("written");
    QTest::newRow("=") << u"=1+1"_s << u"'=1+1"_s;
    QTest::newRow("+ - @") << u"+1-2@3"_s << u"'+1-2@3"_s;
    QTest::newRow("tab before =") << u"\t=2+2"_s << u"'\t=2+2"_s;
    QTest::newRow("carriage return") << u"\r=2+2"_s << u"\"'\r=2+2\""_s;
    QTest::newRow("space before =") << u" =3+3"_s << u"' =3+3"_s;
    QTest::newRow("no-break space before @") << u"\u00A0@x"_s << u"'\u00A0@x"_s;
    QTest::newRow("full-width -") << u"－1"_s << u"'－1"_s;
    QTest::newRow("apostrophe before a formula") << u"'=x"_s << u"''=x"_s;
    QTest::newRow("apostrophe before text") << u"'abc"_s << u"'abc"_s;
    QTest::newRow("sign inside a name") << u"欧阳-娜娜"_s << u"欧阳-娜娜"_s;
}

// Every CSV the program writes passes csvLine(): the export, and the history that
// opens in a spreadsheet and that the program reads back as it was.
void TestKeeping::guardsFormulasInEveryCsv()
{
    QFETCH(QString, field);
    QFETCH(QString, written);
    QCOMPARE(csvLine({field, u"x"_s}), written + u",x\r\n"_s);

    RollFixture roll;
    HistoryEntry logged = entry(HistoryAction::Recording, field, Monday);
    logged.note = field;
    QVERIFY(appendHistory(roll.folder(), {logged}, systemFileOperations()).ok());
    QCOMPARE(readHistory(roll.folder()).value(), QList{logged});
}

// Restore, new term and the history; import and export in tst_classimport.
void TestKeeping::failsAtEveryNewFileStep_data()
{
    QTest::addColumn<FileStepOperation>("operation");

    const auto classFile = [](const RollFixture& roll) {
        return roll.classPath();
    };
    QTest::newRow("restore") << FileStepOperation{
        [](RollFixture& roll, FileOperations& files) {
            (void)keepBackup(roll.folder(), roll.className(), Reset, statusOfClass(roll), Monday,
                             BackupRule::Always, systemFileOperations());
            return logged(restoreBackup(roll.folder(), roll.className(),
                                        backupsOf(roll).first().fileName, Monday.addDays(1),
                                        files));
        },
        classFile, Class, Reset};
    QTest::newRow("new term") << FileStepOperation{
        [](RollFixture& roll, FileOperations& files) {
            return logged(startNewTerm(roll.folder(), roll.className(), Monday, files));
        },
        classFile, Class, Reset};
    QTest::newRow("history") << FileStepOperation{
        [](RollFixture& roll, FileOperations& files) {
            return appendHistory(roll.folder(), {entry(HistoryAction::Recording, u"甲"_s, Monday)},
                                 files);
        },
        [](const RollFixture& roll) { return roll.folder().historyFilePath(); }, "<cannot open>",
        QByteArray("\xEF\xBB\xBF") +
            (u"时间,班级文件,操作,学号,姓名,成绩,次数,成绩记录,备注,抽取编号,同名序号\r\n"_s +
             Monday.toOffsetFromUtc(Monday.offsetFromUtc()).toString(Qt::ISODate) +
             u",高一3班.txt,记录,,甲,,,,,,\r\n")
                .toUtf8(),
        true};
}

void TestKeeping::failsAtEveryNewFileStep()
{
    QFETCH(FileStepOperation, operation);
    failEveryFileStep(operation, Class);
}

QTEST_GUILESS_MAIN(TestKeeping)
#include "tst_keeping.moc"
