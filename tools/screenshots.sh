#!/usr/bin/env bash
# Takes the screenshots in docs/screenshots/ from the real program under Xvfb, with a
# window manager (openbox) and a notification area (trayer), driven by xdotool. The
# windows that later parts bring are shot by the scripts in tools/screenshots.d/.
# Needs: xvfb openbox trayer xdotool imagemagick (installed when missing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
out=$root/docs/screenshots
mkdir -p "$out"

missing=()
for package in xvfb openbox trayer xdotool imagemagick locales; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=(); [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The windows are shot as a Czech desktop shows them: dates and times in Czech.
if ! locale -a 2>/dev/null | grep -qi '^cs_CZ\.utf-\?8$'; then
    as_root=(); [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    "${as_root[@]}" sed -i 's/^# *cs_CZ.UTF-8 UTF-8/cs_CZ.UTF-8 UTF-8/' /etc/locale.gen
    "${as_root[@]}" locale-gen >/dev/null
fi
"$root/tools/build.sh" nuvex nuvex-ras

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done # the program writes as it ends
    rm -rf "$work"
}
trap cleanup EXIT

export DISPLAY=:93 NUVEX_SYSTEM_ROOT=$work/machine LC_ALL=cs_CZ.UTF-8
# The program's first start writes an autostart entry: keep it, and the data, in $work.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
Xvfb "$DISPLAY" -screen 0 900x640x24 -nolisten tcp >/dev/null 2>&1 & pids+=($!)
sleep 1
openbox >/dev/null 2>&1 & pids+=($!)
trayer --edge top --align right --widthtype pixel --width 60 --height 28 --SetDockType true \
    --transparent false --tint 0xdddddd >/dev/null 2>&1 & pids+=($!)
sleep 1

ras="$build/bin/nuvex-ras"
mkdir -p "$NUVEX_SYSTEM_ROOT/windows" "$NUVEX_SYSTEM_ROOT/home" "$work/program"
"$ras" add "Internet" "420-(2)-123456" >/dev/null
"$ras" add "Práce" "420-(5)-41212121" >/dev/null
"$ras" add "Výhra zdarma" "420-(909)-666666" >/dev/null
printf '[Internet]\r\nTn=420-(2)-123456\r\n[Práce]\r\nTn=420-(5)-41212121\r\n' > "$NUVEX_SYSTEM_ROOT/windows/Nuvex.val"
version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/tools/seeded-options.reg" \
    >"$NUVEX_SYSTEM_ROOT/home/user.reg"
cp "$build/bin/nuvex" "$build/bin/Nuvex.hlp" "$work/program/"

"$work/program/nuvex" 2>"$work/nuvex.log" & pids+=($!)
sleep 3
"$ras" dial Internet >/dev/null
sleep 2

shot_window() { # name, window id
    import -frame -window "$2" "$out/$1.png"
    echo "docs/screenshots/$1.png"
}
main=$(xdotool search --sync --name "^NUVEX - hl" | head -n 1)
shot_window main-window "$main"
# Resolve the alarm, so that the window no longer comes forward over the others.
printf '[Výhra zdarma]\r\nTn=420-(909)-666666\r\n' >> "$NUVEX_SYSTEM_ROOT/windows/Nuvex.val"
sleep 1.5

# The tray menu: a right click on the program's icon in the notification area.
geometry_of() { xdotool getwindowgeometry --shell "$1"; }
icon=""
for id in $(xdotool search --onlyvisible --class nuvex); do
    eval "$(geometry_of "$id")"
    if [ "$id" != "$main" ] && [ "$WIDTH" -lt 48 ]; then icon=$id; break; fi
done
eval "$(geometry_of "$icon")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
sleep 1
for id in $(xdotool search --onlyvisible --class nuvex); do
    eval "$(geometry_of "$id")"
    if [ "$id" != "$main" ] && [ "$id" != "$icon" ]; then
        import -window root -crop "$((WIDTH + 40))x$((HEIGHT + 30))+$((X - 20))+0" "$out/tray-menu.png"
        echo "docs/screenshots/tray-menu.png"
    fi
done
xdotool key Escape
sleep 0.5

# The news window (a dialog with the button bar), from "Ostatní" → "Novinky".
xdotool windowactivate --sync "$main" key alt+o
sleep 0.5
xdotool key n
sleep 1
news=$(xdotool getactivewindow)
shot_window news-window "$news"
xdotool key Return
sleep 0.5

# The help viewer, from "Pomoc".
xdotool windowactivate --sync "$main" key alt+p
sleep 1.5
help=$(xdotool search --onlyvisible --class nuvex | while read -r id; do
    case "$(xdotool getwindowname "$id")" in *omoc*|*ápověd*) echo "$id" ;; esac; done | head -n 1)
xdotool windowactivate --sync "$help" windowraise "$help"
sleep 0.5
shot_window help-viewer "$help"
xdotool windowclose "$help" 2>/dev/null || true
sleep 0.5

# Further windows: each script in screenshots.d/ opens its window through the main
# window ($main) and saves it with shot_window; $work/program is the program's folder.
for part in "$root"/tools/screenshots.d/*.sh; do
    [ -e "$part" ] || continue
    xdotool windowactivate --sync "$main"
    # shellcheck source=/dev/null
    . "$part"
done
