#include "SystemSpeaker.h"

#include <QTextToSpeech>
#include <QThread>
#include <QVoice>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView NoSpeech = u"无法朗读名字：";

// A voice that speaks Mandarin: by its locale, or by the name espeak-ng gives its
// Mandarin voices, whose locale Qt does not know. Variants ("…+female2") come last.
std::optional<QVoice> mandarinVoice(const QList<QVoice>& voices)
{
    std::optional<QVoice> variant;
    for (const QVoice& voice : voices) {
        const bool mandarin = voice.locale().language() == QLocale::Chinese ||
                              voice.name().contains(u"Mandarin"_s, Qt::CaseInsensitive);
        if (!mandarin)
            continue;
        if (!voice.name().contains(u'+'))
            return voice;
        if (!variant)
            variant = voice;
    }
    return variant;
}

} // namespace

// Lives on the speaker's thread; every call comes there queued.
class SpeechEngine final : public QObject
{
    Q_OBJECT

public:
    void start()
    {
        const Result<void> started = m_speech ? Result<void>() : connectToService();
        Q_EMIT ready(started.ok(), started.ok() ? QString() : started.error().message,
                     started.ok() ? QString() : started.error().reason);
    }

    void say(const QString& text)
    {
        if (!m_speech)
            return;
        m_speech->stop();
        m_speech->say(text);
    }

    void stop()
    {
        if (m_speech)
            m_speech->stop();
    }

Q_SIGNALS:
    void ready(bool ok, const QString& message, const QString& reason);

private:
    Result<void> connectToService()
    {
        if (QTextToSpeech::availableEngines().isEmpty()) {
            return Error{NoSpeech + u"本机没有可用的语音引擎。请安装 speech-dispatcher 和 "
                                    u"espeak-ng 后再打开朗读。"_s,
                         QString()};
        }
        // Never deleted: closing the connection can stall as any call can, and the
        // program's end closes it anyway.
        auto* speech = new QTextToSpeech;
        if (speech->state() == QTextToSpeech::Error)
            return Error{NoSpeech + u"语音引擎无法启动。"_s, speech->errorString()};
        const std::optional<QVoice> voice = mandarinVoice(speech->availableVoices());
        if (!voice) {
            return Error{NoSpeech + u"语音引擎“"_s + speech->engine() +
                             u"”没有普通话语音。请安装 espeak-ng 后再打开朗读。"_s,
                         QString()};
        }
        speech->setVoice(*voice);
        m_speech = speech;
        return {};
    }

    QTextToSpeech* m_speech = nullptr;
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
        m_engine = new SpeechEngine;
        m_engine->moveToThread(m_thread);
        connect(m_thread, &QThread::finished, m_engine, &QObject::deleteLater);
        connect(m_engine, &SpeechEngine::ready, this, &SystemSpeaker::started);
        m_thread->start(QThread::LowPriority);
    }
    QMetaObject::invokeMethod(m_engine, &SpeechEngine::start);
}

void SystemSpeaker::started(bool ok, const QString& message, const QString& reason)
{
    if (m_ready)
        std::exchange(m_ready, nullptr)(ok ? Result<void>() : Result<void>(Error{message, reason}));
}

void SystemSpeaker::say(const QString& text)
{
    if (m_engine)
        QMetaObject::invokeMethod(m_engine, [engine = m_engine, text] { engine->say(text); });
}

void SystemSpeaker::stop()
{
    if (m_engine)
        QMetaObject::invokeMethod(m_engine, &SpeechEngine::stop);
}

} // namespace mirello

#include "SystemSpeaker.moc"
