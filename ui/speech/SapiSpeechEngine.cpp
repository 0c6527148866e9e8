#include "platform/windows/Win32.h"
#include "SpeechEngine.h"

#include <objbase.h>
#include <sapi.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

constexpr QStringView NoSpeech = u"无法朗读名字：";
// Where Windows lists its SAPI voices; "804" is the language code of Simplified Chinese.
constexpr wchar_t VoicesCategory[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";
constexpr wchar_t MandarinVoices[] = L"Language=804";

// A COM reference, released when it goes.
template <typename T>
class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr()
    {
        if (m_pointer)
            m_pointer->Release();
    }

    T* operator->() const { return m_pointer; }
    T* get() const { return m_pointer; }
    T** put() { return &m_pointer; }
    T* release() { return std::exchange(m_pointer, nullptr); }

private:
    T* m_pointer = nullptr;
};

Error failure(const QString& what, HRESULT result)
{
    return Error{NoSpeech + what, win32::systemReason(static_cast<unsigned long>(result))};
}

// Windows' own speech engine (SAPI 5), through COM on the speaker's thread.
class SapiSpeechEngine final : public SpeechEngine
{
public:
    explicit SapiSpeechEngine(ISpVoice* voice)
        : m_voice(voice)
    {
    }
    ~SapiSpeechEngine() override
    {
        m_voice->Release();
        ::CoUninitialize();
    }

    void say(const QString& text) override
    {
        m_voice->Speak(reinterpret_cast<const wchar_t*>(text.utf16()),
                       SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_NOT_XML, nullptr);
    }

    void stop() override { m_voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr); }

private:
    ISpVoice* m_voice;
};

Result<ISpVoice*> mandarinVoice()
{
    ComPtr<ISpObjectTokenCategory> category;
    HRESULT result =
        ::CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                           IID_ISpObjectTokenCategory, reinterpret_cast<void**>(category.put()));
    if (FAILED(result) || FAILED(result = category->SetId(VoicesCategory, FALSE)))
        return failure(u"Windows 的语音功能无法启动。"_s, result);
    ComPtr<IEnumSpObjectTokens> tokens;
    ComPtr<ISpObjectToken> token;
    if (FAILED(category->EnumTokens(MandarinVoices, nullptr, tokens.put())) ||
        tokens->Next(1, token.put(), nullptr) != S_OK) {
        return Error{NoSpeech + u"Windows 没有中文（简体）语音。请在“设置 → 时间和语言 → "
                                u"语音”中添加中文语音后再打开朗读。"_s,
                     QString()};
    }
    ComPtr<ISpVoice> voice;
    result = ::CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(voice.put()));
    if (FAILED(result) || FAILED(result = voice->SetVoice(token.get())))
        return failure(u"Windows 的中文语音无法启动。"_s, result);
    return voice.release();
}

} // namespace

Result<std::unique_ptr<SpeechEngine>> openSpeechEngine()
{
    const HRESULT started = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(started))
        return failure(u"Windows 的语音功能无法启动。"_s, started);
    Result<ISpVoice*> voice = mandarinVoice();
    if (!voice) {
        ::CoUninitialize();
        return voice.error();
    }
    return std::unique_ptr<SpeechEngine>(std::make_unique<SapiSpeechEngine>(voice.value()));
}

} // namespace mirello
