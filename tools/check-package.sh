#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: lintian reports no
# error, the desktop entry and the AppStream file validate, the extracted program tells
# its version, and the extracted program, with a program folder the user may not write,
# keeps its session log in $XDG_DATA_HOME/nuvex/ (the black-box tests InstalledProgram.*
# run against it; as root they run it as the user nobody, since root may write anywhere).
# Needs the build (tools/build.sh) and lintian, desktop-file-utils, appstream.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

deb=$("$root/tools/package.sh" | tail -n 1)
passed=0
failed=0
check() { # description, command...
    local description=$1
    shift
    if "$@"; then
        echo "ok: $description"
        passed=$((passed + 1))
    else
        echo "SELHALO: $description" >&2
        failed=$((failed + 1))
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The black-box test may run the program as nobody, who must reach it.
chmod 755 "$work"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -c "$deb" >"$build/package-contents.txt"

check "lintian: no error" lintian --fail-on error "$deb"
check "desktop-file-validate" desktop-file-validate "$work/root/usr/share/applications/nuvex.desktop"
check "appstreamcli validate" appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.nuvex.metainfo.xml"
check "usr/bin/nuvex --version prints $version" \
    bash -c '[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$1" --version | head -n 1)" = "Nuvex $2" ]' _ \
    "$work/root/usr/bin/nuvex" "$version"
check "Depends names libssl3 (libcrypto, opened when first needed)" \
    bash -c 'dpkg-deb -f "$1" Depends | tr "," "\n" | grep -qx " *libssl3\( (.*)\)\?"' _ "$deb"
check "usr/share/nuvex/Nuvex.hlp is shipped" test -s "$work/root/usr/share/nuvex/Nuvex.hlp"
check "extracted program: session log in \$XDG_DATA_HOME/nuvex (black-box)" \
    env NUVEX_TEST_PROGRAM="$work/root/usr/bin/nuvex" QT_QPA_PLATFORM=offscreen \
    "$build/bin/nuvex_blackbox_tests" --gtest_filter='InstalledProgram.*' --gtest_brief=1

echo "$deb"
echo "package checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
