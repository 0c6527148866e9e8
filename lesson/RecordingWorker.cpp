#include "RecordingWorker.h"

#include "keeping/History.h"
#include "keeping/HistorySeal.h"
#include "keeping/NewTerm.h"
#include "keeping/OutsideEdits.h"
#include "keeping/Restore.h"
#include "platform/FileNames.h"
#include "roll/GradeRecorder.h"
#include "roll/RecordingUndo.h"
#include "roll/RosterLoader.h"

#include <QCoreApplication>
#include <QSemaphore>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

Error replacedSince(const RecordedGrade& recording)
{
    return Error{u"无法撤销：班级文件“"_s + shownFileName(recording.classFileName) + u"”在记录“"_s +
                     recording.personName + u' ' + recording.gradeText + u"”之后已"_s +
                     recording.replacedBy +
                     u"，撤销会把那次改动之前的次数写回去，所以没有撤销。班级文件没有改动。"_s,
                 QString()};
}

} // namespace

RecordingWorker::RecordingWorker(const RollFolder& folder, FileOperations& files, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_files(files)
    , m_states(folder, files)
{
    m_thread.setObjectName(u"Recording"_s);
    m_context.moveToThread(&m_thread);
}

RecordingWorker::~RecordingWorker()
{
    if (!m_thread.isRunning())
        return;
    QMetaObject::invokeMethod(
        &m_context, [] {}, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

template <typename Work>
void RecordingWorker::post(const QString& classFileName, Work work)
{
    // The thread starts with the first piece of work, not with the window.
    if (!m_thread.isRunning())
        m_thread.start();
    QMetaObject::invokeMethod(
        &m_context,
        [this, classFileName, work = std::move(work)] {
            {
                QMutexLocker locker(&m_workingLock);
                m_working = classFileName;
            }
            try {
                work();
            } catch (const std::bad_alloc&) {
                deliver([this] {
                    Q_EMIT failed(
                        Error{u"内存不足，无法完成这次记录或撤销。请关闭其他程序后核对班级文件。"_s,
                              u"内存不足"_s});
                });
            }
        },
        Qt::QueuedConnection);
}

template <typename Outcome>
void RecordingWorker::deliver(Outcome outcome)
{
    QMetaObject::invokeMethod(this, std::move(outcome), Qt::QueuedConnection);
}

void RecordingWorker::record(const RecordingRequest& request)
{
    post(request.classFileName, [this, request] {
        recordNow(request);
        deliverUndoable();
    });
}

void RecordingWorker::undoLast(const QString& expected)
{
    post(QString(), [this, expected] {
        if (!m_journal.isEmpty()) {
            QMutexLocker locker(&m_workingLock);
            m_working = m_journal.last().classFileName;
        }
        undoNow(expected);
        deliverUndoable();
    });
}

void RecordingWorker::deliverUndoable()
{
    deliver([this, id = m_journal.isEmpty() ? QString() : m_journal.last().recordingId] {
        Q_EMIT undoableChanged(id);
    });
}

void RecordingWorker::saveState(const QString& classFileName, const ClassState& state)
{
    post(classFileName, [this, classFileName, state] {
        const Result<void> saved = m_states.save(classFileName, state);
        deliver([this, saved] { Q_EMIT stateSaved(saved); });
    });
}

void RecordingWorker::logAbsence(const QString& classFileName, const StudentKey& student,
                                 bool absent)
{
    post(classFileName, [=, this] {
        const QString shown = shownFileName(classFileName);
        const Result<void> appended = appendHistory(
            m_folder, {absenceEntry(shown, student, absent, QDateTime::currentDateTime())},
            m_files);
        if (std::optional<Error> missing =
                missingHistory(u"班级“"_s + shown + u"”的缺席标记已保存"_s, appended))
            deliver([this, error = *missing] { Q_EMIT historyMissing(error); });
    });
}

// Read errors are left to the overview, which reads the same files and reports them.
void RecordingWorker::checkOutsideEdits(const QString& classFileName)
{
    post(classFileName, [this, classFileName] {
        const QString shown = shownFileName(classFileName);
        const Result<NameList> names = loadRoster(m_folder.classFilePath(classFileName));
        const Result<QList<HistoryEntry>> history = readHistory(m_folder, {shown});
        const Result<SealState> seal = checkHistorySeal(m_folder);
        const int edited =
            names && history ? int(outsideEdits(names.value(), history.value(), shown).size()) : 0;
        const bool broken = seal && seal.value() == SealState::Broken;
        deliver([=, this] { Q_EMIT outsideEditsChecked(classFileName, edited, broken); });
    });
}

void RecordingWorker::restore(const QString& classFileName, const QString& backupFileName,
                              QObject* context, ClassChangeDone done)
{
    post(classFileName, [=, this, context = QPointer<QObject>(context)] {
        changeClassNow(
            classFileName, u"恢复为备份"_s,
            [&] {
                return restoreBackup(m_folder, classFileName, backupFileName,
                                     QDateTime::currentDateTime(), m_files);
            },
            context, done);
    });
}

void RecordingWorker::startNewTerm(const QString& classFileName, QObject* context,
                                   ClassChangeDone done)
{
    post(classFileName, [=, this, context = QPointer<QObject>(context)] {
        changeClassNow(
            classFileName, u"开始新学期"_s,
            [&] {
                return mirello::startNewTerm(m_folder, classFileName, QDateTime::currentDateTime(),
                                             m_files);
            },
            context, done);
    });
}

// The recordings before a change of the whole class cannot be undone after it: an
// undo would put back the counters the change replaced.
void RecordingWorker::changeClassNow(const QString& classFileName, const QString& what,
                                     const std::function<Result<LoggedChange>()>& change,
                                     const QPointer<QObject>& context, const ClassChangeDone& done)
{
    const Result<LoggedChange> changed = change();
    if (changed)
        m_journal.markReplaced(classFileName, what);
    deliver([this, classFileName, changed, context, done] {
        if (changed)
            Q_EMIT classReplaced(classFileName, changed.value().change.after);
        // A dialog closed meanwhile leaves its failure or warning to the window.
        if (context)
            done(changed);
        else if (!changed)
            Q_EMIT failed(changed.error());
        else if (const std::optional<Error> warning = warningOf(changed.value()))
            Q_EMIT warned(*warning);
    });
}

std::optional<Error> RecordingWorker::finish(std::chrono::milliseconds wait)
{
    if (m_thread.isRunning()) {
        auto done = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(
            &m_context, [done] { done->release(); }, Qt::QueuedConnection);
        if (!done->tryAcquire(1, int(wait.count()))) {
            QMutexLocker locker(&m_workingLock);
            return Error{u"关闭 Mirello 时，班级文件“"_s + shownFileName(m_working) +
                             u"”的写入等了 "_s + QString::number(wait.count() / 1000) +
                             u" 秒仍没有完成（它所在的磁盘或网络没有响应）。Mirello 不再等待，"
                             u"直接退出；请稍后核对这个班级的记录。"_s,
                         u"文件操作没有返回"_s};
        }
    }
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return std::nullopt;
}

void RecordingWorker::recordNow(const RecordingRequest& request)
{
    Result<ClassFileChange> change = recordGrade(m_folder, request.classFileName,
                                                 request.personName, request.gradeText, m_files);
    if (!change) {
        deliver([this, error = change.error()] { Q_EMIT failed(error); });
        return;
    }
    RecordedGrade recording{request.classFileName,     request.personName, request.gradeText,
                            std::move(change).value(), request.drawId,     QString(),
                            request.recordingId};
    const QList<ChangedLine> changes =
        changedLines(recording.change.before, recording.change.after);
    m_journal.add(recording);
    // The history first, so that a window that reads it on the news finds the line.
    const std::optional<Error> missing =
        logChange(HistoryAction::Recording, recording, recording.change.after,
                  u"成绩已记入班级文件“" + shownFileName(recording.classFileName) + u"”");
    deliver([this, recording, changes, missing] {
        Q_EMIT recorded(recording, changes);
        if (recording.change.unflushed)
            Q_EMIT warned(*recording.change.unflushed);
        if (missing)
            Q_EMIT historyMissing(*missing);
    });
}

// The history line comes after the change; when it cannot be written the change
// stands, and the teacher is told after the news of the change, which it outlasts.
std::optional<Error> RecordingWorker::logChange(HistoryAction action,
                                                const RecordedGrade& recording,
                                                const QByteArray& classBytes, const QString& done)
{
    return appendStudentHistory(m_folder, recording.classFileName, action, recording.personName,
                                recording.gradeText, recording.drawId, classBytes,
                                QDateTime::currentDateTime(), done, m_files);
}

// An undo for one recording that is no longer the last does nothing: the phone that
// asked saw another lesson.
void RecordingWorker::undoNow(const QString& expected)
{
    if (m_journal.isEmpty() || (!expected.isEmpty() && m_journal.last().recordingId != expected)) {
        deliver([this] { Q_EMIT nothingToUndo(); });
        return;
    }
    const RecordedGrade recording = m_journal.last();
    if (!recording.replacedBy.isEmpty()) {
        m_journal.dropLast();
        deliver([this, recording] { Q_EMIT failed(replacedSince(recording)); });
        return;
    }
    UndoOutcome outcome =
        undoRecording(m_folder, recording.classFileName, recording.change, m_files);
    if (!outcome.mayRetry)
        m_journal.dropLast();
    if (!outcome.change) {
        deliver([this, error = outcome.change.error()] { Q_EMIT failed(error); });
        return;
    }
    const QList<ChangedLine> changes =
        changedLines(outcome.change.value().before, outcome.change.value().after);
    const std::optional<Error> missing =
        logChange(HistoryAction::Undo, recording, outcome.change.value().after,
                  u"已在班级文件“" + shownFileName(recording.classFileName) + u"”中撤销记录");
    deliver([this, recording, changes, missing, unflushed = outcome.change.value().unflushed] {
        Q_EMIT undone(recording, changes);
        if (unflushed)
            Q_EMIT warned(*unflushed);
        if (missing)
            Q_EMIT historyMissing(*missing);
    });
}

} // namespace mirello
