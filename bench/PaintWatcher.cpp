#include "PaintWatcher.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <thread>
#include <xcb/damage.h>

namespace mirello {

namespace {

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPointer<Reply> owned(Reply* reply)
{
    return ReplyPointer<Reply>(reply, &std::free);
}

xcb_window_t rootWindow(xcb_connection_t* connection, int screenNumber)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    return screens.data->root;
}

xcb_atom_t atomNamed(xcb_connection_t* connection, const char* name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Xvfb now and then drops a connection made right after another client went away,
// as happens between two timed starts, so a refused connection is tried again.
xcb_connection_t* connectRetrying(int& screenNumber)
{
    constexpr int Attempts = 20;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    for (int attempt = 1; attempt < Attempts && xcb_connection_has_error(connection); ++attempt) {
        xcb_disconnect(connection);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        connection = xcb_connect(nullptr, &screenNumber);
    }
    return connection;
}

} // namespace

PaintWatcher::PaintWatcher()
{
    int screenNumber = 0;
    m_connection = connectRetrying(screenNumber);
    if (xcb_connection_has_error(m_connection))
        return;
    const xcb_query_extension_reply_t* damage =
        xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (!damage || !damage->present)
        return;
    std::free(xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
    m_netWmName = atomNamed(m_connection, "_NET_WM_NAME");

    // New top-level windows are reported as children of the root window. The
    // round trip makes sure the server follows them before any program starts.
    const std::uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, rootWindow(m_connection, screenNumber),
                                 XCB_CW_EVENT_MASK, &events);
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    m_damageEvent = damage->first_event;
}

PaintWatcher::~PaintWatcher()
{
    xcb_disconnect(m_connection);
}

bool PaintWatcher::sawPaint(const std::string& title, std::chrono::milliseconds wait)
{
    xcb_generic_event_t* event = xcb_poll_for_event(m_connection);
    if (!event) {
        pollfd server{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&server, 1, static_cast<int>(wait.count()));
        event = xcb_poll_for_event(m_connection);
    }
    for (; event; event = xcb_poll_for_event(m_connection)) {
        const auto current = owned(event);
        if (handle(*current, title))
            return true;
    }
    return false;
}

bool PaintWatcher::handle(const xcb_generic_event_t& event, const std::string& title)
{
    const int type = event.response_type & ~0x80;
    if (type == XCB_CREATE_NOTIFY) {
        // Every new top-level window is followed: its title may be set only later.
        const auto& created = reinterpret_cast<const xcb_create_notify_event_t&>(event);
        xcb_damage_create(m_connection, xcb_generate_id(m_connection), created.window,
                          XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(m_connection);
        return false;
    }
    if (type != m_damageEvent + XCB_DAMAGE_NOTIFY)
        return false;
    const auto& damaged = reinterpret_cast<const xcb_damage_notify_event_t&>(event);
    return titleOf(damaged.drawable) == title;
}

// The window's _NET_WM_NAME, or its WM_NAME when it has none.
std::string PaintWatcher::titleOf(xcb_window_t window)
{
    constexpr std::uint32_t LongestTitle = 256;
    for (const xcb_atom_t property : {m_netWmName, xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        const auto reply = owned(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, window, property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, LongestTitle),
                                   nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) > 0) {
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               xcb_get_property_value_length(reply.get()));
        }
    }
    return {};
}

} // namespace mirello
