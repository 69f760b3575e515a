# Sourced by the checks under a real X server (tray-check.sh, window-check.sh): a private
# X session (Xvfb on a free display, openbox, optionally trayer) and a sandbox for the
# program, all ended and removed when the check ends.
# The sourcing script sets `check` (its name in messages) and `build` first.

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

# require_tools <tool...>: ends the check with 77 (skipped) when one is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$check: $tool is missing (packages xvfb openbox trayer xdotool x11-utils); skipped"
            exit 77
        fi
    done
}

fail() {
    echo "$check: FAILED: $*"
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

# start_x_session [tray]: Xvfb on a display number the server chooses itself, openbox,
# and with "tray" a notification area (trayer) along the top edge.
start_x_session() {
    local display_fd display=""
    exec {display_fd}<> <(:)
    Xvfb -displayfd "$display_fd" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    read -r -t 20 display <&"$display_fd" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    exec {display_fd}<&-
    export DISPLAY=":$display"

    openbox >"$work/openbox.log" 2>&1 &
    pids+=($!)
    wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    wait_for 20 wm_up || fail "openbox did not start: $(cat "$work/openbox.log")"
    if [ "${1:-}" = tray ]; then
        trayer --edge top --align right --widthtype pixel --width 60 --height 28 --SetDockType true \
            --transparent false >/dev/null 2>&1 &
        pids+=($!)
        tray_up() { xdotool search --class trayer >/dev/null 2>&1; }
        wait_for 20 tray_up || fail "trayer did not start"
    fi
}

# seed_machine [option line...]: an emulated machine with one entry in order, and the
# options of an earlier start of this version (tools/seeded-options.reg: no news window),
# hidden at start (the default) unless the given lines say otherwise.
seed_machine() {
    local version line
    export NUVEX_SYSTEM_ROOT=$work/machine
    mkdir -p "$NUVEX_SYSTEM_ROOT/windows" "$NUVEX_SYSTEM_ROOT/home" "$work/program"
    "$build/bin/nuvex-ras" add "Internet" "420-(2)-123456" >/dev/null || fail "nuvex-ras failed"
    printf '[Internet]\r\nTn=420-(2)-123456\r\n' >"$NUVEX_SYSTEM_ROOT/windows/Nuvex.val"
    version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
    sed -e '/"AppHideAfterStart"/d' -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/tools/seeded-options.reg" \
        >"$NUVEX_SYSTEM_ROOT/home/user.reg"
    for line in "$@"; do printf '%s\r\n' "$line" >>"$NUVEX_SYSTEM_ROOT/home/user.reg"; done
    cp "$build/bin/nuvex" "$work/program/"
}

# start_program: the program from the check's folder; `main` is its main window.
main=""
start_program() {
    "$work/program/nuvex" 2>"$work/nuvex.log" &
    pids+=($!)
    find_main() { main=$(xdotool search --name '^NUVEX - hl' 2>/dev/null | head -n 1); [ -n "$main" ]; }
    wait_for 20 find_main || fail "the main window was never created"
}

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
