#pragma once

#include <QStringView>
#include <span>

namespace mirello {

// Everything the keys and the feature menu offer. A new feature is one value here,
// one row in the table of Features.cpp and one handler in FrmMain::handleFeatures().
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
    ImportClass,
    ExportClasses,
    Backups,
    NewTerm,
};

// The windows in which a feature's keys work.
enum class KeyScope
{
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
