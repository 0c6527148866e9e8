// What other programs and phones ask of the lesson, and the lesson's countdown.
#include "BreakLock.h"
#include "CommandAim.h"
#include "Lesson.h"
#include "RecordingWorker.h"
#include "roll/ClassName.h"

#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace mirello {

void Lesson::setWindowFeatures(std::function<void(Feature)> window)
{
    m_windowFeatures = std::move(window);
}

QString Lesson::carryOut(const QList<RemoteCommand>& commands)
{
    Q_EMIT commandsArrived();
    for (const RemoteCommand& command : commands) {
        m_commandFailures.emplace();
        const OnScreen now{m_view.classFile, m_view.draw, m_view.drawing, !m_view.name.isEmpty(),
                           m_view.undoable};
        if (m_lock)
            m_lock->noteUse();
        const std::optional<QString> locked =
            m_lock ? m_lock->refusalOf(command.feature) : std::nullopt;
        QString failure = locked ? *locked : refusalOf(command, now).value_or(QString());
        if (failure.isEmpty())
            failure = carryOutOne(command);
        if (failure.isEmpty())
            failure = m_commandFailures->join(u'\n');
        else
            notify(failure, 2 * NoticeTime);
        m_commandFailures.reset();
        if (!failure.isEmpty())
            return failure;
    }
    return QString();
}

QString Lesson::carryOutOne(const RemoteCommand& command)
{
    switch (command.feature) {
    case Feature::ChooseClass:
        return chooseClassNamed(command.argument);
    case Feature::MarkAbsent:
        return switchAbsence();
    case Feature::AbsentOf:
        return switchAbsenceOf(command.argument);
    case Feature::Pass:
        return pass();
    case Feature::Undo:
        undo(command.aim.recording);
        return QString();
    case Feature::CountdownFor:
        startCountdown(seconds(command.argument.toInt()));
        return QString();
    case Feature::Unlock:
        // Only a phone aims its commands, and only a phone paired today is heard: its
        // token is the teacher's own. The command line gets the keypad on the board.
        if (!command.aim.given)
            break;
        m_lock->unlockFromPhone();
        return QString();
    case Feature::Record:
        // The grade the phone showed, so that a grade tapped at the board meanwhile
        // does not change what the phone's OK records.
        if (!command.aim.grade.isEmpty())
            chooseGrade(command.aim.grade.toInt() - 1);
        record();
        return QString();
    default:
        break;
    }
    if (m_windowFeatures)
        m_windowFeatures(command.feature);
    return QString();
}

QString Lesson::chooseClassNamed(const QString& name)
{
    const std::optional<QString> file = classFileNamed(m_view.classes, name);
    if (!file)
        return u"没有名为“"_s + name + u"”的班级"_s;
    chooseClass(*file);
    return QString();
}

void Lesson::startCountdown(seconds duration)
{
    m_countdown.start(duration);
    m_countdownTicks->start();
    notify(u"计时开始："_s + countdownText(duration));
    countdownTick();
}

void Lesson::pauseOrResumeCountdown()
{
    if (!m_countdown.isRunning() || m_countdown.hasEnded()) {
        notify(u"没有正在进行的计时"_s);
        return;
    }
    if (m_countdown.isPaused()) {
        m_countdown.resume();
        m_countdownTicks->start();
    } else {
        m_countdown.pause();
        m_countdownTicks->stop();
    }
    notify(m_countdown.isPaused() ? u"计时暂停"_s : u"计时继续"_s);
    countdownTick();
}

void Lesson::stopCountdown()
{
    if (!m_countdown.isRunning()) {
        notify(u"没有正在进行的计时"_s);
        return;
    }
    m_countdown.stop();
    m_countdownTicks->stop();
    m_view.countdown.clear();
    m_view.countdownEnded = false;
    notify(u"计时已停止"_s);
}

void Lesson::countdownTick()
{
    // Read once, so that the digits and the ending agree.
    const nanoseconds left = m_countdown.remaining();
    m_view.countdownEnded = left == nanoseconds::zero();
    m_view.countdown = countdownText(left);
    if (m_view.countdownEnded)
        m_view.countdown += u" 时间到"_s;
    else if (m_countdown.isPaused())
        m_view.countdown += u" 暂停"_s;
    if (m_view.countdownEnded) {
        m_countdownTicks->stop();
        notify(u"时间到"_s);
    }
    publish();
}

} // namespace mirello
