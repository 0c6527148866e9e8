#pragma once

#include "Features.h"

#include <QString>

namespace mirello {

// One thing another program or a phone asks of the lesson, as a key or a menu entry
// does it.
struct RemoteCommand
{
    Feature feature;
    // The class as the chooser lists it for ChooseClass, the seconds (1 to 5999) for
    // CountdownFor.
    QString argument;
    // What a phone showed when the teacher tapped: its action is for that draw of that
    // class (for Undo, that recording), or for nobody. Not given from the command line,
    // which acts on what is on screen as the keys do.
    struct Aim
    {
        bool given = false;
        QString classFile;
        QString draw;
        QString recording;
        // For Record: the grade 1 to 4 the phone showed as chosen, else "".
        QString grade;
        // Whether names flickered on the phone: Start/Pause then does what it showed.
        bool drawing = false;
        bool operator==(const Aim&) const = default;
    };
    Aim aim = {};

    bool operator==(const RemoteCommand&) const = default;
};

} // namespace mirello
