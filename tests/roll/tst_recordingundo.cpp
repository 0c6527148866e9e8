// Undo of a recording on real files: refused once the file was changed since, and
// every file step made to fail. (Undo back through several recordings, in reverse
// order, the walk checks against its model at every step.)

#include "roll/RecordingUndo.h"
#include "support/FaultInjectingFileOperations.h"
#include "support/RollFixture.h"

using namespace mirello;
using namespace recordingtest;
using namespace faulttest;

namespace {

const QString Person = u"王小明"_s;
const QString Other = u"李华"_s;
// LF line ends, which a recording turns into CR LF: an undo must bring them back.
const QByteArray Original =
    gbkLines({rollLine(Person, u"03\\1201"), rollLine(Other, u"05\\0120", u"S20230108")}, "\n");

ClassFileChange recorded(RollFixture& roll, const QString& person, const QString& grade)
{
    Result<ClassFileChange> change = recordGrade(roll.folder(), roll.className(), person, grade);
    return change ? std::move(change).value() : ClassFileChange{};
}

} // namespace

class TestRecordingUndo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesAfterAnOutsideChange_data();
    void refusesAfterAnOutsideChange();
    void failsAtEveryFileStep();
};

void TestRecordingUndo::refusesAfterAnOutsideChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("edited by hand") << u"edit"_s;
    QTest::newRow("recorded again by another copy") << u"record"_s;
    QTest::newRow("undone already") << u"undo"_s;
}

void TestRecordingUndo::refusesAfterAnOutsideChange()
{
    QFETCH(QString, change);
    RollFixture roll;
    QVERIFY(roll.writeClass(Original));
    const ClassFileChange first = recorded(roll, Person, u"良好"_s);
    if (change == u"edit")
        QVERIFY(roll.writeClass(first.after + gbk(rollLine(u"新同学", u"00\\0000")) + "\r\n"));
    else if (change == u"record")
        (void)recorded(roll, Other, u"优秀"_s);
    else
        QVERIFY(undoRecording(roll.folder(), roll.className(), first, systemFileOperations())
                    .change.ok());
    const QByteArray outside = roll.classBytes();

    const UndoOutcome undo =
        undoRecording(roll.folder(), roll.className(), first, systemFileOperations());
    QVERIFY(!undo.change.ok() && !undo.mayRetry);
    QVERIFY2(undo.change.error().message.contains(u"已被改动") &&
                 undo.change.error().message.contains(roll.className()),
             WHY(undo.change));
    QCOMPARE(roll.classBytes(), outside);
}

// Each file step of the undo fails in turn: the file keeps what the recording wrote
// (or, after the rename, holds the old bytes and the message says so), and another
// try may work.
void TestRecordingUndo::failsAtEveryFileStep()
{
    QStringList steps; // named by the first run, which has no fault
    for (qsizetype k = -1; k < steps.size(); ++k) {
        RollFixture roll;
        QVERIFY(roll.writeClass(Original));
        const ClassFileChange change = recorded(roll, Person, u"良好"_s);
        FaultInjectingFileOperations files;
        files.writeChunk = 16; // short writes, so that the content takes several steps
        if (k >= 0)
            files.failAt = {k};
        const UndoOutcome undo = undoRecording(roll.folder(), roll.className(), change, files);
        if (k < 0) {
            QVERIFY2(undo.change.ok() && roll.classBytes() == Original, WHY(undo.change));
            QCOMPARE(roll.entries(), QStringList{roll.className()});
            steps = files.calls;
            continue;
        }
        const QString context = u"%1 %2: "_s.arg(k).arg(steps[k]);
        // After the rename the undo is in, with a warning; before it another try may work.
        const bool renamed = steps.mid(0, k).contains(u"rename"_s);
        QVERIFY2(renamed ? undo.change && undo.change.value().unflushed : undo.mayRetry,
                 qPrintable(context));
        const QString& message =
            renamed ? undo.change.value().unflushed->message : undo.change.error().message;
        QVERIFY2(message.startsWith(renamed ? u"这次撤销已写入" : u"无法撤销："),
                 qPrintable(context + message));
        QVERIFY2(roll.classBytes() == (renamed ? Original : change.after), qPrintable(context));
        QVERIFY2(roll.entries() == QStringList{roll.className()}, qPrintable(context));
    }
}

QTEST_GUILESS_MAIN(TestRecordingUndo)
#include "tst_recordingundo.moc"
