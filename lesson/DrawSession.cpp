#include "DrawSession.h"

#include "platform/Clock.h"
#include "roll/RollRecord.h"

#include <algorithm>
#include <QDateTime>

using namespace Qt::StringLiterals;

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
    takeOrder();
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

std::vector<qsizetype> DrawSession::stop(std::optional<qsizetype> tickLine, int count,
                                         RandomSource& random)
{
    std::vector<qsizetype> called;
    // Until someone is announced the first is the one on screen, as without the warm call.
    const std::optional<qsizetype> onScreen = tickLine ? m_draw.studentOn(*tickLine) : std::nullopt;
    if (m_warmCallOn && !m_warmCall.upNext().empty())
        callWarm(count, called, random);
    if (called.empty() && onScreen) {
        call(*onScreen, called);
        if (m_warmCallOn)
            callWarm(count, called, random);
    }
    while (!called.empty() && qsizetype(called.size()) < count) {
        const std::optional<qsizetype> another = m_draw.drawAnother(random, called);
        if (!another)
            break;
        call(*another, called);
    }
    m_lastCalled = called;
    // Every tick at random without the warm call keeps nothing.
    if (m_warmCallOn)
        announceNext(random);
    if (m_warmCallOn || mode() == DrawMode::OncePerRound) {
        keepOrder();
        save();
    }
    std::vector<qsizetype> lines;
    for (const qsizetype student : called)
        lines.push_back(m_draw.lineOf(student));
    return lines;
}

// The announced students in order, as long as the draw may stop on them: a round
// that has nobody else left gives no one of the next.
void DrawSession::callWarm(int count, std::vector<qsizetype>& called, RandomSource& random)
{
    while (qsizetype(called.size()) < count) {
        // Only the head is taken from the next round, never the rest of a Pause.
        const std::optional<qsizetype> next =
            called.empty() ? announceNext(random) : m_warmCall.announce(m_draw, random, called);
        if (!next || !m_draw.mayStopOn(*next) ||
            std::find(called.begin(), called.end(), *next) != called.end())
            return;
        m_warmCall.callFirst();
        call(*next, called);
    }
}

void DrawSession::call(qsizetype student, std::vector<qsizetype>& called)
{
    called.push_back(student);
    m_warmCall.remove(student);
    if (mode() != DrawMode::OncePerRound || m_draw.isCalled(student))
        return;
    m_draw.stopOn(student);
    m_state.change(studentKey(*m_names, m_draw.lines(), student),
                   [](StudentMarks& marks) { marks.calledThisRound = true; });
}

bool DrawSession::pass(qsizetype line)
{
    const std::optional<qsizetype> student = m_draw.studentOn(line);
    if (!student)
        return false;
    m_draw.pass(*student);
    if (m_warmCallOn && mode() == DrawMode::OncePerRound && !m_draw.isAbsent(*student))
        m_warmCall.putLast(*student);
    else
        m_warmCall.remove(*student);
    keepOrder();
    change(*student, [](StudentMarks& marks) {
        marks.calledThisRound = false;
        ++marks.passes;
    });
    return true;
}

// Round mode switched on after a student already called was announced would hold the
// order on them: every Pause would announce them again and never stop on them.
void DrawSession::setMode(DrawMode mode)
{
    m_draw.setMode(mode);
    alignWarmCall();
}

void DrawSession::alignWarmCall()
{
    std::vector<qsizetype> stale;
    std::ranges::copy_if(m_warmCall.upNext(), std::back_inserter(stale),
                         [this](qsizetype student) { return !m_draw.mayStopOn(student); });
    if (stale.empty())
        return;
    for (const qsizetype student : stale)
        m_warmCall.remove(student);
    keepOrder();
    save();
}

void DrawSession::setWarmCall(bool on)
{
    m_warmCallOn = on;
    if (on || (m_state.upNext.isEmpty() && m_state.afterRound.isEmpty()))
        return;
    m_warmCall.restore({}, {});
    keepOrder();
    save();
}

std::optional<qsizetype> DrawSession::announce(RandomSource& random)
{
    if (!m_warmCallOn || m_classFile.isEmpty())
        return std::nullopt;
    const std::vector<qsizetype> before = m_warmCall.upNext();
    const qint64 round = m_state.round;
    const std::optional<qsizetype> next = announceNext(random);
    if (m_warmCall.upNext() != before || m_state.round != round) {
        keepOrder();
        save();
    }
    return next ? std::optional(m_draw.lineOf(*next)) : std::nullopt;
}

std::optional<qsizetype> DrawSession::announceNext(RandomSource& random)
{
    if (m_warmCall.upNext().empty() && m_draw.beginDrawing())
        m_state.startNewRound();
    return m_warmCall.announce(m_draw, random, m_lastCalled);
}

void DrawSession::takeBack(const StudentKey& key)
{
    const std::optional<qsizetype> line = m_warmCallOn ? lineOfKey(key) : std::nullopt;
    if (!line)
        return;
    const qsizetype student = *m_draw.studentOn(*line);
    m_warmCall.putFirst(student);
    m_draw.setCalled(student, false);
    m_state.change(key, [](StudentMarks& marks) { marks.calledThisRound = false; });
    keepOrder();
    save();
}

std::optional<GroupingJob> DrawSession::groupingJob() const
{
    if (m_classFile.isEmpty() || !m_names)
        return std::nullopt;
    GroupingJob job{m_classFile, *m_names, m_draw.lines(), {}, m_state.groupings};
    for (qsizetype student = 0; student < m_draw.studentCount(); ++student) {
        if (!m_draw.isAbsent(student))
            job.present.push_back(student);
    }
    return job;
}

void DrawSession::keepGrouping(const QString& classFile, const StudentGroups& groups)
{
    if (classFile != m_classFile || groups.isEmpty())
        return;
    m_state.groupings.append(groups);
    while (m_state.groupings.size() > ClassState::KeptGroupings)
        m_state.groupings.removeFirst();
    save();
}

QList<NamedGroups> DrawSession::groupings() const
{
    QList<NamedGroups> named;
    for (const StudentGroups& grouping : m_names ? m_state.groupings : QList<StudentGroups>())
        named.append(namedGroups(*m_names, m_draw.lines(), grouping));
    return named;
}

void DrawSession::keepOrder()
{
    const auto keys = [this](const std::vector<qsizetype>& students) {
        QList<StudentKey> kept;
        for (const qsizetype student : students)
            kept.append(studentKey(*m_names, m_draw.lines(), student));
        return kept;
    };
    m_state.upNext = keys(m_warmCall.upNext());
    m_state.afterRound = keys(m_warmCall.afterRound());
}

// Students no longer in the class, or absent, leave the order; so do those announced
// who were called in this round since (a kept order may name them).
void DrawSession::takeOrder()
{
    const auto students = [this](const QList<StudentKey>& keys, bool announced) {
        std::vector<qsizetype> found;
        for (const StudentKey& key : keys) {
            const std::optional<qsizetype> line = lineOfKey(key);
            const qsizetype student = line ? *m_draw.studentOn(*line) : -1;
            if (line && !m_draw.isAbsent(student) && (!announced || m_draw.mayStopOn(student)) &&
                std::find(found.begin(), found.end(), student) == found.end())
                found.push_back(student);
        }
        return found;
    };
    m_lastCalled.clear();
    if (m_warmCallOn)
        m_warmCall.restore(students(m_state.upNext, true), students(m_state.afterRound, false));
    else
        m_warmCall.restore({}, {});
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
    if (const std::optional<qsizetype> line = lineOfKey(key)) {
        m_draw.setAbsent(*m_draw.studentOn(*line), absent);
        if (absent)
            m_warmCall.remove(*m_draw.studentOn(*line));
        keepOrder();
    }
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

QList<Attendee> DrawSession::attendance() const
{
    QList<Attendee> students;
    if (!m_names)
        return students;
    const std::vector<StudentKey> keys = studentKeys(*m_names, m_draw.lines());
    for (qsizetype student = 0; student < qsizetype(keys.size()); ++student) {
        const StudentKey& key = keys[std::size_t(student)];
        QString name = textsOfLine(*m_names, m_draw.lineOf(student)).name.value_or(QString());
        if (key.copy > 1)
            name += u"（"_s + QString::number(key.copy) + u"）"_s;
        students.append({name, key, marksOf(key).absent});
    }
    return students;
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
