// Grade recording when the file system fails: every file step made to fail in turn
// through the file-operations seam, after short writes.

#include "support/FaultInjectingFileOperations.h"
#include "support/RollFixture.h"

#include <QMap>

using namespace mirello;
using namespace recordingtest;
using namespace faulttest;

namespace {

const QString Person = u"王小明"_s;

// Six other lines, then the person's with `counters` and `end`.
QByteArray classWith(QStringView counters, QByteArrayView end)
{
    QStringList lines;
    for (int i = 0; i < 6; ++i)
        lines.append(rollLine(u"学生%1"_s.arg(i), u"0%1\\0000"_s.arg(i)));
    return gbkLines(lines) + gbk(rollLine(Person, counters)) + end;
}

const QByteArray Before = classWith(u"03\\1201", "\n");
const QByteArray After = classWith(u"04\\1301", "\r\n");

// Writes take at most 48 bytes, so that a fault can come after short writes.
constexpr qsizetype Chunk = 48;

// The words of the message when a step fails; the order of the steps is not fixed.
const QMap<QString, QString> StepMessages{
    {u"status"_s, u"无法查看班级文件"_s},
    {u"resolvePath"_s, u"实际位置"_s},
    {u"mayWrite"_s, u"能否写入"_s},
    {u"openForReading"_s, u"无法打开班级文件"_s},
    {u"readAll"_s, u"无法读取班级文件"_s},
    {u"remove"_s, u"无法删除上次留下的临时文件“TEMP.txt”"_s},
    {u"createNew"_s, u"无法创建临时文件“TEMP.txt”"_s},
    {u"setOwner"_s, u"应有的所有者"_s},
    {u"setPermissions"_s, u"应有的权限"_s},
    {u"write"_s, u"写入临时文件“TEMP.txt”失败"_s},
    {u"sync"_s, u"无法把临时文件“TEMP.txt”保存到磁盘"_s},
    {u"close"_s, u"关闭"_s},
    {u"rename"_s, u"无法用临时文件“TEMP.txt”替换“高一3班.txt”"_s},
    {u"syncFolder"_s, u"成绩已记入班级文件“高一3班.txt”"_s}, // after the rename
};

} // namespace

class TestRecordingFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failsAtEveryFileStep();
};

void TestRecordingFaults::failsAtEveryFileStep()
{
    // Each step fails in turn, as on a full disk, after the first run without a fault
    // has named them. The day's first recording backs the file up first, and a failed
    // backup refuses it.
    QStringList steps;
    qsizetype backupFrom = 0;
    qsizetype backupTo = 0;
    for (qsizetype k = -1; k < steps.size(); ++k) {
        RollFixture roll;
        QVERIFY(roll.writeClass(Before));
        FaultInjectingFileOperations files;
        files.writeChunk = Chunk;
        if (k >= 0)
            files.failAt = {k};
        const Result<ClassFileChange> result = roll.record(Person, u"良好"_s, files);
        if (k < 0) {
            QVERIFY2(result.ok() && roll.classBytes() == After, WHY(result));
            steps = files.calls;
            backupFrom = steps.indexOf(u"linkStatus"_s);
            backupTo = std::max(steps.indexOf(u"syncFolder"_s), steps.lastIndexOf(u"linkStatus"_s));
            continue;
        }
        const QString context = u"%1 %2: "_s.arg(k).arg(steps[k]);
        // Only a failure after the rename leaves the new content: then the grade is
        // in, and kept with a warning.
        const bool renamed = k > steps.lastIndexOf(u"rename"_s);
        const bool backup = k >= backupFrom && k <= backupTo;
        if (result && !result.value().unflushed && !renamed) {
            // Only the look for which old backup to prune may fail at no cost.
            QVERIFY2(backup && roll.classBytes() == After, qPrintable(context));
            continue;
        }
        QVERIFY2(renamed == (result && result.value().unflushed), qPrintable(context));
        const Error& error = renamed ? *result.value().unflushed : result.error();
        QVERIFY2(
            error.message.contains(backup ? u"的备份"_s : StepMessages.value(steps[k], u"?"_s)) &&
                error.message.contains(roll.className()),
            qPrintable(context + error.message));
        QCOMPARE(error.reason, systemReason(ENOSPC));
        QVERIFY2(roll.classBytes() == (renamed ? After : Before), qPrintable(context));
        QVERIFY2(roll.entries() == QStringList{roll.className()},
                 qPrintable(context + roll.entries().join(u", ")));
    }
    qInfo("Injected %lld faults, one at every file step of a recording: %s",
          qlonglong(steps.size()), qPrintable(steps.join(u", ")));
}

QTEST_GUILESS_MAIN(TestRecordingFaults)
#include "tst_recordingfaults.moc"
