#!/usr/bin/env bash
# Checks under a real X server (Xvfb, openbox, trayer, driven by xdotool) that the window
# manager offers no maximise for the program's fixed-size windows: the main window and the
# dialogs opened from its menus. For each it prints the window's hints and openbox's
# allowed actions, and fails when openbox allows to maximise or resize it, when the size
# hints are not fixed, when the Motif hints ask for maximise, or when a double click on the
# title bar (openbox maximises a window so) changes its size. A resizable window, the help
# viewer, shows that the same double click does maximise where it may.
# Exit 0 passed, 1 failed, 77 the X tools are missing.
# Usage: tools/window-check.sh [build folder]   (default build/)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${NUVEX_BUILD_DIR:-$root/build}}

check=window-check
# shellcheck source=tools/x-session.sh
. "$root/tools/x-session.sh"
require_tools Xvfb openbox trayer xdotool xwininfo xprop
start_x_session tray
# The window stays shown at start ("AppHideAfterStart" = 1).
seed_machine '"AppHideAfterStart"=dword:00000001'
cp "$build/bin/Nuvex.hlp" "$work/program/"
start_program
wait_for 20 viewable "$main" || fail "the main window was not shown at start"
started() { grep -q 'Aplikace hlídá' "$work/nuvex.log"; }
wait_for 20 started || fail "the program did not start its watch"

# Absolute position and size of a window's client area: sets AX, AY, AW, AH.
client_area() {
    local info
    info=$(xwininfo -id "$1") || return 1
    AX=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    AY=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    AW=$(sed -n 's/^ *Width: *//p' <<<"$info")
    AH=$(sed -n 's/^ *Height: *//p' <<<"$info")
}
maximised() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_MAXIMIZED'; }
size_is() { client_area "$1" && [ "${AW}x${AH}" = "$2" ]; }
size_changed() { ! size_is "$1" "$2"; }
# A double click in the middle of the title bar, just above the client area.
double_click_title() {
    client_area "$1"
    xdotool mousemove --sync $((AX + AW / 2)) $((AY - 8)) click --repeat 2 --delay 80 1
}

# check_fixed <window> <label> [frameless]
check_fixed() {
    local id=$1 label=$2 props actions motif min max flags functions decorations size
    props=$(xprop -id "$id" _MOTIF_WM_HINTS _NET_WM_ALLOWED_ACTIONS WM_NORMAL_HINTS)
    echo "--- $label"
    echo "$props"
    actions=$(grep '^_NET_WM_ALLOWED_ACTIONS(ATOM)' <<<"$props")
    [ -n "$actions" ] || fail "$label: openbox set no allowed actions"
    if grep -q '_NET_WM_ACTION_MAXIMIZE' <<<"$actions"; then fail "$label: openbox offers to maximise it"; fi
    if grep -q '_NET_WM_ACTION_RESIZE' <<<"$actions"; then fail "$label: openbox offers to resize it"; fi
    min=$(sed -n 's/.*program specified minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$props")
    max=$(sed -n 's/.*program specified maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$props")
    [ -n "$min" ] && [ "$min" = "$max" ] || fail "$label: size hints not fixed (minimum '$min', maximum '$max')"
    motif=$(sed -n 's/^_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = //p' <<<"$props")
    if [ -n "$motif" ]; then
        IFS=', ' read -r flags functions decorations _ <<<"$motif"
        # MWM_HINTS_FUNCTIONS 1 with MWM_FUNC_MAXIMIZE 0x10; MWM_HINTS_DECORATIONS 2 with
        # MWM_DECOR_MAXIMIZE 0x40; MWM_FUNC_ALL / MWM_DECOR_ALL (1) would allow everything.
        if ((flags & 1)) && ((functions & 0x11)); then fail "$label: Motif functions allow maximise"; fi
        if ((flags & 2)) && ((decorations & 0x41)); then fail "$label: Motif decorations show maximise"; fi
    fi
    [ "${3:-}" = frameless ] && return 0
    client_area "$id"
    size="${AW}x${AH}"
    double_click_title "$id"
    # Nothing may happen: watch for a second whether the size or state changes.
    if wait_for 1 size_changed "$id" "$size"; then fail "$label: a double click on the title bar resized it"; fi
    if maximised "$id"; then fail "$label: a double click on the title bar maximised it"; fi
    echo "$label: fixed at $size (client area at $AX,$AY), nothing to maximise"
}

# open_window <title> <keys...>: presses the keys in the main window and waits for a
# window of that title; sets `opened`.
opened=""
find_titled() { opened=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1); [ -n "$opened" ]; }
open_window() {
    local title=$1
    shift
    xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
    xdotool key --delay 150 "$@"
    wait_for 15 find_titled "$title" || fail "the window \"$title\" did not open"
    wait_for 10 viewable "$opened" || fail "the window \"$title\" was not shown"
}
gone() { ! viewable "$1"; }
close_window() { # window, keys that close it
    local id=$1
    shift
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
    xdotool key "$@"
    wait_for 10 gone "$id" || fail "a window did not close"
}

check_fixed "$main" "main window"

open_window "Statistika časů a frekvence" alt+s f
check_fixed "$opened" "statistics (TDlgFrekvence)"
close_window "$opened" Escape

open_window "Nastavení" alt+o s
check_fixed "$opened" "settings (TDlgSetup)"
close_window "$opened" Escape

open_window "O programu" alt+o o
check_fixed "$opened" "About (TAboutBox)"
close_window "$opened" Escape

open_window "Novinky po posledním update" alt+o n
check_fixed "$opened" "news (TDlgNovinky, no frame)" frameless
close_window "$opened" Return

# The help viewer may grow: openbox offers maximise there, and the same double click
# maximises it. This shows that the check above would see a maximise.
open_window ".*" alt+p
viewer=$(xdotool search --onlyvisible --class nuvex 2>/dev/null | while read -r id; do
    case "$(xdotool getwindowname "$id")" in *omoc* | *ápověd* | *Nuvex.hlp*) echo "$id" ;; esac
done | head -n 1)
[ -n "$viewer" ] || fail "the help viewer did not open"
xprop -id "$viewer" _NET_WM_ALLOWED_ACTIONS | grep -q '_NET_WM_ACTION_MAXIMIZE_HORZ' ||
    fail "openbox offers no maximise even for the resizable help viewer: the check sees nothing"
double_click_title "$viewer"
wait_for 5 maximised "$viewer" || fail "a double click on the help viewer's title did not maximise it"
echo "help viewer (resizable): openbox offers maximise and a double click on its title maximises it"

echo "window-check: passed"
exit 0
