#include "FrmMain.h"

#include "draw/DrawTick.h"
#include "ErrorReporter.h"
#include "Fonts.h"
#include "FrmAbout.h"
#include "LabelText.h"
#include "PanelStatusBar.h"
#include "PictureButton.h"
#include "platform/FileNames.h"
#include "ProgramIcon.h"
#include "roll/GradeRecorder.h"
#include "roll/Grades.h"
#include "roll/RollFolderLocation.h"
#include "roll/RosterLoader.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr int DrawIntervalMs = 50;
constexpr int SearchIntervalMs = 511;

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

Error missingRollFolder(const QString& folder, const Error& listingError)
{
    return Error{u"找不到点名册文件夹“"_s + shownFileName(folder) +
                     u"”，所以没有可选的班级。请建立这个文件夹，把班级名册文件放进去，"
                     u"然后重新启动 Mirello。"_s,
                 listingError.reason};
}

} // namespace

FrmMain::FrmMain(const QString& programFolder, const QString& rollFolder, const Clock& clock,
                 ErrorReporter& reporter, QWidget* parent)
    : QWidget(parent)
    , m_reporter(reporter)
    , m_rollFolder(RollFolder::at(rollFolder))
    , m_samplesFolder(samplesFolderPath(programFolder))
    , m_random(clock)
    , m_icons(programFolder, [this](const Error& error) { report(error); })
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
    startUp();
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

QString FrmMain::chosenClassFile() const
{
    return m_comboFileChange->currentData().toString();
}

void FrmMain::selectClass(int index)
{
    m_comboFileChange->setCurrentIndex(index);
    loadSelectedClass();
}

void FrmMain::loadSelectedClass()
{
    if (m_comboFileChange->currentIndex() < 0)
        return;
    Result<NameList> roster = loadRoster(m_rollFolder.classFilePath(chosenClassFile()));
    if (!roster) {
        // The previous class stays loaded.
        report(roster.error());
        return;
    }
    m_nameList = std::move(roster).value();
}

void FrmMain::showNextDraw()
{
    const DrawTexts texts = drawTick(m_nameList, m_random);
    if (texts.name)
        setSizedText(*m_lblName, *texts.name);
    if (texts.tallies)
        m_statusBar->setPanelText(*texts.tallies);
    if (texts.callCount)
        setSizedText(*m_lblAnsCount, *texts.callCount);
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

// The class, the name and the grade are read from the controls at the moment of the
// click; with no class chosen the recording refuses. The loaded class is not read
// again: later draws show the counters as they were loaded.
void FrmMain::recordGradeOnScreen()
{
    const Result<void> recorded = recordGrade(m_rollFolder, chosenClassFile(), m_lblName->text(),
                                              m_comboResult->currentText());
    if (!recorded)
        report(recorded.error());
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
    if (change.drawing)
        setDrawing(*change.drawing);
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
