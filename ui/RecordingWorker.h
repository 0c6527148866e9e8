#pragma once

#include "roll/ChangedLines.h"
#include "roll/History.h"
#include "roll/RecordingJournal.h"
#include "roll/RollFolder.h"

#include <QObject>
#include <QThread>

namespace mirello {

class FileOperations;

// What a click on OK asks for: the class, the name on screen and the grade chosen,
// all as they were at the moment of the click.
struct RecordingRequest
{
    QString classFileName;
    QString personName;
    QString gradeText;
    // The draw that stopped on the name: all recordings of one draw are one call.
    QString drawId = {};
};

// Records grades and undoes recordings on a thread of its own, one at a time in the
// order they were asked for, so that waiting for another copy's lock or a slow USB
// stick never freezes the window. Outcomes come back as signals on the thread that
// made the worker.
class RecordingWorker final : public QObject
{
    Q_OBJECT

public:
    RecordingWorker(const RollFolder& folder, FileOperations& files, QObject* parent = nullptr);
    // Waits for the work in progress and the work asked for; outcomes not yet
    // delivered are dropped.
    ~RecordingWorker() override;

    void record(const RecordingRequest& request);
    // Undoes the most recent recording of this run that is not undone yet.
    void undoLast();
    // Waits until all work asked for so far is done, and delivers its outcomes now.
    void finish();

Q_SIGNALS:
    // `changes`: the lines of the class file that changed, with their new text. The
    // file now holds `recording.change.after` after a recording, and
    // `recording.change.before` after its undo.
    void recorded(const mirello::Recording& recording, const QList<mirello::ChangedLine>& changes);
    void undone(const mirello::Recording& recording, const QList<mirello::ChangedLine>& changes);
    void nothingToUndo();
    void failed(const mirello::Error& error);

private:
    // Runs `work` on the worker's thread, after everything asked for before it.
    template <typename Work>
    void post(Work work);
    // Delivers an outcome on the worker's own thread.
    template <typename Outcome>
    void deliver(Outcome outcome);

    void recordNow(const RecordingRequest& request);
    void undoNow();
    void logChange(HistoryAction action, const Recording& recording, const QByteArray& classBytes,
                   const QString& done);

    const RollFolder m_folder;
    FileOperations& m_files;
    // Touched on the worker's thread only.
    RecordingJournal m_journal;
    QThread m_thread;
    QObject m_context;
};

} // namespace mirello
