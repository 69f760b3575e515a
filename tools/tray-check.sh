#!/usr/bin/env bash
# Checks the tray under a real X server: Nuvex starts hidden in the notification area
# (Xvfb, openbox, trayer), one double click on its icon (xdotool) must map the main window
# within 1 s.
# Prints what it measured; exit 0 passed, 1 failed, 77 the X tools are missing.
# Usage: tools/tray-check.sh [build folder]   (default build/)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${NUVEX_BUILD_DIR:-$root/build}}

check=tray-check
# shellcheck source=tools/x-session.sh
. "$root/tools/x-session.sh"
require_tools Xvfb openbox trayer xdotool xwininfo xprop
start_x_session tray
# A machine with one entry in order and the options of an earlier start: no news window,
# and the window goes into the tray at start (the default).
seed_machine
start_program

not_viewable() { ! viewable "$main"; }
# The tray icon: a small window of the program, embedded in trayer.
icon=""
find_icon() {
    local id
    for id in $(xdotool search --onlyvisible --class nuvex 2>/dev/null); do
        [ "$id" != "$main" ] || continue
        eval "$(xdotool getwindowgeometry --shell "$id")"
        if [ "$WIDTH" -lt 48 ] && [ "$HEIGHT" -lt 48 ]; then
            icon=$id
            return 0
        fi
    done
    return 1
}
wait_for 20 find_icon || fail "the tray icon did not appear"
# Started hidden: the window must not be shown (it may be mapped for a moment on its way
# into the tray).
wait_for 10 not_viewable || fail "the main window did not go into the tray at start"
# The watch has started ("Aplikace hlídá."): the start-up is over.
started() { grep -q 'Aplikace hlídá' "$work/nuvex.log"; }
wait_for 20 started || fail "the program did not start its watch"
sleep 0.5

eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
clicked=$(now_ms)
xdotool click --repeat 2 --delay 80 1
if ! wait_for 1 viewable "$main"; then
    fail "the main window was not mapped within 1 s of the first double click"
fi
mapped=$(now_ms)
# It must stay shown: a window restored only to go back into the tray helps nobody.
sleep 1.5
viewable "$main" || fail "the main window was mapped after the double click, then hidden again"
echo "tray-check: passed: main window mapped $((mapped - clicked)) ms after the first double click"
exit 0
