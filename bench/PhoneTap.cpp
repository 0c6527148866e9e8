// Pairs a phone with the remote over loopback as the phone's page does, then prints, as
// JSON, the median seconds from a "next" tap sent over its WebSocket until the projector
// window starts to repaint ("phone_tap_to_projector"), and the median round trip of a
// bare WebSocket echo in the same process ("websocket_echo").
// Usage: QT_QPA_PLATFORM=offscreen phone_tap
#include "BenchFiles.h"
#include "lesson/Lesson.h"
#include "platform/Clock.h"
#include "platform/FileOperations.h"
#include "remote/PhoneState.h"
#include "RosterGenerator.h"
#include "ui/main/FrmMain.h"
#include "ui/speech/Speaker.h"
#include "ui/widgets/ErrorReporter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QWebSocket>
#include <QWebSocketServer>
#include <vector>

using namespace mirello;
using namespace Qt::StringLiterals;

namespace {

constexpr int Rounds = 200;
constexpr int GapMs = 60;
constexpr int SetupMs = 10000;

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "phone_tap: %s\n", qPrintable(what));
    std::exit(EXIT_FAILURE);
}

struct ExitingReporter final : ErrorReporter
{
    void report(QWidget*, const Error& error) override { fail(error.text()); }
};

struct SilentSpeaker final : Speaker
{
    void prepare(Ready ready) override { ready(Result<void>()); }
    void say(const QString&) override {}
    void stop() override {}
};

// The size and shape of what the phone's page sends: aimed at what it was `shown`.
QString action(const QString& name, const QJsonObject& shown = {})
{
    const QJsonObject message{{u"id"_s, QUuid::createUuid().toString(QUuid::Id128)},
                              {u"do"_s, name},
                              {u"arg"_s, QString()},
                              {u"class"_s, shown[u"class"_s]},
                              {u"draw"_s, shown[u"draw"_s]},
                              {u"recording"_s, QString()},
                              {u"grade"_s, QString()},
                              {u"drawing"_s, shown[u"running"_s]}};
    return QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
}

// Runs the event loop until `done` holds or `ms` have passed; whether it holds.
bool runUntil(const std::function<bool()>& done, int ms)
{
    bool late = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&late] { late = true; });
    limit.start(ms);
    while (!done() && !late)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void waitFor(const std::function<bool()>& done, const char* what)
{
    if (!runUntil(done, SetupMs))
        fail(u"timed out waiting for "_s + QLatin1StringView(what));
}

// Keeps the nanoseconds from start() to the first stop(), which a paint of the projector
// or of any of its children also is.
struct Stopwatch final : QObject
{
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && projector && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == projector)
            stop();
        return false;
    }
    void start()
    {
        stoppedAt = -1;
        clock.start();
    }
    void stop()
    {
        if (stoppedAt < 0)
            stoppedAt = clock.nsecsElapsed();
    }
    bool stopped() const { return stoppedAt >= 0; }
    QWidget* projector = nullptr;
    QElapsedTimer clock;
    qint64 stoppedAt = -1;
};

// The median of `Rounds` texts sent, each timed until `watch` stops. The server closes
// a phone's connection at more than 20 messages a second: rounds are paced, the echo's
// alike, so that both wake from the same idle loop.
double timedMedian(Stopwatch& watch, const std::function<QString()>& tap,
                   const std::function<void(const QString&)>& send, const char* what)
{
    std::vector<double> seconds;
    for (int i = 0; i < Rounds; ++i) {
        runUntil([] { return false; }, GapMs);
        const QString text = tap();
        watch.start();
        send(text);
        waitFor([&watch] { return watch.stopped(); }, what);
        seconds.push_back(double(watch.stoppedAt) * 1e-9);
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

GlobalKeysOrWhyNot noGlobalKeys()
{
    return Error{u"no keys from other programs"_s, {}};
}

QJsonObject fetch(QNetworkAccessManager& net, const QString& url, const QByteArray& body = {})
{
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    QNetworkReply* reply = body.isNull() ? net.get(request) : net.post(request, body);
    waitFor([reply] { return reply->isFinished(); }, "an answer over HTTP");
    reply->deleteLater();
    return QJsonDocument::fromJson(reply->readAll()).object();
}

// Opens `socket` on `url`, handing each text it receives to `received`.
void open(QWebSocket& socket, const QString& url, std::function<void(const QString&)> received)
{
    socket.setProxy(QNetworkProxy::NoProxy);
    QObject::connect(&socket, &QWebSocket::textMessageReceived, std::move(received));
    socket.open(QUrl(url));
    waitFor([&socket] { return socket.state() == QAbstractSocket::ConnectedState; }, "a WebSocket");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir program;
    QDir(program.path()).mkpath(u"checkroll/.mirello"_s);
    QDir(program.path()).mkpath(u"Icons"_s);
    const QDir icons(QString::fromUtf8(MIRELLO_ASSETS_DIR "/Icons"));
    for (const QString& name : icons.entryList(QDir::Files))
        QFile::copy(icons.filePath(name), program.filePath(u"Icons/"_s + name));
    const QString rollFolder = program.filePath(u"checkroll"_s);
    writeFileOrExit(rollFolder + u"/30.txt"_s, generatedRoster(30));
    writeFileOrExit(rollFolder + u"/.mirello/settings.ini"_s,
                    "[draw]\nseveral=@ByteArray(2)\n[phone]\naddress=@ByteArray(127.0.0.1)\n");

    const SystemClock clock;
    ExitingReporter reporter;
    SilentSpeaker speaker;
    FrmMain window(program.path(), rollFolder, clock, reporter, speaker, systemFileOperations(),
                   noGlobalKeys);
    window.show();
    Stopwatch watch;
    application.installEventFilter(&watch);
    watch.start();
    window.findChild<QAction*>(u"投影窗口"_s)->trigger();
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        if (shown->objectName() == u"ProjectorWindow"_s && shown->isVisible())
            watch.projector = shown;
    }
    waitFor([&watch] { return watch.stopped(); }, "the projector");

    // Pairing, as the page does it, with the teacher's 允许 clicked on the computer.
    window.lesson().carryOut({{Feature::PhoneRemote, {}}});
    auto* phoneWindow = window.findChild<QWidget*>(u"PhoneWindow"_s);
    const QString server =
        u"127.0.0.1:"_s + QString::number(phoneWindow->findChild<QSpinBox*>()->value());
    const QString code = phoneWindow->findChild<QLabel*>(u"PhoneCode"_s)->text();
    QNetworkAccessManager net;
    net.setProxy(QNetworkProxy::NoProxy);
    const QString request =
        fetch(net, u"http://"_s + server + u"/pair"_s, R"({"code":")" + code.toLatin1() + R"("})")
            .value(u"request"_s)
            .toString();
    auto* allow = window.findChild<QPushButton*>(u"PhonePairingAllow"_s);
    if (request.isEmpty() || !allow)
        fail(u"the pairing was not asked for"_s);
    allow->click();
    const QString token =
        fetch(net, u"http://"_s + server + u"/pair/"_s + request).value(u"token"_s).toString();

    // Kept raw while timing: the phone reads them on its own processor.
    QStringList inbox;
    QWebSocket phone;
    open(phone, u"ws://"_s + server + u"/ws?token="_s + token,
         [&inbox](const QString& text) { inbox.append(text); });
    // A Pause before the first tick stops on nobody.
    const auto* name = window.findChild<QLabel*>(u"LblName"_s);
    const QString before = name->text();
    phone.sendTextMessage(action(u"start-pause"_s, phoneState(window.lesson().view())));
    waitFor([&] { return name->text() != before; }, "a name drawn");
    phone.sendTextMessage(action(u"start-pause"_s, phoneState(window.lesson().view())));
    waitFor([&] { return phoneState(window.lesson().view())[u"picks"_s].toArray().size() == 2; },
            "two picks");
    const double tap = timedMedian(
        watch, [&window] { return action(u"next"_s, phoneState(window.lesson().view())); },
        [&phone](const QString& text) { phone.sendTextMessage(text); }, "a repaint");
    waitFor([&] { return inbox.filter(u"\"ok\":true"_s).size() == Rounds + 2; }, "the answers");

    QWebSocketServer echo(u"echo"_s, QWebSocketServer::NonSecureMode);
    if (!echo.listen(QHostAddress::LocalHost))
        fail(echo.errorString());
    QObject::connect(&echo, &QWebSocketServer::newConnection, [&echo] {
        QWebSocket* socket = echo.nextPendingConnection();
        QObject::connect(socket, &QWebSocket::textMessageReceived, socket,
                         [socket](const QString& text) { socket->sendTextMessage(text); });
    });
    QWebSocket client;
    open(client, u"ws://127.0.0.1:"_s + QString::number(echo.serverPort()),
         [&watch](const QString&) { watch.stop(); });
    const double echoed = timedMedian(
        watch, [&window] { return action(u"next"_s, phoneState(window.lesson().view())); },
        [&client](const QString& text) { client.sendTextMessage(text); }, "the echo");
    std::printf("{\"phone_tap_to_projector\": %.9f, \"websocket_echo\": %.9f}\n", tap, echoed);
    return EXIT_SUCCESS;
}
