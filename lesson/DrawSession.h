#pragma once

#include "ClassGroups.h"
#include "draw/RoundDraw.h"
#include "draw/WarmCallOrder.h"
#include "roll/ClassState.h"

#include <functional>
#include <optional>
#include <QDate>
#include <QHash>
#include <QString>

namespace mirello {

class Clock;

// A student of the loaded class as the attendance list shows them: the name, told
// apart from a namesake by its number among them ("张伟（2）"), and today's absence.
struct Attendee
{
    QString name;
    StudentKey key;
    bool absent = false;

    friend bool operator==(const Attendee&, const Attendee&) = default;
};

// The draw of the class that is loaded, with what is kept of it between runs: the
// round in progress, the passes and today's absences. Every change is handed to
// `saver` at once, which writes the class's state file off the window's thread; when
// that fails the change still holds for this run, and the first failure of a streak
// is reported once.
class DrawSession
{
public:
    using StateSaver = std::function<void(const QString& classFileName, const ClassState& state)>;
    DrawSession(const RollFolder& folder, const Clock& clock, StateSaver saver);

    // A class was loaded from `classFileName` into `names`, which the session reads
    // until the next call. A class whose state was saved in this run takes that
    // state, which its file holds once the saves are done; another reads its file.
    // The notice tells of a state file that was damaged and set aside.
    std::optional<Error> classLoaded(const QString& classFileName, const NameList& names);
    // The loaded class was read again into `names`: its students find their marks anew.
    void namesChanged(const NameList& names);
    const QString& classFileName() const { return m_classFile; }

    DrawMode mode() const { return m_draw.mode(); }
    void setMode(DrawMode mode);

    DrawTexts tick(const std::optional<NameList>& names, RandomSource& random) const
    {
        return m_draw.tick(names, random);
    }
    // Drawing starts: absences of another day expire, and in round mode a complete
    // round gives way to a new one. Returns the new round's number when one began.
    std::optional<qint64> beginDrawing();
    // Drawing stopped, the last tick on `tickLine`: the lines of the `count`
    // different students called, the one to show first. With the warm call they are
    // the next in its order and the following one is announced; else the first is
    // the one on screen and the others are drawn among those the draw may stop on.
    // In round mode they are all called in this round. Fewer when fewer are left.
    std::vector<qsizetype> stop(std::optional<qsizetype> tickLine, int count, RandomSource& random);
    // The student on `line` passes: back into the round, the pass counted; with the
    // warm call, after everyone else of the round (or out of its order when every
    // draw is at random). False when the line is no student.
    bool pass(qsizetype line);

    // The warm call: the next student is announced ahead, and the next draw stops
    // on them. Switching it off forgets its order.
    void setWarmCall(bool on);
    bool warmCall() const { return m_warmCallOn; }
    // The line of the student announced next, deciding them if need be; none when
    // the warm call is off or nobody is present. In round mode a complete round
    // gives way to a new one here, so that its first student can be told.
    std::optional<qsizetype> announce(RandomSource& random);
    // A recording of `key` was undone: with the warm call, they come next, before
    // the one announced, and in round mode they are no longer called.
    void takeBack(const StudentKey& key);
    // Everyone may be called again: a new round begins. Returns its number.
    qint64 startNewRound();
    void setAbsent(const StudentKey& key, bool absent);

    qint64 round() const { return m_state.round; }
    qsizetype waitingCount() const { return m_draw.waitingCount(); }
    qsizetype presentCount() const { return m_draw.presentCount(); }
    // The student on `line`, and the line of a student, while the class holds them.
    std::optional<StudentKey> keyOnLine(qsizetype line) const;
    std::optional<qsizetype> lineOfKey(const StudentKey& key) const;
    // What a grouping of the students present needs, copied so that it is made off
    // the window's thread (groupStudents); none without a class.
    std::optional<GroupingJob> groupingJob() const;
    // Keeps `groups`, made from the job of `classFile`, as the newest of the last
    // groupings, whose pairs the next one keeps apart; not when another class is loaded.
    void keepGrouping(const QString& classFile, const StudentGroups& groups);
    // The kept groupings, newest last, with the names the class has now.
    QList<NamedGroups> groupings() const;

    // A student's marks as of today: absences of another day count for nothing.
    StudentMarks marksOf(const StudentKey& key) const;
    // Every student of the loaded class in the order of its file.
    QList<Attendee> attendance() const;

    // A save handed to the saver is done: the first failure since the last save
    // that worked comes back to be reported.
    std::optional<Error> saved(const Result<void>& outcome);

private:
    QDate today() const;
    void takeMarks();
    void expireAbsences();
    void change(qsizetype student, void (*apply)(StudentMarks&));
    void call(qsizetype student, std::vector<qsizetype>& called);
    void callWarm(int count, std::vector<qsizetype>& called, RandomSource& random);
    std::optional<qsizetype> announceNext(RandomSource& random);
    // The warm call's order into the state, and from it.
    void keepOrder();
    // Those announced whom the draw may no longer stop on leave the order.
    void alignWarmCall();
    void takeOrder();
    void save();

    ClassStateStore m_store;
    const Clock& m_clock;
    StateSaver m_saver;
    QString m_classFile;
    const NameList* m_names = nullptr;
    RoundDraw m_draw;
    ClassState m_state;
    WarmCallOrder m_warmCall;
    bool m_warmCallOn = false;
    // The students of the last stop, not announced next where others can be.
    std::vector<qsizetype> m_lastCalled;
    // The state of every class saved in this run, as its file will hold it.
    QHash<QString, ClassState> m_saved;
    bool m_saveFailing = false;
};

} // namespace mirello
