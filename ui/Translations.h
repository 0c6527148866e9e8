#pragma once

#include <QString>

class QCoreApplication;

namespace mirello {

// Loads Qt's own Simplified Chinese texts (the buttons and captions Qt draws in its
// dialogs), from `programFolder`/translations when the program folder ships them,
// else from the system's Qt. Without them Qt's texts stay English; nothing fails.
void installChineseTranslations(QCoreApplication& application, const QString& programFolder);

} // namespace mirello
