#include "MandarinVoice.h"
#include "SpeechEngine.h"

#include <QTextToSpeech>
#include <QVoice>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView NoSpeech = u"无法朗读名字：";
constexpr QStringView InstallVoices = u"请安装 speech-dispatcher-espeak-ng 后再打开朗读。";

// Qt's text-to-speech module over the system's speech service.
class QtSpeechEngine final : public SpeechEngine
{
public:
    // Deleting the engine closes the connection, which may stall as any call can;
    // it is deleted on the speaker's thread, which the window never waits on long.
    explicit QtSpeechEngine(std::unique_ptr<QTextToSpeech> speech)
        : m_speech(std::move(speech))
    {
    }

    void say(const QString& text) override
    {
        m_speech->stop();
        m_speech->say(text);
    }

    void stop() override { m_speech->stop(); }

private:
    std::unique_ptr<QTextToSpeech> m_speech;
};

// The engine lists only the voices of its current locale, so every locale that may
// hold Mandarin is visited in turn.
QList<QVoice> voicesThatMaySpeakMandarin(QTextToSpeech& speech)
{
    QList<QVoice> voices;
    for (const QLocale& locale : speech.availableLocales()) {
        if (!mayHoldMandarin(locale))
            continue;
        speech.setLocale(locale);
        if (speech.locale() == locale)
            voices.append(speech.availableVoices());
    }
    return voices;
}

} // namespace

// The engine's own start picks a voice for the desktop's language and fails where it
// has none by that locale's name, as under zh_CN with espeak-ng, whose Mandarin is
// "cmn". That failure is passed over: the Mandarin voice is chosen here.
Result<std::unique_ptr<SpeechEngine>> openSpeechEngine()
{
    if (QTextToSpeech::availableEngines().isEmpty()) {
        return Error{NoSpeech + u"本机没有可用的语音引擎。请安装 speech-dispatcher 和 "
                                u"speech-dispatcher-espeak-ng 后再打开朗读。"_s,
                     QString()};
    }
    auto speech = std::make_unique<QTextToSpeech>();
    if (speech->availableLocales().isEmpty()) {
        if (speech->errorReason() == QTextToSpeech::ErrorReason::Initialization) {
            return Error{NoSpeech + u"无法连接系统的语音服务。请安装 speech-dispatcher 和 "
                                    u"speech-dispatcher-espeak-ng 后再打开朗读。"_s,
                         speech->errorString()};
        }
        return Error{NoSpeech + u"语音引擎“"_s + speech->engine() + u"”没有任何语音。"_s +
                         InstallVoices,
                     speech->errorString()};
    }
    const QList<QVoice> voices = voicesThatMaySpeakMandarin(*speech);
    QList<OfferedVoice> offered;
    for (const QVoice& voice : voices)
        offered.append({voice.locale(), voice.name()});
    const std::optional<qsizetype> chosen = mandarinVoice(offered);
    if (!chosen) {
        return Error{NoSpeech + u"语音引擎“"_s + speech->engine() + u"”没有普通话语音。"_s +
                         InstallVoices,
                     QString()};
    }
    const QVoice& voice = voices[*chosen];
    speech->setLocale(voice.locale());
    speech->setVoice(voice);
    if (speech->voice() != voice) {
        return Error{NoSpeech + u"语音引擎无法换用普通话语音“"_s + voice.name() + u"”。"_s,
                     speech->errorString()};
    }
    return std::unique_ptr<SpeechEngine>(std::make_unique<QtSpeechEngine>(std::move(speech)));
}

} // namespace mirello
