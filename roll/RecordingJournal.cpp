#include "RecordingJournal.h"

namespace mirello {

RecordingJournal::RecordingJournal(qint64 byteBudget)
    : m_budget(byteBudget)
{
}

qint64 RecordingJournal::bytesOf(const RecordedGrade& recording)
{
    return recording.change.before.size() + recording.change.after.size();
}

void RecordingJournal::add(RecordedGrade recording)
{
    // Recordings one after another in one file: the new one starts from what the
    // last one left, so both can share those bytes.
    if (!isEmpty() && last().change.after == recording.change.before)
        recording.change.before = last().change.after;
    m_bytes += bytesOf(recording);
    m_recordings.push_back(std::move(recording));
    while (m_bytes > m_budget && m_recordings.size() > 1) {
        m_bytes -= bytesOf(m_recordings.front());
        m_recordings.pop_front();
    }
}

void RecordingJournal::dropLast()
{
    m_bytes -= bytesOf(last());
    m_recordings.pop_back();
}

void RecordingJournal::markReplaced(const QString& classFileName, const QString& what)
{
    for (RecordedGrade& recording : m_recordings) {
        if (recording.classFileName == classFileName && recording.replacedBy.isEmpty())
            recording.replacedBy = what;
    }
}

} // namespace mirello
