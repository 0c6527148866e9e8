// The main window's features beyond its own controls: the keys and the menu act
// here, and the round, the passes and the overview follow the draw; one Pause stops
// on one student or several drawn at once, of whom the window shows one at a time,
// and with the warm call the student to come next is announced.
#include "ClassFeatures.h"
#include "CountdownFeature.h"
#include "FrmMain.h"
#include "lesson/RecordingWorker.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "roll/RecordingJournal.h"
#include "ui/keys/FeatureActions.h"
#include "ui/phone/PhoneRemote.h"
#include "ui/windows/GroupsWindow.h"
#include "ui/windows/OverviewWindow.h"

#include <QComboBox>
#include <QInputDialog>
#include <QJsonArray>
#include <QLabel>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace mirello {

namespace {

// The set durations of the 计时 menu, in the order of its entries from 30 秒.
constexpr std::chrono::seconds CountdownDurations[] = {30s, 1min, 2min, 3min, 5min};

constexpr QStringView SeveralKey = u"draw/several";
constexpr int MostAtOnce = 10;

} // namespace

// What every key and menu entry does, in the order of the feature table; a key acts
// as the mouse action it stands for.
void FrmMain::handleFeatures()
{
    using enum Feature;
    FeatureActions& features = m_features->actions();
    features.handle(StartPause, [this](bool) { handleButtonEvent(ButtonEvent::KeyForStartPause); });
    features.handle(Record, [this](bool) { recordGradeOnScreen(); });
    for (const Feature grade : {ChooseExcellent, ChooseGood, ChoosePass, ChooseFail}) {
        features.handle(grade, [this, grade](bool) {
            m_comboResult->setCurrentIndex(int(grade) - int(ChooseExcellent));
        });
    }
    features.handle(Undo, [this](bool) { m_recorder->undoLast(); });
    features.handle(OncePerRound, [this](bool on) { setDrawMode(on); });
    features.handle(Pass, [this](bool) { (void)passStudentOnScreen(); });
    features.handle(NewRound, [this](bool) { startNewRound(); });
    features.handle(SeveralAtOnce, [this](bool) { askSeveralCount(); });
    features.handle(PreviousPick, [this](bool) { stepPick(-1); });
    features.handle(NextPick, [this](bool) { stepPick(1); });
    features.handle(WarmCall, [this](bool on) { switchWarmCall(on); });
    features.handle(Groups, [this](bool) { showGroups(); });
    features.handle(Overview, [this](bool) { showOverview(); });
    features.handle(Projector, [this](bool) { m_features->showProjector(); });
    features.handle(FloatingButton, [this](bool) { m_features->toggleFloatingButton(); });
    features.handle(GlobalKeysSettings, [this](bool) { m_features->showGlobalKeys(); });
    features.handle(PhoneRemote, [this](bool) { m_phone->showWindow(); });
    features.handle(ProjectorFullScreen, [this](bool) { m_features->toggleProjectorFullScreen(); });
    features.handle(ProjectorDark, [this](bool on) { m_features->setProjectorDark(on); });
    features.handle(ProjectorGrades, [this](bool on) { m_features->showGradesOnProjector(on); });
    features.handle(Speech, [this](bool on) { m_features->switchSpeech(on); });
    for (int step = 0; step < int(std::size(CountdownDurations)); ++step) {
        features.handle(Feature(int(Countdown30Seconds) + step),
                        [this, step](bool) { m_countdown->start(CountdownDurations[step]); });
    }
    features.handle(CountdownTyped, [this](bool) { m_countdown->askForDuration(); });
    features.handle(CountdownPauseResume, [this](bool) { m_countdown->pauseOrResume(); });
    features.handle(CountdownStop, [this](bool) { m_countdown->stop(); });
    features.handle(ZoomIn, [this](bool) { zoomTo(nextZoom(m_zoom.percent(), 1)); });
    features.handle(ZoomOut, [this](bool) { zoomTo(nextZoom(m_zoom.percent(), -1)); });
    for (int step = 0; step < int(std::size(ZoomSteps)); ++step) {
        features.handle(Feature(int(Zoom100) + step),
                        [this, step](bool) { zoomTo(ZoomSteps[step]); });
    }
    features.handle(ImportClass, [this](bool) { m_classFeatures->importClass(); });
    features.handle(ExportClasses,
                    [this](bool) { m_classFeatures->exportClasses(chosenClassFile()); });
    features.handle(Backups, [this](bool) { m_classFeatures->showBackups(chosenClassFile()); });
    features.handle(NewTerm, [this](bool) { m_classFeatures->startNewTerm(chosenClassFile()); });
    features.handle(Keys, [this](bool) { m_features->showKeys(); });
}

void FrmMain::setDrawMode(bool oncePerRound)
{
    m_session.setMode(oncePerRound ? DrawMode::OncePerRound : DrawMode::EveryTick);
    m_statusBar->showNotice(oncePerRound ? u"点名方式：本轮不重复，每人点过一次才开始新一轮"_s
                                         : u"点名方式：每次随机"_s,
                            NoticeTime);
}

// Only the student the draw stopped on may pass, and only once: they go back into
// the round (in either mode the pass is counted).
QString FrmMain::passStudentOnScreen()
{
    const QString refused = m_timerName->isActive() ? u"请先暂停，再跳过抽到的学生"_s
                            : m_picks.empty() || !m_picks[m_pickAt].passable || !m_shownLine ||
                                    !m_session.pass(*m_shownLine)
                                ? u"没有可以跳过的学生"_s
                                : QString();
    if (!refused.isEmpty()) {
        m_statusBar->showNotice(refused, NoticeTime);
        return refused;
    }
    m_picks[m_pickAt].passable = false;
    m_statusBar->showNotice(
        u"已跳过："_s + m_lblName->text() +
            (m_session.mode() == DrawMode::OncePerRound ? u"，本轮稍后再点"_s : QString()),
        NoticeTime);
    showAnnouncement();
    drawStateChanged();
    return QString();
}

void FrmMain::startNewRound()
{
    if (m_session.classFileName().isEmpty())
        return;
    const qint64 round = m_session.startNewRound();
    m_statusBar->showNotice(u"第 "_s + QString::number(round) + u" 轮开始，每人都可以再被点到"_s,
                            NoticeTime);
    drawStateChanged();
}

void FrmMain::showOverview()
{
    if (!m_overview) {
        // A window of its own, closed with the main window.
        m_overview = new OverviewWindow(m_session, m_rollFolder, m_reporter, this);
        m_overview->setAttribute(Qt::WA_DeleteOnClose);
        m_features->addKeysTo(m_overview);
        connect(m_overview, &OverviewWindow::exportAsked, this,
                [this] { m_features->actions().trigger(Feature::ExportClasses); });
        connect(m_overview, &OverviewWindow::absenceMarked, this,
                [this](const StudentKey& student, bool absent) {
                    m_recorder->logAbsence(m_session.classFileName(), student, absent);
                    showAnnouncement();
                });
    }
    m_overview->refresh();
    m_overview->show();
    m_overview->raise();
    m_overview->activateWindow();
}

void FrmMain::showGroups()
{
    if (m_groups && m_groups->isVisible()) {
        m_groups->regroup();
        return;
    }
    if (!m_groups) {
        m_groups = new GroupsWindow(m_session, m_random, *m_settings, m_reporter, this);
        m_groups->setAttribute(Qt::WA_DeleteOnClose);
        m_features->addKeysTo(m_groups);
        connect(m_groups, &GroupsWindow::shown, m_features,
                [this](const NamedGroups& groups) { m_features->showGroups(groups, false); });
        connect(m_groups, &GroupsWindow::projectorAsked, m_features,
                [this](const NamedGroups& groups) { m_features->showGroups(groups, true); });
    }
    m_groups->show();
    m_groups->raise();
    m_groups->activateWindow();
}

// Reading the class again and drawing its chart takes a tenth of a second for a
// thousand students: while names flicker it waits for the Pause, so that the draw
// never stalls.
void FrmMain::refreshOverview()
{
    m_overviewStale = m_overview && m_timerName->isActive();
    if (m_overview && !m_overviewStale)
        m_overview->refresh();
}

// Another program's commands, through the keys they stand for; each only where it
// still concerns what is on screen. The first that fails ends them, and says why.
QString FrmMain::carryOut(const QList<RemoteCommand>& commands)
{
    for (const RemoteCommand& command : commands) {
        m_remoteFailures.emplace();
        QString failure = refusalOf(command, onScreen()).value_or(QString());
        if (failure.isEmpty())
            failure = carryOutOne(command);
        if (failure.isEmpty())
            failure = m_remoteFailures->join(u'\n');
        else
            m_statusBar->showNotice(failure, 2 * NoticeTime);
        m_remoteFailures.reset();
        if (!failure.isEmpty())
            return failure;
    }
    return QString();
}

QString FrmMain::carryOutOne(const RemoteCommand& command)
{
    using enum RemoteCommand::Kind;
    switch (command.kind) {
    case Class:
        return chooseClassNamed(command.argument);
    case Absent:
        return switchAbsenceOnScreen();
    case Pass:
        return passStudentOnScreen();
    case Undo:
        m_recorder->undoLast(command.aim.recording);
        return QString();
    case Countdown:
        m_countdown->start(std::chrono::seconds(command.argument.toInt()));
        return QString();
    case Record:
        // The grade the phone showed, so that a grade tapped at the board meanwhile
        // does not change what the phone's OK records.
        if (!command.aim.grade.isEmpty())
            m_comboResult->setCurrentIndex(command.aim.grade.toInt() - 1);
        recordGradeOnScreen();
        return QString();
    default:
        m_features->actions().trigger(featureOf(command));
        return QString();
    }
}

OnScreen FrmMain::onScreen() const
{
    const bool drawing = m_timerName->isActive();
    return {m_loadedClass, drawing || m_picks.empty() ? QString() : m_picks[m_pickAt].drawId,
            drawing, !m_lblName->text().isEmpty(), m_undoable};
}

Feature FrmMain::featureOf(const RemoteCommand& command)
{
    using enum RemoteCommand::Kind;
    switch (command.kind) {
    case Grade:
        return Feature(int(Feature::ChooseExcellent) + command.argument.toInt() - 1);
    case Undo:
        return Feature::Undo;
    case RoundMode:
        return Feature::OncePerRound;
    case NewRound:
        return Feature::NewRound;
    case PreviousPick:
        return Feature::PreviousPick;
    case NextPick:
        return Feature::NextPick;
    case CountdownPause:
        return Feature::CountdownPauseResume;
    case CountdownStop:
        return Feature::CountdownStop;
    case PhoneRemote:
        return Feature::PhoneRemote;
    default:
        return Feature::StartPause;
    }
}

// As listed, or without the ending a script may leave off.
QString FrmMain::chooseClassNamed(const QString& name)
{
    int index = m_comboFileChange->findText(name, Qt::MatchFixedString);
    if (index < 0)
        index = m_comboFileChange->findText(name + u".txt"_s, Qt::MatchFixedString);
    if (index < 0)
        return u"没有名为“"_s + name + u"”的班级"_s;
    selectClass(index);
    return QString();
}

// From the phone, as the overview's absence box does it.
QString FrmMain::switchAbsenceOnScreen()
{
    const std::optional<StudentKey> student =
        m_shownLine && !m_timerName->isActive() ? m_session.keyOnLine(*m_shownLine) : std::nullopt;
    if (!student)
        return u"屏幕上没有可以标记缺席的学生"_s;
    const bool absent = !m_session.marksOf(*student).absent;
    m_session.setAbsent(*student, absent);
    m_recorder->logAbsence(m_session.classFileName(), *student, absent);
    m_statusBar->showNotice(m_lblName->text() + (absent ? u" 今天缺席"_s : u" 不再记为缺席"_s),
                            NoticeTime);
    drawStateChanged();
    showAnnouncement();
    return QString();
}

// What the phone shows: only the name while names flicker, so as not to send each.
QJsonObject FrmMain::phoneState() const
{
    const bool running = m_timerName->isActive();
    const std::optional<StudentKey> student =
        m_shownLine && !running ? m_session.keyOnLine(*m_shownLine) : std::nullopt;
    QJsonArray classes, picks;
    for (int i = 0; i < m_comboFileChange->count(); ++i)
        classes.append(m_comboFileChange->itemText(i));
    for (const Pick& pick : m_picks)
        picks.append(pick.line ? textsOfLine(*m_nameList, *pick.line).name.value_or(QString())
                               : QString());
    const OnScreen now = onScreen();
    return {{u"classes"_s, classes},
            {u"class"_s, m_loadedClass},
            {u"running"_s, running},
            {u"draw"_s, now.draw},
            {u"undo"_s, now.undoable},
            {u"name"_s, student ? m_lblName->text() : QString()},
            {u"calls"_s, student ? m_lblAnsCount->text() : QString()},
            {u"tallies"_s, student ? m_statusBar->panelText() : QString()},
            {u"grade"_s, m_comboResult->currentIndex()},
            {u"round"_s, m_session.mode() == DrawMode::OncePerRound},
            {u"absent"_s, student && m_session.marksOf(*student).absent},
            {u"picks"_s, running || m_picks.size() < 2 ? QJsonArray() : picks},
            {u"pickAt"_s, qint64(m_pickAt)}};
}

void FrmMain::zoomTo(int percent)
{
    showZoomed(percent);
    remember(ZoomKey, QByteArray::number(m_zoom.percent()));
    m_statusBar->showNotice(u"主窗口缩放："_s + QString::number(m_zoom.percent()) + u'%',
                            NoticeTime);
}

void FrmMain::showZoomed(int percent)
{
    // At start-up the window is laid out at 100 % already.
    if (percent != m_zoom.percent())
        m_zoom.zoomTo(percent);
    // Scaled once here, not on each paint behind the flickering names; from the one
    // drawn at twice the size when zoomed in, which 200 % shows as it is.
    m_shownBackground = m_zoom.zoomed(m_zoom.factor() >= 1.5 ? m_background2x : m_background);
    m_statusBar->setZoom(m_zoom.factor());
    update();
}

void FrmMain::drawStateChanged()
{
    if (m_overview)
        m_overview->refreshMarks();
}

// Each student drawn is a call of its own: their grades are undone one by one.
void FrmMain::takePicks(const std::vector<qsizetype>& lines)
{
    m_picks.clear();
    for (const qsizetype line : lines) {
        const QString draw = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_picks.push_back({line, draw, true});
        const std::optional<StudentKey> key =
            m_session.warmCall() ? m_session.keyOnLine(line) : std::nullopt;
        if (key)
            m_warmDraws.insert(draw, *key);
    }
    if (m_picks.empty()) {
        m_features->showPicks({}, 0);
        return;
    }
    showPick(0);
    if (m_picks.size() > 1)
        m_statusBar->showNotice(u"一次抽到 "_s + QString::number(m_picks.size()) +
                                    u" 人，按 [ 或 ] 换一位"_s,
                                NoticeTime);
    else if (severalCount() > 1)
        m_statusBar->showNotice(u"只抽到 1 人：本轮没有别人可抽"_s, NoticeTime);
}

// The name, its count and its tallies follow the student picked, so that OK, a
// grade key and P all act on the student on screen.
void FrmMain::showPick(std::size_t at)
{
    m_pickAt = at;
    m_shownLine = m_picks[at].line;
    // The projector first, so that the class sees the change before the teacher's window.
    QStringList names;
    for (const Pick& pick : m_picks)
        names.append(pick.line ? textsOfLine(*m_nameList, *pick.line).name.value_or(QString())
                               : QString());
    m_features->showPicks(names, int(at));
    if (m_shownLine)
        showDrawTexts(textsOfLine(*m_nameList, *m_shownLine));
}

void FrmMain::stepPick(int step)
{
    if (m_picks.size() < 2 || m_timerName->isActive())
        return;
    const auto count = qsizetype(m_picks.size());
    showPick(std::size_t(((qsizetype(m_pickAt) + step) % count + count) % count));
}

int FrmMain::severalCount() const
{
    return std::clamp(m_settings->bytes(SeveralKey).toInt(), 1, MostAtOnce);
}

void FrmMain::askSeveralCount()
{
    bool chosen = false;
    const int count =
        QInputDialog::getInt(this, u"一次抽取多人"_s, u"每次暂停抽到几位同学（1 为一次一人）："_s,
                             severalCount(), 1, MostAtOnce, 1, &chosen);
    if (!chosen)
        return;
    remember(SeveralKey, QByteArray::number(count));
    m_statusBar->showNotice(count > 1 ? u"每次暂停抽 "_s + QString::number(count) + u" 人"_s
                                      : u"每次暂停抽 1 人"_s,
                            NoticeTime);
}

void FrmMain::switchWarmCall(bool on)
{
    m_session.setWarmCall(on);
    m_statusBar->showNotice(
        on ? u"预告下一位：每次暂停后告诉下一位同学准备"_s : u"不再预告下一位"_s, NoticeTime);
    showAnnouncement();
}

void FrmMain::showAnnouncement()
{
    const std::optional<qsizetype> next = m_session.announce(m_random);
    const std::optional<QString> name = next ? textsOfLine(*m_nameList, *next).name : std::nullopt;
    m_features->showAnnouncement(name ? u"下一位："_s + *name + u"，请准备"_s : QString());
}

void FrmMain::takeBackUndone(const RecordedGrade& recording)
{
    const auto drawn = m_warmDraws.constFind(recording.drawId);
    if (recording.classFileName != m_loadedClass || drawn == m_warmDraws.cend())
        return;
    m_session.takeBack(*drawn);
    showAnnouncement();
    drawStateChanged();
}

} // namespace mirello
