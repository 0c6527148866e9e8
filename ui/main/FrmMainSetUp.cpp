#include "ClassFeatures.h"
#include "FrmMain.h"
#include "lesson/Lesson.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "PictureButton.h"
#include "roll/Grades.h"
#include "roll/RollFolderLocation.h"
#include "ui/keys/FeatureActions.h"
#include "ui/phone/PhoneRemote.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/Fonts.h"
#include "ui/widgets/LabelText.h"
#include "ui/widgets/ProgramIcon.h"
#include "ui/windows/AttendanceWindow.h"
#include "ui/windows/GroupsWindow.h"
#include "ui/windows/OverviewWindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
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

} // namespace

FrmMain::FrmMain(const QString& programFolder, const QString& rollFolder, const Clock& clock,
                 ErrorReporter& reporter, Speaker& speaker, FileOperations& files,
                 GlobalKeysSource globalKeys, QWidget* parent)
    : QWidget(parent)
    , m_programFolder(programFolder)
    , m_reporter(reporter)
    , m_speaker(speaker)
    , m_lesson(new Lesson(rollFolder, samplesFolderPath(programFolder), clock, files, this))
    , m_icons(programFolder, [this](const Error& error) { m_lesson->report(error); })
    , m_zoom(*this)
{
    connect(m_lesson, &Lesson::failed, this,
            [this](const Error& error) { m_reporter.report(this, error); });
    // Makes the roll folder on the first start, which keeps the settings: the zoom
    // they keep says which background to decode while the controls are made.
    m_lesson->open();
    const int zoom = validZoom(m_lesson->settings().bytes(ZoomKey).toInt());
    m_background = std::async(std::launch::async, backgroundAt, zoom);
    setUpWindow();
    createChoosers();
    createLabels();
    createPictures();
    createStatusBar();
    takeDesign();
    createTimers();
    arrangeTabOrder();
    connectEvents();
    m_picSearch->hide();
    createFeatures(std::move(globalKeys), clock);
    showZoomed(zoom);
    // The class is loaded before the state words are set, and before the window shows.
    m_lesson->resume();
    showLesson();
    connect(m_lesson, &Lesson::viewChanged, this, &FrmMain::showLesson);
    m_buttonStates.setStartUpStates();
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

void FrmMain::takeDesign()
{
    m_zoom.takeDesign({m_comboFileChange, m_comboResult, m_lblName, m_lblAnsCount, m_lblTip0,
                       m_lblTip1, m_picSP, m_picOK, m_picSearch, m_statusBar},
                      {m_lblName, m_lblAnsCount, m_lblTip0, m_lblTip1});
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
    connect(m_comboFileChange, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        m_lesson->chooseClass(m_comboFileChange->itemData(index).toString());
        showLoadedClassAsChosen(); // where it could not be loaded
    });
    connect(m_comboResult, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { m_lesson->chooseGrade(index); });
    connect(m_timerName, &QTimer::timeout, this, [this] { m_lesson->tick(); });
    connect(m_timerSearch, &QTimer::timeout, this, &FrmMain::showNextSearchFrame);
    connect(m_picSP, &PictureButton::mouseMoved, this,
            [this] { handleButtonEvent(ButtonEvent::MoveOverStartPause); });
    connect(m_picSP, &PictureButton::clicked, this,
            [this] { handleButtonEvent(ButtonEvent::ClickOnStartPause); });
    connect(m_picOK, &PictureButton::mouseMoved, this,
            [this] { handleButtonEvent(ButtonEvent::MoveOverOk); });
    connect(m_picOK, &PictureButton::clicked, this, [this] { m_lesson->record(); });
}

// The keys and the feature menu. The menu opens on a right
// press where the window itself does nothing with one.
void FrmMain::createFeatures(GlobalKeysSource globalKeys, const Clock& clock)
{
    Settings& settings = m_lesson->settings();
    // The projector first, so that the class sees a change before the teacher's window.
    m_features =
        new MainWindowFeatures(this, *m_lesson, settings, m_speaker, std::move(globalKeys));
    connect(m_features, &MainWindowFeatures::failed, m_lesson, &Lesson::report);
    connect(m_features, &MainWindowFeatures::quitAsked, this, &FrmMain::quit);
    connect(m_features, &MainWindowFeatures::pickAsked, m_lesson, &Lesson::showPickAt);
    connect(m_features, &MainWindowFeatures::classAsked, m_lesson, &Lesson::chooseClass);
    connect(m_features, &MainWindowFeatures::notice, m_lesson,
            [this](const QString& text) { m_lesson->notify(text, 3 * Lesson::NoticeTime); });
    m_classFeatures =
        new ClassFeatures(this, m_lesson->rollFolder(), m_lesson->recorder(), m_reporter, settings);
    connect(m_classFeatures, &ClassFeatures::classAdded, m_lesson, &Lesson::classAdded);
    connect(m_classFeatures, &ClassFeatures::notice, m_lesson,
            [this](const QString& text) { m_lesson->notify(text, 2 * Lesson::NoticeTime); });
    m_phone = new PhoneRemote(this, *m_lesson, clock);
    connect(m_phone, &PhoneRemote::failed, m_lesson, &Lesson::report);
    connect(m_features, &MainWindowFeatures::shown, m_phone, &PhoneRemote::resume);
    connect(m_phone, &PhoneRemote::notice, m_lesson,
            [this](const QString& text) { m_lesson->notify(text, 2 * Lesson::NoticeTime); });
    connect(m_lesson, &Lesson::classLoaded, this, [this] {
        if (m_overview)
            m_overview->refresh();
        if (m_groups)
            m_groups->refresh();
        if (m_attendance)
            m_attendance->refresh();
    });
    connect(m_lesson, &Lesson::classChanged, this, &FrmMain::refreshOverview);
    connect(m_lesson, &Lesson::marksChanged, this, [this] {
        if (m_overview)
            m_overview->refreshMarks();
        if (m_attendance)
            m_attendance->refresh();
    });
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
    handleFeatures();
}

} // namespace mirello
