#!/usr/bin/env bash
# Configures and builds Nuvex in build/ (or $NUVEX_BUILD_DIR). Extra arguments name targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
launcher=()
# ccache, when installed, lets several work trees share their compiled objects.
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" ${NUVEX_CMAKE_ARGS:-} >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" -j2 "${targets[@]}"
