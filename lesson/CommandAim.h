#pragma once

#include "RemoteCommand.h"

#include <optional>
#include <QString>

namespace mirello {

// What is on screen when a command arrives.
struct OnScreen
{
    QString classFile;
    // The draw of the student on screen; empty while names flicker or nobody was drawn.
    QString draw;
    bool drawing = false;
    bool nameShown = false;
    // The recording an undo would take back now; empty when there is none.
    QString undoable;
};

// Why `command` is not carried out now, or nothing. A phone's action is for what the
// phone showed: a tap that arrives late, after the teacher drew again at the board,
// changed the class or started the names, acts on nobody.
std::optional<QString> refusalOf(const RemoteCommand& command, const OnScreen& now);

} // namespace mirello
