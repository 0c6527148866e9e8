#include "platform/GlobalKeys.h"

#include <cstdlib>
#include <QHash>
#include <QSocketNotifier>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace mirello {

namespace {

// Num Lock and Caps Lock change the state a key arrives with; each grab is taken in
// all four of their combinations.
constexpr quint16 LockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr quint16 ModifierMask =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

quint16 x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? XCB_MOD_MASK_SHIFT : 0) |
           (modifiers & Qt::ControlModifier ? XCB_MOD_MASK_CONTROL : 0) |
           (modifiers & Qt::AltModifier ? XCB_MOD_MASK_1 : 0) |
           (modifiers & Qt::MetaModifier ? XCB_MOD_MASK_4 : 0);
}

// A connection of its own to the X server, read as its socket has events, so that
// nothing here needs Qt's windowing.
class X11GlobalKeys final : public GlobalKeys
{
public:
    X11GlobalKeys(xcb_connection_t* connection, xcb_window_t root)
        : m_connection(connection)
        , m_root(root)
        , m_events(xcb_get_file_descriptor(connection), QSocketNotifier::Read)
    {
        connect(&m_events, &QSocketNotifier::activated, this, &X11GlobalKeys::readEvents);
    }

    ~X11GlobalKeys() override
    {
        releaseAll();
        xcb_disconnect(m_connection);
    }

    Result<void> take(int id, QKeyCombination key) override
    {
        const std::optional<NativeKey> native = nativeKey(key.key());
        const xcb_keycode_t code = native ? keycodeOf(native->x11) : 0;
        if (code == 0)
            return Error{u"这个键不能用作全局快捷键。"_s, QString()};
        const Grab grab{id, code, x11Modifiers(key.keyboardModifiers())};
        for (const quint16 variant : LockVariants) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, m_root, grab.modifiers | variant, code,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                std::free(error);
                ungrab(grab);
                return Error{u"这个键已被其他程序占用。"_s,
                             u"X 服务器拒绝了按键抓取（BadAccess）"_s};
            }
        }
        m_grabs.append(grab);
        return {};
    }

    void releaseAll() override
    {
        for (const Grab& grab : std::as_const(m_grabs))
            ungrab(grab);
        m_grabs.clear();
        xcb_flush(m_connection);
    }

private:
    struct Grab
    {
        int id;
        xcb_keycode_t code;
        quint16 modifiers;
    };

    void ungrab(const Grab& grab)
    {
        for (const quint16 variant : LockVariants)
            xcb_ungrab_key(m_connection, grab.code, m_root, grab.modifiers | variant);
    }

    xcb_keycode_t keycodeOf(quint32 keysym) const
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count),
            nullptr);
        if (!mapping)
            return 0;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping);
        const int perCode = mapping->keysyms_per_keycode;
        xcb_keycode_t found = 0;
        for (int i = 0; i < count * perCode && found == 0; ++i) {
            if (symbols[i] == keysym)
                found = xcb_keycode_t(setup->min_keycode + i / perCode);
        }
        std::free(mapping);
        return found;
    }

    // A key held down repeats as a release and a press at the same moment: only the
    // first press counts, as with the window's own keys.
    void readEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            const int type = event->response_type & ~0x80;
            if (type == XCB_KEY_RELEASE)
                m_released.insert(key->detail, key->time);
            else if (type == XCB_KEY_PRESS && m_released.value(key->detail) != key->time)
                pressedKey(key->detail, key->state & ModifierMask);
            std::free(event);
        }
    }

    void pressedKey(xcb_keycode_t code, quint16 modifiers)
    {
        for (const Grab& grab : std::as_const(m_grabs)) {
            if (grab.code == code && grab.modifiers == modifiers)
                Q_EMIT pressed(grab.id);
        }
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    QSocketNotifier m_events;
    QList<Grab> m_grabs;
    QHash<xcb_keycode_t, xcb_timestamp_t> m_released;
};

} // namespace

GlobalKeysOrWhyNot systemGlobalKeys()
{
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland"_s)
        return Error{u"Wayland 桌面不允许程序使用全局快捷键。"_s, QString()};
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return Error{u"没有可用的 X 显示，无法使用全局快捷键。"_s, QString()};
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    return std::shared_ptr<GlobalKeys>(
        std::make_shared<X11GlobalKeys>(connection, screens.data->root));
}

} // namespace mirello
