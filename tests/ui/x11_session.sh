# What the tests that drive the built program under a real X server share; sourced,
# with `test_name` set. A work folder that goes at the end with every program started,
# a failure that names the test and shows the program's log ($work/log), waits with a
# time limit, and an X server on a free display of its own.

work=$(mktemp -d)
cleanup() {
    kill $(jobs -p) 2>/dev/null || true
    # Chromium's helpers may still write its profile in here a moment after it ends.
    for _ in 1 2 3 4 5; do rm -rf "$work" 2>/dev/null && break; sleep 0.5; done
}
trap cleanup EXIT
fail() {
    echo "$test_name: $*" >&2
    [ -f "$work/log" ] && sed "s/^/$test_name: program: /" "$work/log" >&2
    exit 1
}
# Runs an xdotool wait (or any command) for at most 30 s; else fails, saying what never came.
within() {
    local what=$1
    shift
    timeout 30 "$@" || fail "$what did not come within 30 s"
}
# Starts the server with a screen of `$1` (WIDTHxHEIGHTxDEPTH) and points the program at
# it: another test's server may run beside this one.
start_x_server() {
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "the X server did not start within 10 s"
    export DISPLAY=:$(cat "$work/display")
    unset QT_QPA_PLATFORM XDG_SESSION_TYPE WAYLAND_DISPLAY
}
