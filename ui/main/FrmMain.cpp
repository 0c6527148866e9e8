#include "FrmMain.h"

#include "lesson/Lesson.h"
#include "lesson/RecordingWorker.h"
#include "MainWindowFeatures.h"
#include "PanelStatusBar.h"
#include "PictureButton.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/widgets/OpenWindow.h"
#include "ui/windows/FrmAbout.h"
#include "ui/windows/OverviewWindow.h"

#include <cstdlib>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// How long closing waits for the writes asked for; a recording takes milliseconds.
constexpr std::chrono::seconds QuitWait{5};

} // namespace

FrmMain::~FrmMain() = default;

void FrmMain::showLesson()
{
    const LessonView& view = m_lesson->view();
    showClasses(view);
    if (view.grade != m_comboResult->currentIndex())
        m_comboResult->setCurrentIndex(view.grade);
    if (view.name != m_lblName->text())
        m_zoom.setSizedText(*m_lblName, view.name);
    if (view.callCount != m_lblAnsCount->text())
        m_zoom.setSizedText(*m_lblAnsCount, view.callCount);
    if (view.tallies != m_statusBar->panelText())
        m_statusBar->setPanelText(view.tallies);
    if (view.notice.serial != m_shown.notice.serial)
        m_statusBar->showNotice(view.notice.text, view.notice.time);
    if (view.countdownEnded && !m_shown.countdownEnded)
        QApplication::beep();
    if (!view.drawing && m_overviewStale)
        refreshOverview();
    m_shown = view;
}

// Each entry shows the class's name and keeps the file's own name, which may differ
// when the name is not UTF-8.
void FrmMain::showClasses(const LessonView& view)
{
    if (view.classes != m_shown.classes) {
        m_comboFileChange->clear();
        for (const ListedFile& file : view.classes)
            m_comboFileChange->addItem(file.shown, file.name);
        m_shown.classFile.clear();
    }
    if (view.classFile != m_shown.classFile || m_comboFileChange->currentIndex() < 0)
        showLoadedClassAsChosen();
}

void FrmMain::showLoadedClassAsChosen()
{
    const QString& loaded = m_lesson->view().classFile;
    m_comboFileChange->setCurrentIndex(loaded.isEmpty() ? -1 : m_comboFileChange->findData(loaded));
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

void FrmMain::handleButtonEvent(ButtonEvent event)
{
    const bool starts =
        event == ButtonEvent::ClickOnStartPause || event == ButtonEvent::KeyForStartPause;
    if (starts && !m_lesson->view().drawing && m_lesson->refusedByLock(Feature::StartPause))
        return;
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
    m_lesson->setDrawing(on);
}

void FrmMain::showAbout()
{
    openWindow(m_about, [this] {
        auto* about = new FrmAbout(m_lesson->rollFolder().path());
        about->move(frameGeometry().center() - about->rect().center());
        return about;
    });
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
    if (std::optional<Error> stuck = m_lesson->recorder().finish(QuitWait)) {
        m_reporter.report(this, *stuck);
        std::_Exit(EXIT_FAILURE);
    }
    m_features->closeWindows();
    QWidget::closeEvent(event);
}

void FrmMain::showAtStart()
{
    m_features->showAtStart();
}

void FrmMain::bringForward()
{
    m_features->showMainWindow();
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
