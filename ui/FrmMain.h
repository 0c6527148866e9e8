#pragma once

#include "draw/DrawTick.h"
#include "IconFolder.h"
#include "ImageButtonStates.h"
#include "lesson/DrawSession.h"
#include "lesson/Features.h"
#include "platform/GlobalKeys.h"
#include "platform/RandomSource.h"
#include "remote/CommandAim.h"
#include "remote/RemoteCommand.h"
#include "roll/ChangedLines.h"
#include "roll/NameList.h"
#include "roll/RollFolder.h"
#include "SearchAnimation.h"
#include "WindowZoom.h"

#include <chrono>
#include <optional>
#include <QHash>
#include <QJsonObject>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;

namespace mirello {

class ClassFeatures;
class Clock;
class CountdownFeature;
class ErrorReporter;
class FileOperations;
class Settings;
class FrmAbout;
class GroupsWindow;
class MainWindowFeatures;
class OverviewWindow;
class PhoneRemote;
class PictureButton;
class PanelStatusBar;
class RecordingWorker;
class Speaker;
struct RecordedGrade;

// The main window of the roll call. On the first start it makes the roll folder from
// the sample classes in the program folder. It lists the classes of the roll folder, loads
// the chosen class, draws names while drawing runs, records the grade for the name
// on screen, switches the image buttons' faces and plays the search animation. Its
// keys and its feature menu (a right press on the name, the count or the status
// bar) add undo, rounds without repeats, passes, the class overview, a projector
// window, the lesson's countdown and the name spoken through `speaker`.
// Recordings run on a worker in the order of the clicks. No failure closes the
// window: each is reported through `reporter` and the window goes on.
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

    // Does what another program asks, in order, as the keys do it; what went wrong,
    // or nothing.
    QString carryOut(const QList<RemoteCommand>& commands);
    // What a paired phone is shown of the lesson.
    QJsonObject phoneState() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // How long a notice stays in the status bar.
    static constexpr std::chrono::milliseconds NoticeTime{2000};
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
    void createRecorder(FileOperations& files);
    void createFeatures(GlobalKeysSource globalKeys, const Clock& clock);

    void startUp();
    void chooseAsLastTime();
    void remember(QStringView key, const QByteArray& value);
    void fillClassChooser();
    void listClassesAgain(const QString& added);
    void selectClass(int index);
    void loadSelectedClass();
    void showLoadedClassAsChosen();
    QString chosenClassFile() const;

    void showNextDraw();
    void showNextSearchFrame();
    void recordGradeOnScreen();
    void handleButtonEvent(ButtonEvent event);
    void applyFaceChange(const FaceChange& change);
    void setDrawing(bool on);
    void showAbout();
    void report(const Error& error);

    void handleFeatures();
    void showDrawTexts(const DrawTexts& texts);
    void clearDrawTexts();
    void takeChange(const RecordedGrade& recording, const QList<ChangedLine>& changes,
                    const QByteArray& fileNow, const QString& notice);
    void takeClassFile(const QString& classFileName, const QByteArray& fileNow);
    void showShownLineAgain();
    void drawingStarted();
    void drawingStopped();
    // The students one Pause drew: which the window shows, and the others in turn.
    void takePicks(const std::vector<qsizetype>& lines);
    void showPick(std::size_t at);
    void stepPick(int step);
    void askSeveralCount();
    int severalCount() const;
    void switchWarmCall(bool on);
    // Who is to get ready next, on the projector, as the draw now decides.
    void showAnnouncement();
    // An undone recording of a warm call puts its student next again.
    void takeBackUndone(const RecordedGrade& recording);
    static Feature featureOf(const RemoteCommand& command);
    QString carryOutOne(const RemoteCommand& command);
    OnScreen onScreen() const;
    QString chooseClassNamed(const QString& name);
    QString switchAbsenceOnScreen();
    void setDrawMode(bool oncePerRound);
    // What went wrong, or nothing.
    QString passStudentOnScreen();
    void startNewRound();
    void showOverview();
    // The groups window, or with it open a new grouping: one key away.
    void showGroups();
    void refreshOverview();
    // The draw changed the round or the passes: the overview follows.
    void drawStateChanged();
    // Zooms as the teacher asked, and remembers it.
    void zoomTo(int percent);
    void showZoomed(int percent);
    // Closes the main window, hidden or not, and ends the program.
    void quit();

    ErrorReporter& m_reporter;
    Speaker& m_speaker;
    RollFolder m_rollFolder;
    QString m_samplesFolder;
    ClockSeededRandom m_random;
    IconFolder m_icons;
    ImageButtonStates m_buttonStates;
    SearchAnimation m_searchAnimation;
    std::optional<NameList> m_nameList;
    // The class file m_nameList was loaded from, and the line drawn last. Recordings
    // go to this class: its names are the ones drawn.
    QString m_loadedClass;
    std::optional<qsizetype> m_shownLine;
    // Whether a tick has drawn since the last Start.
    bool m_drawnSinceStart = false;
    // A student the draw stopped on: their line while the class holds it, the draw
    // their grades count as one call of, and whether they may still pass.
    struct Pick
    {
        std::optional<qsizetype> line;
        QString drawId;
        bool passable = true;
    };
    // The students of the last Pause, and the one on screen; none while names flicker.
    std::vector<Pick> m_picks;
    std::size_t m_pickAt = 0;
    // The student of each draw of the warm call in this run, for an undo to put back.
    QHash<QString, StudentKey> m_warmDraws;
    RecordingWorker* m_recorder = nullptr;
    // The recording an undo would take back, as the recorder last said.
    QString m_undoable;
    // While another program's command is carried out, what went wrong goes back to it
    // and to the status bar, never into a box: a box would run an event loop inside
    // the caller's call.
    std::optional<QStringList> m_remoteFailures;
    Settings* m_settings = nullptr;
    DrawSession m_session;
    QPixmap m_background;
    QPixmap m_background2x;
    QPixmap m_shownBackground;
    WindowZoom m_zoom;
    QPointer<FrmAbout> m_about;
    MainWindowFeatures* m_features = nullptr;
    ClassFeatures* m_classFeatures = nullptr;
    CountdownFeature* m_countdown = nullptr;
    QPointer<OverviewWindow> m_overview;
    QPointer<GroupsWindow> m_groups;
    PhoneRemote* m_phone = nullptr;
    // A recording came while names were flickering: the overview reads it at Pause.
    bool m_overviewStale = false;
    bool m_historyWarned = false;
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
