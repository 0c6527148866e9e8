#pragma once

#include "ClassFileChange.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

namespace mirello {

class FileOperations;
class RollFolder;

// The history of every change to the classes, "checkroll/.mirello/history.csv": one
// CSV line (UTF-8, byte-order mark before the title row, CR LF) per change,
// appended and flushed, never rewritten. Columns: time (ISO 8601 with the offset
// from UTC), class file, what happened, student number, name, grade, call count and
// tally after the change, note.
enum class HistoryAction
{
    Recording,
    Undo,
    Restore,
    NewTerm
};

struct HistoryEntry
{
    QDateTime time;
    QString classFile; // as shown
    HistoryAction action = HistoryAction::Recording;
    QString number;
    QString name;
    QString grade;
    QString count; // as the file holds them: "04"
    QString tally; // "1301"
    QString note;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// One entry per line of `classBytes` (the class file after a recording or an undo)
// whose name is `name`, with that line's student number and counters.
QList<HistoryEntry> entriesForStudent(QByteArrayView classBytes, const QString& name,
                                      const HistoryEntry& common);

// A change that is in the class file, and why its line in the history is missing
// when that could not be written: the change stands all the same.
struct LoggedChange
{
    ClassFileChange change;
    std::optional<Error> historyError;
};

// What the teacher is told of a change that is in: that the folder could not be
// flushed, else that its history line is missing.
inline std::optional<Error> warningOf(const LoggedChange& logged)
{
    return logged.change.unflushed ? logged.change.unflushed : logged.historyError;
}

// Appends the history of a recording or an undo of `grade` for `name` in the class
// file `classFileName`, whose bytes after the change are `classBytes`. The error
// says that `done` happened and that only its history line is missing.
std::optional<Error> appendStudentHistory(const RollFolder& folder, const QString& classFileName,
                                          HistoryAction action, const QString& name,
                                          const QString& grade, QByteArrayView classBytes,
                                          const QDateTime& time, const QString& done,
                                          FileOperations& files);

// Appends the one line of a change to a whole class file (a restore, a new term)
// and pairs it with the change: its error says that `done` happened.
LoggedChange logClassChange(const RollFolder& folder, ClassFileChange change,
                            const QString& shownClass, HistoryAction action, const QString& note,
                            const QDateTime& time, const QString& done, FileOperations& files);

// None when `appended`; otherwise the error that says `done` happened but its
// history line is missing.
std::optional<Error> missingHistory(const QString& done, const Result<void>& appended);

// Appends `entries` under the roll folder's lock and flushes them to disk; the
// title row comes first in a new file. The error names the file and the system's
// reason; the change it records stands.
Result<void> appendHistory(const RollFolder& folder, const QList<HistoryEntry>& entries,
                           FileOperations& files);

// The entries of `bytes` as appendHistory() writes them; lines that cannot be read
// are skipped.
QList<HistoryEntry> parseHistory(QByteArrayView bytes);
// The whole history; none when there is no history yet.
Result<QList<HistoryEntry>> readHistory(const RollFolder& folder);

// What the history says about one student of one class.
struct StudentHistory
{
    // Recordings since the class's last new term, less those undone.
    qint64 callsThisTerm = 0;
    // The day of the last recording that was not undone; none when there is none.
    QDate lastCalled;
};

// Per name, for the class file `classFile` (as shown).
QHash<QString, StudentHistory> studentHistories(const QList<HistoryEntry>& history,
                                                const QString& classFile);

// The lines of the student `name` of the class `classFile` (as shown), with the
// class's restores and new terms among them, in the order they were written.
QList<HistoryEntry> studentLines(const QList<HistoryEntry>& history, const QString& classFile,
                                 const QString& name);

// The word the history file uses for an action, and back.
QString actionWord(HistoryAction action);

} // namespace mirello
