#include "ClassFairness.h"

#include "roll/ClassState.h"
#include "roll/RollRecord.h"

#include <algorithm>
#include <optional>
#include <QDate>
#include <QHash>
#include <QSet>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// A line as absence marks name it.
QString markedLine(const HistoryEntry& entry)
{
    return entry.number + u'\n' + entry.name + u'\n' + QString::number(entry.copy);
}

struct Call
{
    QDateTime time;
    qsizetype student = 0;
};

} // namespace

ClassFairness classFairness(const NameList& names, std::span<const quint32> lines,
                            const QList<HistoryEntry>& history, const QString& shownClass)
{
    // One student per name, with how many lines hold it and the most calls of them.
    QHash<QString, qsizetype> studentOf;
    std::vector<qsizetype> studentOfLine;
    std::vector<qint64> linesOf;
    std::vector<qint64> fileCalls;
    QHash<QString, qsizetype> lineOfMark;
    const std::vector<StudentKey> keys = studentKeys(names, lines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const RollRecord record(names.at(lines[i]));
        const QString name = record.personName()->toString();
        auto found = studentOf.constFind(name);
        if (found == studentOf.cend()) {
            found = studentOf.insert(name, qsizetype(linesOf.size()));
            linesOf.push_back(0);
            fileCalls.push_back(0);
        }
        const qsizetype student = *found;
        studentOfLine.push_back(student);
        ++linesOf[std::size_t(student)];
        fileCalls[std::size_t(student)] =
            std::max(fileCalls[std::size_t(student)], record.callCount());
        lineOfMark.insert(markedLine(absenceEntry(shownClass, keys[i], true, {})), qsizetype(i));
    }
    const std::size_t students = linesOf.size();

    qsizetype start = 0;
    QList<HistoryEntry> marks;
    for (qsizetype i = 0; i < history.size(); ++i) {
        const HistoryEntry& entry = history[i];
        if (entry.classFile != shownClass)
            continue;
        if (entry.action == HistoryAction::NewTerm || entry.action == HistoryAction::Restore)
            start = i + 1;
        if (entry.action == HistoryAction::Absent || entry.action == HistoryAction::Present)
            marks.append(entry);
    }
    // Recordings of one draw make one call, at the first of them.
    std::vector<qint64> recordings(students);
    std::vector<qint64> calls(students);
    std::vector<Call> called;
    QSet<QString> draws;
    for (const HistoryEntry& entry : keptRecordings(history.mid(start), shownClass)) {
        const auto student = studentOf.constFind(entry.name);
        if (student == studentOf.cend())
            continue; // no longer in the class: whose chances it took is unknown
        ++recordings[std::size_t(*student)];
        if (!entry.drawId.isEmpty()) {
            const QString draw = entry.drawId + u'\n' + entry.name;
            if (draws.contains(draw))
                continue;
            draws.insert(draw);
        }
        ++calls[std::size_t(*student)];
        called.push_back({entry.time, *student});
    }

    // Calls the history lacks: each with everyone present.
    CallStretch everyone{0, linesOf};
    for (std::size_t i = 0; i < students; ++i) {
        const qint64 unlogged = std::max<qint64>(fileCalls[i] - recordings[i], 0);
        everyone.calls += unlogged;
        calls[i] += unlogged;
    }
    std::vector<CallStretch> stretches{everyone};

    // The calls in time order, each with the absences of its day marked before it.
    const auto byTime = [](const auto& a, const auto& b) {
        return a.time < b.time;
    };
    std::stable_sort(called.begin(), called.end(), byTime);
    std::stable_sort(marks.begin(), marks.end(), byTime);
    QHash<qsizetype, QDate> absentOn;
    qsizetype nextMark = 0;
    std::optional<std::vector<qsizetype>> lastAbsent;
    for (const Call& call : called) {
        for (; nextMark < marks.size() && marks[nextMark].time <= call.time; ++nextMark) {
            const auto line = lineOfMark.constFind(markedLine(marks[nextMark]));
            if (line == lineOfMark.cend())
                continue;
            if (marks[nextMark].action == HistoryAction::Absent)
                absentOn.insert(*line, marks[nextMark].time.toLocalTime().date());
            else
                absentOn.remove(*line);
        }
        const QDate day = call.time.toLocalTime().date();
        std::vector<qsizetype> absent;
        for (auto line = absentOn.cbegin(); line != absentOn.cend(); ++line) {
            if (line.value() == day)
                absent.push_back(line.key());
        }
        std::sort(absent.begin(), absent.end());
        // A student drawn was there, whatever the marks say.
        const std::size_t drawn = std::size_t(call.student);
        const bool drawnWhileAbsent =
            std::count_if(absent.begin(), absent.end(), [&](qsizetype line) {
                return studentOfLine[std::size_t(line)] == call.student;
            }) == linesOf[drawn];
        if (drawnWhileAbsent)
            absent.push_back(-1 - call.student);
        if (absent == lastAbsent) {
            ++stretches.back().calls;
            continue;
        }
        CallStretch stretch{1, linesOf};
        for (const qsizetype line : absent) {
            if (line >= 0)
                --stretch.present[std::size_t(studentOfLine[std::size_t(line)])];
        }
        if (drawnWhileAbsent)
            stretch.present[drawn] = 1;
        stretches.push_back(std::move(stretch));
        lastAbsent = std::move(absent);
    }

    ClassFairness fairness;
    fairness.report = fairnessOf(calls, stretches);
    fairness.students.reserve(lines.size());
    for (const qsizetype student : studentOfLine)
        fairness.students.push_back(fairness.report.each[std::size_t(student)]);
    return fairness;
}

} // namespace mirello
