#pragma once

#include "lesson/ClassGroups.h"
#include "lesson/Features.h"
#include "lesson/LessonView.h"
#include "platform/GlobalKeys.h"
#include "platform/Result.h"

#include <functional>
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
class NameFlash;
class Lesson;
class ProjectorWindow;
class Settings;
class Speaker;

// What the keys and the feature menu add around the main window: the projector, the
// floating button and the keys windows, which show `lesson` as it changes, the name
// read aloud, and the menu's switches, kept in the settings `settings`. The main
// window gives every feature its handler through actions().
class MainWindowFeatures final : public QObject
{
    Q_OBJECT

public:
    MainWindowFeatures(QWidget* mainWindow, const Lesson& lesson, Settings& settings,
                       Speaker& speaker, GlobalKeysSource globalKeys);
    ~MainWindowFeatures() override;

    void popUpMenu(QPoint globalPosition);
    // Shows what changed in the lesson on the projector and the floating button; the
    // name is spoken once, when the draw stops on it.
    void showLesson();
    // A grouping on the projector: where it is open, or opening it when `open`.
    void showGroups(const NamedGroups& groups, bool open);
    void closeWindows();
    FeatureActions& actions() const { return *m_actions; }
    // Gives `window` the keys of the main window.
    void addKeysTo(QWidget* window) const;
    // The window a dialog opens over: the one the teacher works in, so that a dialog
    // asked for from the projector or the floating button never raises the main
    // window over the class's view.
    QWidget* dialogParent() const;

    void showProjector();
    void toggleProjectorFullScreen();
    void setProjectorDark(bool dark);
    void switchSpeech(bool on);
    // The keys window, whose button and F1 call `openGuide`.
    void showKeys(std::function<void()> openGuide);
    void toggleFloatingButton();
    void showGlobalKeys();
    // Board mode: the main window, which shows tallies, stays out of sight behind the
    // floating button, and the projector and the button show no grade.
    void setBoardMode(bool on);
    // The window the lesson starts in: the floating button in board mode.
    void showAtStart();
    // The main window, or in board mode the floating button.
    void showMainWindow();
    // The main window is being closed: whether it only hides, since the teacher keeps
    // the floating button open (asked once, then remembered).
    bool keepsRunningInFloatingButton();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void failed(const mirello::Error& error);
    // The teacher quits from the floating button or the tray.
    void quitAsked();
    // The main window has painted, and the windows open when the program last ended
    // are open again.
    void shown();
    void notice(const QString& text);
    // A click or tap on one of several names drawn at once.
    void pickAsked(int index);
    void classAsked(const QString& classFile);

private:
    bool isOn(Feature feature) const;
    void showOnProjector(const LessonView& view, bool all);
    void showOnFloatingButton(const LessonView& view, bool all);
    void askedFromAfar();
    void keepFloatingClear();
    void bringBackBoardWindows();
    bool askToKeepFloatingButton();
    void askToQuit();
    void bringBackLesson();
    void noticeKeysHeldElsewhere();
    GlobalKeyBindings& globalKeys();
    void showTrayIcon();
    void floatingButtonClosed();
    void offerBoardModeOnce();
    void offerBoardMode();

    QWidget* m_mainWindow;
    const Lesson& m_lesson;
    Speaker& m_speaker;
    Settings& m_settings;
    FeatureActions* m_actions = nullptr;
    QPointer<ProjectorWindow> m_projector;
    QPointer<KeysWindow> m_keys;
    QPointer<FloatingButton> m_floating;
    // The teacher opened the floating button in this lesson.
    bool m_floatingUsed = false;
    // What the lesson does now was asked from outside Mirello's windows: a key from
    // any program, a phone, another program.
    bool m_askedFromAfar = false;
    QPointer<NameFlash> m_flash;
    QPointer<QWidget> m_boardOffer;
    // What shows first: the main window, or in board mode the floating button.
    bool m_painted = false;
    GlobalKeysSource m_globalKeysSource;
    GlobalKeyBindings* m_globalKeys = nullptr;
    QPointer<GlobalKeysWindow> m_globalKeysWindow;
    // The lesson as the windows last showed it.
    LessonView m_shown;
    bool m_projectorGrades = false;
    // The main window closes them all as the program ends.
    bool m_closingAll = false;
};

} // namespace mirello
