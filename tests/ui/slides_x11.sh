#!/usr/bin/env bash
# Full-screen slides under a window manager (openbox), as at a one-screen board: the
# floating button stays on top of them however often they are tapped or made full
# screen again, a tap on it leaves them the focus, and a draw by a key from any program
# with the button closed shows the drawn name above the slides and brings the button back.
# Usage: slides_x11.sh <folder of the built program>
set -euo pipefail
built=$1
test_name=slides_x11
source "$(dirname "$0")/x11_session.sh"
# Whether the window the pointer finds at the middle of window `$1` is that window.
on_top() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    sleep 0.2 # the button is raised again once the manager's restacking has settled
    eval "$(xdotool getmouselocation --shell)"
    [ "$WINDOW" = "$1" ]
}
# The manager raises the slides and the keys go to them (a clock asks for no focus of
# its own, which a manager would wait for in vain, so the focus is set directly).
focus_slides() {
    timeout 10 xdotool windowactivate "$slides"
    within "the slides' focus" xdotool windowfocus --sync "$slides"
}

cp "$built/mirello" "$work/"
cp -r "$built/Icons" "$work/"
mkdir "$work/checkroll"
printf 'S20230101王小明-00\\0000\r\n' | iconv -t GBK >"$work/checkroll/1班.txt"

start_x_server 1920x1080x24
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" && break; sleep 0.1; done

"$work/mirello" >"$work/log" 2>&1 &
main=$(within "the main window" xdotool search --sync --onlyvisible --name '^Mirello V1.0$' | head -1)
within "the main window's focus" xdotool windowactivate --sync "$main" key F12
floating=$(within "the floating button" xdotool search --sync --onlyvisible --name '^Mirello 悬浮窗$' | head -1)

xclock -geometry 400x300 &
slides=$(within "the slides" xdotool search --sync --class xclock | head -1)
wmctrl -i -r "$slides" -b add,fullscreen
focus_slides
for tap in $(seq 10); do
    xdotool mousemove 900 500 click 1
    on_top "$floating" || fail "the slides covered the floating button after tap $tap"
done
wmctrl -i -r "$slides" -b remove,fullscreen
wmctrl -i -r "$slides" -b add,fullscreen
focus_slides
on_top "$floating" || fail "slides made full screen again covered the floating button"
xdotool click 1
sleep 0.3
[ "$(xdotool getwindowfocus)" = "$slides" ] || fail "a tap on the floating button took the focus"

# The teacher closes the button, then draws by the clicker's key from the slides.
within "the main window's focus" xdotool windowactivate --sync "$main" key F12
sleep 0.5
focus_slides
sleep 0.5 # Qt takes a moment to see that its window has lost the focus
xdotool key ctrl+alt+space
flash=$(within "the drawn name" xdotool search --sync --onlyvisible --name '^Mirello 点名$' | head -1)
on_top "$flash" || fail "the slides cover the drawn name"
within "the floating button's return" xdotool search --sync --onlyvisible --name '^Mirello 悬浮窗$' >/dev/null
[ "$(xdotool getwindowfocus)" = "$slides" ] || fail "the drawn name took the focus"
echo "slides_x11: the floating button and the drawn name stay above full-screen slides"
