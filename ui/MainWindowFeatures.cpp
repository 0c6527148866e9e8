#include "MainWindowFeatures.h"

#include "lesson/Settings.h"
#include "ui/keys/FeatureActions.h"
#include "ui/keys/GlobalKeyBindings.h"
#include "ui/speech/Speaker.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/GlobalKeysWindow.h"
#include "ui/windows/KeysWindow.h"
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

} // namespace

MainWindowFeatures::MainWindowFeatures(QWidget* mainWindow, Settings& settings, Speaker& speaker,
                                       GlobalKeysSource globalKeys)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
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
}

// The keys from any program are taken once the window has painted: their round trips
// to the X server would otherwise hold back its first picture.
bool MainWindowFeatures::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mainWindow && event->type() == QEvent::Paint && m_globalKeysSource) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                globalKeys();
                noticeKeysHeldElsewhere();
            },
            Qt::QueuedConnection);
        m_mainWindow->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

GlobalKeyBindings& MainWindowFeatures::globalKeys()
{
    if (!m_globalKeys) {
        m_globalKeys = new GlobalKeyBindings(*m_actions, m_settings, m_globalKeysSource(), this);
        m_globalKeysSource = nullptr;
    }
    return *m_globalKeys;
}

// The projector window and the floating button have no owner: they go with the main window.
MainWindowFeatures::~MainWindowFeatures()
{
    delete m_projector;
    delete m_floating;
}

bool MainWindowFeatures::isOn(Feature feature) const
{
    return m_actions->isOn(feature);
}

void MainWindowFeatures::addKeysTo(QWidget* window) const
{
    m_actions->addKeysTo(window, KeyScope::InMain);
}

void MainWindowFeatures::popUpMenu(QPoint globalPosition)
{
    m_actions->popUpMenu(m_mainWindow, globalPosition);
}

void MainWindowFeatures::showTexts(const QString& name, const QString& callCount,
                                   const QString& tallies)
{
    m_name = name;
    m_callCount = callCount;
    m_tallies = tallies;
    showTextsOnProjector();
    if (m_floating)
        m_floating->showName(name);
}

void MainWindowFeatures::showGradesOnProjector(bool)
{
    showTextsOnProjector();
}

void MainWindowFeatures::showTextsOnProjector()
{
    if (!m_projector)
        return;
    const bool grades = isOn(Feature::ProjectorGrades);
    m_projector->showTexts(m_name, grades ? m_callCount : QString(),
                           grades ? m_tallies : QString());
}

void MainWindowFeatures::showPicks(const QStringList& names, int picked)
{
    m_picks = names;
    m_picked = picked;
    // Painted at once: the class sees the next student before the teacher's own
    // window has laid out its texts.
    if (m_projector) {
        m_projector->showPicks(names, picked);
        m_projector->repaint();
    }
}

void MainWindowFeatures::showGroups(const NamedGroups& groups, bool open)
{
    if (open)
        showProjector();
    if (m_projector)
        m_projector->showGroups(groups);
}

void MainWindowFeatures::showAnnouncement(const QString& text)
{
    m_announcement = text;
    if (m_projector)
        m_projector->showAnnouncement(text);
}

// The name is spoken once, when the draw stops on it; a new draw cuts it short.
void MainWindowFeatures::drawingSwitched(bool on, const QString& name)
{
    m_drawing = on;
    if (m_floating)
        m_floating->setDrawing(on);
    if (on)
        m_speaker.stop();
    else if (isOn(Feature::Speech) && !name.isEmpty())
        m_speaker.say(name);
}

void MainWindowFeatures::closeWindows()
{
    m_closingAll = true;
    if (m_projector)
        m_projector->close();
    if (m_floating)
        m_floating->close();
}

void MainWindowFeatures::toggleProjectorFullScreen()
{
    showProjector();
    m_projector->toggleFullScreen();
}

void MainWindowFeatures::setProjectorDark(bool dark)
{
    if (m_projector)
        m_projector->setDark(dark);
}

void MainWindowFeatures::showProjector()
{
    if (!m_projector) {
        m_projector = new ProjectorWindow(m_settings);
        m_projector->setAttribute(Qt::WA_DeleteOnClose);
        // It never keeps the program running once the main window is closed.
        m_projector->setAttribute(Qt::WA_QuitOnClose, false);
        m_projector->setDark(isOn(Feature::ProjectorDark));
        m_actions->addKeysTo(m_projector, KeyScope::InProjector);
        m_projector->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_projector, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
            m_actions->popUpMenu(m_projector, m_projector->mapToGlobal(at));
        });
        connect(m_projector, &ProjectorWindow::clicked, this,
                [this] { m_actions->trigger(Feature::StartPause); });
        connect(m_projector, &ProjectorWindow::picked, this, &MainWindowFeatures::pickAsked);
        showTextsOnProjector();
        m_projector->showPicks(m_picks, m_picked);
        m_projector->showAnnouncement(m_announcement);
        m_projector->showCountdown(m_countdownText, m_countdownEnded);
    }
    m_projector->show();
    m_projector->raise();
    m_projector->activateWindow();
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

void MainWindowFeatures::showKeys()
{
    if (!m_keys)
        m_keys = new KeysWindow(m_mainWindow);
    m_keys->show();
    m_keys->raise();
    m_keys->activateWindow();
}

void MainWindowFeatures::toggleFloatingButton()
{
    if (m_floating) {
        m_floating->close();
        return;
    }
    m_floating = new FloatingButton(m_settings);
    m_floating->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_floating, &FloatingButton::startPauseClicked, this,
            [this] { m_actions->trigger(Feature::StartPause); });
    connect(m_floating, &FloatingButton::gradeClicked, this, [this](int grade) {
        m_actions->trigger(Feature(int(Feature::ChooseExcellent) + grade));
    });
    connect(m_floating, &FloatingButton::recordClicked, this,
            [this] { m_actions->trigger(Feature::Record); });
    connect(m_floating, &FloatingButton::mainWindowAsked, this,
            &MainWindowFeatures::showMainWindow);
    connect(m_floating, &FloatingButton::quitAsked, this, &MainWindowFeatures::quitAsked);
    connect(m_floating, &QObject::destroyed, this, &MainWindowFeatures::floatingButtonClosed);
    m_floating->showName(m_name);
    m_floating->setDrawing(m_drawing);
    m_floating->showGrade(m_grade);
    m_floating->showCountdown(m_countdownText, m_countdownEnded);
    m_floating->show();
}

void MainWindowFeatures::showGlobalKeys()
{
    if (!m_globalKeysWindow)
        m_globalKeysWindow = new GlobalKeysWindow(globalKeys(), m_mainWindow);
    m_globalKeysWindow->show();
    m_globalKeysWindow->raise();
    m_globalKeysWindow->activateWindow();
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

void MainWindowFeatures::showGrade(int grade)
{
    m_grade = grade;
    if (m_floating)
        m_floating->showGrade(grade);
}

// The countdown ticks several times a second; the windows change only with the digits.
void MainWindowFeatures::showCountdown(const QString& text, bool ended)
{
    if (text == m_countdownText && ended == m_countdownEnded)
        return;
    m_countdownText = text;
    m_countdownEnded = ended;
    if (m_projector)
        m_projector->showCountdown(text, ended);
    if (m_floating)
        m_floating->showCountdown(text, ended);
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

void MainWindowFeatures::showMainWindow()
{
    m_mainWindow->showNormal();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

} // namespace mirello
