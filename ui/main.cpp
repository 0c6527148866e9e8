#include "FrmMain.h"
#include "MessageBoxReporter.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"
#include "Translations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString folder = mirello::programFolder();
    mirello::installChineseTranslations(application, folder);
    mirello::SystemClock clock;
    mirello::MessageBoxReporter reporter;
    auto* window = new mirello::FrmMain(folder, clock, reporter);
    // Closing the window unloads it; an open About window keeps the program running.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return application.exec();
}
