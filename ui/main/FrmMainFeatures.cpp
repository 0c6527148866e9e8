// The main window's features beyond its own controls: what every key and menu entry
// does, and the secondary windows they open.
#include "ClassFeatures.h"
#include "FrmMain.h"
#include "lesson/BreakLock.h"
#include "lesson/Lesson.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "ui/keys/FeatureActions.h"
#include "ui/phone/PhoneRemote.h"
#include "ui/widgets/Guide.h"
#include "ui/widgets/OpenWindow.h"
#include "ui/widgets/PrivateView.h"
#include "ui/windows/AttendanceWindow.h"
#include "ui/windows/CountChooser.h"
#include "ui/windows/CountdownDialog.h"
#include "ui/windows/GroupsWindow.h"
#include "ui/windows/LockSettingsDialog.h"
#include "ui/windows/OverviewWindow.h"
#include "ui/windows/UnlockPad.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace mirello {

namespace {

// How long a view with grades stays open untouched in board mode; a teacher may set it.
seconds privateViewTime(const Settings& settings)
{
    constexpr seconds Fallback{60};
    bool number = false;
    const int chosen = settings.bytes(u"board/privateSeconds").toInt(&number);
    return number && chosen >= 1 && chosen <= 3600 ? seconds(chosen) : Fallback;
}

// A key, a click or a touch anywhere in the program is use: the break lock's minutes
// without use start again.
class UseWatcher final : public QObject
{
public:
    UseWatcher(BreakLock& lock, QObject* parent)
        : QObject(parent)
        , m_lock(lock)
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress ||
            type == QEvent::TouchBegin)
            m_lock.noteUse();
        return QObject::eventFilter(watched, event);
    }

private:
    BreakLock& m_lock;
};

} // namespace

// What every key and menu entry does; a key acts as the mouse action it stands for.
// Other programs' commands reach the same handlers.
void FrmMain::handleFeatures()
{
    using enum Feature;
    FeatureActions& features = m_features->actions();
    Lesson& lesson = *m_lesson;
    lesson.setWindowFeatures([&features](Feature feature) { features.trigger(feature); });
    features.setGate([&lesson](Feature feature) { return lesson.breakLock().refusalOf(feature); });
    connect(&features, &FeatureActions::refused, &lesson,
            [&lesson](const QString& why) { lesson.notify(why, 3 * Lesson::NoticeTime); });
    handleLock();
    features.handle(StartPause, [this](bool) { handleButtonEvent(ButtonEvent::KeyForStartPause); });
    features.handle(Record, [&lesson](bool) { lesson.record(); });
    for (const Feature grade : {ChooseExcellent, ChooseGood, ChoosePass, ChooseFail}) {
        const int chosen = featureRow(grade).amount - 1;
        features.handle(grade, [&lesson, chosen](bool) { lesson.chooseGrade(chosen); });
    }
    features.handle(Undo, [&lesson](bool) { lesson.undo(); });
    features.handle(OncePerRound, [&lesson](bool on) { lesson.setOncePerRound(on); });
    features.handle(Pass, [&lesson](bool) { (void)lesson.pass(); });
    features.handle(MarkAbsent, [&lesson](bool) { (void)lesson.switchAbsence(); });
    features.handle(Attendance, [this](bool) { showAttendance(); });
    features.handle(NewRound, [&lesson](bool) { lesson.startNewRound(); });
    features.handle(SeveralAtOnce, [this](bool) { askSeveralCount(); });
    features.handle(PreviousPick, [&lesson](bool) { lesson.stepPick(-1); });
    features.handle(NextPick, [&lesson](bool) { lesson.stepPick(1); });
    features.handle(WarmCall, [&lesson](bool on) { lesson.setWarmCall(on); });
    features.handle(Groups, [this](bool) { showGroups(); });
    features.handle(Overview, [this](bool) { showOverview(); });
    features.handle(Projector, [this](bool) { m_features->showProjector(); });
    features.handle(FloatingButton, [this](bool) { m_features->toggleFloatingButton(); });
    // An overview open now was opened for the other mode: with grades in front of the
    // class, or closing itself at a desk.
    features.handle(BoardMode, [this](bool on) {
        if (m_overview)
            m_overview->close();
        m_features->setBoardMode(on);
    });
    features.handle(GlobalKeysSettings, [this](bool) { m_features->showGlobalKeys(); });
    features.handle(PhoneRemote, [this](bool) { m_phone->showWindow(); });
    features.handle(ProjectorFullScreen, [this](bool) { m_features->toggleProjectorFullScreen(); });
    features.handle(ProjectorDark, [this](bool on) { m_features->setProjectorDark(on); });
    features.handle(ProjectorGrades, [this](bool) { m_features->showLesson(); });
    features.handle(Speech, [this](bool on) { m_features->switchSpeech(on); });
    for (const Feature preset : {Countdown30Seconds, Countdown1Minute, Countdown2Minutes,
                                 Countdown3Minutes, Countdown5Minutes}) {
        const seconds duration(featureRow(preset).amount);
        features.handle(preset, [&lesson, duration](bool) { lesson.startCountdown(duration); });
    }
    features.handle(CountdownTyped, [this, &lesson](bool) {
        askCountdownDuration(m_features->dialogParent(),
                             [&lesson](seconds typed) { lesson.startCountdown(typed); });
    });
    features.handle(CountdownPauseResume, [&lesson](bool) { lesson.pauseOrResumeCountdown(); });
    features.handle(CountdownStop, [&lesson](bool) { lesson.stopCountdown(); });
    features.handle(ZoomIn, [this](bool) { zoomTo(nextZoom(m_zoom.percent(), 1)); });
    features.handle(ZoomOut, [this](bool) { zoomTo(nextZoom(m_zoom.percent(), -1)); });
    for (const Feature step : {Zoom100, Zoom150, Zoom200, Zoom250}) {
        const int percent = featureRow(step).amount;
        features.handle(step, [this, percent](bool) { zoomTo(percent); });
    }
    const auto loaded = [&lesson] {
        return lesson.view().classFile;
    };
    features.handle(ImportClass, [this](bool) { m_classFeatures->importClass(); });
    features.handle(ExportClasses, [=, this](bool) { m_classFeatures->exportClasses(loaded()); });
    features.handle(Backups, [=, this](bool) { m_classFeatures->showBackups(loaded()); });
    features.handle(NewTerm, [=, this](bool) { m_classFeatures->startNewTerm(loaded()); });
    const auto guide = [this] {
        openGuide(m_programFolder, this, m_reporter);
    };
    features.handle(Keys, [=, this](bool) { m_features->showKeys(guide); });
    features.handle(Guide, [=](bool) { guide(); });
}

void FrmMain::handleLock()
{
    FeatureActions& features = m_features->actions();
    BreakLock& lock = m_lesson->breakLock();
    features.handle(Feature::LockNow, [&lock](bool) { lock.lock(); });
    features.handle(Feature::Unlock, [this](bool) { showUnlockPad(); });
    features.handle(Feature::LockSettings, [this](bool) { showLockSettings(); });
    qApp->installEventFilter(new UseWatcher(lock, this));
    // What shows grades or changes them closes with the lock, in front of the class.
    connect(&lock, &BreakLock::lockedChanged, this, [this](bool locked) {
        if (!locked)
            return;
        for (QWidget* open :
             {static_cast<QWidget*>(m_overview), static_cast<QWidget*>(m_attendance),
              static_cast<QWidget*>(m_groups)}) {
            if (open)
                open->close();
        }
    });
}

void FrmMain::showUnlockPad()
{
    if (!m_lesson->breakLock().isLocked()) {
        m_lesson->notify(u"现在没有锁定"_s);
        return;
    }
    openWindow(m_unlockPad,
               [this] { return new UnlockPad(m_lesson->breakLock(), m_features->dialogParent()); });
}

void FrmMain::showLockSettings()
{
    openWindow(m_lockSettings, [this] {
        return new LockSettingsDialog(m_lesson->breakLock(), m_features->dialogParent());
    });
}

void FrmMain::showOverview()
{
    // A window of its own, closed with the main window.
    openWindow(m_overview, [this] {
        auto* overview =
            new OverviewWindow(m_lesson->session(), m_lesson->rollFolder(), m_reporter, this);
        m_features->addKeysTo(overview);
        connect(overview, &OverviewWindow::exportAsked, this,
                [this] { m_features->actions().trigger(Feature::ExportClasses); });
        connect(overview, &OverviewWindow::absenceMarked, m_lesson, &Lesson::setAbsent);
        return overview;
    });
    if (m_features->actions().isOn(Feature::BoardMode))
        keepPrivate(*m_overview, privateViewTime(m_lesson->settings()));
    m_overview->refresh();
}

void FrmMain::showGroups()
{
    if (m_groups && m_groups->isVisible()) {
        m_groups->regroup();
        return;
    }
    openWindow(m_groups, [this] {
        auto* groups =
            new GroupsWindow(m_lesson->session(), m_lesson->random(), m_lesson->settings(),
                             m_reporter, m_features->dialogParent());
        m_features->addKeysTo(groups);
        connect(groups, &GroupsWindow::shown, m_features,
                [this](const NamedGroups& made) { m_features->showGroups(made, false); });
        connect(groups, &GroupsWindow::projectorAsked, m_features,
                [this](const NamedGroups& made) { m_features->showGroups(made, true); });
        return groups;
    });
}

// Over the window the teacher works in: at the board, never behind the main window.
void FrmMain::showAttendance()
{
    openWindow(m_attendance, [this] {
        auto* attendance = new AttendanceWindow(m_lesson->session(), m_features->dialogParent());
        m_features->addKeysTo(attendance);
        connect(attendance, &AttendanceWindow::absenceMarked, m_lesson, &Lesson::setAbsent);
        return attendance;
    });
}

void FrmMain::refreshOverview()
{
    m_overviewStale = m_overview && m_lesson->view().drawing;
    if (m_overview && !m_overviewStale)
        m_overview->refresh();
}

void FrmMain::askSeveralCount()
{
    mirello::askSeveralCount(m_features->dialogParent(), m_lesson->severalCount(),
                             Lesson::MostAtOnce,
                             [lesson = m_lesson](int count) { lesson->setSeveralCount(count); });
}

void FrmMain::zoomTo(int percent)
{
    showZoomed(percent);
    Settings& settings = m_lesson->settings();
    if (settings.bytes(ZoomKey) != QByteArray::number(m_zoom.percent()))
        settings.setBytes(ZoomKey, QByteArray::number(m_zoom.percent()));
    m_lesson->notify(u"主窗口缩放："_s + QString::number(m_zoom.percent()) + u'%');
}

QImage FrmMain::backgroundAt(int percent)
{
    if (percent < 150)
        return QImage(u":/pictures/background.png"_s);
    QImage twice(u":/pictures/background@2x.png"_s);
    twice.setDevicePixelRatio(2);
    return twice;
}

void FrmMain::showZoomed(int percent)
{
    // At start-up the window is laid out at 100 % already.
    if (percent != m_zoom.percent())
        m_zoom.zoomTo(percent);
    // Scaled once here, not on each paint behind the flickering names.
    const QImage background =
        m_background.valid() ? m_background.get() : backgroundAt(m_zoom.percent());
    m_shownBackground = m_zoom.zoomed(QPixmap::fromImage(background));
    m_statusBar->setZoom(m_zoom.factor());
    update();
}

} // namespace mirello
