#!/usr/bin/env bash
# Checks the tray under a real X server: Nuvex starts hidden in the notification area
# (Xvfb, openbox, trayer), one double click on its icon (xdotool) must map the main window
# within 1 s.
# Prints what it measured; exit 0 passed, 1 failed, 77 the X tools are missing.
# Usage: tools/tray-check.sh [build folder]   (default build/)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${NUVEX_BUILD_DIR:-$root/build}}

for tool in Xvfb openbox trayer xdotool xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "tray-check: $tool is missing (packages xvfb openbox trayer xdotool x11-utils); skipped"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do
        # Each process gets 5 s to end, then it is killed.
        for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
# The program talks to the X server, never to a headless stand-in, and keeps its files
# in the check's own folder.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
trap 'exit 1' INT TERM

fail() {
    echo "tray-check: FAILED: $*"
    if [ -s "$work/nuvex.log" ]; then
        echo "--- nuvex standard error:"
        cat "$work/nuvex.log"
    fi
    exit 1
}

# wait_for <seconds> <command...>: polls the command until it succeeds or time runs out.
now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }
wait_for() {
    local deadline=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# A free display number, chosen by the X server itself.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
display=""
read -r -t 20 display <&"$display_fd" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
exec {display_fd}<&-
export DISPLAY=":$display"

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 20 wm_up || fail "openbox did not start: $(cat "$work/openbox.log")"
trayer --edge top --align right --widthtype pixel --width 60 --height 28 --SetDockType true \
    --transparent false >/dev/null 2>&1 &
pids+=($!)
tray_up() { xdotool search --class trayer >/dev/null 2>&1; }
wait_for 20 tray_up || fail "trayer did not start"

# A machine with one entry in order and the options of an earlier start: no news window,
# and the window goes into the tray at start (the default).
export NUVEX_SYSTEM_ROOT=$work/machine
mkdir -p "$NUVEX_SYSTEM_ROOT/windows" "$NUVEX_SYSTEM_ROOT/home" "$work/program"
"$build/bin/nuvex-ras" add "Internet" "420-(2)-123456" >/dev/null || fail "nuvex-ras failed"
printf '[Internet]\r\nTn=420-(2)-123456\r\n' >"$NUVEX_SYSTEM_ROOT/windows/Nuvex.val"
version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
# The shared options of an earlier start, but hidden at start (the default).
sed -e '/"AppHideAfterStart"/d' -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/tools/seeded-options.reg" \
    >"$NUVEX_SYSTEM_ROOT/home/user.reg"
cp "$build/bin/nuvex" "$work/program/"

"$work/program/nuvex" 2>"$work/nuvex.log" &
pids+=($!)

main=""
find_main() { main=$(xdotool search --name '^NUVEX - hl' 2>/dev/null | head -n 1); [ -n "$main" ]; }
wait_for 20 find_main || fail "the main window was never created"

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
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
