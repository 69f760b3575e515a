#!/usr/bin/env bash
# Installs what is missing, builds everything, builds and checks the Debian package, and
# runs every test (headless). Then it builds the unit and window tests and the fuzz
# corpora's replay with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/
# (or $NUVEX_SANITIZE_BUILD_DIR) and runs them there; NUVEX_SKIP_SANITIZE=1 leaves that out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
# The Debian package, checked as installed (lintian, validators, the extracted program).
"$root/tools/check-package.sh"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300)

[ "${NUVEX_SKIP_SANITIZE:-0}" = 1 ] && exit 0
sanitize=${NUVEX_SANITIZE_BUILD_DIR:-$root/build-sanitize}
# -O1 and line tables only: the sanitized build is compiled for this one run, and that is
# most of its cost. No benchmarks, no programs beyond what the tests start.
cmake -S "$root" -B "$sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DNUVEX_SANITIZE=address;undefined" \
    -DNUVEX_BUILD_BENCHMARKS=OFF "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
NUVEX_BUILD_DIR=$sanitize "$root/tools/build.sh" nuvex_platform_tests nuvex_core_tests nuvex_gui_tests \
    nuvex_fuzz_targets
cd "$sanitize"
# Leaks are looked for too; the suppressions name only libraries outside the project.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/sanitizer/lsan.supp
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600 \
    -L '^(nuvex_platform_tests|nuvex_core_tests|nuvex_gui_tests|fuzz_replay)$'
