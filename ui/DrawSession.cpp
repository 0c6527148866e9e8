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

DrawSession::DrawSession(const RollFolder& folder, const Clock& clock)
    : m_store(folder)
    , m_clock(clock)
{
}

QDate DrawSession::today() const
{
    return timeOf(m_clock).date();
}

std::optional<Error> DrawSession::classLoaded(const QString& classFileName, const NameList& names)
{
    const DrawMode mode = m_draw.mode();
    m_classFile = classFileName;
    m_names = &names;
    m_draw = RoundDraw(studentLines(names));
    m_draw.setMode(mode);
    const QDateTime now = timeOf(m_clock);
    ClassStateStore::Loaded loaded = m_store.load(classFileName, now);
    m_state = std::move(loaded.state);
    // Expired marks are only dropped here; the file follows at the next change.
    m_state.expireAbsences(now.date());
    for (const auto& [student, marks] : markedStudents(names, m_draw.lines(), m_state)) {
        m_draw.setAbsent(student, marks.absent);
        m_draw.setCalled(student, marks.calledThisRound);
    }
    return loaded.notice;
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
    // The student with that key in the loaded class, if it still holds them.
    int copy = 0;
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student) {
        const QStringView line = m_names->at(m_draw.lineOf(student));
        if (line.startsWith(key.head) &&
            line.size() == key.head.size() + RollRecord::CounterLength && ++copy == key.copy) {
            m_draw.setAbsent(student, absent);
            break;
        }
    }
    save();
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
    Result<void> saved = m_store.save(m_classFile, m_state);
    if (saved) {
        m_saveFailing = false;
        return;
    }
    if (!m_saveFailing) {
        m_saveFailure =
            Error{saved.error().message +
                      QStringLiteral("这次运行中照常点名，但关闭程序后这些改动不会保留。"),
                  saved.error().reason};
    }
    m_saveFailing = true;
}

std::optional<Error> DrawSession::takeSaveFailure()
{
    return std::exchange(m_saveFailure, std::nullopt);
}

} // namespace mirello
