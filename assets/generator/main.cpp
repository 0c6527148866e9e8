// Draws Mirello's artwork and writes its sample classes into the assets folder given
// as the only argument. Run it through the build's `artwork` target.
#include "AssetFiles.h"

#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // Everything is drawn into images, so no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream errors(stderr);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 2) {
        errors << "usage: mirello_artwork <assets folder>\n";
        return 2;
    }
    const mirello::Result<void> written = mirello::writeAssetFiles(arguments.at(1));
    if (!written) {
        errors << written.error().text() << '\n';
        return 1;
    }
    return 0;
}
