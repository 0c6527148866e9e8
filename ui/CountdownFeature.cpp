#include "CountdownFeature.h"

#include <QApplication>
#include <QInputDialog>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace mirello {

namespace {

// Often enough that the shown second never lags by more than a fifth.
constexpr milliseconds TickInterval{200};

QString prompt()
{
    return u"计时多久？例如 90（秒）、1:30、3分钟、1分30秒，最长 99 分钟。"_s;
}

} // namespace

CountdownFeature::CountdownFeature(const Clock& clock, QWidget* window)
    : QObject(window)
    , m_window(window)
    , m_countdown(clock)
    , m_ticks(new QTimer(this))
{
    m_ticks->setInterval(TickInterval);
    connect(m_ticks, &QTimer::timeout, this, &CountdownFeature::tick);
}

void CountdownFeature::start(seconds duration)
{
    m_countdown.start(duration);
    m_ticks->start();
    Q_EMIT notice(u"计时开始："_s + countdownText(duration));
    tick();
}

// Window-modal and opened without waiting, so the draw's timer and the countdown's
// go on while the teacher types.
void CountdownFeature::askForDuration()
{
    if (!m_dialog) {
        m_dialog = new QInputDialog(m_window);
        m_dialog->setWindowTitle(u"计时"_s);
        connect(m_dialog, &QInputDialog::textValueSelected, this, &CountdownFeature::takeTyped);
    }
    m_dialog->setLabelText(prompt());
    m_dialog->setTextValue(QString());
    m_dialog->open();
}

// A refused entry stays in the field, with the reason above it, to be corrected.
void CountdownFeature::takeTyped(const QString& typed)
{
    const Result<seconds> duration = parseCountdownDuration(typed);
    if (!duration) {
        m_dialog->setLabelText(duration.error().message + u"\n\n"_s + prompt());
        m_dialog->open();
        return;
    }
    start(duration.value());
}

void CountdownFeature::pauseOrResume()
{
    if (!m_countdown.isRunning() || m_countdown.hasEnded()) {
        Q_EMIT notice(u"没有正在进行的计时"_s);
        return;
    }
    if (m_countdown.isPaused()) {
        m_countdown.resume();
        m_ticks->start();
    } else {
        m_countdown.pause();
        m_ticks->stop();
    }
    Q_EMIT notice(m_countdown.isPaused() ? u"计时暂停"_s : u"计时继续"_s);
    tick();
}

void CountdownFeature::stop()
{
    if (!m_countdown.isRunning()) {
        Q_EMIT notice(u"没有正在进行的计时"_s);
        return;
    }
    m_countdown.stop();
    m_ticks->stop();
    Q_EMIT notice(u"计时已停止"_s);
    Q_EMIT shown(QString(), false);
}

void CountdownFeature::tick()
{
    // Read once, so that the digits and the ending agree.
    const nanoseconds left = m_countdown.remaining();
    const bool ended = left == nanoseconds::zero();
    QString text = countdownText(left);
    if (ended)
        text += u" 时间到"_s;
    else if (m_countdown.isPaused())
        text += u" 暂停"_s;
    Q_EMIT shown(text, ended);
    if (ended) {
        m_ticks->stop();
        QApplication::beep();
        Q_EMIT notice(u"时间到"_s);
    }
}

} // namespace mirello
