#pragma once

// Every file step of an operation on a roll folder made to fail in turn, after short
// writes, each time on a fresh folder: the file the operation guards must be whole and
// old, or whole and new once its rename is done, and no scratch file may be left.

#include "support/FaultInjectingFileOperations.h"
#include "support/RollFixture.h"

#include <functional>

namespace recordingtest {

struct FileStepOperation
{
    std::function<mirello::Result<void>(RollFixture&, mirello::FileOperations&)> run;
    std::function<QString(const RollFixture&)> guarded;
    QByteArray before; // "<cannot open>": the file is not there yet
    QByteArray after;
    // Appended to, never rewritten: a failed write may leave part of the new end.
    bool appendOnly = false;
};

// Runs `operation` on a roll folder whose class holds `classBytes`.
inline void failEveryFileStep(const FileStepOperation& operation, const QByteArray& classBytes)
{
    QStringList steps;
    for (qsizetype k = -1; k < steps.size() || k < 0; ++k) {
        RollFixture roll;
        QVERIFY(roll.writeClass(classBytes) &&
                (operation.before.startsWith("<") ||
                 writeBytes(operation.guarded(roll), operation.before)));
        faulttest::FaultInjectingFileOperations files;
        files.writeChunk = 16;
        if (k >= 0)
            files.failAt = {k};
        const mirello::Result<void> done = operation.run(roll, files);
        const QByteArray guarded = readBytes(operation.guarded(roll));
        if (k < 0) { // the run without a fault, which names the steps
            QVERIFY2(done.ok(), WHY(done));
            QCOMPARE(guarded, operation.after);
            steps = files.calls;
            continue;
        }
        const QString context = u"%1 %2: "_s.arg(k).arg(steps[k]);
        // A fault that costs nothing (the close after a read, the look for which old
        // backup to prune) may pass; any other fails the operation.
        if (done.ok()) {
            QVERIFY2(guarded == operation.after, qPrintable(context));
            continue;
        }
        QCOMPARE(done.error().reason, mirello::systemReason(ENOSPC));
        QVERIFY2(guarded == operation.before ||
                     (guarded == operation.after && k > steps.lastIndexOf(u"rename"_s)) ||
                     (operation.appendOnly && operation.after.startsWith(guarded)),
                 qPrintable(context + done.error().message));
        QVERIFY2(!QFile::exists(roll.scratchPath()) &&
                     !QFile::exists(roll.programFolder() + u"/.成绩.csv.mirello-tmp") &&
                     !QFile::exists(roll.folder().backupsFolderPath() + u'/' + roll.className() +
                                    u"/.backup.tmp"),
                 qPrintable(context));
    }
    qInfo("Injected %lld faults: %s", qlonglong(steps.size()), qPrintable(steps.join(u", ")));
}

} // namespace recordingtest

Q_DECLARE_METATYPE(recordingtest::FileStepOperation)
