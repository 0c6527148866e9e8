#pragma once

#include "platform/Result.h"

#include <memory>
#include <QString>

namespace mirello {

// The system's speech engine, set to a Mandarin voice. Every call may stall for as
// long as the engine likes, so the speaker keeps it on a thread of its own.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Says `text`, cutting short whatever is still being said.
    virtual void say(const QString& text) = 0;
    virtual void stop() = 0;
};

// Connects to the system's engine and picks its Mandarin voice; the error says what
// the teacher can install when there is none.
Result<std::unique_ptr<SpeechEngine>> openSpeechEngine();

} // namespace mirello
