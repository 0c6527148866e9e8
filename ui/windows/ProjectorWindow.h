#pragma once

#include "lesson/ClassGroups.h"

#include <QWidget>

class QStackedLayout;

namespace mirello {

class FittedText;
class GroupCards;
class NameBoard;
class Settings;

// The drawn name, its call count and its four tallies, large, for the back row: a
// separate window that can be resized or shown full screen on any screen. It shows
// what the main window shows, as soon as the main window shows it; when one Pause
// drew several students, all of them with the picked one marked; a grouping as
// cards; below, who is to get ready next, and the lesson's countdown while one
// runs. A left click asks for what the Start/Pause button does; a click on one of
// several names picks that student.
class ProjectorWindow final : public QWidget
{
    Q_OBJECT

public:
    // Opens where it was last closed, as `settings` remember it.
    explicit ProjectorWindow(Settings& settings, QWidget* parent = nullptr);

    // `tallies` as the status bar shows them: "优秀1次|良好2次|及格0次|不及格3次".
    void showTexts(const QString& name, const QString& callCount, const QString& tallies);
    // The students of one Pause, `picked` marked; fewer than two show the one name.
    void showPicks(const QStringList& names, int picked);
    // A grouping as cards, until the next draw shows names again.
    void showGroups(const NamedGroups& groups);
    // "下一位：张三，请准备"; empty hides the line.
    void showAnnouncement(const QString& text);
    // The countdown's digits, in the warning colour once `ended`; empty hides them.
    void showCountdown(const QString& text, bool ended);
    // Dark text on a light ground, or light text on a dark ground.
    void setDark(bool dark);
    void toggleFullScreen();
    // Where names, cards and lines are drawn now, on the screen: what a window kept
    // above this one must leave clear.
    QRegion textRegion() const;

Q_SIGNALS:
    void clicked();
    void picked(int index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void colourCountdown();

    Settings& m_settings;
    FittedText* m_name = nullptr;
    FittedText* m_callCount = nullptr;
    FittedText* m_tallies = nullptr;
    QStackedLayout* m_pages = nullptr;
    NameBoard* m_board = nullptr;
    GroupCards* m_cards = nullptr;
    FittedText* m_announcement = nullptr;
    FittedText* m_countdown = nullptr;
    bool m_dark = false;
    bool m_countdownEnded = false;
};

} // namespace mirello
