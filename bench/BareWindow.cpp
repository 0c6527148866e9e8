// An empty window of the main window's client size and nothing else: the floor
// for the program's start-up time and memory. Usage: bare_window [text]; with a
// text, the window shows it in a label, which makes Qt set up its fonts: the least
// that any window showing Chinese text pays.
#include <QApplication>
#include <QLabel>
#include <QWidget>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(u"Bare window"_s);
    window.setFixedSize(278, 210);
    if (argc > 1)
        new QLabel(QString::fromLocal8Bit(argv[1]), &window);
    window.show();
    return app.exec();
}
