#include "ImageButtonStates.h"

#include <QStringView>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

struct Transition
{
    ImageButton button;
    QStringView from;
    ButtonEvent event;
    QStringView faceFile;
    QStringView to;
    std::optional<bool> drawing;
};

using enum ImageButton;
using enum ButtonEvent;

// Every event not listed here leaves a word, its face and the drawing as they are.
constexpr Transition Transitions[] = {
    {StartPause, u"S1", MoveOverStartPause, u"start2.bmp", u"S2", std::nullopt},
    {StartPause, u"S2", ClickOnStartPause, u"pause2.bmp", u"P2", true},
    {StartPause, u"S2", MoveOverSurface, u"start1.bmp", u"S1", std::nullopt},
    {StartPause, u"P1", MoveOverStartPause, u"pause2.bmp", u"P2", std::nullopt},
    {StartPause, u"P2", ClickOnStartPause, u"start2.bmp", u"S2", false},
    {StartPause, u"P2", MoveOverSurface, u"pause1.bmp", u"P1", std::nullopt},
    {Ok, u"ok1", MoveOverOk, u"ok2.bmp", u"ok2", std::nullopt},
    {Ok, u"ok2", MoveOverSurface, u"ok1.bmp", u"ok1", std::nullopt},
};

} // namespace

void ImageButtonStates::setStartUpWords()
{
    m_startPauseWord = u"S1"_s;
    m_okWord = u"ok1"_s;
}

const QString& ImageButtonStates::wordOf(ImageButton button) const
{
    return button == StartPause ? m_startPauseWord : m_okWord;
}

QList<FaceChange> ImageButtonStates::changesFor(ButtonEvent event) const
{
    QList<FaceChange> changes;
    for (const Transition& transition : Transitions) {
        if (transition.event == event && transition.from == wordOf(transition.button)) {
            changes.append({transition.button, transition.faceFile.toString(),
                            transition.to.toString(), transition.drawing});
        }
    }
    return changes;
}

void ImageButtonStates::commit(const FaceChange& change)
{
    (change.button == StartPause ? m_startPauseWord : m_okWord) = change.word;
}

} // namespace mirello
