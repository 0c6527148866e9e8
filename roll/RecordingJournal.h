#pragma once

#include "ClassFileTransaction.h"

#include <deque>
#include <QString>

namespace mirello {

// One recording of this run: what was recorded, and how the class file changed.
struct RecordedGrade
{
    QString classFileName;
    QString personName;
    QString gradeText;
    ClassFileChange change;
    // The draw it was recorded for, so that its undo names the same draw.
    QString drawId;
    // What changed the whole class file after this recording ("恢复为备份",
    // "开始新学期"), which an undo then names; empty while nothing did.
    QString replacedBy;
    QString recordingId;
};

// This run's recordings that are not undone, newest last, for undo. Each keeps two
// versions of its class file, so the journal forgets its oldest recordings once
// their contents pass `byteBudget`; the newest one is always kept.
class RecordingJournal
{
public:
    explicit RecordingJournal(qint64 byteBudget = qint64(64) << 20);

    void add(RecordedGrade recording);
    bool isEmpty() const { return m_recordings.empty(); }
    const RecordedGrade& last() const { return m_recordings.back(); }
    void dropLast();
    // The whole class file `classFileName` was changed by `what`: its recordings
    // can no longer be undone, and say why.
    void markReplaced(const QString& classFileName, const QString& what);

private:
    static qint64 bytesOf(const RecordedGrade& recording);

    std::deque<RecordedGrade> m_recordings;
    qint64 m_budget;
    qint64 m_bytes = 0;
};

} // namespace mirello
