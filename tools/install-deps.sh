#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Nuvex needs, when missing.
# Runs as root, or through sudo for a user who has it. The X server, window manager, tray
# and xdotool serve the checks under a real X server (tools/tray-check.sh, tools/window-check.sh).
set -euo pipefail

packages=(cmake g++ make qt6-base-dev qt6-svg-dev qt6-translations-l10n libssl-dev libsodium-dev pkg-config
          libgtest-dev libbenchmark-dev fonts-dejavu-core
          # the case-folding table is generated from its CaseFolding.txt
          unicode-data
          # the checks under a real X server (tools/tray-check.sh, window-check.sh), the black-box
          # tests that press keys in the real window
          xvfb openbox trayer xdotool x11-utils
          # Debian's own dial-up tools, whose files the tests of the host guard copy
          ppp wvdial
          # the Debian package and its checks (tools/package.sh, tools/check-package.sh)
          dpkg-dev file lintian desktop-file-utils appstream)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instaluji chybějící balíčky: ${missing[*]}" >&2
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Chybí balíčky ${missing[*]} a není k dispozici sudo." >&2; exit 1; }
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
