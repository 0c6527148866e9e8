#pragma once

#include "draw/RoundDraw.h"
#include "roll/ClassState.h"

#include <functional>
#include <optional>
#include <QDate>
#include <QHash>
#include <QString>

namespace mirello {

class Clock;

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
    void setMode(DrawMode mode) { m_draw.setMode(mode); }

    DrawTexts tick(const std::optional<NameList>& names, RandomSource& random) const
    {
        return m_draw.tick(names, random);
    }
    // Drawing starts: absences of another day expire, and in round mode a complete
    // round gives way to a new one. Returns the new round's number when one began.
    std::optional<qint64> beginDrawing();
    // Drawing stopped on `line`: in round mode that student is called in this round.
    void stopOn(qsizetype line);
    // The student on `line` passes: back into the round, the pass counted. False
    // when the line is no student.
    bool pass(qsizetype line);
    // Everyone may be called again: a new round begins. Returns its number.
    qint64 startNewRound();
    void setAbsent(const StudentKey& key, bool absent);

    qsizetype waitingCount() const { return m_draw.waitingCount(); }
    qsizetype presentCount() const { return m_draw.presentCount(); }
    // The student on `line`, and the line of a student, while the class holds them.
    std::optional<StudentKey> keyOnLine(qsizetype line) const;
    std::optional<qsizetype> lineOfKey(const StudentKey& key) const;
    // A student's marks as of today: absences of another day count for nothing.
    StudentMarks marksOf(const StudentKey& key) const;

    // A save handed to the saver is done: the first failure since the last save
    // that worked comes back to be reported.
    std::optional<Error> saved(const Result<void>& outcome);

private:
    QDate today() const;
    void takeMarks();
    void expireAbsences();
    void change(qsizetype student, void (*apply)(StudentMarks&));
    void save();

    ClassStateStore m_store;
    const Clock& m_clock;
    StateSaver m_saver;
    QString m_classFile;
    const NameList* m_names = nullptr;
    RoundDraw m_draw;
    ClassState m_state;
    // The state of every class saved in this run, as its file will hold it.
    QHash<QString, ClassState> m_saved;
    bool m_saveFailing = false;
};

} // namespace mirello
