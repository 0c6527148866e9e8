#include "FloatingButton.h"

#include "lesson/Settings.h"
#include "platform/KeptAbove.h"
#include "platform/WindowActivation.h"
#include "roll/Grades.h"
#include "ui/widgets/FittedText.h"
#include "ui/widgets/Fonts.h"
#include "ui/widgets/ProgramIcon.h"

#include <algorithm>
#include <optional>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView GeometryKey = u"floating/geometry";
constexpr qreal IdleOpacity = 0.5;
constexpr int FirstMargin = 48;
// A fingertip: 9 mm, and never less than 36 logical pixels, which is 9 mm at the usual
// 96 dots per inch.
constexpr qreal FingerMillimetres = 9;
constexpr int LeastFingerSize = 36;
constexpr std::chrono::milliseconds ConfirmationTime{2500};
constexpr Feature Grades[] = {Feature::ChooseExcellent, Feature::ChooseGood, Feature::ChoosePass,
                              Feature::ChooseFail};
constexpr Feature CountdownChoices[] = {Feature::Countdown30Seconds, Feature::Countdown1Minute,
                                        Feature::Countdown2Minutes,  Feature::Countdown3Minutes,
                                        Feature::Countdown5Minutes,  Feature::CountdownPauseResume,
                                        Feature::CountdownStop};

int overlap(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : common.width() * common.height();
}

int distance(const QRect& window, const QRect& area)
{
    return (window.center() - area.center()).manhattanLength();
}

// In logical pixels on `screen`, from its physical size: a large board at a low
// density needs no more than the least, a dense panel more.
int fingerSizeOn(const QScreen* screen)
{
    const qreal perMillimetre = screen->physicalDotsPerInch() / 25.4 / screen->devicePixelRatio();
    return std::max(LeastFingerSize, qRound(FingerMillimetres * perMillimetre));
}

} // namespace

QPoint keptOnScreen(const QRect& wanted, const QList<QRect>& availableAreas)
{
    if (availableAreas.isEmpty())
        return wanted.topLeft();
    const QRect area =
        *std::ranges::min_element(availableAreas, [&](const QRect& a, const QRect& b) {
            const int overlapA = overlap(wanted, a);
            const int overlapB = overlap(wanted, b);
            return overlapA != overlapB ? overlapA > overlapB
                                        : distance(wanted, a) < distance(wanted, b);
        });
    const int x = std::max(area.left(), std::min(wanted.left(), area.right() + 1 - wanted.width()));
    const int y = std::max(area.top(), std::min(wanted.top(), area.bottom() + 1 - wanted.height()));
    return {x, y};
}

QPoint clearOf(const QRect& window, const QRegion& kept, const QRect& area)
{
    if (!kept.intersects(window))
        return window.topLeft();
    const int lastX = area.right() + 1 - window.width();
    const int lastY = area.bottom() + 1 - window.height();
    const QRect drawn = kept.boundingRect();
    const auto within = [](int at, int first, int last) {
        return std::clamp(at, first, last);
    };
    std::optional<QPoint> nearest;
    for (const int x :
         {area.left(), window.left(), drawn.left() - window.width(), drawn.right() + 1, lastX}) {
        for (const int y :
             {area.top(), window.top(), drawn.top() - window.height(), drawn.bottom() + 1, lastY}) {
            const QPoint place(within(x, area.left(), lastX), within(y, area.top(), lastY));
            if (kept.intersects(QRect(place, window.size())))
                continue;
            if (!nearest || (place - window.topLeft()).manhattanLength() <
                                (*nearest - window.topLeft()).manhattanLength())
                nearest = place;
        }
    }
    return nearest.value_or(window.topLeft());
}

FloatingButton::FloatingButton(Settings& settings, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | keptAboveFlags())
    , m_settings(settings)
    , m_fingerSize(fingerSizeOn(screen()))
{
    setObjectName(u"FloatingButton"_s);
    setWindowTitle(u"Mirello 悬浮窗"_s);
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    // Read from a few steps away, at the board.
    setFont(chineseFont(TypeStyle::Hei, 12));
    createContents();
    adjustSize();
    // The first time, at the bottom right, where slides seldom have anything.
    if (!restoreGeometry(m_settings.bytes(GeometryKey))) {
        const QRect area = screen()->availableGeometry();
        move(area.bottomRight() - rect().bottomRight() - QPoint(FirstMargin, FirstMargin));
    }
    // Screens come and go with a projector's cable; the button never stays behind.
    for (QScreen* screen : QGuiApplication::screens())
        connect(screen, &QScreen::availableGeometryChanged, this, &FloatingButton::keepOnScreen);
    connect(qApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, &FloatingButton::keepOnScreen);
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, &FloatingButton::keepOnScreen,
            Qt::QueuedConnection);
    showOpacity();
    // Slides tapped or shown anew would cover it.
    keepAbove(winId(), this);
}

QPushButton* FloatingButton::fingerButton(const QString& text, QWidget* parent, Feature feature)
{
    auto* button = new QPushButton(text, parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setMinimumSize(m_fingerSize * 3 / 2, m_fingerSize);
    connect(button, &QPushButton::clicked, this, [this, feature] { Q_EMIT featureAsked(feature); });
    return button;
}

void FloatingButton::createContents()
{
    m_name = new FittedText(chineseFont(TypeStyle::Kai, 12, QFont::Bold), this);
    m_name->setObjectName(u"FloatingName"_s);
    m_name->setMinimumSize(m_fingerSize * 4, m_fingerSize);
    m_countdown = new QLabel(this);
    m_countdown->setObjectName(u"FloatingCountdown"_s);
    m_countdown->setFont(chineseFont(TypeStyle::Hei, 14, QFont::Bold));
    m_countdown->setAlignment(Qt::AlignCenter);
    // As wide as the widest digits, so that the window keeps its width from second to second.
    m_countdown->setMinimumWidth(m_countdown->fontMetrics().horizontalAdvance(u"88:88"_s));
    m_countdown->hide();
    m_startPause = fingerButton(u"开始"_s, this, Feature::StartPause);
    m_startPause->setObjectName(u"FloatingStartPause"_s);
    m_expand = new QPushButton(u"更多 ▾"_s, this);
    m_expand->setObjectName(u"FloatingExpand"_s);
    m_expand->setFocusPolicy(Qt::NoFocus);
    m_expand->setMinimumSize(m_fingerSize * 3 / 2, m_fingerSize);
    m_expand->setCheckable(true);
    m_grades = createMore();
    m_grades->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* top = new QHBoxLayout;
    top->addWidget(m_name, 1);
    top->addWidget(m_countdown);
    top->addWidget(m_startPause);
    top->addWidget(m_expand);
    layout->addLayout(top);
    layout->addWidget(m_grades);

    connect(m_expand, &QPushButton::toggled, this, [this](bool expanded) {
        m_grades->setVisible(expanded);
        keepOnScreen();
    });
    m_confirming.setSingleShot(true);
    m_confirming.setInterval(ConfirmationTime);
    connect(&m_confirming, &QTimer::timeout, this, [this] { m_name->setText(m_shownName); });
}

// The grades and OK; below them what else a lesson at the board needs.
QWidget* FloatingButton::createMore()
{
    auto* more = new QWidget(this);
    m_gradeButtons = new QButtonGroup(this);
    auto* gradeRow = new QHBoxLayout;
    gradeRow->setContentsMargins(0, 0, 0, 0);
    for (int grade = 0; grade < int(std::size(Grades)); ++grade) {
        QPushButton* button = fingerButton(GradeNames[grade].toString(), more, Grades[grade]);
        button->setCheckable(true);
        m_gradeButtons->addButton(button, grade);
        gradeRow->addWidget(button);
    }
    QPushButton* ok = fingerButton(u"记录"_s, more, Feature::Record);
    ok->setObjectName(u"FloatingOk"_s);
    gradeRow->addWidget(ok);

    auto* lessonRow = new QHBoxLayout;
    lessonRow->setContentsMargins(0, 0, 0, 0);
    lessonRow->addWidget(fingerButton(u"撤销"_s, more, Feature::Undo));
    lessonRow->addWidget(fingerButton(u"跳过"_s, more, Feature::Pass));
    // As wide as its longer text from the start, so that no button moves when it changes.
    m_absent = fingerButton(u"取消缺席"_s, more, Feature::MarkAbsent);
    m_absent->setMinimumWidth(m_absent->sizeHint().width());
    m_absent->setText(u"缺席"_s);
    lessonRow->addWidget(m_absent);
    m_previous = fingerButton(u"‹"_s, more, Feature::PreviousPick);
    m_next = fingerButton(u"›"_s, more, Feature::NextPick);
    lessonRow->addWidget(m_previous);
    lessonRow->addWidget(m_next);
    auto* countdown = new QPushButton(u"计时 ▾"_s, more);
    countdown->setFocusPolicy(Qt::NoFocus);
    countdown->setMinimumSize(m_fingerSize * 3 / 2, m_fingerSize);
    auto* presets = new QMenu(countdown);
    for (const Feature choice : CountdownChoices) {
        presets->addAction(featureRow(choice).text.toString(), this,
                           [this, choice] { Q_EMIT featureAsked(choice); });
    }
    countdown->setMenu(presets);
    lessonRow->addWidget(countdown);
    lessonRow->addWidget(fingerButton(u"点到"_s, more, Feature::Attendance));
    showPicks(0);

    auto* rows = new QVBoxLayout(more);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(gradeRow);
    rows->addLayout(lessonRow);
    return more;
}

void FloatingButton::showName(const QString& name)
{
    m_shownName = name;
    if (!m_confirming.isActive())
        m_name->setText(name);
}

void FloatingButton::showConfirmation(const QString& text)
{
    m_name->setText(u"✓ "_s + text);
    m_confirming.start();
}

void FloatingButton::showAbsent(bool absent)
{
    m_absent->setText(absent ? u"取消缺席"_s : u"缺席"_s);
}

void FloatingButton::showClasses(const QList<ListedFile>& classes, const QString& loaded)
{
    m_classes = classes;
    m_loadedClass = loaded;
}

void FloatingButton::setFeatureMenu(QMenu* menu)
{
    m_featureMenu = menu;
    menu->setTitle(u"功能"_s);
}

void FloatingButton::setBoardMode(bool on)
{
    m_boardMode = on;
    for (QAbstractButton* grade : m_gradeButtons->buttons())
        grade->setVisible(!on);
    adjustSize();
    keepOnScreen();
}

void FloatingButton::showPicks(qsizetype count)
{
    m_previous->setVisible(count > 1);
    m_next->setVisible(count > 1);
}

void FloatingButton::setDrawing(bool drawing)
{
    // A new draw is what the class looks at now.
    if (drawing && m_confirming.isActive()) {
        m_confirming.stop();
        m_name->setText(m_shownName);
    }
    m_drawing = drawing;
    m_startPause->setText(drawing ? u"暂停"_s : u"开始"_s);
    showOpacity();
}

void FloatingButton::showGrade(int grade)
{
    if (QAbstractButton* button = m_gradeButtons->button(grade))
        button->setChecked(true);
}

void FloatingButton::showCountdown(const QString& text, bool ended)
{
    m_countdown->setText(text);
    m_countdown->setVisible(!text.isEmpty());
    m_countdownEnded = ended;
    QPalette colours = palette();
    if (ended)
        colours.setColor(QPalette::WindowText, QColor(0xc0, 0x00, 0x00));
    m_countdown->setPalette(colours);
    showOpacity();
    adjustSize();
    keepOnScreen();
}

void FloatingButton::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refuseActivation(winId());
    keepOnScreen();
}

void FloatingButton::closeEvent(QCloseEvent* event)
{
    m_settings.setBytes(GeometryKey, saveGeometry());
    QWidget::closeEvent(event);
}

void FloatingButton::keepClearOf(const QRegion& drawn)
{
    m_keptClear = drawn;
    keepOnScreen();
}

void FloatingButton::keepOnScreen()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    const QPoint frame = pos() - frameGeometry().topLeft();
    QRect placed(keptOnScreen(frameGeometry(), areas), frameGeometry().size());
    if (const QScreen* screen = QGuiApplication::screenAt(placed.center()))
        placed.moveTopLeft(clearOf(placed, m_keptClear, screen->availableGeometry()));
    move(placed.topLeft() + frame);
}

void FloatingButton::showOpacity()
{
    setWindowOpacity(m_drawing || m_pointerOver || m_countdownEnded ? 1.0 : IdleOpacity);
}

void FloatingButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// A press on the window's ground, not on a button, starts a drag; a finger's touch
// arrives here as the same press.
void FloatingButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset = pointerOnScreen(event) - pos();
}

void FloatingButton::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    move(pointerOnScreen(event) - m_dragOffset);
    keepOnScreen();
}

void FloatingButton::enterEvent(EnterEvent*)
{
    m_pointerOver = true;
    showOpacity();
}

void FloatingButton::leaveEvent(QEvent*)
{
    m_pointerOver = false;
    showOpacity();
}

void FloatingButton::contextMenuEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QMenu* classes = menu->addMenu(u"班级"_s);
    for (const ListedFile& file : std::as_const(m_classes)) {
        QAction* choice = classes->addAction(file.shown, this,
                                             [this, name = file.name] { Q_EMIT classAsked(name); });
        choice->setCheckable(true);
        choice->setChecked(file.name == m_loadedClass);
    }
    if (m_featureMenu)
        menu->addMenu(m_featureMenu);
    if (m_boardMode) {
        menu->addAction(u"成绩一览（全班可见）"_s, this,
                        [this] { Q_EMIT featureAsked(Feature::Overview); });
    } else {
        menu->addAction(u"显示主窗口"_s, this, &FloatingButton::mainWindowAsked);
    }
    menu->addAction(u"关闭悬浮窗"_s, this, &QWidget::close);
    menu->addSeparator();
    menu->addAction(u"退出"_s, this, &FloatingButton::quitAsked);
    menu->popup(event->globalPos());
}

} // namespace mirello
