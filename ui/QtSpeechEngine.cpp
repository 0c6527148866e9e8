#include "SpeechEngine.h"

#include <QTextToSpeech>
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

// Qt's text-to-speech module over the system's speech service.
class QtSpeechEngine final : public SpeechEngine
{
public:
    // The connection is never closed: closing can stall as any call can, and the
    // program's end closes it anyway.
    explicit QtSpeechEngine(QTextToSpeech* speech)
        : m_speech(speech)
    {
    }

    void say(const QString& text) override
    {
        m_speech->stop();
        m_speech->say(text);
    }

    void stop() override { m_speech->stop(); }

private:
    QTextToSpeech* m_speech;
};

} // namespace

Result<std::unique_ptr<SpeechEngine>> openSpeechEngine()
{
    if (QTextToSpeech::availableEngines().isEmpty()) {
        return Error{NoSpeech + u"本机没有可用的语音引擎。请安装 speech-dispatcher 和 "
                                u"espeak-ng 后再打开朗读。"_s,
                     QString()};
    }
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
    return std::unique_ptr<SpeechEngine>(std::make_unique<QtSpeechEngine>(speech));
}

} // namespace mirello
