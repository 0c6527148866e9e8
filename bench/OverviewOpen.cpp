// Opens the class overview on generated classes and prints, as JSON, the median
// seconds from creating the window until its table and its chart are first
// painted ("overview_open/<students>"), and the median seconds a refresh after a
// recording takes until both are painted again ("overview_refresh/<students>").
// Usage: overview_open <students>...
#include "BenchFiles.h"
#include "lesson/DrawSession.h"
#include "platform/Clock.h"
#include "roll/RosterLoader.h"
#include "RosterGenerator.h"
#include "ui/widgets/ErrorReporter.h"
#include "ui/windows/OverviewWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <vector>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

constexpr int Opens = 9;

struct ExitingReporter final : ErrorReporter
{
    void report(QWidget*, const Error& error) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(error.text()));
        std::exit(EXIT_FAILURE);
    }
};

// Counts the paints of the table's and the chart's drawing areas. It must go before
// the window: the window's destruction deletes the sentence while events still reach
// the filter, so what it reads is guarded and the filters are removed first.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(const OverviewWindow& window)
        : m_sentence(window.findChild<QLabel*>(u"FairnessSentence"_s))
    {
        for (const auto* name : {"OverviewTable", "FairnessChart"}) {
            // The table paints in its viewport, the chart in itself.
            QWidget* painted = window.findChild<QWidget*>(QString::fromLatin1(name));
            if (auto* area = qobject_cast<QAbstractScrollArea*>(painted))
                painted = area->viewport();
            painted->installEventFilter(this);
            m_painted.push_back(painted);
        }
    }
    ~PaintCounter() override
    {
        for (const QPointer<QObject>& painted : m_painted) {
            if (painted)
                painted->removeEventFilter(this);
        }
    }
    bool bothPainted() const { return m_seen.size() == m_painted.size(); }
    void startAgain() { m_seen.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || !m_sentence)
            return false;
        // The window reads the class off its thread: what counts are the paints after.
        const bool read = !m_sentence->text().startsWith(u"正在读取"_s);
        if (read && std::find(m_seen.begin(), m_seen.end(), watched) == m_seen.end())
            m_seen.push_back(watched);
        return false;
    }

private:
    QPointer<const QLabel> m_sentence;
    std::vector<QPointer<QObject>> m_painted;
    std::vector<QObject*> m_seen;
};

void waitForPaints(const PaintCounter& counter)
{
    while (!counter.bothPainted())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const SystemClock clock;
    ExitingReporter reporter;
    std::printf("{");
    for (int arg = 1; arg < argc; ++arg) {
        const qsizetype students = QByteArray(argv[arg]).toLongLong();
        QTemporaryDir program;
        QDir(program.path()).mkdir(u"checkroll"_s);
        const RollFolder folder = RollFolder::besideProgram(program.path());
        const QString classFile = QString::number(students) + u".txt"_s;
        writeFileOrExit(folder.classFilePath(classFile), generatedRoster(students));
        // The overview only reads the session: nothing is kept between runs here.
        DrawSession session(folder, clock, [](const QString&, const ClassState&) {});
        (void)session.classLoaded(classFile, loadRoster(folder.classFilePath(classFile)).value());

        std::vector<double> opens;
        std::vector<double> refreshes;
        for (int i = 0; i < Opens; ++i) {
            QElapsedTimer timer;
            timer.start();
            auto* window = new OverviewWindow(session, folder, reporter);
            auto counter = std::make_unique<PaintCounter>(*window);
            window->refresh();
            window->show();
            waitForPaints(*counter);
            opens.push_back(double(timer.nsecsElapsed()) * 1e-9);

            QCoreApplication::processEvents();
            counter->startAgain();
            timer.restart();
            window->refresh();
            waitForPaints(*counter);
            refreshes.push_back(double(timer.nsecsElapsed()) * 1e-9);
            counter.reset();
            delete window;
        }
        std::printf("%s\"overview_open/%lld\": %.6f, \"overview_refresh/%lld\": %.6f",
                    arg > 1 ? ", " : "", qlonglong(students), median(opens), qlonglong(students),
                    median(refreshes));
    }
    std::printf("}\n");
    return EXIT_SUCCESS;
}
