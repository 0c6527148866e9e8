#pragma once

#include <QStringView>
#include <span>

namespace mirello {

// Everything the keys, the feature menu and other programs ask for. A new feature is
// one value here, one row in the table of Features.cpp and its verb (see CONTRIBUTING.md).
enum class Feature
{
    StartPause,
    Record,
    ChooseExcellent,
    ChooseGood,
    ChoosePass,
    ChooseFail,
    Undo,
    OncePerRound,
    Pass,
    NewRound,
    SeveralAtOnce,
    PreviousPick,
    NextPick,
    WarmCall,
    Groups,
    PhoneRemote,
    Overview,
    Projector,
    FloatingButton,
    GlobalKeysSettings,
    BoardMode,
    Attendance,
    ProjectorFullScreen,
    ProjectorDark,
    ProjectorGrades,
    Speech,
    Countdown30Seconds,
    Countdown1Minute,
    Countdown2Minutes,
    Countdown3Minutes,
    Countdown5Minutes,
    CountdownTyped,
    CountdownPauseResume,
    CountdownStop,
    ZoomIn,
    ZoomOut,
    Zoom100,
    Zoom150,
    Zoom200,
    Zoom250,
    Keys,
    Guide,
    ImportClass,
    ExportClasses,
    Backups,
    NewTerm,
    LockNow,
    Unlock,
    LockSettings,
    LockDrawingOpen,
    // Asked for by other programs only.
    ChooseClass,
    MarkAbsent,
    AbsentOf,
    CountdownFor,
};

// The windows in which a feature's keys work.
enum class KeyScope
{
    // Neither in the menu nor on a key: for other programs only.
    Nowhere = 0,
    InMain = 1,
    InProjector = 2,
    InBoth = InMain | InProjector,
};

struct FeatureRow
{
    Feature feature;
    QStringView text;
    // Portable key names, alternatives separated by "; " ("Space; PgDown; Right").
    QStringView keys;
    KeyScope scope;
    // A switch that is kept between runs under this settings key; empty for an action.
    QStringView setting;
    // Starts a new group in the menu.
    bool groupStart = false;
    // The submenu the entry is in; empty for the menu itself.
    QStringView submenu = {};
    // The option that asks for it from the command line and the phone, with the
    // value's name after a space ("grade N"); empty when no other program may.
    QStringView command = {};
    // What it sets: the seconds of a countdown, the percent of a zoom, the grade's
    // number among the rows of one command.
    int amount = 0;
};

// Every feature in the order of the menu.
std::span<const FeatureRow> featureTable();

// A key that works while another program has the focus, and what it does.
struct GlobalKeyRow
{
    Feature feature;
    // Portable key name, as in the feature table.
    QStringView defaultKey;
    // The settings key of the teacher's own choice.
    QStringView setting;
};

// Every key from any program, as they come out of the box. Ctrl+Alt+Z is left alone:
// a common chat program takes it.
std::span<const GlobalKeyRow> globalKeyTable();

const FeatureRow& featureRow(Feature feature);

} // namespace mirello
