#pragma once

#include "platform/Clock.h"
#include "ui/ErrorReporter.h"
#include "ui/FrmMain.h"

#include <QComboBox>
#include <QLabel>
#include <QList>
#include <QTimer>

// Keeps every report instead of showing it, so that no test waits on a message box.
class RecordingReporter final : public mirello::ErrorReporter
{
public:
    void report(QWidget*, const mirello::Error& error) override { errors.append(error); }

    QList<mirello::Error> errors;
};

// Moves on by one draw interval each time it is read, so every run draws alike.
class SteppedClock final : public mirello::Clock
{
public:
    qint64 nanosecondsSinceEpoch() const override { return m_now += 50'000'000; }

private:
    mutable qint64 m_now = 1'700'000'000'000'000'000;
};

// The main window on a program folder, with a stepped clock and its reports kept.
// Controls are found by their names.
struct WindowUnderTest
{
    explicit WindowUnderTest(const QString& folder)
        : programFolder(folder)
        , window(folder, clock, reporter)
    {
    }

    QWidget* control(const QString& name) const { return window.findChild<QWidget*>(name); }
    QLabel* label(const QString& name) const { return window.findChild<QLabel*>(name); }
    QComboBox* combo(const QString& name) const { return window.findChild<QComboBox*>(name); }
    QTimer* timer(const QString& name) const { return window.findChild<QTimer*>(name); }
    QString text(const QString& labelName) const { return label(labelName)->text(); }
    QString panelText() const;
    QString startPauseWord() const { return window.buttonStates().startPauseWord(); }
    bool drawing() const { return timer(QStringLiteral("TimerName"))->isActive(); }
    bool shows(const QString& picture, const QString& iconFile) const;

    // Shows the window and waits until it takes mouse events, the pointer outside it.
    bool show();
    // Moves the pointer over bare surface, never to the point it is on already.
    void moveOverSurface();
    void clickStartPause() const;

    QString programFolder;
    SteppedClock clock;
    RecordingReporter reporter;
    mirello::FrmMain window;

private:
    int m_surfaceMoves = 0;
};
