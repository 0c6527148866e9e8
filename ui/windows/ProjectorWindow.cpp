#include "ProjectorWindow.h"

#include "GroupCards.h"
#include "lesson/Settings.h"
#include "NameBoard.h"
#include "ui/widgets/FittedText.h"
#include "ui/widgets/Fonts.h"
#include "ui/widgets/ProgramIcon.h"

#include <QMouseEvent>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView GeometryKey = u"projector/geometry";

FittedText* line(QWidget* parent, const QString& name, TypeStyle style, int stretch,
                 QVBoxLayout* layout)
{
    auto* text = new FittedText(chineseFont(style, 12, QFont::Bold), parent);
    text->setObjectName(name);
    layout->addWidget(text, stretch);
    return text;
}

// Contrast of 7:1 and more for every text, in both variants.
QColor textColour(bool dark)
{
    return dark ? QColor(0xf4, 0xf4, 0xf0) : QColor(0x10, 0x10, 0x10);
}

// The call count's colour, and the countdown's once its time is up.
QColor warningColour(bool dark)
{
    return dark ? QColor(0xff, 0x8a, 0x80) : QColor(0xa0, 0x00, 0x00);
}

} // namespace

ProjectorWindow::ProjectorWindow(Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
{
    setObjectName(u"ProjectorWindow"_s);
    setWindowTitle(u"Mirello 投影"_s);
    setWindowIcon(programIcon());
    setAutoFillBackground(true);
    setMinimumSize(240, 150);
    resize(960, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(12);
    m_pages = new QStackedLayout;
    layout->addLayout(m_pages, 10);
    auto* single = new QWidget(this);
    auto* lines = new QVBoxLayout(single);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(12);
    m_name = line(single, u"ProjectorName"_s, TypeStyle::Kai, 6, lines);
    m_callCount = line(single, u"ProjectorCallCount"_s, TypeStyle::Hei, 2, lines);
    m_tallies = line(single, u"ProjectorTallies"_s, TypeStyle::Hei, 2, lines);
    m_pages->addWidget(single);
    m_board = new NameBoard(this);
    m_pages->addWidget(m_board);
    connect(m_board, &NameBoard::picked, this, &ProjectorWindow::picked);
    m_cards = new GroupCards(this);
    m_pages->addWidget(m_cards);
    m_announcement = line(this, u"ProjectorAnnouncement"_s, TypeStyle::Hei, 2, layout);
    m_announcement->hide();
    m_countdown = line(this, u"ProjectorCountdown"_s, TypeStyle::Hei, 3, layout);
    m_countdown->hide();
    setDark(false);
    // A damaged or foreign value is refused by restoreGeometry(); the default size stays.
    restoreGeometry(m_settings.bytes(GeometryKey));
}

void ProjectorWindow::showTexts(const QString& name, const QString& callCount,
                                const QString& tallies)
{
    m_name->setText(name);
    m_callCount->setText(callCount);
    QString spaced = tallies;
    m_tallies->setText(spaced.replace(u'|', u"　　"_s));
}

void ProjectorWindow::showPicks(const QStringList& names, int picked)
{
    if (names.size() < 2) {
        m_pages->setCurrentIndex(0);
        return;
    }
    m_board->showNames(names, picked);
    m_pages->setCurrentWidget(m_board);
}

void ProjectorWindow::showGroups(const NamedGroups& groups)
{
    m_cards->showGroups(groups);
    m_pages->setCurrentWidget(m_cards);
}

void ProjectorWindow::showAnnouncement(const QString& text)
{
    m_announcement->setText(text);
    m_announcement->setVisible(!text.isEmpty());
}

void ProjectorWindow::showCountdown(const QString& text, bool ended)
{
    m_countdown->setText(text);
    m_countdown->setVisible(!text.isEmpty());
    m_countdownEnded = ended;
    colourCountdown();
}

void ProjectorWindow::setDark(bool dark)
{
    m_dark = dark;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, dark ? QColor(0x12, 0x14, 0x18) : QColor(0xff, 0xff, 0xff));
    colours.setColor(QPalette::WindowText, textColour(dark));
    setPalette(colours);
    colours.setColor(QPalette::WindowText, warningColour(dark));
    m_callCount->setPalette(colours);
    colourCountdown();
}

void ProjectorWindow::colourCountdown()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText,
                     m_countdownEnded ? warningColour(m_dark) : textColour(m_dark));
    m_countdown->setPalette(colours);
}

QRegion ProjectorWindow::textRegion() const
{
    QRegion drawn;
    for (const FittedText* text : findChildren<FittedText*>()) {
        if (text->isVisible())
            drawn += text->textRect().translated(text->mapToGlobal(QPoint(0, 0)));
    }
    return drawn;
}

void ProjectorWindow::toggleFullScreen()
{
    // Full screen on the screen the window is on, so it can be dragged to the projector first.
    setWindowState(windowState() ^ Qt::WindowFullScreen);
    show();
}

void ProjectorWindow::closeEvent(QCloseEvent* event)
{
    m_settings.setBytes(GeometryKey, saveGeometry());
    QWidget::closeEvent(event);
}

void ProjectorWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
    else
        QWidget::mousePressEvent(event);
}

} // namespace mirello
