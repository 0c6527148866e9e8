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

struct LocaleVoice
{
    QLocale locale;
    QVoice voice;
};

// The engine lists only the voices of its current locale, so every locale that may
// hold Mandarin is visited in turn.
QList<LocaleVoice> voicesThatMaySpeakMandarin(QTextToSpeech& speech)
{
    QList<LocaleVoice> voices;
    for (const QLocale& locale : speech.availableLocales()) {
        if (!mayHoldMandarin(locale))
            continue;
        speech.setLocale(locale);
        if (speech.locale() == locale) {
            for (const QVoice& voice : speech.availableVoices())
                voices.append({locale, voice});
        }
    }
    return voices;
}

// Qt 5's module names neither its engine nor why it failed.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
QString engineName(const QTextToSpeech& speech)
{
    return speech.engine();
}
QString failureOf(const QTextToSpeech& speech)
{
    return speech.errorString();
}
bool cannotConnect(const QTextToSpeech& speech)
{
    return speech.errorReason() == QTextToSpeech::ErrorReason::Initialization;
}
#else
QString engineName(const QTextToSpeech&)
{
    return QTextToSpeech::availableEngines().value(0);
}
QString failureOf(const QTextToSpeech&)
{
    return QString();
}
bool cannotConnect(const QTextToSpeech& speech)
{
    return speech.state() == QTextToSpeech::BackendError;
}
#endif

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
        if (cannotConnect(*speech)) {
            return Error{NoSpeech + u"无法连接系统的语音服务。请安装 speech-dispatcher 和 "
                                    u"speech-dispatcher-espeak-ng 后再打开朗读。"_s,
                         failureOf(*speech)};
        }
        return Error{NoSpeech + u"语音引擎“"_s + engineName(*speech) + u"”没有任何语音。"_s +
                         InstallVoices,
                     failureOf(*speech)};
    }
    const QList<LocaleVoice> voices = voicesThatMaySpeakMandarin(*speech);
    QList<OfferedVoice> offered;
    for (const auto& [locale, voice] : voices)
        offered.append({locale, voice.name()});
    const std::optional<qsizetype> chosen = mandarinVoice(offered);
    if (!chosen) {
        return Error{NoSpeech + u"语音引擎“"_s + engineName(*speech) + u"”没有普通话语音。"_s +
                         InstallVoices,
                     QString()};
    }
    const auto& [locale, voice] = voices[*chosen];
    speech->setLocale(locale);
    speech->setVoice(voice);
    if (speech->voice() != voice) {
        return Error{NoSpeech + u"语音引擎无法换用普通话语音“"_s + voice.name() + u"”。"_s,
                     failureOf(*speech)};
    }
    return std::unique_ptr<SpeechEngine>(std::make_unique<QtSpeechEngine>(std::move(speech)));
}

} // namespace mirello
