#include "DrawSession.h"

#include "platform/Clock.h"
#include "roll/RollRecord.h"

#include <QDateTime>

namespace mirello {

namespace {

QDateTime timeOf(const Clock& clock)
{
    return QDateTime::fromMSecsSinceEpoch(clock.nanosecondsSinceEpoch() / 1'000'000);
}

} // namespace

DrawSession::DrawSession(const RollFolder& folder, const Clock& clock, StateSaver saver)
    : m_store(folder)
    , m_clock(clock)
    , m_saver(std::move(saver))
{
}

QDate DrawSession::today() const
{
    return timeOf(m_clock).date();
}

std::optional<Error> DrawSession::classLoaded(const QString& classFileName, const NameList& names)
{
    m_classFile = classFileName;
    std::optional<Error> notice;
    if (const auto saved = m_saved.constFind(classFileName); saved != m_saved.cend()) {
        m_state = *saved;
    } else {
        ClassStateStore::Loaded loaded = m_store.load(classFileName, timeOf(m_clock));
        m_state = std::move(loaded.state);
        notice = std::move(loaded.notice);
    }
    // Expired marks are only dropped here; the file follows at the next change.
    m_state.expireAbsences(today());
    namesChanged(names);
    return notice;
}

void DrawSession::namesChanged(const NameList& names)
{
    const DrawMode mode = m_draw.mode();
    m_names = &names;
    m_draw = RoundDraw(studentLines(names));
    m_draw.setMode(mode);
    for (const auto& [student, marks] : markedStudents(names, m_draw.lines(), m_state)) {
        m_draw.setAbsent(student, marks.absent);
        m_draw.setCalled(student, marks.calledThisRound);
    }
}

void DrawSession::expireAbsences()
{
    if (!m_state.expireAbsences(today()))
        return;
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student)
        m_draw.setAbsent(student, false);
    save();
}

std::optional<qint64> DrawSession::beginDrawing()
{
    if (m_classFile.isEmpty())
        return std::nullopt;
    expireAbsences();
    if (!m_draw.beginDrawing())
        return std::nullopt;
    m_state.startNewRound();
    save();
    return m_state.round;
}

void DrawSession::change(qsizetype student, void (*apply)(StudentMarks&))
{
    m_state.change(studentKey(*m_names, m_draw.lines(), student), apply);
    save();
}

void DrawSession::stopOn(qsizetype line)
{
    const std::optional<qsizetype> student = m_draw.studentOn(line);
    if (!student || mode() != DrawMode::OncePerRound || m_draw.isCalled(*student))
        return;
    m_draw.stopOn(*student);
    change(*student, [](StudentMarks& marks) { marks.calledThisRound = true; });
}

bool DrawSession::pass(qsizetype line)
{
    const std::optional<qsizetype> student = m_draw.studentOn(line);
    if (!student)
        return false;
    m_draw.pass(*student);
    change(*student, [](StudentMarks& marks) {
        marks.calledThisRound = false;
        ++marks.passes;
    });
    return true;
}

qint64 DrawSession::startNewRound()
{
    m_draw.startNewRound();
    m_state.startNewRound();
    save();
    return m_state.round;
}

void DrawSession::setAbsent(const StudentKey& key, bool absent)
{
    if (m_classFile.isEmpty())
        return;
    expireAbsences();
    m_state.change(key, [absent](StudentMarks& marks) { marks.absent = absent; });
    if (const std::optional<qsizetype> line = lineOfKey(key))
        m_draw.setAbsent(*m_draw.studentOn(*line), absent);
    save();
}

std::optional<StudentKey> DrawSession::keyOnLine(qsizetype line) const
{
    const std::optional<qsizetype> student = m_names ? m_draw.studentOn(line) : std::nullopt;
    if (!student)
        return std::nullopt;
    return studentKey(*m_names, m_draw.lines(), *student);
}

std::optional<qsizetype> DrawSession::lineOfKey(const StudentKey& key) const
{
    int copy = 0;
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student) {
        const QStringView line = m_names->at(m_draw.lineOf(student));
        if (line.startsWith(key.head) &&
            line.size() == key.head.size() + RollRecord::CounterLength && ++copy == key.copy)
            return m_draw.lineOf(student);
    }
    return std::nullopt;
}

StudentMarks DrawSession::marksOf(const StudentKey& key) const
{
    StudentMarks marks = m_state.marksOf(key);
    marks.absent = marks.absent && m_state.absentOn == today();
    return marks;
}

void DrawSession::save()
{
    if (m_classFile.isEmpty())
        return;
    m_saved.insert(m_classFile, m_state);
    m_saver(m_classFile, m_state);
}

std::optional<Error> DrawSession::saved(const Result<void>& outcome)
{
    const bool wasFailing = std::exchange(m_saveFailing, !outcome.ok());
    if (outcome || wasFailing)
        return std::nullopt;
    return Error{outcome.error().message +
                     QStringLiteral("这次运行中照常点名，但关闭程序后这些改动不会保留。"),
                 outcome.error().reason};
}

} // namespace mirello
