#!/usr/bin/env bash
# Builds the Debian package of Nuvex with CPack into build/ (or $NUVEX_BUILD_DIR), with
# the dependencies that dpkg-shlibdeps finds, and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
"$root/tools/build.sh" nuvex nuvex-ras nuvex_help nuvex_package_files
cd "$build"
rm -f nuvex_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
ls "$build"/nuvex_*.deb
