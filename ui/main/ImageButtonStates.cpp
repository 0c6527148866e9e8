#include "ImageButtonStates.h"

#include <QStringView>

namespace mirello {

namespace {

struct Transition
{
    ImageButton button;
    ButtonState from;
    ButtonEvent event;
    QStringView faceFile;
    ButtonState to;
    std::optional<bool> drawing;
};

using enum ImageButton;
using enum ButtonEvent;
using enum ButtonState;

// Every event not listed here leaves a word, its face and the drawing as they are.
constexpr Transition Transitions[] = {
    {StartPause, StartResting, MoveOverStartPause, u"start2.bmp", StartPointed, std::nullopt},
    {StartPause, StartPointed, ClickOnStartPause, u"pause2.bmp", PausePointed, true},
    {StartPause, StartPointed, MoveOverSurface, u"start1.bmp", StartResting, std::nullopt},
    {StartPause, PauseResting, MoveOverStartPause, u"pause2.bmp", PausePointed, std::nullopt},
    {StartPause, PausePointed, ClickOnStartPause, u"start2.bmp", StartPointed, false},
    {StartPause, PausePointed, MoveOverSurface, u"pause1.bmp", PauseResting, std::nullopt},
    // A key switches the drawing as a click does, and keeps the resting or pointed face.
    {StartPause, StartResting, KeyForStartPause, u"pause1.bmp", PauseResting, true},
    {StartPause, StartPointed, KeyForStartPause, u"pause2.bmp", PausePointed, true},
    {StartPause, PauseResting, KeyForStartPause, u"start1.bmp", StartResting, false},
    {StartPause, PausePointed, KeyForStartPause, u"start2.bmp", StartPointed, false},
    {Ok, OkResting, MoveOverOk, u"ok2.bmp", OkPointed, std::nullopt},
    {Ok, OkPointed, MoveOverSurface, u"ok1.bmp", OkResting, std::nullopt},
};

} // namespace

void ImageButtonStates::setStartUpStates()
{
    m_startPause = StartResting;
    m_ok = OkResting;
}

ButtonState& ImageButtonStates::stateOf(ImageButton button)
{
    return button == StartPause ? m_startPause : m_ok;
}

ButtonState ImageButtonStates::stateOf(ImageButton button) const
{
    return button == StartPause ? m_startPause : m_ok;
}

QList<FaceChange> ImageButtonStates::changesFor(ButtonEvent event) const
{
    QList<FaceChange> changes;
    for (const Transition& transition : Transitions) {
        if (transition.event == event && transition.from == stateOf(transition.button)) {
            changes.append({transition.button, transition.faceFile.toString(), transition.to,
                            transition.drawing});
        }
    }
    return changes;
}

void ImageButtonStates::commit(const FaceChange& change)
{
    stateOf(change.button) = change.state;
}

} // namespace mirello
