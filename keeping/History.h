#pragma once

#include "platform/Result.h"
#include "roll/ClassFileTransaction.h"
#include "roll/ClassState.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace mirello {

class FileOperations;
class RollFolder;

// The history of every change to the classes, "checkroll/.mirello/history.csv": one
// CSV line (UTF-8, byte-order mark before the title row, CR LF) per change,
// appended and flushed, never rewritten. Columns: time (ISO 8601 with the offset
// from UTC), class file, what happened, student number, name, grade, call count and
// tally after the change, note, draw, and which of the lines with that student
// number and name. Later columns come last, so that older readers skip them.
enum class HistoryAction
{
    Recording,
    Undo,
    Restore,
    NewTerm,
    // The teacher marked a student absent for the day, or took the mark back.
    Absent,
    Present
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
    // The draw that stopped on the student: several recordings of one draw are one
    // call. Empty in older files, where each recording is a draw of its own.
    QString drawId;
    // Of an absence mark: which of the lines with this number and name, from 1.
    int copy = 1;

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The entry of a recording or an undo for `name` in `classBytes` (the class file
// after the change): it raised or lowered every line with the name, so their
// student numbers and counters are listed, each different one once, joined by "、".
// None when no line holds the name.
std::optional<HistoryEntry> entryForStudent(QByteArrayView classBytes, const QString& name,
                                            const HistoryEntry& common);

// The entry that marks `student` of the class `shownClass` absent for the day of
// `time`, or takes that mark back.
HistoryEntry absenceEntry(const QString& shownClass, const StudentKey& student, bool absent,
                          const QDateTime& time);

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
// file `classFileName`, whose bytes after the change are `classBytes`, in the draw
// `drawId`. The error says that `done` happened and that only its history line is
// missing.
std::optional<Error> appendStudentHistory(const RollFolder& folder, const QString& classFileName,
                                          HistoryAction action, const QString& name,
                                          const QString& grade, const QString& drawId,
                                          QByteArrayView classBytes, const QDateTime& time,
                                          const QString& done, FileOperations& files);

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

// The entries of `bytes` as appendHistory() writes them, of the classes `classes`
// (as shown), of all when none are named; lines that cannot be read are skipped.
// Older files wrote one entry per line with the name: those of one recording or undo
// read as one entry. Memory stays within what a class's history of years needs: of
// a larger history only the newest entries are kept.
QList<HistoryEntry> parseHistory(QByteArrayView bytes, const QStringList& classes = {});
// The history of `classes` as parseHistory() keeps it; none when there is no history yet.
Result<QList<HistoryEntry>> readHistory(const RollFolder& folder, const QStringList& classes = {});

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

// The recordings of the class `classFile` (as shown) that were not undone, in the
// order they were written.
QList<HistoryEntry> keptRecordings(const QList<HistoryEntry>& history, const QString& classFile);

// The lines of the student `name` of the class `classFile` (as shown), with the
// class's restores and new terms among them, in the order they were written.
QList<HistoryEntry> historyOfStudent(const QList<HistoryEntry>& history, const QString& classFile,
                                     const QString& name);

// The word the history file uses for an action, and back.
QString actionWord(HistoryAction action);
std::optional<HistoryAction> actionOfWord(QStringView word);

} // namespace mirello
