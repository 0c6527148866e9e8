#include "FrmMain.h"
#include "MessageBoxReporter.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    mirello::SystemClock clock;
    mirello::MessageBoxReporter reporter;
    auto* window = new mirello::FrmMain(mirello::programFolder(), clock, reporter);
    // Closing the window unloads it; an open About window keeps the program running.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return application.exec();
}
