#include "MessageBoxReporter.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace mirello {

void MessageBoxReporter::report(QWidget* window, const Error& error)
{
    QMessageBox::warning(window, u"Mirello"_s, error.text());
}

} // namespace mirello
