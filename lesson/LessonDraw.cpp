// The draw of the lesson: one Pause stops on one student or several drawn at once,
// of whom one is on screen at a time; passes, absences and rounds follow the draw,
// and with the warm call the student to come next is announced.
#include "Lesson.h"
#include "RecordingWorker.h"
#include "Settings.h"

#include <algorithm>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView SeveralKey = u"draw/several";

} // namespace

void Lesson::setDrawing(bool on)
{
    if (on == m_view.drawing)
        return;
    m_view.drawing = on;
    if (on)
        drawingStarted();
    else
        drawingStopped();
    publish();
}

// Absences of another day expire; in round mode a complete round gives way.
void Lesson::drawingStarted()
{
    takePicks({});
    m_drawnSinceStart = false;
    if (const std::optional<qint64> round = m_session.beginDrawing())
        noticeRound(*round);
    Q_EMIT marksChanged();
}

// In round mode the student on screen is called for this round. A Pause before any
// tick has drawn stops on nobody new.
void Lesson::drawingStopped()
{
    if (!m_drawnSinceStart || !m_shownLine)
        return;
    const qint64 round = m_session.round();
    const std::vector<qsizetype> called = m_session.stop(m_shownLine, severalCount(), m_random);
    // A line that is no student is shown as it was drawn.
    takePicks(called.empty() ? std::vector{*m_shownLine} : called);
    announce();
    // With the warm call the next round begins as its first student is told.
    if (m_session.round() != round)
        noticeRound(m_session.round());
    if (m_session.mode() == DrawMode::OncePerRound && m_session.waitingCount() == 0 &&
        m_session.presentCount() > 0) {
        notify(u"本轮已点完全班 "_s + QString::number(m_session.presentCount()) +
               u" 人，下次开始新一轮"_s);
    }
    Q_EMIT marksChanged();
}

void Lesson::noticeRound(qint64 round)
{
    notify(u"全班都已点过，第 "_s + QString::number(round) + u" 轮开始"_s);
}

// Each student drawn is a call of its own: their grades are undone one by one.
void Lesson::takePicks(const std::vector<qsizetype>& lines)
{
    m_picks.clear();
    m_pickAt = 0;
    for (const qsizetype line : lines) {
        const QString draw = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_picks.push_back({line, draw, true});
        const std::optional<StudentKey> key =
            m_session.warmCall() ? m_session.keyOnLine(line) : std::nullopt;
        if (key)
            m_warmDraws.insert(draw, *key);
    }
    if (m_picks.empty())
        return;
    showPick(0);
    if (m_picks.size() > 1)
        notify(u"一次抽到 "_s + QString::number(m_picks.size()) + u" 人，按 [ 或 ] 换一位"_s);
    else if (severalCount() > 1)
        notify(u"只抽到 1 人：本轮没有别人可抽"_s);
}

// The name, its count and its tallies follow the student picked, so that OK, a
// grade key and P all act on the student on screen.
void Lesson::showPick(std::size_t at)
{
    m_pickAt = at;
    m_shownLine = m_picks[at].line;
    if (m_shownLine)
        showTexts(textsOfLine(*m_names, *m_shownLine));
}

void Lesson::stepPick(int step)
{
    if (m_picks.size() < 2 || m_view.drawing)
        return;
    const auto count = qsizetype(m_picks.size());
    showPick(std::size_t(((qsizetype(m_pickAt) + step) % count + count) % count));
    publish();
}

void Lesson::showPickAt(int index)
{
    stepPick(index - int(m_pickAt));
}

int Lesson::severalCount() const
{
    return std::clamp(m_settings->bytes(SeveralKey).toInt(), 1, MostAtOnce);
}

void Lesson::setSeveralCount(int count)
{
    count = std::clamp(count, 1, MostAtOnce);
    remember(SeveralKey, QByteArray::number(count));
    notify(u"每次暂停抽 "_s + QString::number(count) + u" 人"_s);
}

// Only the student the draw stopped on may pass, and only once: they go back into
// the round (in either mode the pass is counted).
QString Lesson::pass()
{
    if (std::optional<QString> locked = refusedByLock(Feature::Pass))
        return *locked;
    const QString refused = m_view.drawing ? u"请先暂停，再跳过抽到的学生"_s
                            : m_picks.empty() || !m_picks[m_pickAt].passable || !m_shownLine ||
                                    !m_session.pass(*m_shownLine)
                                ? u"没有可以跳过的学生"_s
                                : QString();
    if (!refused.isEmpty()) {
        notify(refused);
        return refused;
    }
    m_picks[m_pickAt].passable = false;
    notify(u"已跳过："_s + m_view.name +
           (m_session.mode() == DrawMode::OncePerRound ? u"，本轮稍后再点"_s : QString()));
    announce();
    publish();
    Q_EMIT marksChanged();
    return QString();
}

QString Lesson::switchAbsence()
{
    if (std::optional<QString> locked = refusedByLock(Feature::MarkAbsent))
        return *locked;
    const std::optional<StudentKey> student = studentOnScreen();
    if (!student)
        return u"屏幕上没有可以标记缺席的学生"_s;
    const bool absent = !m_session.marksOf(*student).absent;
    setAbsent(*student, absent);
    notify(m_view.name + (absent ? u" 今天缺席"_s : u" 不再记为缺席"_s));
    return QString();
}

QString Lesson::switchAbsenceOf(const QString& name)
{
    if (std::optional<QString> locked = refusedByLock(Feature::AbsentOf))
        return *locked;
    const QList<Attendee> students = m_session.attendance();
    const auto named = std::ranges::find(students, name, &Attendee::name);
    if (named == students.end())
        return u"本班没有“"_s + name + u"”"_s;
    // Shown with the mark itself, in the one change setAbsent() publishes.
    m_view.confirmation = {(named->absent ? u"已取消缺席："_s : u"今天缺席："_s) + name, NoticeTime,
                           m_view.confirmation.serial + 1};
    setAbsent(named->key, !named->absent);
    return QString();
}

void Lesson::setAbsent(const StudentKey& student, bool absent)
{
    if (refusedByLock(Feature::Attendance))
        return;
    m_session.setAbsent(student, absent);
    m_recorder->logAbsence(m_session.classFileName(), student, absent);
    announce();
    publish();
    Q_EMIT marksChanged();
}

void Lesson::startNewRound()
{
    if (refusedByLock(Feature::NewRound))
        return;
    if (m_session.classFileName().isEmpty())
        return;
    const qint64 round = m_session.startNewRound();
    notify(u"第 "_s + QString::number(round) + u" 轮开始，每人都可以再被点到"_s);
    Q_EMIT marksChanged();
}

void Lesson::setOncePerRound(bool on)
{
    m_session.setMode(on ? DrawMode::OncePerRound : DrawMode::EveryTick);
    notify(on ? u"点名方式：本轮不重复，每人点过一次才开始新一轮"_s : u"点名方式：每次随机"_s);
}

void Lesson::setWarmCall(bool on)
{
    m_session.setWarmCall(on);
    notify(on ? u"预告下一位：每次暂停后告诉下一位同学准备"_s : u"不再预告下一位"_s);
    announce();
    publish();
}

void Lesson::announce()
{
    const std::optional<qsizetype> next = m_session.announce(m_random);
    const QString name = next ? nameOnLine(next) : QString();
    m_view.announcement = name.isEmpty() ? QString() : u"下一位："_s + name + u"，请准备"_s;
}

// An undone recording of a warm call puts its student next again.
void Lesson::takeBackUndone(const RecordedGrade& recording)
{
    const auto drawn = m_warmDraws.constFind(recording.drawId);
    if (recording.classFileName != m_view.classFile || drawn == m_warmDraws.cend())
        return;
    m_session.takeBack(*drawn);
    announce();
    Q_EMIT marksChanged();
}

} // namespace mirello
