#pragma once

#include "lesson/ClassGroups.h"
#include "lesson/Features.h"
#include "platform/GlobalKeys.h"
#include "platform/Result.h"

#include <memory>
#include <QObject>
#include <QPointer>

class QWidget;

namespace mirello {

class FeatureActions;
class FloatingButton;
class GlobalKeyBindings;
class GlobalKeysWindow;
class KeysWindow;
class ProjectorWindow;
class Settings;
class Speaker;

// What the keys and the feature menu add around the main window: the projector and
// keys windows, the name read aloud, and the menu's switches, kept in the settings
// `settings`. The main window gives every feature its handler through actions().
class MainWindowFeatures final : public QObject
{
    Q_OBJECT

public:
    MainWindowFeatures(QWidget* mainWindow, Settings& settings, Speaker& speaker,
                       GlobalKeysSource globalKeys);
    ~MainWindowFeatures() override;

    void popUpMenu(QPoint globalPosition);
    // What the main window shows, whenever it changes.
    void showTexts(const QString& name, const QString& callCount, const QString& tallies);
    // The draw started, or stopped on `name`.
    void drawingSwitched(bool on, const QString& name);
    // The students of one Pause, `picked` the one the main window shows.
    void showPicks(const QStringList& names, int picked);
    // A grouping on the projector: where it is open, or opening it when `open`.
    void showGroups(const NamedGroups& groups, bool open);
    // Who is to get ready next, or empty.
    void showAnnouncement(const QString& text);
    void closeWindows();
    FeatureActions& actions() const { return *m_actions; }
    // Gives `window` the keys of the main window.
    void addKeysTo(QWidget* window) const;

    void showProjector();
    void toggleProjectorFullScreen();
    void setProjectorDark(bool dark);
    // Whether the projector shows the call count and tallies besides the name.
    void showGradesOnProjector(bool show);
    void switchSpeech(bool on);
    void showKeys();
    void toggleFloatingButton();
    void showGlobalKeys();
    // The grade chosen in the main window, 0 to 3.
    void showGrade(int grade);
    // The countdown's digits on the projector and the floating button; empty hides them.
    void showCountdown(const QString& text, bool ended);
    // The main window is being closed: whether it only hides, since the teacher keeps
    // the floating button open (asked once, then remembered).
    bool keepsRunningInFloatingButton();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void failed(const mirello::Error& error);
    // The teacher quits from the floating button or the tray.
    void quitAsked();
    void notice(const QString& text);
    // A click or tap on one of several names drawn at once.
    void pickAsked(int index);

private:
    bool isOn(Feature feature) const;
    void showTextsOnProjector();
    bool askToKeepFloatingButton();
    void noticeKeysHeldElsewhere();
    GlobalKeyBindings& globalKeys();
    void showTrayIcon();
    void showMainWindow();
    void floatingButtonClosed();

    QWidget* m_mainWindow;
    Speaker& m_speaker;
    Settings& m_settings;
    FeatureActions* m_actions = nullptr;
    QPointer<ProjectorWindow> m_projector;
    QPointer<KeysWindow> m_keys;
    QPointer<FloatingButton> m_floating;
    GlobalKeysSource m_globalKeysSource;
    GlobalKeyBindings* m_globalKeys = nullptr;
    QPointer<GlobalKeysWindow> m_globalKeysWindow;
    bool m_drawing = false;
    int m_grade = 0;
    QString m_name;
    QString m_callCount;
    QString m_tallies;
    QStringList m_picks;
    int m_picked = 0;
    QString m_announcement;
    QString m_countdownText;
    bool m_countdownEnded = false;
    // The main window closes them all as the program ends.
    bool m_closingAll = false;
};

} // namespace mirello
