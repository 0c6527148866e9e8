#include "FrmMain.h"

#include "ClassFeatures.h"
#include "ErrorReporter.h"
#include "Fonts.h"
#include "LabelText.h"
#include "lesson/RecordingWorker.h"
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
#include "ui/windows/OverviewWindow.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int DrawIntervalMs = 50;
constexpr int SearchIntervalMs = 511;
constexpr std::chrono::milliseconds NoticeTime{2000};

// Names the control, puts it in place and keeps its mouse presses from reaching the
// window beneath, which would otherwise take a press on a label for its own.
template <typename Control>
Control* place(Control* control, const QString& name, const QRect& geometry)
{
    control->setObjectName(name);
    control->setGeometry(geometry);
    control->setAttribute(Qt::WA_NoMousePropagation);
    return control;
}

// Texts stand on the window's own pale picture, so their colour is fixed: a dark
// desktop theme's near-white text would vanish there.
void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QLabel* captionLabel(QWidget* parent, const QString& name, QPoint position, const QString& text)
{
    auto* label = place(new QLabel(parent), name, QRect(position, QSize()));
    setTextColour(label, Qt::black);
    label->setFont(chineseFont(TypeStyle::FangSong, 14.25, QFont::Bold));
    setSizedText(*label, text);
    return label;
}

// Grades given on one draw are one call, however often OK is pressed.
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

FrmMain::FrmMain(const QString& programFolder, const QString& rollFolder, const Clock& clock,
                 ErrorReporter& reporter, Speaker& speaker, FileOperations& files, QWidget* parent)
    : QWidget(parent)
    , m_reporter(reporter)
    , m_speaker(speaker)
    , m_rollFolder(RollFolder::at(rollFolder))
    , m_samplesFolder(samplesFolderPath(programFolder))
    , m_random(clock)
    , m_icons(programFolder, [this](const Error& error) { report(error); })
    , m_session(m_rollFolder, clock,
                [this](const QString& classFile, const ClassState& state) {
                    m_recorder->saveState(classFile, state);
                })
    , m_background(u":/pictures/background.png"_s)
{
    setUpWindow();
    createChoosers();
    createLabels();
    createPictures();
    createStatusBar();
    createTimers();
    arrangeTabOrder();
    connectEvents();
    createRecorder(files);
    startUp();
    // After start-up, which may make the roll folder that keeps the settings.
    createFeatures();
    // The animation runs from now on; its first tick comes one interval after start-up.
    m_timerSearch->start();
}

void FrmMain::setUpWindow()
{
    setObjectName(u"FrmMain"_s);
    setWindowTitle(u"Mirello V1.0"_s);
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(278, 210);
    setFont(chineseFont(TypeStyle::Song, 10.5));
    // Mouse moves over the bare surface return the image buttons to their resting faces.
    setMouseTracking(true);
}

void FrmMain::createChoosers()
{
    m_comboFileChange = place(new QComboBox(this), u"ComboFileChange"_s, {80, 22, 129, 22});
    m_comboResult = place(new QComboBox(this), u"ComboResult"_s, {80, 62, 129, 22});
    for (const QStringView grade : GradeNames)
        m_comboResult->addItem(grade.toString(), 0);
}

void FrmMain::createLabels()
{
    // Names are shown as they stand, even one that looks like markup.
    m_lblName = place(new QLabel(this), u"LblName"_s, {64, 96, 25, 48});
    m_lblName->setTextFormat(Qt::PlainText);
    m_lblName->setFont(chineseFont(TypeStyle::Kai, 36, QFont::Bold));
    setTextColour(m_lblName, Qt::black);
    m_lblAnsCount = place(new QLabel(this), u"LblAnsCount"_s, {80, 160, 7, 14});
    m_lblAnsCount->setTextFormat(Qt::PlainText);
    setTextColour(m_lblAnsCount, QColor(255, 0, 0));
    m_lblTip0 = captionLabel(this, u"LblTip0"_s, {24, 23}, u"名册"_s);
    m_lblTip1 = captionLabel(this, u"LblTip1"_s, {25, 62}, u"打分"_s);
}

void FrmMain::createPictures()
{
    m_picSP = place(new PictureButton(this), u"PicSP"_s, {224, 16, 32, 32});
    m_picSP->setPixmap(QPixmap(u":/pictures/design-start.png"_s));
    m_picOK = place(new PictureButton(this), u"PicOK"_s, {224, 56, 32, 32});
    m_picOK->setPixmap(QPixmap(u":/pictures/design-ok.png"_s));
    m_picSearch = place(new QLabel(this), u"PicSearch"_s, {224, 128, 32, 32});
    m_picSearch->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picSearch->setPixmap(QPixmap(u":/pictures/design-search.png"_s));
}

void FrmMain::createStatusBar()
{
    const QPixmap person(u":/pictures/status-person.png"_s);
    m_statusBar = place(new PanelStatusBar(person, this), u"StatusBar1"_s, {0, 185, 278, 25});
}

void FrmMain::createTimers()
{
    m_timerName = new QTimer(this);
    m_timerName->setObjectName(u"TimerName"_s);
    m_timerName->setInterval(DrawIntervalMs);
    m_timerSearch = new QTimer(this);
    m_timerSearch->setObjectName(u"TimerSearch"_s);
    m_timerSearch->setInterval(SearchIntervalMs);
    m_timerSearch->setTimerType(Qt::PreciseTimer);
}

void FrmMain::arrangeTabOrder()
{
    const QList<QWidget*> order{m_comboFileChange, m_lblName,  m_picSP,   m_picSearch,
                                m_lblAnsCount,     m_picOK,    m_lblTip0, m_lblTip1,
                                m_comboResult,     m_statusBar};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void FrmMain::connectEvents()
{
    // activated, not currentIndexChanged: choosing the class on show again reloads it.
    connect(m_comboFileChange, &QComboBox::activated, this, &FrmMain::loadSelectedClass);
    connect(m_timerName, &QTimer::timeout, this, &FrmMain::showNextDraw);
    connect(m_timerSearch, &QTimer::timeout, this, &FrmMain::showNextSearchFrame);
    connect(m_picSP, &PictureButton::mouseMoved, this,
            [this] { handleButtonEvent(ButtonEvent::MoveOverStartPause); });
    connect(m_picSP, &PictureButton::clicked, this,
            [this] { handleButtonEvent(ButtonEvent::ClickOnStartPause); });
    connect(m_picOK, &PictureButton::mouseMoved, this,
            [this] { handleButtonEvent(ButtonEvent::MoveOverOk); });
    connect(m_picOK, &PictureButton::clicked, this, &FrmMain::recordGradeOnScreen);
}

// Every write to the roll folder goes through the recorder's one queue; what it did
// comes back in order, so the screen follows the file.
void FrmMain::createRecorder(FileOperations& files)
{
    m_recorder = new RecordingWorker(m_rollFolder, files, this);
    connect(m_recorder, &RecordingWorker::recorded, this,
            [this](const Recording& recording, const QList<ChangedLine>& changes) {
                takeChange(recording, changes, recording.change.after, u"已记录："_s);
            });
    connect(m_recorder, &RecordingWorker::undone, this,
            [this](const Recording& recording, const QList<ChangedLine>& changes) {
                takeChange(recording, changes, recording.change.before, u"已撤销："_s);
            });
    connect(m_recorder, &RecordingWorker::nothingToUndo, this,
            [this] { m_statusBar->showNotice(u"没有可以撤销的记录"_s, NoticeTime); });
    connect(m_recorder, &RecordingWorker::failed, this, &FrmMain::report);
    connect(m_recorder, &RecordingWorker::warned, this, &FrmMain::report);
    connect(m_recorder, &RecordingWorker::classReplaced, this, &FrmMain::takeClassFile);
    connect(m_recorder, &RecordingWorker::stateSaved, this, [this](const Result<void>& saved) {
        if (std::optional<Error> failure = m_session.saved(saved))
            report(*failure);
    });
}

// The keys and the feature menu. The menu opens on a right
// press where the window itself does nothing with one.
void FrmMain::createFeatures()
{
    m_features = new MainWindowFeatures(this, m_rollFolder.path(), m_speaker);
    connect(m_features, &MainWindowFeatures::windowFeature, this, &FrmMain::act);
    connect(m_features, &MainWindowFeatures::failed, this, &FrmMain::report);
    m_classFeatures = new ClassFeatures(this, m_rollFolder, *m_recorder, m_reporter);
    connect(m_classFeatures, &ClassFeatures::classAdded, this, &FrmMain::listClassesAgain);
    connect(m_classFeatures, &ClassFeatures::notice, this,
            [this](const QString& text) { m_statusBar->showNotice(text, 2 * NoticeTime); });
    // Installed after the lists' own filters, so that it sees their keys first.
    m_comboFileChange->view()->installEventFilter(this);
    m_comboResult->view()->installEventFilter(this);
    for (QWidget* place : std::initializer_list<QWidget*>{m_lblName, m_lblAnsCount, m_statusBar}) {
        place->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(place, &QWidget::customContextMenuRequested, this,
                [this, place](QPoint at) { m_features->popUpMenu(place->mapToGlobal(at)); });
    }
    m_statusBar->setToolTip(u"右键：更多功能"_s);
    m_picSP->setToolTip(u"开始/暂停（"_s + keyNames(featureRow(Feature::StartPause)) + u"）"_s);
    m_picOK->setToolTip(u"记录成绩（"_s + keyNames(featureRow(Feature::Record)) + u"）"_s);

    m_session.setMode(m_features->isOn(Feature::OncePerRound) ? DrawMode::OncePerRound
                                                              : DrawMode::EveryTick);
}

// The features of this window itself: a key acts as the mouse action it stands for.
void FrmMain::act(Feature feature)
{
    switch (feature) {
    case Feature::StartPause:
        handleButtonEvent(ButtonEvent::KeyForStartPause);
        break;
    case Feature::Record:
        recordGradeOnScreen();
        break;
    case Feature::ChooseExcellent:
    case Feature::ChooseGood:
    case Feature::ChoosePass:
    case Feature::ChooseFail:
        m_comboResult->setCurrentIndex(int(feature) - int(Feature::ChooseExcellent));
        break;
    case Feature::Undo:
        m_recorder->undoLast();
        break;
    case Feature::OncePerRound:
        setDrawMode(m_features->isOn(Feature::OncePerRound));
        break;
    case Feature::Pass:
        passStudentOnScreen();
        break;
    case Feature::NewRound:
        startNewRound();
        break;
    case Feature::Overview:
        showOverview();
        break;
    default:
        m_classFeatures->act(feature, chosenClassFile());
        break;
    }
}

// The class is loaded before the state words are set, and before the window shows.
void FrmMain::startUp()
{
    m_picSearch->hide();
    m_timerName->stop();
    m_comboResult->setCurrentIndex(0);
    fillClassChooser();
    selectClass(0);
    m_buttonStates.setStartUpStates();
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

// A class was added: the chooser lists the folder again and keeps its choice, or
// takes the new class when none was chosen.
void FrmMain::listClassesAgain(const QString& added)
{
    const Result<QList<ListedFile>> classes = m_rollFolder.listClasses();
    if (!classes)
        return;
    const QString chosen = chosenClassFile();
    m_comboFileChange->clear();
    for (const ListedFile& file : classes.value())
        m_comboFileChange->addItem(file.shown, file.name);
    if (chosen.isEmpty())
        selectClass(m_comboFileChange->findData(added));
    else
        m_comboFileChange->setCurrentIndex(m_comboFileChange->findData(chosen));
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
    m_drawId.clear();
    m_shownLine.reset();
    m_drawnSinceStart = false;
    m_passable = false;
    Result<NameList> roster = loadRoster(m_rollFolder.classFilePath(chosenClassFile()));
    if (!roster) {
        // The previous class stays loaded, and the chooser shows it again.
        showLoadedClassAsChosen();
        report(roster.error());
        return;
    }
    m_nameList = std::move(roster).value();
    m_loadedClass = chosenClassFile();
    if (std::optional<Error> notice = m_session.classLoaded(m_loadedClass, *m_nameList))
        report(*notice);
    if (m_overview)
        m_overview->refresh();
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
        setSizedText(*m_lblName, *texts.name);
    if (texts.tallies)
        m_statusBar->setPanelText(*texts.tallies);
    if (texts.callCount)
        setSizedText(*m_lblAnsCount, *texts.callCount);
    if (texts.line)
        m_shownLine = texts.line;
    m_features->showTexts(m_lblName->text(), m_lblAnsCount->text(), m_statusBar->panelText());
}

void FrmMain::clearDrawTexts()
{
    setSizedText(*m_lblName, QString());
    setSizedText(*m_lblAnsCount, QString());
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
    m_picSearch->setPixmap(*picture);
    m_searchAnimation.frameShown();
}

// The name and the grade are read from the controls at the moment of the click, and
// go to the class they were drawn in.
void FrmMain::recordGradeOnScreen()
{
    // A grade given while names flicker is a draw of its own.
    const QString draw = m_drawId.isEmpty() ? newDrawId() : m_drawId;
    m_recorder->record({m_loadedClass, m_lblName->text(), m_comboResult->currentText(), draw});
}

// The loaded class takes the new counters, so that the draws show what the file
// holds; the line on screen shows them at once.
void FrmMain::takeChange(const Recording& recording, const QList<ChangedLine>& changes,
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
    const std::optional<StudentKey> shown =
        m_shownLine ? m_session.keyOnLine(*m_shownLine) : std::nullopt;
    try {
        m_nameList = nameListFromBytes(fileNow);
    } catch (const std::bad_alloc&) {
        return; // the class as loaded stays, as when a class cannot be read
    }
    m_session.namesChanged(*m_nameList);
    m_shownLine = shown ? m_session.lineOfKey(*shown) : std::nullopt;
    m_passable = m_passable && m_shownLine.has_value();
    showShownLineAgain();
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
    (change.button == ImageButton::StartPause ? m_picSP : m_picOK)->setPixmap(*face);
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
    m_drawId.clear();
    m_drawnSinceStart = false;
    m_passable = false;
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
    m_passable = true;
    m_drawId = newDrawId();
    m_session.stopOn(*m_shownLine);
    if (m_session.mode() == DrawMode::OncePerRound && m_session.waitingCount() == 0 &&
        m_session.presentCount() > 0) {
        m_statusBar->showNotice(u"本轮已点完全班 "_s + QString::number(m_session.presentCount()) +
                                    u" 人，下次开始新一轮"_s,
                                NoticeTime);
    }
    drawStateChanged();
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
void FrmMain::passStudentOnScreen()
{
    if (m_timerName->isActive()) {
        m_statusBar->showNotice(u"请先暂停，再跳过抽到的学生"_s, NoticeTime);
        return;
    }
    if (!m_passable || !m_shownLine || !m_session.pass(*m_shownLine)) {
        m_statusBar->showNotice(u"没有可以跳过的学生"_s, NoticeTime);
        return;
    }
    m_passable = false;
    m_statusBar->showNotice(
        u"已跳过："_s + m_lblName->text() +
            (m_session.mode() == DrawMode::OncePerRound ? u"，本轮稍后再点"_s : QString()),
        NoticeTime);
    drawStateChanged();
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
                [this] { act(Feature::ExportClasses); });
        connect(m_overview, &OverviewWindow::absenceMarked, this,
                [this](const StudentKey& student, bool absent) {
                    m_recorder->logAbsence(m_session.classFileName(), student, absent);
                });
    }
    m_overview->refresh();
    m_overview->show();
    m_overview->raise();
    m_overview->activateWindow();
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

void FrmMain::drawStateChanged()
{
    if (m_overview)
        m_overview->refreshMarks();
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
    if (!m_about)
        m_about = new FrmAbout(m_rollFolder.path());
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void FrmMain::report(const Error& error)
{
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
    m_recorder->finish();
    m_features->closeWindows();
    QWidget::closeEvent(event);
}

void FrmMain::paintEvent(QPaintEvent*)
{
    // The background at its natural size from the top-left corner, never scaled.
    QPainter(this).drawPixmap(0, 0, m_background);
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
