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

// The mouse events that move the image buttons between their faces.
enum class ButtonEvent
{
    MoveOverStartPause,
    ClickOnStartPause,
    MoveOverSurface,
    MoveOverOk
};

// One face change an event asks for: load `faceFile` from the icon folder into
// `button`; once it has loaded, the button's word becomes `word` and, where
// `drawing` is set, drawing is switched on or off.
struct FaceChange
{
    ImageButton button;
    QString faceFile;
    QString word;
    std::optional<bool> drawing;

    friend bool operator==(const FaceChange&, const FaceChange&) = default;
};

// The state words of the two image buttons. Start/Pause: "S1", "S2", "P1", "P2"
// (S drawing stopped, P drawing running; 1 resting face, 2 pointer-over face). OK:
// "ok1", "ok2". Both are empty until the start-up words are set. A word changes only
// through commit(), after the window has loaded the face, so a face that fails to
// load leaves the word, and with it the drawing, as it was.
class ImageButtonStates
{
public:
    void setStartUpWords();

    const QString& startPauseWord() const { return m_startPauseWord; }
    const QString& okWord() const { return m_okWord; }

    // The changes `event` asks for in the current words, Start/Pause first; none when
    // the event changes nothing, so repeated moves over a button load nothing.
    QList<FaceChange> changesFor(ButtonEvent event) const;
    void commit(const FaceChange& change);

private:
    const QString& wordOf(ImageButton button) const;

    QString m_startPauseWord;
    QString m_okWord;
};

} // namespace mirello
