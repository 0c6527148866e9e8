#include "lesson/Lesson.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/FileOperations.h"
#include "platform/FontList.h"
#include "platform/ProgramFolder.h"
#include "remote/CommandChannel.h"
#include "roll/RollFolderLocation.h"
#include "Translations.h"
#include "ui/main/FrmMain.h"
#include "ui/speech/SystemSpeaker.h"
#include "ui/widgets/Fonts.h"
#include "ui/widgets/MessageBoxReporter.h"

#include <cstdio>
#include <QApplication>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The Debian package builds the program for /usr; the archive for a portable folder.
#ifdef MIRELLO_SYSTEM_WIDE
constexpr auto Installed = mirello::Installation::SystemWide;
#else
constexpr auto Installed = mirello::Installation::PortableFolder;
#endif

constexpr std::chrono::seconds AnswerWait{10};

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Qt cannot keep a window on top, place it or keep the focus off it under Wayland:
// on a Wayland desktop with XWayland, the floating button needs the X11 platform.
void preferX11OnWayland()
{
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"_s &&
        !qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

QString rollFolderPath()
{
    return mirello::rollFolderPath(Installed, mirello::programFolder(), mirello::userDataFolder());
}

// The running copy's answer as this start's exit code: 0 done, 1 not, with its reason.
int answered(const QString& answer)
{
    if (!answer.isEmpty())
        print(stderr, answer + u'\n');
    return answer.isEmpty() ? 0 : 1;
}

} // namespace

// A copy already running for this roll folder carries out the options (or, with none,
// brings its window forward) and this start ends; without one, this copy starts and
// then carries them out itself.
int main(int argc, char* argv[])
{
    mirello::useStartingConsole();
    QList<mirello::RemoteCommand> commands;
    {
        const QCoreApplication client(argc, argv);
        const mirello::ParsedCommandLine parsed =
            mirello::parseCommandLine(client.arguments().mid(1));
        if (std::holds_alternative<mirello::UsageAsked>(parsed)) {
            print(stdout, mirello::commandLineUsage());
            return 0;
        }
        if (const auto* mistake = std::get_if<mirello::CommandLineMistake>(&parsed)) {
            print(stderr, mistake->what + u"\n\n"_s + mirello::commandLineUsage());
            return 2;
        }
        commands = std::get<QList<mirello::RemoteCommand>>(parsed);
        // A second plain start too: it must leave the running copy its channel.
        if (const std::optional<QString> answer = mirello::sendToRunningCopy(
                mirello::channelAddress(rollFolderPath()), commands, AnswerWait))
            return answered(*answer);
    }
    // Read while Qt connects to the display; the window needs it for its first text.
    std::future<void> fontList = mirello::startReadingFontList();
    preferX11OnWayland();
    QApplication application(argc, argv);
    const QString folder = mirello::programFolder();
    mirello::installChineseTranslations(application, folder);
    mirello::SystemClock clock;
    mirello::MessageBoxReporter reporter;
    mirello::SystemSpeaker speaker;
    const QString rollFolder = rollFolderPath();
    const mirello::LocalChannelAddress channel = mirello::channelAddress(rollFolder);
    // The channel is taken before the window, which takes a while to make: a second
    // start meanwhile finds this copy instead of becoming another. Commands wait for
    // the window in the event loop.
    QPointer<mirello::FrmMain> window;
    mirello::CommandServer server(channel, [&window](const QList<mirello::RemoteCommand>& asked) {
        if (!window)
            return u"Mirello 正在退出"_s;
        if (!asked.isEmpty())
            return window->lesson().carryOut(asked);
        window->bringForward();
        return QString();
    });
    if (const std::optional<QString> failure = server.listen()) {
        // Started at the same moment as another copy, which listened first.
        if (const std::optional<QString> answer =
                mirello::sendToRunningCopy(channel, commands, AnswerWait))
            return answered(*answer);
        print(stderr, u"其他程序无法调用 Mirello：本地通道无法建立（"_s + *failure + u"）\n"_s);
    }
    fontList.wait();
    window = new mirello::FrmMain(folder, rollFolder, clock, reporter, speaker,
                                  mirello::systemFileOperations(), mirello::systemGlobalKeys);
    // Closing the window unloads it; an open About window keeps the program running.
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->showAtStart();
    if (!mirello::chineseFontInstalled())
        reporter.report(window, mirello::missingChineseFont());
    if (!commands.isEmpty()) {
        QTimer::singleShot(0, window, [window, commands] {
            if (const QString failed = window->lesson().carryOut(commands); !failed.isEmpty())
                print(stderr, failed + u'\n');
        });
    }
    return application.exec();
}
