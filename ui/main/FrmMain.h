#pragma once

#include "IconFolder.h"
#include "ImageButtonStates.h"
#include "lesson/Features.h"
#include "lesson/LessonView.h"
#include "platform/GlobalKeys.h"
#include "SearchAnimation.h"
#include "WindowZoom.h"

#include <future>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;

namespace mirello {

class AttendanceWindow;
class ClassFeatures;
class Clock;
class ErrorReporter;
class FileOperations;
class FrmAbout;
class GroupsWindow;
class Lesson;
class LockSettingsDialog;
class MainWindowFeatures;
class OverviewWindow;
class PhoneRemote;
class PictureButton;
class PanelStatusBar;
class Speaker;
class UnlockPad;

// The main window of the roll call: its choosers, the name with its count and
// tallies, the image buttons with their faces, the search animation and the status
// bar, showing the lesson (lesson()) as it changes. Its timer ticks the draw while
// drawing runs. Its keys and its feature menu (a right press on the name, the count
// or the status bar) reach the lesson's verbs and the secondary windows. No failure
// closes the window: each is reported through `reporter` and the window goes on.
class FrmMain final : public QWidget
{
    Q_OBJECT

public:
    // `programFolder` holds Icons/ and the sample classes; `rollFolder` the classes,
    // written through `files`. `globalKeys` gives the keys that reach the window from
    // any program, once it is on screen.
    FrmMain(const QString& programFolder, const QString& rollFolder, const Clock& clock,
            ErrorReporter& reporter, Speaker& speaker, FileOperations& files,
            GlobalKeysSource globalKeys, QWidget* parent = nullptr);
    ~FrmMain() override;

    Lesson& lesson() const { return *m_lesson; }
    // Shows the window the lesson starts in: in board mode the floating button.
    void showAtStart();
    // Another start of the program: the teacher is looking for its window.
    void bringForward();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    static constexpr QStringView ZoomKey = u"window/zoom";

    void setUpWindow();
    void createChoosers();
    void createLabels();
    void createPictures();
    void createStatusBar();
    void takeDesign();
    void createTimers();
    void arrangeTabOrder();
    void connectEvents();
    void createFeatures(GlobalKeysSource globalKeys, const Clock& clock);
    void handleFeatures();

    // Shows what changed in the lesson since it was last shown.
    void showLesson();
    void showClasses(const LessonView& view);
    void showLoadedClassAsChosen();
    void showNextSearchFrame();
    void handleButtonEvent(ButtonEvent event);
    void applyFaceChange(const FaceChange& change);
    void setDrawing(bool on);
    void showAbout();
    void showOverview();
    // The groups window, or with it open a new grouping: one key away.
    void showGroups();
    void askSeveralCount();
    void showAttendance();
    void handleLock();
    void showUnlockPad();
    void showLockSettings();
    // Reading the class again and drawing its chart takes a tenth of a second for a
    // thousand students: while names flicker it waits for the Pause.
    void refreshOverview();
    // Zooms as the teacher asked, and remembers it.
    void zoomTo(int percent);
    void showZoomed(int percent);
    // The background for `percent`: the one drawn at twice the size above 150 %,
    // which 200 % shows as it is.
    static QImage backgroundAt(int percent);
    // Closes the main window, hidden or not, and ends the program.
    void quit();

    const QString m_programFolder;
    ErrorReporter& m_reporter;
    Speaker& m_speaker;
    Lesson* m_lesson;
    IconFolder m_icons;
    ImageButtonStates m_buttonStates;
    SearchAnimation m_searchAnimation;
    // The lesson as the window last showed it.
    LessonView m_shown;
    // The background at the kept zoom, decoded on a thread of its own while the
    // window is built; taken by the first showZoomed().
    std::future<QImage> m_background;
    QPixmap m_shownBackground;
    WindowZoom m_zoom;
    QPointer<FrmAbout> m_about;
    MainWindowFeatures* m_features = nullptr;
    ClassFeatures* m_classFeatures = nullptr;
    QPointer<OverviewWindow> m_overview;
    QPointer<GroupsWindow> m_groups;
    QPointer<AttendanceWindow> m_attendance;
    QPointer<UnlockPad> m_unlockPad;
    QPointer<LockSettingsDialog> m_lockSettings;
    PhoneRemote* m_phone = nullptr;
    // The class changed while names were flickering: the overview reads it at Pause.
    bool m_overviewStale = false;
    // Closing ends the program even with the floating button kept open.
    bool m_quitting = false;

    QComboBox* m_comboFileChange = nullptr;
    QComboBox* m_comboResult = nullptr;
    QLabel* m_lblName = nullptr;
    QLabel* m_lblAnsCount = nullptr;
    QLabel* m_lblTip0 = nullptr;
    QLabel* m_lblTip1 = nullptr;
    PictureButton* m_picSP = nullptr;
    PictureButton* m_picOK = nullptr;
    QLabel* m_picSearch = nullptr;
    PanelStatusBar* m_statusBar = nullptr;
    QTimer* m_timerName = nullptr;
    QTimer* m_timerSearch = nullptr;
};

} // namespace mirello
