#pragma once

#include "keeping/History.h"
#include "roll/ChangedLines.h"
#include "roll/ClassState.h"
#include "roll/RecordingJournal.h"
#include "roll/RollFolder.h"

#include <chrono>
#include <functional>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QThread>

namespace mirello {

class FileOperations;

// What a click on OK asks for: the class whose names were drawn, the student on
// screen and the grade chosen, all as they were at the moment of the click.
struct RecordingRequest
{
    QString classFileName;
    QString personName;
    QString gradeText;
    // The draw that stopped on the name: all recordings of one draw are one call.
    QString drawId;
    // This recording, for an undo that names it.
    QString recordingId;
};

// The one queue of every write to the roll folder: recordings and their undo, the
// classes' kept state, restores and new terms. Each runs on a thread of its own, one
// at a time in the order asked for, so that waiting for another copy's lock or a slow
// USB stick never freezes the window, and outcomes come back in that same order as
// signals on the thread that made the worker: the window always learns of a change
// before it learns of the next one.
class RecordingWorker final : public QObject
{
    Q_OBJECT

public:
    RecordingWorker(const RollFolder& folder, FileOperations& files, QObject* parent = nullptr);
    // Waits for the work in progress and the work asked for; outcomes not yet
    // delivered are dropped.
    ~RecordingWorker() override;

    void record(const RecordingRequest& request);
    // Undoes the most recent recording of this run that is not undone yet; with
    // `expected`, only when that is the recording of this id.
    void undoLast(const QString& expected = QString());
    void saveState(const QString& classFileName, const ClassState& state);
    // Notes in the history that `student` is absent today, or no longer.
    void logAbsence(const QString& classFileName, const StudentKey& student, bool absent);

    // A change of a whole class file; `done` gets its outcome on this thread, or
    // failed() and warned() do once `context` is gone, and classReplaced() follows a
    // change that was made.
    using ClassChangeDone = std::function<void(const Result<LoggedChange>&)>;
    void restore(const QString& classFileName, const QString& backupFileName, QObject* context,
                 ClassChangeDone done);
    void startNewTerm(const QString& classFileName, QObject* context, ClassChangeDone done);

    // Compares the class file with what the history says Mirello wrote to it, and the
    // history with its seal, after the writes asked for before it.
    void checkOutsideEdits(const QString& classFileName);

    // Waits until all work asked for so far is done, and delivers its outcomes now;
    // after `wait`, names the class file whose write has not returned instead.
    std::optional<Error> finish(std::chrono::milliseconds wait);

Q_SIGNALS:
    // `changes`: the lines of the class file that changed. The file now holds
    // `recording.change.after` after a recording, and `recording.change.before` after
    // its undo.
    void recorded(const mirello::RecordedGrade& recording,
                  const QList<mirello::ChangedLine>& changes);
    void undone(const mirello::RecordedGrade& recording,
                const QList<mirello::ChangedLine>& changes);
    void nothingToUndo();
    // The recording an undo would take back now changed: its id, empty when none.
    void undoableChanged(const QString& recordingId);
    // A change is in, but a step after it failed (the history line, the flush): the
    // teacher is told, the change stands.
    void warned(const mirello::Error& warning);
    // A change is in, but its line in the history could not be written.
    void historyMissing(const mirello::Error& warning);
    void failed(const mirello::Error& error);
    // The class file now holds `bytes` after a restore or a new term.
    void classReplaced(const QString& classFileName, const QByteArray& bytes);
    // The outcome of saveState().
    void stateSaved(const mirello::Result<void>& saved);
    // The outcome of checkOutsideEdits(): how many students differ, and whether the
    // history disagrees with its seal.
    void outsideEditsChecked(const QString& classFileName, int edited, bool historyBroken);

private:
    // Runs `work` for the class `classFileName` on the worker's thread, after
    // everything asked for before it.
    template <typename Work>
    void post(const QString& classFileName, Work work);
    // Delivers an outcome on the worker's own thread.
    template <typename Outcome>
    void deliver(Outcome outcome);

    void recordNow(const RecordingRequest& request);
    void undoNow(const QString& expected);
    // Tells the window which recording an undo would take back, after each change.
    void deliverUndoable();
    void changeClassNow(const QString& classFileName, const QString& what,
                        const std::function<Result<LoggedChange>()>& change,
                        const QPointer<QObject>& context, const ClassChangeDone& done);
    std::optional<Error> logChange(HistoryAction action, const RecordedGrade& recording,
                                   const QByteArray& classBytes, const QString& done);

    const RollFolder m_folder;
    FileOperations& m_files;
    // Touched on the worker's thread only.
    RecordingJournal m_journal;
    ClassStateStore m_states;
    QThread m_thread;
    QObject m_context;
    // The class file of the work running now, for finish() to name.
    QString m_working;
    mutable QMutex m_workingLock;
};

} // namespace mirello
