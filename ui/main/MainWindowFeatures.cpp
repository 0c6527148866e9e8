#include "MainWindowFeatures.h"

#include "lesson/Lesson.h"
#include "lesson/Settings.h"
#include "ui/keys/FeatureActions.h"
#include "ui/keys/GlobalKeyBindings.h"
#include "ui/speech/Speaker.h"
#include "ui/widgets/OpenWindow.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/GlobalKeysWindow.h"
#include "ui/windows/KeysWindow.h"
#include "ui/windows/NameFlash.h"
#include "ui/windows/ProjectorWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView KeepFloatingKey = u"floating/keepOnClose";
// Open when the program last ended: the next start opens them again.
constexpr QStringView FloatingOpenKey = u"floating/open";
constexpr QStringView ProjectorOpenKey = u"projector/open";

} // namespace

MainWindowFeatures::MainWindowFeatures(QWidget* mainWindow, const Lesson& lesson,
                                       Settings& settings, Speaker& speaker,
                                       GlobalKeysSource globalKeys)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_lesson(lesson)
    , m_speaker(speaker)
    , m_settings(settings)
    , m_actions(new FeatureActions(settings, this))
    , m_globalKeysSource(std::move(globalKeys))
{
    m_actions->addKeysTo(mainWindow, KeyScope::InMain);
    // Once the event loop runs: a failure is reported through failed(), which the
    // main window connects to only after this constructor.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isOn(Feature::Speech))
                switchSpeech(true);
        },
        Qt::QueuedConnection);
    mainWindow->installEventFilter(this);
    m_shown = lesson.view();
    connect(&lesson, &Lesson::viewChanged, this, &MainWindowFeatures::showLesson);
    connect(&lesson, &Lesson::commandsArrived, this, &MainWindowFeatures::askedFromAfar);
}

// The keys from any program are taken, and the windows of the last lesson opened, once
// the window has painted: they would otherwise hold back its first picture.
bool MainWindowFeatures::eventFilter(QObject* watched, QEvent* event)
{
    // Closed by the teacher, not by the program's end: the next start leaves it closed.
    if (event->type() == QEvent::Close && !m_closingAll) {
        if (watched == m_projector)
            m_settings.setFlag(ProjectorOpenKey, false);
        if (watched == m_floating)
            m_settings.setFlag(FloatingOpenKey, false);
    }
    // Told by type, not by the guarded pointers: a window being destroyed is no longer one.
    if (event->type() == QEvent::Resize && qobject_cast<ProjectorWindow*>(watched))
        keepFloatingClear();
    if (event->type() == QEvent::Paint &&
        (watched == m_mainWindow || qobject_cast<FloatingButton*>(watched)) &&
        !std::exchange(m_painted, true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_globalKeysSource) {
                    globalKeys();
                    noticeKeysHeldElsewhere();
                }
                bringBackLesson();
            },
            Qt::QueuedConnection);
        m_mainWindow->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

// A restart in the middle of a lesson (an update, a crash of the computer) brings back
// what the class and the teacher were using, the projector on the screen it was on.
void MainWindowFeatures::bringBackLesson()
{
    if (m_settings.flag(ProjectorOpenKey))
        showProjector();
    if (m_settings.flag(FloatingOpenKey) && !m_floating)
        toggleFloatingButton();
    offerBoardModeOnce();
    Q_EMIT shown();
}

GlobalKeyBindings& MainWindowFeatures::globalKeys()
{
    if (!m_globalKeys) {
        m_globalKeys = new GlobalKeyBindings(*m_actions, m_settings, m_globalKeysSource(), this);
        connect(m_globalKeys, &GlobalKeyBindings::pressed, this,
                &MainWindowFeatures::askedFromAfar);
        m_globalKeysSource = nullptr;
    }
    return *m_globalKeys;
}

// The projector window and the floating button have no owner: they go with the main window.
MainWindowFeatures::~MainWindowFeatures()
{
    // The program ends: what is open now opens again at the next start.
    m_closingAll = true;
    delete m_projector;
    delete m_floating;
    delete m_flash;
    // Its answer comes back here.
    delete m_boardOffer;
}

bool MainWindowFeatures::isOn(Feature feature) const
{
    return m_actions->isOn(feature);
}

void MainWindowFeatures::addKeysTo(QWidget* window) const
{
    m_actions->addKeysTo(window, KeyScope::InMain);
}

QWidget* MainWindowFeatures::dialogParent() const
{
    if (m_projector && m_projector->isActiveWindow())
        return m_projector;
    if (!m_mainWindow->isActiveWindow() && m_floating && m_floating->isVisible())
        return m_floating;
    return m_mainWindow;
}

void MainWindowFeatures::popUpMenu(QPoint globalPosition)
{
    m_actions->popUpMenu(m_mainWindow, globalPosition);
}

void MainWindowFeatures::showLesson()
{
    const LessonView& view = m_lesson.view();
    if (view.drawing && !m_shown.drawing)
        bringBackBoardWindows();
    showOnProjector(view, false);
    showOnFloatingButton(view, false);
    if (view.drawing != m_shown.drawing || view.picks != m_shown.picks ||
        view.announcement != m_shown.announcement ||
        view.countdown.isEmpty() != m_shown.countdown.isEmpty())
        keepFloatingClear();
    if (m_flash && m_flash->isVisible() &&
        (view.name != m_shown.name || view.drawing != m_shown.drawing))
        m_flash->showName(view.name, view.drawing);
    if (view.drawing != m_shown.drawing) {
        // A new draw cuts the name short.
        if (view.drawing)
            m_speaker.stop();
        else if (isOn(Feature::Speech) && !view.name.isEmpty())
            m_speaker.say(view.name);
    }
    m_shown = view;
}

// What changed since m_shown, or with `all` everything, as a window just opened needs.
void MainWindowFeatures::showOnProjector(const LessonView& view, bool all)
{
    if (!m_projector)
        return;
    const bool grades = isOn(Feature::ProjectorGrades) && !isOn(Feature::BoardMode) && !view.locked;
    if (all || grades != m_projectorGrades || view.name != m_shown.name ||
        view.callCount != m_shown.callCount || view.tallies != m_shown.tallies) {
        m_projector->showTexts(view.name, grades ? view.callCount : QString(),
                               grades ? view.tallies : QString());
    }
    m_projectorGrades = grades;
    // Painted at once: the class sees the next student before the teacher's own
    // window has laid out its texts.
    if (all || view.picks != m_shown.picks || view.pickAt != m_shown.pickAt) {
        m_projector->showPicks(view.picks, view.pickAt);
        m_projector->repaint();
    }
    if (all || view.announcement != m_shown.announcement)
        m_projector->showAnnouncement(view.announcement);
    if (all || view.countdown != m_shown.countdown || view.countdownEnded != m_shown.countdownEnded)
        m_projector->showCountdown(view.countdown, view.countdownEnded);
}

void MainWindowFeatures::showOnFloatingButton(const LessonView& view, bool all)
{
    if (!m_floating)
        return;
    if (all || view.name != m_shown.name)
        m_floating->showName(view.name);
    if (all || view.drawing != m_shown.drawing)
        m_floating->setDrawing(view.drawing);
    if (all || view.grade != m_shown.grade)
        m_floating->showGrade(view.grade);
    if (all || view.countdown != m_shown.countdown || view.countdownEnded != m_shown.countdownEnded)
        m_floating->showCountdown(view.countdown, view.countdownEnded);
    if (all || view.picks.size() != m_shown.picks.size())
        m_floating->showPicks(view.picks.size());
    if (all || view.absent != m_shown.absent)
        m_floating->showAbsent(view.absent);
    if (all || view.classes != m_shown.classes || view.classFile != m_shown.classFile)
        m_floating->showClasses(view.classes, view.classFile);
    if (!all && view.confirmation.serial != m_shown.confirmation.serial)
        m_floating->showConfirmation(view.confirmation.text);
}

void MainWindowFeatures::showGroups(const NamedGroups& groups, bool open)
{
    if (open)
        showProjector();
    if (m_projector)
        m_projector->showGroups(groups);
    keepFloatingClear();
}

void MainWindowFeatures::closeWindows()
{
    m_closingAll = true;
    if (m_projector)
        m_projector->close();
    if (m_floating)
        m_floating->close();
    if (m_flash)
        m_flash->close();
    if (m_boardOffer)
        m_boardOffer->close();
}

void MainWindowFeatures::toggleProjectorFullScreen()
{
    showProjector();
    m_projector->toggleFullScreen();
    keepFloatingClear();
}

void MainWindowFeatures::setProjectorDark(bool dark)
{
    if (m_projector)
        m_projector->setDark(dark);
}

void MainWindowFeatures::showProjector()
{
    openWindow(m_projector, [this] {
        auto* projector = new ProjectorWindow(m_settings);
        // It never keeps the program running once the main window is closed.
        projector->setAttribute(Qt::WA_QuitOnClose, false);
        projector->setDark(isOn(Feature::ProjectorDark));
        m_actions->addKeysTo(projector, KeyScope::InProjector);
        projector->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(projector, &QWidget::customContextMenuRequested, this,
                [this, projector](QPoint at) {
                    m_actions->popUpMenu(projector, projector->mapToGlobal(at));
                });
        connect(projector, &ProjectorWindow::clicked, this,
                [this] { m_actions->trigger(Feature::StartPause); });
        connect(projector, &ProjectorWindow::picked, this, &MainWindowFeatures::pickAsked);
        projector->installEventFilter(this);
        m_settings.setFlag(ProjectorOpenKey, true);
        m_projector = projector;
        showOnProjector(m_lesson.view(), true);
        return projector;
    });
}

// Without an engine or a Mandarin voice, the teacher is told once and the switch
// goes off again.
void MainWindowFeatures::switchSpeech(bool on)
{
    if (!on) {
        m_speaker.stop();
        return;
    }
    m_speaker.prepare([self = QPointer<MainWindowFeatures>(this)](const Result<void>& ready) {
        if (!self || ready)
            return;
        self->m_actions->setOn(Feature::Speech, false);
        Q_EMIT self->failed(ready.error());
    });
}

void MainWindowFeatures::showKeys(std::function<void()> openGuide)
{
    openWindow(m_keys, [&] { return new KeysWindow(std::move(openGuide), m_mainWindow); });
}

void MainWindowFeatures::toggleFloatingButton()
{
    if (m_floating) {
        m_floating->close();
        return;
    }
    m_floating = new FloatingButton(m_settings);
    m_floating->setAttribute(Qt::WA_DeleteOnClose);
    m_floatingUsed = true;
    m_floating->installEventFilter(this);
    m_settings.setFlag(FloatingOpenKey, true);
    connect(m_floating, &FloatingButton::featureAsked, this,
            [this](Feature feature) { m_actions->trigger(feature); });
    connect(m_floating, &FloatingButton::mainWindowAsked, this,
            &MainWindowFeatures::showMainWindow);
    connect(m_floating, &FloatingButton::quitAsked, this, &MainWindowFeatures::askToQuit);
    connect(m_floating, &FloatingButton::classAsked, this, &MainWindowFeatures::classAsked);
    m_floating->setFeatureMenu(m_actions->menu(m_floating));
    m_floating->setBoardMode(isOn(Feature::BoardMode));
    connect(m_floating, &QObject::destroyed, this, &MainWindowFeatures::floatingButtonClosed);
    showOnFloatingButton(m_lesson.view(), true);
    m_floating->show();
    keepFloatingClear();
}

void MainWindowFeatures::showGlobalKeys()
{
    openWindow(m_globalKeysWindow,
               [this] { return new GlobalKeysWindow(globalKeys(), m_mainWindow); });
}

// A key from any program that does nothing would leave the teacher pressing it in
// front of the class: the status bar names the ones another program holds.
void MainWindowFeatures::noticeKeysHeldElsewhere()
{
    QStringList held;
    for (const GlobalKeyBindings::Binding& binding : globalKeys().bindings()) {
        if (binding.problem)
            held.append(binding.key.toString(QKeySequence::NativeText));
    }
    if (!held.isEmpty())
        Q_EMIT notice(u"全局快捷键不可用："_s + held.join(u"、"_s) + u"（见菜单“全局快捷键…”）"_s);
}

bool MainWindowFeatures::keepsRunningInFloatingButton()
{
    if (!m_floating || !m_floating->isVisible())
        return false;
    const QByteArray kept = m_settings.bytes(KeepFloatingKey);
    const bool keep = kept.isEmpty() ? askToKeepFloatingButton() : kept == "yes";
    if (!keep)
        return false;
    showTrayIcon();
    return true;
}

bool MainWindowFeatures::askToKeepFloatingButton()
{
    QMessageBox box(QMessageBox::Question, u"Mirello"_s,
                    u"关闭主窗口后，要保留悬浮窗继续点名吗？\n"
                    u"保留时，悬浮窗的菜单可以重新打开主窗口或退出 Mirello。"_s,
                    QMessageBox::NoButton, m_mainWindow);
    QPushButton* keep = box.addButton(u"保留悬浮窗"_s, QMessageBox::AcceptRole);
    box.addButton(u"全部关闭"_s, QMessageBox::RejectRole);
    box.setCheckBox(new QCheckBox(u"记住我的选择，不再询问"_s));
    box.exec();
    const bool kept = box.clickedButton() == keep;
    if (box.checkBox()->isChecked())
        m_settings.setBytes(KeepFloatingKey, kept ? "yes" : "no");
    return kept;
}

// The last window the teacher could see is gone: a copy with none would go on taking
// keys from every program unseen. Where the tray shows it, it stays and says so.
void MainWindowFeatures::floatingButtonClosed()
{
    if (m_closingAll || m_mainWindow->isVisible())
        return;
    auto* tray = findChild<QSystemTrayIcon*>();
    if (!tray || !tray->isVisible()) {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT quitAsked(); }, Qt::QueuedConnection);
        return;
    }
    tray->showMessage(
        u"Mirello 仍在运行"_s,
        u"全局快捷键仍然有效。点托盘里的 Mirello 图标可以打开主窗口，右键可以退出。"_s);
}

// Where the system has a tray, the feature menu stays a click away with the main
// window hidden.
void MainWindowFeatures::showTrayIcon()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable() || findChild<QSystemTrayIcon*>())
        return;
    auto* tray = new QSystemTrayIcon(m_mainWindow->windowIcon(), this);
    tray->setToolTip(u"Mirello"_s);
    tray->setContextMenu(m_actions->menu(m_mainWindow));
    connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger)
            showMainWindow();
    });
    tray->show();
}

// Asked once, over the slides and not from behind them: quitting in front of the class
// also ends what the teacher may still be using elsewhere.
void MainWindowFeatures::askToQuit()
{
    QMessageBox box(QMessageBox::Question, u"Mirello"_s,
                    u"退出 Mirello？\n悬浮窗、投影窗口和手机遥控都会关闭，全局快捷键也不再有效。"_s,
                    QMessageBox::NoButton);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QPushButton* quit = box.addButton(u"退出"_s, QMessageBox::AcceptRole);
    box.addButton(u"取消"_s, QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == quit)
        Q_EMIT quitAsked();
}

} // namespace mirello
