#include "Fonts.h"
#include "FrmMain.h"
#include "MessageBoxReporter.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "platform/ProgramFolder.h"
#include "roll/RollFolderLocation.h"
#include "Translations.h"
#include "ui/speech/SystemSpeaker.h"

#include <QApplication>

namespace {

// The Debian package builds the program for /usr; the archive for a portable folder.
#ifdef MIRELLO_SYSTEM_WIDE
constexpr auto Installed = mirello::Installation::SystemWide;
#else
constexpr auto Installed = mirello::Installation::PortableFolder;
#endif

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString folder = mirello::programFolder();
    mirello::installChineseTranslations(application, folder);
    mirello::SystemClock clock;
    mirello::MessageBoxReporter reporter;
    mirello::SystemSpeaker speaker;
    const QString rollFolder =
        mirello::rollFolderPath(Installed, folder, mirello::userDataFolder());
    auto* window = new mirello::FrmMain(folder, rollFolder, clock, reporter, speaker,
                                        mirello::systemFileOperations());
    // Closing the window unloads it; an open About window keeps the program running.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    if (!mirello::chineseFontInstalled())
        reporter.report(window, mirello::missingChineseFont());
    return application.exec();
}
