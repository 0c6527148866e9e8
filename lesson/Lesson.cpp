#include "Lesson.h"

#include "BreakLock.h"
#include "platform/Clock.h"
#include "platform/FileNames.h"
#include "platform/Folders.h"
#include "RecordingWorker.h"
#include "roll/Grades.h"
#include "roll/RollFolderLocation.h"
#include "roll/RosterLoader.h"
#include "Settings.h"

#include <QDateTime>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView LastClassKey = u"lesson/lastClass";
constexpr QStringView LastGradeKey = u"lesson/lastGrade";
// The day and the classes whose edits outside Mirello were said that day.
constexpr QStringView OutsideEditsSaidKey = u"lesson/outsideEditsSaid";

// Grades given on one draw are one call, however often OK is pressed; each recording
// has an id of its own too, for an undo that names it.
QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

Error missingRollFolder(const QString& folder, const Error& listingError)
{
    return Error{u"找不到点名册文件夹“"_s + shownFileName(folder) +
                     u"”，所以没有可选的班级。请建立这个文件夹，把班级名册文件放进去，"
                     u"然后重新启动 Mirello。"_s,
                 listingError.reason};
}

} // namespace

Lesson::Lesson(const QString& rollFolder, const QString& samplesFolder, const Clock& clock,
               FileOperations& files, QObject* parent)
    : QObject(parent)
    , m_folder(RollFolder::at(rollFolder))
    , m_samplesFolder(samplesFolder)
    , m_clock(clock)
    , m_files(files)
    , m_random(clock)
    , m_session(m_folder, clock,
                [this](const QString& classFile, const ClassState& state) {
                    m_recorder->saveState(classFile, state);
                })
    , m_countdown(clock)
    , m_countdownTicks(new QTimer(this))
{
    m_recorder = new RecordingWorker(m_folder, files, this);
    connectRecorder();
    // Often enough that the shown second never lags by more than a fifth.
    m_countdownTicks->setInterval(200);
    connect(m_countdownTicks, &QTimer::timeout, this, &Lesson::countdownTick);
}

Lesson::~Lesson() = default;

// Every write to the roll folder goes through the recorder's one queue; what it did
// comes back in order, so the screen follows the file.
void Lesson::connectRecorder()
{
    connect(m_recorder, &RecordingWorker::recorded, this,
            [this](const RecordedGrade& recording, const QList<ChangedLine>& changes) {
                takeChange(recording, changes, recording.change.after, u"已记录："_s);
            });
    connect(m_recorder, &RecordingWorker::undone, this,
            [this](const RecordedGrade& recording, const QList<ChangedLine>& changes) {
                takeChange(recording, changes, recording.change.before, u"已撤销："_s);
                takeBackUndone(recording);
                publish();
            });
    connect(m_recorder, &RecordingWorker::undoableChanged, this, [this](const QString& recording) {
        m_view.undoable = recording;
        publish();
    });
    connect(m_recorder, &RecordingWorker::nothingToUndo, this,
            [this] { notify(u"没有可以撤销的记录"_s); });
    connect(m_recorder, &RecordingWorker::failed, this, &Lesson::report);
    connect(m_recorder, &RecordingWorker::warned, this, &Lesson::report);
    // Said once a run, in the status bar: a box after every grade would stand in front
    // of the class, and the grades themselves are in.
    connect(m_recorder, &RecordingWorker::historyMissing, this, [this](const Error& warning) {
        if (!std::exchange(m_historyWarned, true))
            notify(warning.text(), 10 * NoticeTime);
    });
    connect(m_recorder, &RecordingWorker::classReplaced, this, &Lesson::takeClassFile);
    connect(m_recorder, &RecordingWorker::outsideEditsChecked, this, &Lesson::sayOutsideEdits);
    connect(m_recorder, &RecordingWorker::stateSaved, this, [this](const Result<void>& saved) {
        if (std::optional<Error> failure = m_session.saved(saved))
            report(*failure);
    });
}

// The settings live in the roll folder, so they are read once it is made.
void Lesson::open()
{
    m_firstStart = !somethingAt(m_folder.path());
    if (const Result<void> created = createRollFolderOnFirstStart(m_folder.path(), m_samplesFolder);
        !created) {
        // The lesson goes on as for an empty roll folder, with this one message.
        report(created.error());
    } else {
        m_folder.removeLeftoverScratch();
        const Result<QList<ListedFile>> classes = m_folder.listClasses();
        if (!classes)
            report(missingRollFolder(m_folder.path(), classes.error()));
        listClasses(classes);
    }
    m_settings = new Settings(m_folder, this);
    connect(m_settings, &Settings::failed, this, &Lesson::report);
    if (m_settings->readFailure())
        QMetaObject::invokeMethod(
            this, [this] { report(*m_settings->readFailure()); }, Qt::QueuedConnection);
    // The switches as the menu keeps them.
    m_session.setMode(m_settings->flag(featureRow(Feature::OncePerRound).setting)
                          ? DrawMode::OncePerRound
                          : DrawMode::EveryTick);
    m_session.setWarmCall(m_settings->flag(featureRow(Feature::WarmCall).setting));
    m_lock = new BreakLock(*m_settings, m_clock, this);
    connectLock();
    publish();
}

// Locked from the start once a PIN is kept, which the status bar says at once.
void Lesson::connectLock()
{
    const auto said = [this](bool locked) {
        notify(locked ? u"已锁定：下课时不能记录、撤销或打开成绩。按 Ctrl+U 解锁。"_s : u"已解锁"_s,
               3 * NoticeTime);
    };
    connect(m_lock, &BreakLock::lockedChanged, this, said);
    if (m_lock->isLocked())
        said(true);
    for (const auto told :
         {&BreakLock::unlockFailed, &BreakLock::pinChanged, &BreakLock::pinRefused}) {
        connect(m_lock, told, this, [this](const QString& text) { notify(text, 2 * NoticeTime); });
    }
}

std::optional<QString> Lesson::refusedByLock(Feature feature)
{
    std::optional<QString> refusal = m_lock ? m_lock->refusalOf(feature) : std::nullopt;
    if (refusal)
        notify(*refusal, 3 * NoticeTime);
    return refusal;
}

void Lesson::listClasses(const Result<QList<ListedFile>>& classes)
{
    if (classes)
        m_view.classes = classes.value();
}

void Lesson::resume()
{
    const int grade = m_settings->bytes(LastGradeKey).toInt();
    m_view.grade = grade >= 0 && grade < int(std::size(GradeNames)) ? grade : 0;
    const QString last = QString::fromUtf8(m_settings->bytes(LastClassKey));
    const bool listed =
        std::ranges::find(m_view.classes, last, &ListedFile::name) != m_view.classes.end();
    if (listed || !m_view.classes.isEmpty())
        chooseClass(listed ? last : m_view.classes.first().name);
    publish();
}

void Lesson::remember(QStringView key, const QByteArray& value)
{
    if (m_settings && m_settings->bytes(key) != value)
        m_settings->setBytes(key, value);
}

void Lesson::classAdded(const QString& classFile)
{
    const Result<QList<ListedFile>> classes = m_folder.listClasses();
    if (!classes)
        return;
    listClasses(classes);
    chooseClass(classFile);
}

// Whether it loads or not, the names on screen go: they were drawn in another class,
// and OK records nothing until a name of this class is drawn.
void Lesson::chooseClass(const QString& classFile)
{
    clearTexts();
    takePicks({});
    m_shownLine.reset();
    m_drawnSinceStart = false;
    m_warmDraws.clear();
    Result<NameList> roster = loadRoster(m_folder.classFilePath(classFile));
    if (!roster) {
        // The previous class stays loaded.
        publish();
        report(roster.error());
        return;
    }
    m_names = std::move(roster).value();
    m_view.classFile = classFile;
    remember(LastClassKey, classFile.toUtf8());
    if (std::optional<Error> notice = m_session.classLoaded(classFile, *m_names))
        report(*notice);
    announce();
    publish();
    Q_EMIT classLoaded();
    checkOutsideEditsToday(classFile);
}

void Lesson::checkOutsideEditsToday(const QString& classFile)
{
    const QByteArray today =
        QDateTime::fromMSecsSinceEpoch(m_clock.nanosecondsSinceEpoch() / 1000000)
            .date()
            .toString(Qt::ISODate)
            .toLatin1();
    const QList<QByteArray> said = m_settings->bytes(OutsideEditsSaidKey).split('/');
    if (said.first() == today && said.contains(classFile.toUtf8().toPercentEncoding()))
        return;
    m_settings->setBytes(OutsideEditsSaidKey, (said.first() == today ? said.join('/') : today) +
                                                  '/' + classFile.toUtf8().toPercentEncoding());
    m_recorder->checkOutsideEdits(classFile);
}

void Lesson::sayOutsideEdits(const QString& classFile, int edited, bool historyBroken)
{
    QStringList said;
    if (edited > 0)
        said.append(u"班级“"_s + shownFileName(classFile) + u"”有 "_s + QString::number(edited) +
                    u" 位学生的次数或成绩在 Mirello 之外改动过，详见班级概览。"_s);
    if (historyBroken)
        said.append(u"点名记录与它的校验不一致：它在 Mirello 之外改动过，或者校验没能写入。"_s);
    if (!said.isEmpty())
        notify(said.join(u' '), 10 * NoticeTime);
}

void Lesson::tick()
{
    const DrawTexts texts = m_session.tick(m_names, m_random);
    m_drawnSinceStart = m_drawnSinceStart || texts.line.has_value();
    showTexts(texts);
    publish();
}

void Lesson::showTexts(const DrawTexts& texts)
{
    if (texts.name)
        m_view.name = *texts.name;
    if (texts.tallies)
        m_view.tallies = *texts.tallies;
    if (texts.callCount)
        m_view.callCount = *texts.callCount;
    if (texts.line)
        m_shownLine = texts.line;
}

void Lesson::clearTexts()
{
    m_view.name.clear();
    m_view.callCount.clear();
    m_view.tallies.clear();
}

void Lesson::chooseGrade(int grade)
{
    if (grade < 0 || grade >= int(std::size(GradeNames)))
        return;
    m_view.grade = grade;
    remember(LastGradeKey, QByteArray::number(grade));
    publish();
}

// The name and the grade are those on screen at the moment of the click, and go to
// the class they were drawn in. A grade given while names flicker is a draw of its own.
void Lesson::record()
{
    if (refusedByLock(Feature::Record))
        return;
    const QString draw = m_picks.empty() ? newId() : m_picks[m_pickAt].drawId;
    m_recorder->record(
        {m_view.classFile, m_view.name, GradeNames[m_view.grade].toString(), draw, newId()});
}

void Lesson::undo(const QString& expected)
{
    if (refusedByLock(Feature::Undo))
        return;
    m_recorder->undoLast(expected);
}

// The loaded class takes the new counters, so that the draws show what the file
// holds; the line on screen shows them at once.
void Lesson::takeChange(const RecordedGrade& recording, const QList<ChangedLine>& changes,
                        const QByteArray& fileNow, const QString& done)
{
    const bool loaded = m_names && recording.classFileName == m_view.classFile;
    if (loaded) {
        if (takeChangedLines(*m_names, changes))
            showShownLineAgain();
        else
            takeClassFile(m_view.classFile, fileNow);
    }
    m_view.confirmation = {done + recording.personName, NoticeTime, m_view.confirmation.serial + 1};
    notify(done + recording.personName + u' ' + recording.gradeText);
    if (loaded)
        Q_EMIT classChanged();
}

// The loaded class file holds other lines than were loaded (changed elsewhere, or
// as a whole): it is taken as it is now, and the student on screen is found anew by
// their line's head, so that a pass or a mark still goes to them.
void Lesson::takeClassFile(const QString& classFile, const QByteArray& fileNow)
{
    if (!m_names || classFile != m_view.classFile)
        return;
    const auto keyOn = [this](std::optional<qsizetype> line) {
        return line ? m_session.keyOnLine(*line) : std::nullopt;
    };
    const std::optional<StudentKey> shown = keyOn(m_shownLine);
    std::vector<std::optional<StudentKey>> picked;
    for (const Pick& pick : m_picks)
        picked.push_back(keyOn(pick.line));
    try {
        m_names = nameListFromBytes(fileNow);
    } catch (const std::bad_alloc&) {
        return; // the class as loaded stays, as when a class cannot be read
    }
    m_session.namesChanged(*m_names);
    const auto lineOf = [this](const std::optional<StudentKey>& key) {
        return key ? m_session.lineOfKey(*key) : std::nullopt;
    };
    m_shownLine = lineOf(shown);
    for (std::size_t at = 0; at < m_picks.size(); ++at) {
        m_picks[at].line = lineOf(picked[at]);
        m_picks[at].passable = m_picks[at].passable && m_picks[at].line.has_value();
    }
    showShownLineAgain();
    announce();
    publish();
    Q_EMIT classChanged();
}

void Lesson::showShownLineAgain()
{
    if (!m_shownLine || *m_shownLine >= m_names->size())
        return;
    const DrawTexts texts = textsOfLine(*m_names, *m_shownLine);
    if (texts.name == m_view.name)
        showTexts(texts);
    publish();
}

QString Lesson::nameOnLine(const std::optional<qsizetype>& line) const
{
    return line ? textsOfLine(*m_names, *line).name.value_or(QString()) : QString();
}

std::optional<StudentKey> Lesson::studentOnScreen() const
{
    return m_shownLine && !m_view.drawing ? m_session.keyOnLine(*m_shownLine) : std::nullopt;
}

void Lesson::report(const Error& error)
{
    if (m_commandFailures) {
        m_commandFailures->append(error.text());
        notify(error.message, 2 * NoticeTime);
        return;
    }
    Q_EMIT failed(error);
}

void Lesson::notify(const QString& text, std::chrono::milliseconds time)
{
    m_view.notice = {text, time, m_view.notice.serial + 1};
    publish();
}

void Lesson::publish()
{
    const std::optional<StudentKey> student = studentOnScreen();
    m_view.onStudent = student.has_value();
    m_view.absent = student && m_session.marksOf(*student).absent;
    m_view.oncePerRound = m_session.mode() == DrawMode::OncePerRound;
    m_view.locked = m_lock && m_lock->isLocked();
    m_view.picks.clear();
    if (!m_view.drawing) {
        for (const Pick& pick : m_picks)
            m_view.picks.append(nameOnLine(pick.line));
    }
    m_view.pickAt = int(m_pickAt);
    m_view.draw = m_view.drawing || m_picks.empty() ? QString() : m_picks[m_pickAt].drawId;
    if (m_view == m_published)
        return;
    m_published = m_view;
    Q_EMIT viewChanged();
}

} // namespace mirello
