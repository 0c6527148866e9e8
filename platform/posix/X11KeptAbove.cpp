#include "platform/KeptAbove.h"

#include <cstdlib>
#include <memory>
#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <xcb/xcb.h>

namespace mirello {

namespace {

// Restacking comes in bursts (a manager raising a frame sends several notices); one
// look at the stack after the burst is enough, and a manager that fights back cannot
// make the two of them spin.
constexpr int SettleMilliseconds = 30;

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

// Watches, on a connection of its own, every change of the stack of windows on the
// root and of the root's properties (the active window among them), and raises the
// window whenever a window the manager stacks lies above it.
class X11KeptAbove final : public QObject
{
public:
    X11KeptAbove(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                 QObject* owner)
        : QObject(owner)
        , m_connection(connection)
        , m_root(root)
        , m_window(window)
        , m_events(xcb_get_file_descriptor(connection), QSocketNotifier::Read)
    {
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        m_settle.setSingleShot(true);
        m_settle.setInterval(SettleMilliseconds);
        connect(&m_settle, &QTimer::timeout, this, &X11KeptAbove::raiseIfCovered);
        connect(&m_events, &QSocketNotifier::activated, this, &X11KeptAbove::readEvents);
        raiseIfCovered();
    }

    ~X11KeptAbove() override { xcb_disconnect(m_connection); }

private:
    void readEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            if (concernsOthers(event) && !m_settle.isActive())
                m_settle.start();
            std::free(event);
        }
    }

    // A notice of the window's own move or raise asks for nothing.
    bool concernsOthers(const xcb_generic_event_t* event) const
    {
        switch (event->response_type & 0x7f) {
        case XCB_CONFIGURE_NOTIFY:
            return reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window != m_window;
        case XCB_MAP_NOTIFY:
            return reinterpret_cast<const xcb_map_notify_event_t*>(event)->window != m_window;
        case XCB_PROPERTY_NOTIFY:
            return true;
        default:
            return false;
        }
    }

    void raiseIfCovered()
    {
        const xcb_window_t top = topLevelOf(m_window);
        if (top == XCB_NONE || !coveredByManaged(top))
            return;
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, top, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(m_connection);
    }

    // The child of the root that holds `window`: the window itself when no manager
    // framed it.
    xcb_window_t topLevelOf(xcb_window_t window) const
    {
        for (;;) {
            Owned<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr),
                &std::free);
            if (!tree)
                return XCB_NONE;
            if (tree->parent == m_root || tree->parent == XCB_NONE)
                return window;
            window = tree->parent;
        }
    }

    // Whether a shown window that the manager stacks (not a menu or tooltip, which
    // bypass it) lies above `top`. The root's children come bottom to top.
    bool coveredByManaged(xcb_window_t top) const
    {
        Owned<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr),
            &std::free);
        if (!tree)
            return false;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        int own = 0;
        while (own < count && children[own] != top)
            ++own;
        QList<xcb_get_window_attributes_cookie_t> asked;
        for (int i = own + 1; i < count; ++i)
            asked.append(xcb_get_window_attributes(m_connection, children[i]));
        bool covered = false;
        for (const xcb_get_window_attributes_cookie_t cookie : asked) {
            Owned<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(m_connection, cookie, nullptr), &std::free);
            covered = covered || (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                                  !attributes->override_redirect);
        }
        return own < count && covered;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_window_t m_window;
    QSocketNotifier m_events;
    QTimer m_settle;
};

} // namespace

Qt::WindowFlags keptAboveFlags()
{
    return Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint;
}

void keepAbove(quintptr nativeWindow, QObject* owner)
{
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        return;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    new X11KeptAbove(connection, screens.data->root, xcb_window_t(nativeWindow), owner);
}

} // namespace mirello
