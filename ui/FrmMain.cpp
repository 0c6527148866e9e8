#include "FrmMain.h"

#include "ClassFeatures.h"
#include "ErrorReporter.h"
#include "Fonts.h"
#include "lesson/RecordingWorker.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "PictureButton.h"
#include "platform/FileNames.h"
#include "platform/FileOperations.h"
#include "ProgramIcon.h"
#include "roll/Grades.h"
#include "roll/RollFolderLocation.h"
#include "roll/RosterLoader.h"
#include "ui/windows/FrmAbout.h"
#include "ui/windows/GroupsWindow.h"
#include "ui/windows/OverviewWindow.h"

#include <cstdlib>
#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView LastClassKey = u"lesson/lastClass";
constexpr QStringView LastGradeKey = u"lesson/lastGrade";

// How long closing waits for the writes asked for; a recording takes milliseconds.
constexpr std::chrono::seconds QuitWait{5};

// Grades given on one draw are one call, however often OK is pressed; each recording
// has an id of its own too, for an undo that names it.
QString newDrawId()
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

void FrmMain::startUp()
{
    m_picSearch->hide();
    m_timerName->stop();
    fillClassChooser();
}

// The zoom, the class and the grade of the last run, where they still are (else the
// first of each); the class is loaded before the state words are set, and before the
// window shows.
void FrmMain::chooseAsLastTime()
{
    showZoomed(validZoom(m_settings->bytes(ZoomKey).toInt()));
    const int grade = m_settings->bytes(LastGradeKey).toInt();
    m_comboResult->setCurrentIndex(grade >= 0 && grade < m_comboResult->count() ? grade : 0);
    const QString lastClass = QString::fromUtf8(m_settings->bytes(LastClassKey));
    selectClass(std::max(0, m_comboFileChange->findData(lastClass)));
    m_buttonStates.setStartUpStates();
    connect(m_comboResult, &QComboBox::currentIndexChanged, this,
            [this](int index) { remember(LastGradeKey, QByteArray::number(index)); });
}

void FrmMain::remember(QStringView key, const QByteArray& value)
{
    if (m_settings && m_settings->bytes(key) != value)
        m_settings->setBytes(key, value);
}

// Each entry shows the class's name and keeps the file's own name, which may differ
// when the name is not UTF-8.
void FrmMain::fillClassChooser()
{
    if (const Result<void> created =
            createRollFolderOnFirstStart(m_rollFolder.path(), m_samplesFolder);
        !created) {
        // The window comes up as for an empty roll folder, with this one message.
        report(created.error());
        return;
    }
    m_rollFolder.removeLeftoverScratch();
    const Result<QList<ListedFile>> classes = m_rollFolder.listClasses();
    if (!classes) {
        // The window comes up as for an empty roll folder.
        report(missingRollFolder(m_rollFolder.path(), classes.error()));
        return;
    }
    for (const ListedFile& file : classes.value())
        m_comboFileChange->addItem(file.shown, file.name);
}

// A class was added: the chooser lists the folder again and takes the new class.
void FrmMain::listClassesAgain(const QString& added)
{
    const Result<QList<ListedFile>> classes = m_rollFolder.listClasses();
    if (!classes)
        return;
    m_comboFileChange->clear();
    for (const ListedFile& file : classes.value())
        m_comboFileChange->addItem(file.shown, file.name);
    selectClass(m_comboFileChange->findData(added));
}

QString FrmMain::chosenClassFile() const
{
    return m_comboFileChange->currentData().toString();
}

void FrmMain::selectClass(int index)
{
    m_comboFileChange->setCurrentIndex(index);
    loadSelectedClass();
}

// Whether it loads or not, the names on screen go: they were drawn in another class,
// and OK records nothing until a name of this class is drawn.
void FrmMain::loadSelectedClass()
{
    if (m_comboFileChange->currentIndex() < 0)
        return;
    clearDrawTexts();
    takePicks({});
    m_shownLine.reset();
    m_drawnSinceStart = false;
    m_warmDraws.clear();
    Result<NameList> roster = loadRoster(m_rollFolder.classFilePath(chosenClassFile()));
    if (!roster) {
        // The previous class stays loaded, and the chooser shows it again.
        showLoadedClassAsChosen();
        report(roster.error());
        return;
    }
    m_nameList = std::move(roster).value();
    m_loadedClass = chosenClassFile();
    remember(LastClassKey, m_loadedClass.toUtf8());
    if (std::optional<Error> notice = m_session.classLoaded(m_loadedClass, *m_nameList))
        report(*notice);
    if (m_overview)
        m_overview->refresh();
    if (m_groups)
        m_groups->refresh();
    showAnnouncement();
}

void FrmMain::showLoadedClassAsChosen()
{
    m_comboFileChange->setCurrentIndex(
        m_loadedClass.isEmpty() ? -1 : m_comboFileChange->findData(m_loadedClass));
}

void FrmMain::showNextDraw()
{
    const DrawTexts texts = m_session.tick(m_nameList, m_random);
    m_drawnSinceStart = m_drawnSinceStart || texts.line.has_value();
    showDrawTexts(texts);
}

void FrmMain::showDrawTexts(const DrawTexts& texts)
{
    if (texts.name)
        m_zoom.setSizedText(*m_lblName, *texts.name);
    if (texts.tallies)
        m_statusBar->setPanelText(*texts.tallies);
    if (texts.callCount)
        m_zoom.setSizedText(*m_lblAnsCount, *texts.callCount);
    if (texts.line)
        m_shownLine = texts.line;
    m_features->showTexts(m_lblName->text(), m_lblAnsCount->text(), m_statusBar->panelText());
}

void FrmMain::clearDrawTexts()
{
    m_zoom.setSizedText(*m_lblName, QString());
    m_zoom.setSizedText(*m_lblAnsCount, QString());
    m_statusBar->setPanelText(QString());
    if (m_features)
        m_features->showTexts(QString(), QString(), QString());
}

void FrmMain::showNextSearchFrame()
{
    const int frame = m_searchAnimation.advance();
    const std::optional<QPixmap> picture = m_icons.load(SearchAnimation::frameFile(frame));
    if (!picture)
        return;
    m_zoom.setPicture(*m_picSearch, *picture);
    m_searchAnimation.frameShown();
}

// The name and the grade are read from the controls at the moment of the click, and
// go to the class they were drawn in.
void FrmMain::recordGradeOnScreen()
{
    // A grade given while names flicker is a draw of its own.
    const QString draw = m_picks.empty() ? newDrawId() : m_picks[m_pickAt].drawId;
    m_recorder->record(
        {m_loadedClass, m_lblName->text(), m_comboResult->currentText(), draw, newDrawId()});
}

// The loaded class takes the new counters, so that the draws show what the file
// holds; the line on screen shows them at once.
void FrmMain::takeChange(const RecordedGrade& recording, const QList<ChangedLine>& changes,
                         const QByteArray& fileNow, const QString& notice)
{
    if (m_nameList && recording.classFileName == m_loadedClass) {
        if (takeChangedLines(*m_nameList, changes))
            showShownLineAgain();
        else
            takeClassFile(m_loadedClass, fileNow);
    }
    m_statusBar->showNotice(notice + recording.personName + u' ' + recording.gradeText, NoticeTime);
    if (recording.classFileName == m_loadedClass)
        refreshOverview();
}

// The loaded class file holds other lines than were loaded (changed elsewhere, or
// as a whole): it is taken as it is now, and the student on screen is found anew by
// their line's head, so that a pass or a mark still goes to them.
void FrmMain::takeClassFile(const QString& classFileName, const QByteArray& fileNow)
{
    if (!m_nameList || classFileName != m_loadedClass)
        return;
    const auto keyOn = [this](std::optional<qsizetype> line) {
        return line ? m_session.keyOnLine(*line) : std::nullopt;
    };
    const std::optional<StudentKey> shown = keyOn(m_shownLine);
    std::vector<std::optional<StudentKey>> picked;
    for (const Pick& pick : m_picks)
        picked.push_back(keyOn(pick.line));
    try {
        m_nameList = nameListFromBytes(fileNow);
    } catch (const std::bad_alloc&) {
        return; // the class as loaded stays, as when a class cannot be read
    }
    m_session.namesChanged(*m_nameList);
    const auto lineOf = [this](const std::optional<StudentKey>& key) {
        return key ? m_session.lineOfKey(*key) : std::nullopt;
    };
    m_shownLine = lineOf(shown);
    for (std::size_t at = 0; at < m_picks.size(); ++at) {
        m_picks[at].line = lineOf(picked[at]);
        m_picks[at].passable = m_picks[at].passable && m_picks[at].line.has_value();
    }
    showShownLineAgain();
    showAnnouncement();
    refreshOverview();
}

void FrmMain::showShownLineAgain()
{
    if (!m_shownLine || *m_shownLine >= m_nameList->size())
        return;
    const DrawTexts texts = textsOfLine(*m_nameList, *m_shownLine);
    if (texts.name == m_lblName->text())
        showDrawTexts(texts);
}

void FrmMain::handleButtonEvent(ButtonEvent event)
{
    for (const FaceChange& change : m_buttonStates.changesFor(event))
        applyFaceChange(change);
}

// The face is loaded first; only once it is on screen do the word and the drawing change.
void FrmMain::applyFaceChange(const FaceChange& change)
{
    const std::optional<QPixmap> face = m_icons.load(change.faceFile);
    if (!face)
        return;
    m_zoom.setPicture(*(change.button == ImageButton::StartPause ? m_picSP : m_picOK), *face);
    m_buttonStates.commit(change);
    if (change.drawing) {
        setDrawing(*change.drawing);
        if (*change.drawing)
            drawingStarted();
        else
            drawingStopped();
        m_features->drawingSwitched(*change.drawing, m_lblName->text());
    }
}

// Absences of another day expire; in round mode a complete round gives way.
void FrmMain::drawingStarted()
{
    takePicks({});
    m_drawnSinceStart = false;
    if (const std::optional<qint64> round = m_session.beginDrawing()) {
        m_statusBar->showNotice(u"全班都已点过，第 "_s + QString::number(*round) + u" 轮开始"_s,
                                NoticeTime);
    }
    drawStateChanged();
}

// In round mode the student on screen is called for this round. A Pause before any
// tick has drawn stops on nobody new.
void FrmMain::drawingStopped()
{
    if (m_overviewStale)
        refreshOverview();
    if (!m_drawnSinceStart || !m_shownLine)
        return;
    const qint64 round = m_session.round();
    const std::vector<qsizetype> called = m_session.stop(m_shownLine, severalCount(), m_random);
    // A line that is no student is shown as it was drawn.
    takePicks(called.empty() ? std::vector{*m_shownLine} : called);
    showAnnouncement();
    // With the warm call the next round begins as its first student is told.
    if (m_session.round() != round) {
        m_statusBar->showNotice(
            u"全班都已点过，第 "_s + QString::number(m_session.round()) + u" 轮开始"_s, NoticeTime);
    }
    if (m_session.mode() == DrawMode::OncePerRound && m_session.waitingCount() == 0 &&
        m_session.presentCount() > 0) {
        m_statusBar->showNotice(u"本轮已点完全班 "_s + QString::number(m_session.presentCount()) +
                                    u" 人，下次开始新一轮"_s,
                                NoticeTime);
    }
    drawStateChanged();
}

void FrmMain::setDrawing(bool on)
{
    if (on)
        m_timerName->start();
    else
        m_timerName->stop();
    m_picSearch->setVisible(on);
}

void FrmMain::showAbout()
{
    if (!m_about) {
        m_about = new FrmAbout(m_rollFolder.path());
        m_about->move(frameGeometry().center() - m_about->rect().center());
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void FrmMain::report(const Error& error)
{
    if (m_remoteFailures) {
        m_remoteFailures->append(error.text());
        m_statusBar->showNotice(error.message, 2 * NoticeTime);
        return;
    }
    m_reporter.report(this, error);
}

// An open list keeps every key to itself. It closes on Return while the key is
// still being checked for a window key, which would then record as well.
bool FrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride)
        event->accept();
    return QWidget::eventFilter(watched, event);
}

// Recordings asked for before the close are finished, never cut off half-way.
void FrmMain::closeEvent(QCloseEvent* event)
{
    if (!m_quitting && m_features->keepsRunningInFloatingButton()) {
        event->ignore();
        hide();
        return;
    }
    // A write that never returns (a disk or network gone) cannot be waited for, nor
    // its thread stopped: the teacher is told which class, and the program ends at
    // once, the system releasing the roll folder's lock.
    if (std::optional<Error> stuck = m_recorder->finish(QuitWait)) {
        m_reporter.report(this, *stuck);
        std::_Exit(EXIT_FAILURE);
    }
    m_features->closeWindows();
    QWidget::closeEvent(event);
}

void FrmMain::quit()
{
    m_quitting = true;
    if (close())
        QCoreApplication::quit();
}

void FrmMain::paintEvent(QPaintEvent*)
{
    // The background from the top-left corner, at its natural size at 100 %.
    QPainter(this).drawPixmap(0, 0, m_shownBackground);
}

void FrmMain::mouseMoveEvent(QMouseEvent*)
{
    handleButtonEvent(ButtonEvent::MoveOverSurface);
}

void FrmMain::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        showAbout();
}

} // namespace mirello
