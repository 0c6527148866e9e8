// A teacher's phone, played by a headless Chromium driven over its debugging socket:
// it opens the page the QR code names, waits for the teacher to let it in, then taps
// Start, Pause, 良好 and 确定; after Mirello restarts it comes back without pairing and
// marks a student absent in the attendance list. Then a wrong token is refused.
// Usage: phone_browser <page address> [screenshot.png]
#include "support/FileBytes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fail(const QString& why)
{
    qCritical("phone_browser: %s", qPrintable(why));
    std::exit(1);
}

class Browser
{
public:
    Browser()
    {
        // Chromium's helpers may still be writing as it ends: the caller removes the
        // temporary folder it gave (TMPDIR) as a whole.
        m_profile.setAutoRemove(false);
        m_chromium.start(u"chromium"_s,
                         {u"--headless=new"_s, u"--no-sandbox"_s, u"--disable-gpu"_s,
                          u"--no-first-run"_s, u"--disable-dev-shm-usage"_s,
                          u"--user-data-dir="_s + m_profile.path(), u"--remote-debugging-port=0"_s,
                          u"--window-size=390,844"_s, u"about:blank"_s});
        // The port file may be there before its line is, and the page a moment after it
        // on a busy machine: both are asked again until they are.
        QByteArray port;
        QJsonArray pages;
        const bool started = QTest::qWaitFor(
            [&] {
                QFile file(m_profile.filePath(u"DevToolsActivePort"_s));
                if (port.isEmpty() && file.open(QIODevice::ReadOnly))
                    port = file.readLine().trimmed();
                if (!port.isEmpty())
                    pages =
                        QJsonDocument::fromJson(fetch(u"http://127.0.0.1:"_s +
                                                      QString::fromLatin1(port) + u"/json/list"_s))
                            .array();
                return !pages.isEmpty();
            },
            60'000);
        if (!started)
            fail(u"Chromium offers no page: "_s +
                 QString::fromLocal8Bit(m_chromium.readAllStandardError()));
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(u"id"_s))
                m_answers.insert(message[u"id"_s].toInt(), message);
        });
        m_socket.open(QUrl(pages.first()[u"webSocketDebuggerUrl"_s].toString()));
        if (!QTest::qWaitFor([&] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                             10'000))
            fail(u"no debugging connection to Chromium"_s);
    }
    ~Browser()
    {
        // Asked to end, Chromium takes its helper processes along.
        m_chromium.terminate();
        if (!m_chromium.waitForFinished(5000))
            m_chromium.kill();
        m_chromium.waitForFinished();
    }

    QJsonObject call(const QString& method, const QJsonObject& params = {})
    {
        const int id = ++m_lastId;
        m_socket.sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"id"_s, id}, {u"method"_s, method}, {u"params"_s, params}})
                .toJson(QJsonDocument::Compact)));
        if (!QTest::qWaitFor([&] { return m_answers.contains(id); }, 20'000))
            fail(method + u" got no answer"_s);
        return m_answers.take(id)[u"result"_s].toObject();
    }

    QJsonValue evaluate(const QString& script)
    {
        return call(u"Runtime.evaluate"_s, {{u"expression"_s, script},
                                            {u"returnByValue"_s, true},
                                            {u"awaitPromise"_s, true}})[u"result"_s]
            .toObject()[u"value"_s];
    }

    void waitFor(const QString& condition, const QString& what, int seconds = 20)
    {
        if (!QTest::qWaitFor([&] { return evaluate(condition).toBool(); }, seconds * 1000))
            fail(u"the page never showed that "_s + what);
    }

    void tap(const QString& id)
    {
        if (!evaluate(
                 u"(b => !!b && !b.disabled && (b.click(), true))(document.getElementById('"_s +
                 id + u"'))"_s)
                 .toBool())
            fail(u"#"_s + id + u" cannot be tapped"_s);
    }

private:
    static QByteArray fetch(const QString& address)
    {
        QNetworkAccessManager network;
        QNetworkReply* reply = network.get(QNetworkRequest(QUrl(address)));
        (void)QTest::qWaitFor([&] { return reply->isFinished(); }, 10'000);
        return reply->readAll();
    }

    QTemporaryDir m_profile;
    QProcess m_chromium;
    QWebSocket m_socket;
    QHash<int, QJsonObject> m_answers;
    int m_lastId = 0;
};

QString text(const QString& id)
{
    return u"document.getElementById('"_s + id + u"').textContent"_s;
}

// Where each control of the remote is: a tap meant for one must never land on another
// because the page moved meanwhile.
const QString ControlPlaces =
    u"JSON.stringify(Array.from(document.querySelectorAll('#remote button, #class'), b => {"
    u" const r = b.getBoundingClientRect();"
    u" return [b.id, Math.round(r.x), Math.round(r.y), Math.round(r.width), Math.round(r.height)];"
    u" }))"_s;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2)
        fail(u"usage: phone_browser <page address> [screenshot.png]"_s);
    Browser phone;
    phone.call(
        u"Emulation.setDeviceMetricsOverride"_s,
        {{u"width"_s, 390}, {u"height"_s, 844}, {u"deviceScaleFactor"_s, 2}, {u"mobile"_s, true}});
    phone.call(u"Page.navigate"_s, {{u"url"_s, arguments[1]}});
    phone.waitFor(u"!document.getElementById('remote').hidden"_s, u"it was paired"_s, 90);
    phone.waitFor(text(u"startPause"_s) +
                      u" === '开始' && !document.getElementById('startPause').disabled"_s,
                  u"a class is loaded"_s);
    phone.tap(u"startPause"_s);
    phone.waitFor(text(u"startPause"_s) + u" === '暂停'"_s, u"names flicker"_s);
    QTest::qWait(400);
    const QString placesWhileDrawing = phone.evaluate(ControlPlaces).toString();
    phone.tap(u"startPause"_s);
    phone.waitFor(text(u"calls"_s) + u".length > 0"_s, u"the student's calls"_s);
    if (const QString stopped = phone.evaluate(ControlPlaces).toString();
        stopped != placesWhileDrawing)
        fail(u"the controls moved when the draw stopped: "_s + placesWhileDrawing + u" → "_s +
             stopped);
    phone.tap(u"g2"_s);
    phone.waitFor(u"document.getElementById('g2').getAttribute('aria-pressed') === 'true'"_s,
                  u"良好 is chosen"_s);
    phone.tap(u"ok"_s);
    phone.waitFor(text(u"calls"_s) + u".includes('01')"_s, u"the call is counted"_s);
    phone.waitFor(text(u"toast"_s) + u".startsWith('已记录：')"_s, u"the recording is confirmed"_s);
    qInfo("phone_browser: %s was called and graded from the phone",
          qPrintable(phone.evaluate(text(u"name"_s)).toString()));

    // Mirello restarts (the script ends it and starts it again once told): the page says it
    // lost the computer, comes back without pairing, and marks a student absent.
    if (!recordingtest::writeBytes(qEnvironmentVariable("TMPDIR") + u"/graded"_s, "yes"))
        fail(u"cannot tell the script that the grade is in"_s);
    const QString offline = u"document.getElementById('offline').hidden"_s;
    phone.waitFor(u"!"_s + offline, u"the page sees Mirello gone"_s, 60);
    phone.waitFor(offline + u" && !document.getElementById('remote').hidden"_s,
                  u"the page is back without pairing"_s, 90);
    phone.tap(u"showAttendance"_s);
    phone.waitFor(u"!!document.getElementById('attendee0')"_s, u"the attendance list"_s);
    phone.tap(u"attendee0"_s);
    phone.waitFor(text(u"toast"_s) + u" === '今天缺席：王小明'"_s, u"the absence is confirmed"_s);
    phone.waitFor(u"document.getElementById('attendee0').classList.contains('away')"_s,
                  u"the list shows the absence"_s);
    qInfo("phone_browser: after a restart the phone came back and marked an absence");
    if (arguments.size() > 2) {
        const QByteArray png = QByteArray::fromBase64(
            phone.call(u"Page.captureScreenshot"_s)[u"data"_s].toString().toLatin1());
        if (!recordingtest::writeBytes(arguments[2], png))
            fail(u"cannot write "_s + arguments[2]);
    }

    // A browser holding a token that was never given out.
    const QString wrong = u"'"_s + QString(43, u'A') + u"'"_s;
    if (phone
            .evaluate(u"fetch('/session', {headers: {Authorization: 'Bearer ' + "_s + wrong +
                      u"}}).then(r => r.status)"_s)
            .toInt() != 401)
        fail(u"a wrong token was not refused"_s);
    if (phone
            .evaluate(u"new Promise(done => { const w = new WebSocket('ws://' + location.host + "
                      u"'/ws?token=' + "_s +
                      wrong +
                      u"); w.onopen = () => done('open'); w.onclose = () => done('refused'); })"_s)
            .toString() != u"refused"_s)
        fail(u"a WebSocket with a wrong token was let in"_s);
    phone.evaluate(u"localStorage.setItem('mirello.token', "_s + wrong +
                   u"); location.hash = ''; "
                   u"location.reload()"_s);
    phone.waitFor(u"!document.getElementById('pairing').hidden"_s,
                  u"a wrong token must pair again"_s);
    qInfo("phone_browser: a wrong token is refused");
    return 0;
}
