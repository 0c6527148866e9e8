#include "SystemSpeaker.h"

#include "SpeechEngine.h"

#include <QThread>

using namespace Qt::StringLiterals;

namespace mirello {

// Lives on the speaker's thread; every call comes there queued.
class SpeechWorker final : public QObject
{
    Q_OBJECT

public:
    void start()
    {
        Result<void> started;
        if (!m_engine) {
            Result<std::unique_ptr<SpeechEngine>> opened = openSpeechEngine();
            started = opened;
            if (opened)
                m_engine = std::move(opened).value();
        }
        Q_EMIT ready(started.ok(), started.ok() ? QString() : started.error().message,
                     started.ok() ? QString() : started.error().reason);
    }

    void say(const QString& text)
    {
        if (m_engine)
            m_engine->say(text);
    }

    void stop()
    {
        if (m_engine)
            m_engine->stop();
    }

Q_SIGNALS:
    void ready(bool ok, const QString& message, const QString& reason);

private:
    std::unique_ptr<SpeechEngine> m_engine;
};

SystemSpeaker::SystemSpeaker(QObject* parent)
    : QObject(parent)
{
}

// A thread stalled in the speech service is left to the program's end rather than
// waited for.
SystemSpeaker::~SystemSpeaker()
{
    if (!m_thread)
        return;
    m_thread->quit();
    if (m_thread->wait(1000))
        delete m_thread;
}

void SystemSpeaker::prepare(Ready ready)
{
    m_ready = std::move(ready);
    if (!m_thread) {
        m_thread = new QThread;
        m_thread->setObjectName(u"Speech"_s);
        m_worker = new SpeechWorker;
        m_worker->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        connect(m_worker, &SpeechWorker::ready, this, &SystemSpeaker::started);
        m_thread->start(QThread::LowPriority);
    }
    QMetaObject::invokeMethod(m_worker, &SpeechWorker::start);
}

void SystemSpeaker::started(bool ok, const QString& message, const QString& reason)
{
    if (m_ready)
        std::exchange(m_ready, nullptr)(ok ? Result<void>() : Result<void>(Error{message, reason}));
}

void SystemSpeaker::say(const QString& text)
{
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, [worker = m_worker, text] { worker->say(text); });
}

void SystemSpeaker::stop()
{
    if (m_worker)
        QMetaObject::invokeMethod(m_worker, &SpeechWorker::stop);
}

} // namespace mirello

#include "SystemSpeaker.moc"
