#include "DrawSession.h"

#include "platform/Clock.h"

#include <QDateTime>

namespace mirello {

DrawSession::DrawSession(const RollFolder& folder, const Clock& clock)
    : m_store(folder)
    , m_clock(clock)
{
}

QDate DrawSession::today() const
{
    return QDateTime::fromMSecsSinceEpoch(m_clock.nanosecondsSinceEpoch() / 1'000'000).date();
}

std::optional<Error> DrawSession::classLoaded(const QString& classFileName, const NameList& names)
{
    const DrawMode mode = m_draw.mode();
    m_classFile = classFileName;
    m_students = studentsOf(names);
    m_draw = RoundDraw(m_students.lines);
    m_draw.setMode(mode);
    const QDateTime now =
        QDateTime::fromMSecsSinceEpoch(m_clock.nanosecondsSinceEpoch() / 1'000'000);
    ClassStateStore::Loaded loaded = m_store.load(classFileName, now);
    m_state = std::move(loaded.state);
    // Expired marks are only dropped here; the file follows at the next change.
    m_state.expireAbsences(now.date());
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student) {
        const StudentMarks marks = m_state.marksOf(m_students.keys[std::size_t(student)]);
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

void DrawSession::stopOn(qsizetype line)
{
    const std::optional<qsizetype> student = m_draw.studentOn(line);
    if (!student || mode() != DrawMode::OncePerRound || m_draw.isCalled(*student))
        return;
    m_draw.stopOn(*student);
    m_state.change(m_students.keys[std::size_t(*student)],
                   [](StudentMarks& marks) { marks.calledThisRound = true; });
    save();
}

bool DrawSession::pass(qsizetype line)
{
    const std::optional<qsizetype> student = m_draw.studentOn(line);
    if (!student)
        return false;
    m_draw.pass(*student);
    m_state.change(m_students.keys[std::size_t(*student)], [](StudentMarks& marks) {
        marks.calledThisRound = false;
        ++marks.passes;
    });
    save();
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
    expireAbsences();
    m_state.change(key, [absent](StudentMarks& marks) { marks.absent = absent; });
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student) {
        if (m_students.keys[std::size_t(student)] == key)
            m_draw.setAbsent(student, absent);
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
    Result<void> saved = m_store.save(m_classFile, m_state);
    if (saved) {
        m_saveFailing = false;
        return;
    }
    if (!m_saveFailing)
        m_saveFailure =
            Error{saved.error().message +
                      QStringLiteral("这次运行中照常点名，但关闭程序后这些改动不会保留。"),
                  saved.error().reason};
    m_saveFailing = true;
}

std::optional<Error> DrawSession::takeSaveFailure()
{
    return std::exchange(m_saveFailure, std::nullopt);
}

} // namespace mirello
