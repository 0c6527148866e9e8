#pragma once

#include <QString>

class QWidget;

namespace mirello {

class ErrorReporter;

// The teacher's guide that ships in the program folder `programFolder`, opened in the
// system's browser from the file itself, so that it needs no network. A missing guide
// or a system that cannot show it is reported over `window`.
void openGuide(const QString& programFolder, QWidget* window, ErrorReporter& reporter);

} // namespace mirello
