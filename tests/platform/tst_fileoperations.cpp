// Writes interrupted by signals or taken only in part, which a recording cannot show;
// every other file step is proven through whole recordings.

#include "support/FaultInjectingFileOperations.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <QTest>
#include <thread>
#include <unistd.h>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

std::atomic<int> g_signals{0};

void countSignal(int)
{
    g_signals.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writeAllSurvivesSignalsAndShortWrites();
};

void TestFileOperations::writeAllSurvivesSignalsAndShortWrites()
{
    // A pipe takes 64 KiB before a write blocks; a signal then (a handler without
    // SA_RESTART) ends the write early with what it took, or with EINTR when it took
    // nothing. writeAll must still deliver every byte in order.
    struct sigaction action = {};
    action.sa_handler = countSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction previous = {};
    QCOMPARE(::sigaction(SIGUSR1, &action, &previous), 0);
    int pipeEnds[2];
    QCOMPARE(::pipe(pipeEnds), 0);
    QByteArray data(8 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data.data()[i] = char((i * 7919) >> 5);

    faulttest::FaultInjectingFileOperations files;
    Result<void> written;
    std::thread writer([&] {
        written = files.writeAll(pipeEnds[1], data);
        ::close(pipeEnds[1]); // the reader sees the end
    });
    // Every read makes room in the pipe; a signal right after it lands in a write.
    QByteArray received;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        received.append(buffer, got);
        ::pthread_kill(writer.native_handle(), SIGUSR1);
    }
    writer.join();
    ::close(pipeEnds[0]);
    ::sigaction(SIGUSR1, &previous, nullptr);

    QVERIFY2(written.ok(), qPrintable(written.ok() ? QString() : written.error().text()));
    QVERIFY(received == data);
    const qsizetype writes = files.calls.count(u"write"_s);
    qInfo("8 MiB through a pipe: %d signals, %lld write calls", g_signals.load(),
          qlonglong(writes));
    QVERIFY(g_signals.load() > 0);
    QVERIFY(writes > 1); // every write after the first continues a short one
}

QTEST_GUILESS_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
