#!/usr/bin/env bash
# Configures and builds Nuvex in build/ (or $NUVEX_BUILD_DIR). Extra arguments name targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" -j2 "${targets[@]}"
