#pragma once

#include "DrawSession.h"
#include "Features.h"
#include "lesson/Countdown.h"
#include "LessonView.h"
#include "platform/RandomSource.h"
#include "RemoteCommand.h"
#include "roll/ChangedLines.h"
#include "roll/NameList.h"
#include "roll/RollFolder.h"

#include <functional>
#include <optional>
#include <QHash>
#include <QObject>

class QTimer;

namespace mirello {

class BreakLock;
class FileOperations;
class RecordingWorker;
class Settings;
struct RecordedGrade;

// The lesson at the board: the classes of the roll folder and the one loaded, the
// draw and the students it stopped on, the grade chosen and its recording, undo,
// passes, absences, the warm call and the countdown. Every input reaches it through
// its verbs; what it shows is one value, view(), and viewChanged() says when that
// changed. Windows show the view and never decide who is drawn or what is recorded.
class Lesson final : public QObject
{
    Q_OBJECT

public:
    static constexpr int MostAtOnce = 10;
    // How long a notice stays in the status bar.
    static constexpr std::chrono::milliseconds NoticeTime{2000};

    // The classes are in `rollFolder`, written through `files`; on the first start
    // the folder is made from those in `samplesFolder`.
    Lesson(const QString& rollFolder, const QString& samplesFolder, const Clock& clock,
           FileOperations& files, QObject* parent = nullptr);
    ~Lesson() override;

    // Makes the roll folder on the first start, lists its classes and reads the
    // settings, which live in it. Failures go to failed().
    void open();
    // Chooses the grade and the class of the last run, where they still are.
    void resume();

    const LessonView& view() const { return m_view; }
    // The roll folder was made from the samples at this start: Mirello's first here.
    bool firstStart() const { return m_firstStart; }
    const RollFolder& rollFolder() const { return m_folder; }
    Settings& settings() const { return *m_settings; }
    RecordingWorker& recorder() const { return *m_recorder; }
    const DrawSession& session() const { return m_session; }
    DrawSession& session() { return m_session; }
    RandomSource& random() { return m_random; }
    BreakLock& breakLock() const { return *m_lock; }
    // The break lock's refusal of `feature`, said in the status bar too; none when it
    // may run.
    std::optional<QString> refusedByLock(Feature feature);

    void chooseClass(const QString& classFile);
    // A class was added to the roll folder: it is listed and chosen.
    void classAdded(const QString& classFile);
    void tick();
    // The Start/Pause button switched; in round mode the student stopped on is called.
    void setDrawing(bool on);
    void chooseGrade(int grade);
    // Records the grade chosen for the name on screen, in the class it was drawn in.
    void record();
    // With `expected`, only when that is the recording an undo would take back.
    void undo(const QString& expected = QString());
    // What went wrong, or nothing.
    QString pass();
    QString switchAbsence();
    // The student the attendance list shows as `name`: absent today, or no longer.
    QString switchAbsenceOf(const QString& name);
    void setAbsent(const StudentKey& student, bool absent);
    void startNewRound();
    void setOncePerRound(bool on);
    void setWarmCall(bool on);
    int severalCount() const;
    void setSeveralCount(int count);
    // Shows the pick `step` places on, or the pick `index`.
    void stepPick(int step);
    void showPickAt(int index);
    void startCountdown(std::chrono::seconds duration);
    void pauseOrResumeCountdown();
    void stopCountdown();

    // What other programs and phones ask, each only where it still concerns what is
    // on screen; the first that fails ends them, and says why. Features the lesson
    // has no verb for go to `window`, the windows' own dispatch.
    QString carryOut(const QList<RemoteCommand>& commands);
    void setWindowFeatures(std::function<void(Feature)> window);
    // A failure anywhere in the program: while a command is carried out it goes back
    // to its sender, else to failed().
    void report(const Error& error);
    // Says `text` in the status bar.
    void notify(const QString& text, std::chrono::milliseconds time = NoticeTime);

Q_SIGNALS:
    void viewChanged();
    // Commands from another program or a phone are about to be carried out.
    void commandsArrived();
    void failed(const mirello::Error& error);
    // The loaded class is another one: windows that list its students read it anew.
    void classLoaded();
    // The loaded class's counters or lines changed.
    void classChanged();
    // The round, the passes or the absences changed.
    void marksChanged();

private:
    struct Pick
    {
        std::optional<qsizetype> line;
        QString drawId;
        bool passable = true;
    };

    void connectRecorder();
    void connectLock();
    // At a class's first load of the day: says in the status bar what was changed
    // outside Mirello.
    void checkOutsideEditsToday(const QString& classFile);
    void sayOutsideEdits(const QString& classFile, int edited, bool historyBroken);
    void listClasses(const Result<QList<ListedFile>>& classes);
    void remember(QStringView key, const QByteArray& value);
    void showTexts(const DrawTexts& texts);
    void clearTexts();
    void takeChange(const RecordedGrade& recording, const QList<ChangedLine>& changes,
                    const QByteArray& fileNow, const QString& done);
    void takeClassFile(const QString& classFile, const QByteArray& fileNow);
    void showShownLineAgain();
    void drawingStarted();
    void drawingStopped();
    void takePicks(const std::vector<qsizetype>& lines);
    void showPick(std::size_t at);
    QString nameOnLine(const std::optional<qsizetype>& line) const;
    std::optional<StudentKey> studentOnScreen() const;
    void announce();
    void takeBackUndone(const RecordedGrade& recording);
    void noticeRound(qint64 round);
    QString carryOutOne(const RemoteCommand& command);
    QString chooseClassNamed(const QString& name);
    void countdownTick();
    // Brings view() up to date and says so when it changed.
    void publish();

    RollFolder m_folder;
    QString m_samplesFolder;
    const Clock& m_clock;
    FileOperations& m_files;
    ClockSeededRandom m_random;
    Settings* m_settings = nullptr;
    BreakLock* m_lock = nullptr;
    RecordingWorker* m_recorder = nullptr;
    DrawSession m_session;
    std::optional<NameList> m_names;
    std::optional<qsizetype> m_shownLine;
    // Whether a tick has drawn since the last Start.
    bool m_drawnSinceStart = false;
    std::vector<Pick> m_picks;
    std::size_t m_pickAt = 0;
    // The student of each draw of the warm call in this run, for an undo to put back.
    QHash<QString, StudentKey> m_warmDraws;
    Countdown m_countdown;
    QTimer* m_countdownTicks;
    std::function<void(Feature)> m_windowFeatures;
    // While a command is carried out, what went wrong goes back to its sender and to
    // the status bar, never into a box: a box would run an event loop inside the call.
    std::optional<QStringList> m_commandFailures;
    bool m_historyWarned = false;
    bool m_firstStart = false;
    LessonView m_view;
    LessonView m_published;
};

} // namespace mirello
