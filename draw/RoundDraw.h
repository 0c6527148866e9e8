#pragma once

#include "DrawTick.h"

#include <optional>
#include <span>
#include <vector>

namespace mirello {

class RandomSource;

enum class DrawMode
{
    EveryTick,    // every line at random on every tick, as the plain draw does
    OncePerRound, // each present student once before anyone comes again
};

// Which students a draw may stop on. Students are numbered in file order; each is
// one line of the class. A student marked absent is never drawn. In round mode a
// student stopped on is called for the rest of the round, and a pass puts them
// back; the next start after everyone present has been called begins a new round.
// Every tick and every change costs the same whatever the size of the class, and
// until the first absence or call nothing is kept beyond the students' lines.
class RoundDraw
{
public:
    // `studentLines`: the line of each student in the class's NameList, ascending.
    explicit RoundDraw(std::vector<quint32> studentLines = {});

    DrawMode mode() const { return m_mode; }
    void setMode(DrawMode mode) { m_mode = mode; }

    qsizetype studentCount() const { return qsizetype(m_lines.size()); }
    const std::vector<quint32>& lines() const { return m_lines; }
    qsizetype lineOf(qsizetype student) const { return m_lines[std::size_t(student)]; }
    // The student on `line`, if that line is one.
    std::optional<qsizetype> studentOn(qsizetype line) const;

    bool isAbsent(qsizetype student) const;
    bool isCalled(qsizetype student) const;
    void setAbsent(qsizetype student, bool absent);
    void setCalled(qsizetype student, bool called);
    qsizetype presentCount() const;
    qsizetype waitingCount() const;
    // Everyone present has been called in this round (and someone is present).
    bool roundComplete() const;
    // Clears every call of the round.
    void startNewRound();

    // Drawing starts: in round mode a complete round gives way to a new one.
    // Returns whether it did.
    bool beginDrawing();
    // Drawing stopped on `student`: in round mode they are called for this round.
    void stopOn(qsizetype student);
    // The student goes back into the round, to be called later in it.
    void pass(qsizetype student) { setCalled(student, false); }

    // Whether the draw may stop on `student`: present, and in round mode not yet called.
    bool mayStopOn(qsizetype student) const;
    // A student drawn evenly among those the draw may stop on, other than the
    // distinct students `excluded`; none when nobody is left.
    std::optional<qsizetype> drawAnother(RandomSource& random,
                                         std::span<const qsizetype> excluded) const;

    // One tick: reseed, draw, texts of the drawn line. In every-tick mode with
    // nobody absent this is exactly drawTick(); otherwise the draw is uniform over
    // the students present (every-tick) or present and not yet called (round).
    DrawTexts tick(const std::optional<NameList>& names, RandomSource& random) const;

private:
    // A set of student numbers with constant-time insertion, removal and drawing.
    class Pool
    {
    public:
        void reset(std::size_t students, bool full);
        bool contains(qsizetype student) const
        {
            return m_position[std::size_t(student)] != Outside;
        }
        void insert(qsizetype student);
        void erase(qsizetype student);
        bool empty() const { return m_members.empty(); }
        std::size_t size() const { return m_members.size(); }
        quint32 operator[](std::size_t i) const { return m_members[i]; }

    private:
        static constexpr quint32 Outside = ~quint32(0);
        std::vector<quint32> m_members;
        std::vector<quint32> m_position; // index in m_members, or Outside
    };

    // Builds the pools on the first absence or call: everyone present and waiting.
    void track();

    std::vector<quint32> m_lines;
    DrawMode m_mode = DrawMode::EveryTick;
    bool m_tracked = false;
    std::vector<bool> m_called;
    Pool m_present; // not absent
    Pool m_waiting; // present and not called in this round
};

} // namespace mirello
