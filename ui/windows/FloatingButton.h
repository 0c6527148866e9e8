#pragma once

#include "lesson/Features.h"
#include "platform/FolderListing.h"

#include <QList>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QMenu;
class QPushButton;

namespace mirello {

class FittedText;
class Settings;

// Where a window wanted at `wanted` goes so that it lies wholly inside the available
// area it overlaps most, or the nearest one where it overlaps none; a window larger
// than the area keeps to its top left.
QPoint keptOnScreen(const QRect& wanted, const QList<QRect>& availableAreas);

// Where a window at `window` goes so that it covers nothing of `kept` inside `area`:
// where it is when it covers nothing, else the nearest clear place in its own row or
// column, just beside what is kept or along the area's edges; where it is when none is.
QPoint clearOf(const QRect& window, const QRegion& kept, const QRect& area);

// The lesson at the board: a small window that floats above full-screen slides and
// never takes the keyboard focus, so that the presenter's clicker goes on turning
// slides. It shows the drawn name, the lesson's countdown while one runs and
// Start/Pause, and, expanded, the four grades and OK, undo, pass, absent, the previous
// and next of several drawn at once and the countdown's presets; after a recording or
// an undo it names the student for a moment. Every control is a fingertip wide on the
// screen it is on. It is dragged by mouse or finger, stays wholly on a screen, opens
// where it was last left and is half transparent while idle (not once the countdown
// is over). Its menu (a right press or a long touch) shows the main window or quits.
class FloatingButton final : public QWidget
{
    Q_OBJECT

public:
    explicit FloatingButton(Settings& settings, QWidget* parent = nullptr);

    void showName(const QString& name);
    void setDrawing(bool drawing);
    // The grade chosen in the main window, 0 to 3.
    void showGrade(int grade);
    // The countdown's digits, in red once `ended`; empty hides them.
    void showCountdown(const QString& text, bool ended);
    // Said in place of the name for a moment.
    void showConfirmation(const QString& text);
    // How many were drawn at once: the arrows that step through them show for two or more.
    void showPicks(qsizetype count);
    // The student on screen is marked absent today: the button takes the mark back.
    void showAbsent(bool absent);
    // The classes its menu offers, and the one loaded.
    void showClasses(const QList<ListedFile>& classes, const QString& loaded);
    // The feature menu, as a submenu of its own menu.
    void setFeatureMenu(QMenu* menu);
    // In board mode no grade is on it: they are chosen on the phone, and its menu opens
    // the overview, marked as visible to the class, in place of the main window.
    void setBoardMode(bool on);
    // What the class reads on the projector: the button moves aside from it, now and
    // whenever it grows.
    void keepClearOf(const QRegion& drawn);

Q_SIGNALS:
    void featureAsked(mirello::Feature feature);
    void mainWindowAsked();
    void classAsked(const QString& classFile);
    void quitAsked();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(EnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createContents();
    QWidget* createMore();
    QPushButton* fingerButton(const QString& text, QWidget* parent, Feature feature);
    void keepOnScreen();
    void showOpacity();

    Settings& m_settings;
    FittedText* m_name = nullptr;
    QLabel* m_countdown = nullptr;
    QPushButton* m_startPause = nullptr;
    QPushButton* m_expand = nullptr;
    QWidget* m_grades = nullptr;
    QButtonGroup* m_gradeButtons = nullptr;
    QPushButton* m_absent = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QMenu* m_featureMenu = nullptr;
    QList<ListedFile> m_classes;
    QString m_loadedClass;
    bool m_boardMode = false;
    QRegion m_keptClear;
    int m_fingerSize;
    QString m_shownName;
    QTimer m_confirming;
    QPoint m_dragOffset;
    bool m_drawing = false;
    bool m_pointerOver = false;
    bool m_countdownEnded = false;
};

} // namespace mirello
