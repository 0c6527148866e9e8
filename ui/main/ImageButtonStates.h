#pragma once

#include <optional>
#include <QList>
#include <QString>

namespace mirello {

enum class ImageButton
{
    StartPause,
    Ok
};

// The mouse events that move the image buttons between their faces, and the keys
// that act as a click on Start/Pause wherever the pointer is.
enum class ButtonEvent
{
    MoveOverStartPause,
    ClickOnStartPause,
    KeyForStartPause,
    MoveOverSurface,
    MoveOverOk
};

// What a button shows: Start (drawing stopped) or Pause (drawing running) on the
// Start/Pause button, OK on the other; resting, or with the pointer over it.
enum class ButtonState
{
    Unset,
    StartResting,
    StartPointed,
    PauseResting,
    PausePointed,
    OkResting,
    OkPointed
};

// One face change an event asks for: load `faceFile` from the icon folder into
// `button`; once it has loaded, the button's state becomes `state` and, where
// `drawing` is set, drawing is switched on or off.
struct FaceChange
{
    ImageButton button;
    QString faceFile;
    ButtonState state;
    std::optional<bool> drawing;
};

// The states of the two image buttons, Unset until start-up. A state changes only
// through commit(), after the window has loaded the face, so a face that fails to
// load leaves the state, and with it the drawing, as it was.
class ImageButtonStates
{
public:
    void setStartUpStates();

    // The changes `event` asks for in the current states, Start/Pause first; none
    // when it changes nothing, so repeated moves over a button load nothing.
    QList<FaceChange> changesFor(ButtonEvent event) const;
    void commit(const FaceChange& change);

private:
    ButtonState& stateOf(ImageButton button);
    ButtonState stateOf(ImageButton button) const;

    ButtonState m_startPause = ButtonState::Unset;
    ButtonState m_ok = ButtonState::Unset;
};

} // namespace mirello
