#include "MainWindowFeatures.h"

#include "FeatureActions.h"
#include "lesson/Settings.h"
#include "ui/speech/Speaker.h"
#include "ui/windows/KeysWindow.h"
#include "ui/windows/ProjectorWindow.h"

#include <QAction>
#include <QWidget>

namespace mirello {

MainWindowFeatures::MainWindowFeatures(QWidget* mainWindow, Settings& settings, Speaker& speaker)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_speaker(speaker)
    , m_settings(settings)
    , m_actions(new FeatureActions(settings, this))
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
}

// The projector window has no owner: the main window closes it before it goes.
MainWindowFeatures::~MainWindowFeatures()
{
    delete m_projector;
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

// The name is spoken once, when the draw stops on it; a new draw cuts it short.
void MainWindowFeatures::drawingSwitched(bool on, const QString& name)
{
    if (on)
        m_speaker.stop();
    else if (isOn(Feature::Speech) && !name.isEmpty())
        m_speaker.say(name);
}

void MainWindowFeatures::closeWindows()
{
    if (m_projector)
        m_projector->close();
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
        showTextsOnProjector();
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

} // namespace mirello
