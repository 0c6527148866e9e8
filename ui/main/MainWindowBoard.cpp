// What the features do at a one-screen board that the class sees: board mode and its
// offer, the name above the slides for a draw asked from afar, the floating button kept
// clear of the projector's names.
#include "lesson/Lesson.h"
#include "lesson/Settings.h"
#include "MainWindowFeatures.h"
#include "ui/keys/FeatureActions.h"
#include "ui/windows/BoardModeOffer.h"
#include "ui/windows/FloatingButton.h"
#include "ui/windows/NameFlash.h"
#include "ui/windows/ProjectorWindow.h"

#include <QWidget>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Asked once on a computer that looks like a board, or answered through the menu.
constexpr QStringView BoardOfferedKey = u"board/offered";

} // namespace

// At the first start on a computer that looks like a classroom board.
void MainWindowFeatures::offerBoardModeOnce()
{
    if (m_lesson.firstStart() && !m_settings.flag(BoardOfferedKey) && looksLikeBoard())
        offerBoardMode();
}

void MainWindowFeatures::offerBoardMode()
{
    m_boardOffer = mirello::offerBoardMode(m_mainWindow->frameGeometry(), [this](bool on) {
        m_settings.setFlag(BoardOfferedKey, true);
        if (on && !isOn(Feature::BoardMode))
            m_actions->trigger(Feature::BoardMode);
    });
}

void MainWindowFeatures::showAtStart()
{
    if (!isOn(Feature::BoardMode)) {
        m_mainWindow->show();
        return;
    }
    setBoardMode(true);
}

void MainWindowFeatures::setBoardMode(bool on)
{
    m_settings.setFlag(BoardOfferedKey, true);
    if (m_boardOffer)
        m_boardOffer->close();
    if (on) {
        m_mainWindow->hide();
        if (!m_floating)
            toggleFloatingButton();
        showTrayIcon();
    }
    if (m_floating)
        m_floating->setBoardMode(on);
    showOnProjector(m_lesson.view(), true);
    if (!on)
        showMainWindow();
}

// What is asked now and carried out at once, within this turn of the event loop.
void MainWindowFeatures::askedFromAfar()
{
    m_askedFromAfar = true;
    QMetaObject::invokeMethod(
        this, [this] { m_askedFromAfar = false; }, Qt::QueuedConnection);
}

// A draw started from outside Mirello's windows (a key from any program, a phone, the
// command line) while the floating button is not in sight would flicker unseen: the
// name shows large above the slides, and the button comes back if the teacher had it
// open.
void MainWindowFeatures::bringBackBoardWindows()
{
    if (!m_askedFromAfar || (m_floating && m_floating->isVisible()))
        return;
    if (m_floatingUsed)
        toggleFloatingButton();
    if (!m_flash)
        m_flash = new NameFlash(m_floating ? m_floating->screen() : m_mainWindow->screen());
    m_flash->showName(m_lesson.view().name, true);
}

// Once the projector's layout has settled on what it shows now.
void MainWindowFeatures::keepFloatingClear()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_floating && m_projector && m_projector->isVisible())
                m_floating->keepClearOf(m_projector->textRegion());
        },
        Qt::QueuedConnection);
}

void MainWindowFeatures::showMainWindow()
{
    if (isOn(Feature::BoardMode)) {
        if (!m_floating)
            toggleFloatingButton();
        m_floating->show();
        return;
    }
    m_mainWindow->showNormal();
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

} // namespace mirello
