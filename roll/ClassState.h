#pragma once

#include "NameList.h"
#include "platform/Result.h"
#include "RollFolder.h"

#include <optional>
#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>
#include <span>
#include <utility>
#include <vector>

namespace mirello {

class FileOperations;

// A student as the kept state knows them: the head of their line (student number,
// name and separator, which a recording never changes), and which of the lines
// with that same head it is, counted from 1 in file order.
struct StudentKey
{
    QString head;
    int copy = 1;

    friend bool operator==(const StudentKey&, const StudentKey&) = default;
};

inline size_t qHash(const StudentKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.head, key.copy);
}

struct StudentMarks
{
    bool calledThisRound = false;
    bool absent = false; // on ClassState::absentOn
    qint64 passes = 0;

    bool isEmpty() const { return !calledThisRound && !absent && passes == 0; }
    friend bool operator==(const StudentMarks&, const StudentMarks&) = default;
};

// Students split into groups, as the teacher last saw them.
using StudentGroups = QList<QList<StudentKey>>;

// What the program keeps of one class beside its file: the round in progress, the
// passes, who is absent on which day, the warm call's order and the last groupings.
// The later two are fields a reader of the first version passes over, so that an
// older copy of the program still reads the rounds and absences.
struct ClassState
{
    static constexpr int FormatVersion = 1;
    // Groupings kept: the ones whose pairs a new grouping avoids.
    static constexpr qsizetype KeptGroupings = 3;

    qint64 round = 1;
    QDate absentOn;
    QHash<StudentKey, StudentMarks> students;
    // The warm call: who comes first, in order (the one announced at the head), and
    // who passed and comes after everyone else of the round.
    QList<StudentKey> upNext;
    QList<StudentKey> afterRound;
    // Newest last.
    QList<StudentGroups> groupings;

    StudentMarks marksOf(const StudentKey& key) const { return students.value(key); }
    // Changes one student's marks; students without any mark are not kept.
    template <typename Change>
    void change(const StudentKey& key, Change&& apply)
    {
        StudentMarks marks = students.value(key);
        apply(marks);
        if (marks.isEmpty())
            students.remove(key);
        else
            students.insert(key, marks);
    }
    // Absence marks hold for the day they were set only. Returns whether any went.
    bool expireAbsences(QDate today);
    // Every call of the round forgotten, and the round counted on.
    void startNewRound();

    friend bool operator==(const ClassState&, const ClassState&) = default;
};

// The line of every student of a loaded class: every line that holds a name, in
// file order. Only their lines are kept, so that a huge class costs 4 bytes a
// student; keys are made when they are needed.
std::vector<quint32> studentLines(const NameList& names);
// The key of student number `student`, whose line is `lines[student]`.
StudentKey studentKey(const NameList& names, std::span<const quint32> lines, qsizetype student);
// The keys of all students, in the order of `lines`.
std::vector<StudentKey> studentKeys(const NameList& names, std::span<const quint32> lines);
// The students (numbers into `lines`) that `state` holds marks for, with the marks.
std::vector<std::pair<qsizetype, StudentMarks>>
markedStudents(const NameList& names, std::span<const quint32> lines, const ClassState& state);

// The state as a small JSON document (docs/reference.md lists its fields), and back.
// A document that is not such a state gives an error whose reason says why.
QByteArray classStateToJson(const ClassState& state);
Result<ClassState> classStateFromJson(const QByteArray& json);

// Reads and writes the state of each class in the roll folder's hidden folder
// ".mirello", as "<class file name>.state.json". Writes take the roll folder's
// lock and replace the file atomically, as a recording does.
class ClassStateStore
{
public:
    explicit ClassStateStore(RollFolder folder);
    ClassStateStore(RollFolder folder, FileOperations& files);

    struct Loaded
    {
        ClassState state;
        // Said once to the teacher: the file was damaged and set aside, or could
        // not be read. The class then starts afresh.
        std::optional<Error> notice;
    };
    // Never fails: a class without a state file starts afresh. A damaged file is
    // renamed to "<name>.damaged-<date and time of now>" and the class starts afresh.
    Loaded load(const QString& classFileName, const QDateTime& now);
    Result<void> save(const QString& classFileName, const ClassState& state);

    QString stateFilePath(const QString& classFileName) const;

private:
    RollFolder m_folder;
    FileOperations& m_files;
};

} // namespace mirello
