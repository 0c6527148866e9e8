#include "MessageBoxReporter.h"

#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace mirello {

void MessageBoxReporter::report(QWidget* window, const Error& error)
{
    // The button's text is set here, so it is Chinese even where Qt's own Chinese
    // texts are not installed.
    QMessageBox box(QMessageBox::Warning, u"Mirello"_s, error.text(), QMessageBox::Ok, window);
    box.button(QMessageBox::Ok)->setText(u"确定"_s);
    box.exec();
}

} // namespace mirello
