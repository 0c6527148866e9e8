#pragma once

#include "platform/Result.h"

class QWidget;

namespace mirello {

// Tells the teacher about a failure. The windows report through this interface, so
// that tests can collect the reports instead of facing a message box.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    // Shows `error` over `window`.
    virtual void report(QWidget* window, const Error& error) = 0;
};

} // namespace mirello
