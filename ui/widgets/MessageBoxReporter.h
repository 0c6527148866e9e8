#pragma once

#include "ErrorReporter.h"

namespace mirello {

// Reports each failure in a warning message box over the window it concerns.
class MessageBoxReporter final : public ErrorReporter
{
public:
    void report(QWidget* window, const Error& error) override;
};

} // namespace mirello
