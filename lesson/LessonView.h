#pragma once

#include "platform/FolderListing.h"

#include <chrono>
#include <QList>
#include <QString>
#include <QStringList>

namespace mirello {

// A line for the status bar, shown for `time`; each new one has a new `serial`, so
// that the same words said twice are shown twice.
struct LessonNotice
{
    QString text;
    std::chrono::milliseconds time{0};
    quint64 serial = 0;

    friend bool operator==(const LessonNotice&, const LessonNotice&) = default;
};

// What the lesson shows, whichever window or phone shows it.
struct LessonView
{
    // The classes of the roll folder, as the chooser lists them, and the one loaded.
    QList<ListedFile> classes;
    QString classFile;
    bool drawing = false;
    // The name, its call count and its tallies, as the main window shows them.
    QString name;
    QString callCount;
    QString tallies;
    // The name is a student the draw stopped on, as the class holds them now.
    bool onStudent = false;
    // That student is marked absent today.
    bool absent = false;
    // The students of the last Pause, and the one on screen; empty while names flicker.
    QStringList picks;
    int pickAt = 0;
    // The draw of the student on screen; empty while names flicker or nobody was drawn.
    QString draw;
    // The recording an undo would take back now; empty when there is none.
    QString undoable;
    // Who is to get ready next, or empty.
    QString announcement;
    // The grade chosen, 0 (优秀) to 3 (不及格).
    int grade = 0;
    bool oncePerRound = false;
    // The countdown's digits, empty when none runs, and whether its time is up.
    QString countdown;
    bool countdownEnded = false;
    // The break lock is closed: the board shows no grade and records nothing.
    bool locked = false;
    LessonNotice notice;
    // The last recording or undo as the class may read it: who, never the grade.
    LessonNotice confirmation;

    friend bool operator==(const LessonView&, const LessonView&) = default;
};

} // namespace mirello
