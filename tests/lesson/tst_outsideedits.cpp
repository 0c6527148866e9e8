// Counts changed outside Mirello, as the class overview marks them: recordings made as
// Mirello makes them (the class file, then its history line), then a text editor's
// change of the class file or of the history.

#include "keeping/HistorySeal.h"
#include "keeping/NewTerm.h"
#include "lesson/ClassOverview.h"
#include "platform/FileOperations.h"
#include "roll/RollRecord.h"
#include "roll/RosterLoader.h"
#include "support/ClassText.h"
#include "support/RollFixture.h"

#include <QTest>

using namespace mirello;
using namespace recordingtest;

namespace {

const QDateTime Monday(QDate(2030, 1, 7), QTime(8, 0));

struct ClassInUse
{
    ClassInUse() { QVERIFY(roll.writeClass(gbk(classText({u"王小明"_s, u"李华"_s, u"张伟"_s})))); }

    // "ok NAME GRADE" as Mirello records it; "new term"; "set NAME COUNTERS", "add NAME",
    // "remove NAME" as a text editor changes the class file; "history NAME FROM TO"
    // changes the last history line of NAME.
    void take(const QString& step)
    {
        const QStringList words = step.split(u' ');
        if (words[0] == u"ok") {
            const Result<ClassFileChange> done = roll.record(words[1], words[2]);
            ++minutes;
            QVERIFY(done);
            QVERIFY(!appendStudentHistory(roll.folder(), roll.className(), HistoryAction::Recording,
                                          words[1], words[2], QString::number(minutes),
                                          done.value().after, Monday.addSecs(60 * minutes), step,
                                          systemFileOperations()));
        } else if (step == u"new term") {
            QVERIFY(startNewTerm(roll.folder(), roll.className(), Monday.addSecs(60 * ++minutes),
                                 systemFileOperations()));
        } else if (words[0] == u"history") {
            QByteArray history = readBytes(roll.folder().historyFilePath());
            const qsizetype line = history.lastIndexOf(words[1].toUtf8());
            QVERIFY(line > 0);
            const qsizetype field =
                history.indexOf(QByteArray(',' + words[2].toUtf8() + ','), line);
            QVERIFY(field > line);
            history.replace(field + 1, words[2].size(), words[3].toUtf8());
            QVERIFY(writeBytes(roll.folder().historyFilePath(), history));
        } else {
            editClass(words);
        }
    }

    void editClass(const QStringList& words)
    {
        const NameList names = nameListFromBytes(roll.classBytes());
        QStringList lines;
        for (qsizetype i = 0; i < names.drawnLineCount(); ++i) {
            const QString line = names.at(i).toString();
            const bool named = RollRecord(line).personName() == QStringView(words[1]);
            if (named && words[0] == u"set")
                lines.append(line.chopped(7) + words[2]);
            else if (!named || words[0] != u"remove")
                lines.append(line);
        }
        if (words[0] == u"add")
            lines.append(rollLine(words[1], u"00\\0000"));
        QVERIFY(roll.writeClass(gbkLines(lines)));
    }

    RollFixture roll;
    int minutes = 0;
};

} // namespace

class TestOutsideEdits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksExactlyTheStudentsEdited_data();
    void marksExactlyTheStudentsEdited();
};

void TestOutsideEdits::marksExactlyTheStudentsEdited_data()
{
    QTest::addColumn<QStringList>("steps");
    // Each student marked, with a part of what the overview says of it.
    QTest::addColumn<QStringList>("marked");
    QTest::addColumn<bool>("historyEdited");
    const QStringList used{u"ok 王小明 优秀"_s, u"ok 王小明 良好"_s, u"ok 李华 优秀"_s};
    QTest::newRow("used only through Mirello") << used << QStringList{} << false;
    QTest::newRow("a count raised")
        << used + QStringList{u"set 王小明 05\\1100"_s}
        << QStringList{u"王小明: 被点次数 +3（2030-01-07 08:02 以后）"_s} << false;
    QTest::newRow("a tally moved between grades")
        << used + QStringList{u"set 李华 01\\0001"_s} << QStringList{u"李华: 优秀 -1，不及格 +1"_s}
        << false;
    QTest::newRow("a student added") << used + QStringList{u"add 赵六"_s} << QStringList{} << false;
    QTest::newRow("a line removed")
        << used + QStringList{u"remove 李华"_s} << QStringList{} << false;
    QTest::newRow("a student never called raised: nothing to compare")
        << used + QStringList{u"set 张伟 03\\0300"_s} << QStringList{} << false;
    QTest::newRow("since the new term, every count was zero")
        << used + QStringList{u"new term"_s, u"ok 李华 及格"_s, u"set 张伟 03\\0300"_s}
        << QStringList{u"张伟: 被点次数 +3，良好 +3（2030-01-07 08:04 以后）"_s} << false;
    QTest::newRow("the history edited to agree")
        << used + QStringList{u"set 王小明 03\\2100"_s, u"history 王小明 02 03"_s,
                              u"history 王小明 1100 2100"_s}
        << QStringList{} << true;
    QTest::newRow("the history edited alone") << used + QStringList{u"history 李华 01 02"_s}
                                              << QStringList{u"李华: 被点次数 -1"_s} << true;
}

void TestOutsideEdits::marksExactlyTheStudentsEdited()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, marked);
    QFETCH(bool, historyEdited);
    ClassInUse inUse;
    for (const QString& step : steps) {
        inUse.take(step);
        if (QTest::currentTestFailed())
            return;
    }
    const ClassOverview overview = readClassOverview(inUse.roll.folder(), inUse.roll.className());
    QVERIFY(!overview.classError && !overview.historyError);
    QStringList marks;
    for (const OverviewRow& row : overview.rows) {
        if (!row.outsideEdit.isEmpty())
            marks.append(row.name + u": "_s + row.outsideEdit);
    }
    QCOMPARE(marks.size(), marked.size());
    for (qsizetype i = 0; i < marked.size(); ++i) {
        const QStringList expected = marked[i].split(u": "_s);
        QVERIFY2(marks[i].startsWith(expected[0] + u": 在 Mirello 之外改动过：") &&
                     marks[i].contains(expected[1]),
                 qPrintable(marks[i]));
    }
    QCOMPARE(overview.sentence.contains(u"位学生的次数或成绩在 Mirello 之外改动过"),
             !marked.isEmpty());
    QCOMPARE(overview.sentence.contains(u"与它的校验不一致"), historyEdited);
    QCOMPARE(checkHistorySeal(inUse.roll.folder()).value() == SealState::Broken, historyEdited);
}

QTEST_GUILESS_MAIN(TestOutsideEdits)
#include "tst_outsideedits.moc"
