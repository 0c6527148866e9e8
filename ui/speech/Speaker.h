#pragma once

#include "platform/Result.h"

#include <functional>
#include <QString>

namespace mirello {

// Reads a drawn name aloud. The window speaks through this interface, so that tests
// need neither a speech engine nor a sound card.
class Speaker
{
public:
    using Ready = std::function<void(const Result<void>&)>;

    virtual ~Speaker() = default;

    // Gets the engine ready without blocking the caller; `ready` is called later on
    // the caller's thread with why names cannot be spoken in Mandarin, if they cannot.
    virtual void prepare(Ready ready) = 0;
    // Says `text`, cutting short whatever is still being said.
    virtual void say(const QString& text) = 0;
    virtual void stop() = 0;
};

} // namespace mirello
