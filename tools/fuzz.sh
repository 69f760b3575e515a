#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz/ with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (or $NUVEX_FUZZ_BUILD_DIR) and runs each for
# SECONDS (default 600), from the committed corpus: one after another, or
# NUVEX_FUZZ_JOBS of them at once.
#
#   tools/fuzz.sh [SECONDS] [TARGET...]      e.g. tools/fuzz.sh 60 registry ini_document
#   NUVEX_FUZZ_JOBS=2 tools/fuzz.sh 600      two targets at a time
#
# New inputs land in build-fuzz/corpus/<target>/, inputs that broke a property or crashed
# in build-fuzz/findings/<target>/ (copy those into tests/fuzz/corpus/<target>/ once fixed).
# Each target's libFuzzer output is kept in build-fuzz/logs/<target>.log. The exit status
# is 1 when any target had a finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-600}
shift || true

for tool in clang-14 clang++-14; do
    command -v "$tool" >/dev/null || { echo "Chybí $tool (balíčky clang-14 a libclang-rt-14-dev)." >&2; exit 1; }
done
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    # The list CMake builds from.
    mapfile -t targets < <(sed -n '/^set(NUVEX_FUZZ_TARGETS$/,/)/{s/^ *\([a-z_0-9]*\)\()\)\{0,1\}$/\1/p}' \
        "$root/tests/fuzz/CMakeLists.txt")
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DNUVEX_FUZZ=ON "-DNUVEX_SANITIZE=address;undefined" -DNUVEX_BUILD_BENCHMARKS=OFF \
    "${launcher[@]}" >/dev/null
build_targets=()
for target in "${targets[@]}"; do build_targets+=(--target "fuzz_$target"); done
cmake --build "$build" -j2 "${build_targets[@]}"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
# Runs one target and leaves its table row in logs/<target>.row.
run() {
    local target=$1
    local corpus=$build/corpus/$target findings=$build/findings/$target log=$build/logs/$target.log
    mkdir -p "$corpus" "$findings" "$build/logs"
    local start elapsed execs speed cov ft found
    start=$(date +%s)
    "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2560 \
        -artifact_prefix="$findings/" "$corpus" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1 || true
    elapsed=$(($(date +%s) - start))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    found=$(find "$findings" -type f | wc -l)
    printf '%-16s %8s %12s %8s %8s %8s %9s\n' "$target" "$elapsed" "${execs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" \
        "$found" >"$build/logs/$target.row"
}

# NUVEX_FUZZ_JOBS targets run at once (default 1: one after another).
jobs=${NUVEX_FUZZ_JOBS:-1}
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    rm -f "$build/logs/$target.row"
    run "$target" &
done
wait

status=0
printf '%-16s %8s %12s %8s %8s %8s %9s\n' target seconds execs exec/s cov ft findings
for target in "${targets[@]}"; do
    cat "$build/logs/$target.row"
    [ "$(find "$build/findings/$target" -type f | wc -l)" -eq 0 ] || status=1
done
exit $status
