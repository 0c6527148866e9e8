#pragma once

#include "Features.h"
#include "platform/Result.h"

#include <memory>
#include <QObject>
#include <QPointer>

class QWidget;

namespace mirello {

class FeatureActions;
class KeysWindow;
class ProjectorWindow;
class Settings;
class Speaker;

// What the keys and the feature menu add around the main window: the projector and
// keys windows, the name read aloud, and the menu's switches, kept in the settings
// of `rollFolder`. What the main window does itself (drawing, recording, grades,
// undo) is handed back to it through windowFeature().
class MainWindowFeatures final : public QObject
{
    Q_OBJECT

public:
    MainWindowFeatures(QWidget* mainWindow, const QString& rollFolder, Speaker& speaker);
    ~MainWindowFeatures() override;

    void popUpMenu(QPoint globalPosition);
    // What the main window shows, whenever it changes.
    void showTexts(const QString& name, const QString& callCount, const QString& tallies);
    // The draw started, or stopped on `name`.
    void drawingSwitched(bool on, const QString& name);
    void closeWindows();
    // Whether the switch of `feature` is on.
    bool isOn(Feature feature) const;
    // Gives `window` the keys of the main window.
    void addKeysTo(QWidget* window) const;

Q_SIGNALS:
    void windowFeature(mirello::Feature feature);
    void failed(const mirello::Error& error);

private:
    void act(Feature feature, bool checked);
    void showProjector();
    void switchSpeech(bool on);
    void showKeys();

    QWidget* m_mainWindow;
    Speaker& m_speaker;
    std::unique_ptr<Settings> m_settings;
    FeatureActions* m_actions = nullptr;
    QPointer<ProjectorWindow> m_projector;
    QPointer<KeysWindow> m_keys;
    QString m_name;
    QString m_callCount;
    QString m_tallies;
};

} // namespace mirello
