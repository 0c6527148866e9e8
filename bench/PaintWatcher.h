#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <xcb/xcb.h>

namespace mirello {

// Watches an X server, through its Damage extension, for the first drawing into a
// top-level window with a given title: the moment a program's window is first
// painted, seen from outside the program.
class PaintWatcher
{
public:
    // Connects to $DISPLAY. Top-level windows created after construction are
    // followed; check connected() before use.
    PaintWatcher();
    ~PaintWatcher();
    PaintWatcher(const PaintWatcher&) = delete;
    PaintWatcher& operator=(const PaintWatcher&) = delete;

    bool connected() const { return m_damageEvent != 0; }

    // Handles the events that arrive within `wait`; true as soon as one of them is
    // a drawing into a window titled `title`.
    bool sawPaint(const std::string& title, std::chrono::milliseconds wait);

private:
    bool handle(const xcb_generic_event_t& event, const std::string& title);
    std::string titleOf(xcb_window_t window);

    xcb_connection_t* m_connection = nullptr;
    xcb_atom_t m_netWmName = XCB_ATOM_NONE;
    std::uint8_t m_damageEvent = 0;
};

} // namespace mirello
