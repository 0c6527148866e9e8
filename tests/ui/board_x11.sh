#!/usr/bin/env bash
# At the board, under a real X server: the keys from any program reach Mirello while
# another client keeps the focus, a click on the floating button leaves the focus where
# it was, and the command line reaches the running copy or is refused with exit code 2.
# Usage: board_x11.sh <folder of the built program>
set -euo pipefail
built=$1
test_name=board_x11
source "$(dirname "$0")/x11_session.sh"

cp "$built/mirello" "$work/"
cp -r "$built/Icons" "$work/"
mkdir "$work/checkroll"
class=$work/checkroll/1班.txt
printf 'S20230101王小明-00\\0000\r\n' | iconv -t GBK >"$class"
# Waits up to five seconds for the class file to hold `$1` (as UTF-8).
expect_class() {
    for _ in $(seq 50); do
        [ "$(iconv -f GBK "$class")" = "$(printf '%s\r' "$1")" ] && return 0
        sleep 0.1
    done
    fail "the class file holds $(iconv -f GBK "$class" | od -c | head -2), not $1"
}

start_x_server 1280x720x24

"$work/mirello" >"$work/log" 2>&1 &
main=$(within "the main window" xdotool search --sync --name '^Mirello V1.0$' | head -1)
xclock &
clock=$(within "the clock" xdotool search --sync --class xclock | head -1)
within "the clock's focus" xdotool windowfocus --sync "$clock"

# The slide show (here a clock) has the focus throughout.
xdotool key ctrl+alt+space
sleep 1.5 # long enough for a draw tick, also under the sanitizers
xdotool key ctrl+alt+space ctrl+alt+2 ctrl+alt+Return
expect_class 'S20230101王小明-01\0100'
[ "$(xdotool getwindowfocus)" = "$clock" ] || fail "a key from any program took the focus"

within "the main window's focus" xdotool windowfocus --sync "$main" key F12
floating=$(within "the floating button" xdotool search --sync --name '^Mirello 悬浮窗$' | head -1)
within "the clock's focus" xdotool windowfocus --sync "$clock"
eval "$(xdotool getwindowgeometry --shell "$floating")"
xdotool mousemove $((X + 20)) $((Y + HEIGHT / 2)) click 1
sleep 0.3
[ "$(xdotool getwindowfocus)" = "$clock" ] || fail "a click on the floating button took the focus"

timeout 30 "$work/mirello" --grade 3 --record || fail "the command line was not carried out"
expect_class 'S20230101王小明-02\0110'
status=0
timeout 30 "$work/mirello" --bogus 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "an unknown option ended with $status, not 2"

# On a system without a single font (an empty fontconfig), a copy on a roll folder of
# its own says there is no Chinese font in a box (Qt's unseen leader window bears the
# same title), and goes on: its commands still record.
bare=$work/bare
mkdir -p "$bare/checkroll"
cp "$work/mirello" "$bare/"
cp -r "$work/Icons" "$bare/"
printf 'S20230101李四-00\\0000\r\n' | iconv -t GBK >"$bare/checkroll/1班.txt"
printf '<?xml version="1.0"?>\n<fontconfig></fontconfig>\n' >"$work/fonts.conf"
FONTCONFIG_FILE=$work/fonts.conf "$bare/mirello" >"$work/bare.log" 2>&1 &
box=$(within "the missing-font message" xdotool search --sync --onlyvisible --name '^Mirello$' | head -1)
within "the message's focus" xdotool windowfocus --sync "$box" key Return
timeout 30 "$bare/mirello" --start-pause || fail "the copy without fonts took no command"
sleep 1.5
timeout 30 "$bare/mirello" --start-pause --grade 2 --record || fail "the copy without fonts did not record"
class=$bare/checkroll/1班.txt
expect_class 'S20230101李四-01\0100'
echo "board_x11: keys, floating button and command line work at the board, and without fonts"
