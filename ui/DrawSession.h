#pragma once

#include "draw/RoundDraw.h"
#include "roll/ClassState.h"

#include <optional>
#include <QDate>
#include <QString>

namespace mirello {

class Clock;

// The draw of the class that is loaded, with what is kept of it between runs: the
// round in progress, the passes and today's absences. Every change is written to
// the class's state file at once; when that fails the change still holds for this
// run, and the first failure of a streak is handed out once to be reported.
class DrawSession
{
public:
    DrawSession(const RollFolder& folder, const Clock& clock);

    // A class was loaded from `classFileName` into `names`, which the session reads
    // until the next call: it is called again whenever `names` changes. The notice
    // tells of a state file that was damaged and set aside.
    std::optional<Error> classLoaded(const QString& classFileName, const NameList& names);
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
    // A student's marks as of today: absences of another day count for nothing.
    StudentMarks marksOf(const StudentKey& key) const;

    // The first failure to save since the last save that worked, handed out once.
    std::optional<Error> takeSaveFailure();

private:
    QDate today() const;
    void expireAbsences();
    void change(qsizetype student, void (*apply)(StudentMarks&));
    void save();

    ClassStateStore m_store;
    const Clock& m_clock;
    QString m_classFile;
    const NameList* m_names = nullptr;
    RoundDraw m_draw;
    ClassState m_state;
    std::optional<Error> m_saveFailure;
    bool m_saveFailing = false;
};

} // namespace mirello
