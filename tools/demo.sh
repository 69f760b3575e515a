#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nuvex on a demo machine: an emulated
# phonebook with three entries, two of them authorised and one not, so that the alarm
# shows at once. The machine lives in demo-machine/ (or $NUVEX_SYSTEM_ROOT) and is kept
# between runs; delete the folder to start afresh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh" nuvex nuvex-ras

export NUVEX_SYSTEM_ROOT=${NUVEX_SYSTEM_ROOT:-$root/demo-machine}
# The first start switches autostart on: the demo keeps that entry on its machine, so that
# your own session never starts the demo after login.
export XDG_CONFIG_HOME=$NUVEX_SYSTEM_ROOT/config
ras="$build/bin/nuvex-ras"
if [ ! -e "$NUVEX_SYSTEM_ROOT/ras/rasphone.pbk" ]; then
    mkdir -p "$NUVEX_SYSTEM_ROOT/windows"
    "$ras" add "Internet" "420-(2)-123456"
    "$ras" add "Práce" "420-(5)-41212121"
    "$ras" add "Výhra zdarma" "420-(909)-666666"
    printf '[Internet]\r\nTn=420-(2)-123456\r\n[Práce]\r\nTn=420-(5)-41212121\r\n' \
        > "$NUVEX_SYSTEM_ROOT/windows/Nuvex.val"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Není k dispozici grafické prostředí: Nuvex poběží bez okna a jeho záznam uvidíte zde." >&2
    export QT_QPA_PLATFORM=offscreen
    # Nobody could close the news window here: mark this version's news as read.
    if [ ! -e "$NUVEX_SYSTEM_ROOT/home/user.reg" ]; then
        mkdir -p "$NUVEX_SYSTEM_ROOT/home"
        version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
        sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$root/tools/seeded-options.reg" \
            >"$NUVEX_SYSTEM_ROOT/home/user.reg"
    fi
fi
echo "Demo stroj: $NUVEX_SYSTEM_ROOT  (zkuste: NUVEX_SYSTEM_ROOT=$NUVEX_SYSTEM_ROOT $ras list)" >&2
exec "$build/bin/nuvex"
