#!/usr/bin/env bash
# Installs what is missing, builds everything, builds and checks the Debian package, and
# runs every test (headless).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
# The Debian package, checked as installed (lintian, validators, the extracted program).
"$root/tools/check-package.sh"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300
