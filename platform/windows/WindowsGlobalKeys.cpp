#include "platform/GlobalKeys.h"
#include "Win32.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <windows.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

UINT windowsModifiers(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? MOD_SHIFT : 0) |
           (modifiers & Qt::ControlModifier ? MOD_CONTROL : 0) |
           (modifiers & Qt::AltModifier ? MOD_ALT : 0) |
           (modifiers & Qt::MetaModifier ? MOD_WIN : 0);
}

// Hot keys registered for the program's main thread, whose messages Qt's event loop
// shows to native event filters before it dispatches them.
class WindowsGlobalKeys final : public GlobalKeys, public QAbstractNativeEventFilter
{
public:
    WindowsGlobalKeys() { QCoreApplication::instance()->installNativeEventFilter(this); }

    ~WindowsGlobalKeys() override
    {
        releaseAll();
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    Result<void> take(int id, QKeyCombination key) override
    {
        const std::optional<NativeKey> native = nativeKey(key.key());
        if (!native)
            return Error{u"这个键不能用作全局快捷键。"_s, QString()};
        // A held key does not repeat the action.
        const UINT modifiers = windowsModifiers(key.keyboardModifiers()) | MOD_NOREPEAT;
        if (!RegisterHotKey(nullptr, id, modifiers, native->windows)) {
            const DWORD error = GetLastError();
            return Error{error == ERROR_HOTKEY_ALREADY_REGISTERED ? u"这个键已被其他程序占用。"_s
                                                                  : u"无法注册这个全局快捷键。"_s,
                         win32::systemReason(error)};
        }
        m_ids.append(id);
        return {};
    }

    void releaseAll() override
    {
        for (const int id : std::as_const(m_ids))
            UnregisterHotKey(nullptr, id);
        m_ids.clear();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, NativeEventResult*) override
    {
        const auto* msg = static_cast<const MSG*>(message);
        if (type != "windows_generic_MSG" || msg->message != WM_HOTKEY || msg->hwnd)
            return false;
        if (m_ids.contains(int(msg->wParam)))
            Q_EMIT pressed(int(msg->wParam));
        return true;
    }

private:
    QList<int> m_ids;
};

} // namespace

GlobalKeysOrWhyNot systemGlobalKeys()
{
    return std::shared_ptr<GlobalKeys>(std::make_shared<WindowsGlobalKeys>());
}

} // namespace mirello
