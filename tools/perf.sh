#!/usr/bin/env bash
# Measures what Nuvex costs while nothing happens, beside a bare Qt tray program
# (tools/perf/minimal_tray.cpp): CPU time of all threads over a span (default 10 s, from
# /proc/PID/task/*/schedstat) and resident memory (/proc/PID/status), on an emulated
# machine of 10 and 1,000 entries, with the window hidden in the tray and shown, under
# Xvfb with openbox and trayer. Prints one table; with nuvex_bench built it adds the
# benchmark's figures for one check after a change and for the password file.
#
#   tools/perf.sh                 builds build/ (tools/build.sh) and measures
#   NUVEX_BIN=dir tools/perf.sh   uses nuvex and nuvex-perf-minimal from dir, no build
#   PERF_SPAN=30 tools/perf.sh    measures over 30 s instead of 10
#   PERF_THREADS=1 ...            also lists each thread's CPU time and wake-ups
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NUVEX_BUILD_DIR:-$root/build}
span=${PERF_SPAN:-10}

if [ -z "${NUVEX_BIN:-}" ]; then
    "$root/tools/build.sh" nuvex nuvex-perf-minimal nuvex_bench >/dev/null
    bin=$build/bin
else
    bin=$NUVEX_BIN
fi
for program in nuvex nuvex-perf-minimal; do
    [ -x "$bin/$program" ] || { echo "perf.sh: $bin/$program chybí" >&2; exit 1; }
done
for tool in Xvfb openbox trayer xwininfo; do
    command -v "$tool" >/dev/null || { echo "perf.sh: chybí $tool (tools/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own, so that runs beside other X servers do not meet.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"panel"' && break
    sleep 0.1
done
unset QT_QPA_PLATFORM
export LC_ALL=C.UTF-8

version=$(sed -n 's/^project(Nuvex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# An emulated machine of n entries, every one authorised, and options as an earlier start
# of this version left them; shown=1 keeps the window on screen after the start.
make_machine() {
    local dir=$1 n=$2 shown=$3
    mkdir -p "$dir/ras" "$dir/windows" "$dir/home"
    awk -v n="$n" 'BEGIN {
        for (i = 0; i < n; i++) {
            printf "[Připojení č. %d]\r\nCountryCode=420\r\nAreaCode=2\r\nPhoneNumber=%d\r\nDevice=modem\r\n\r\n", i, 1000000 + i > "'"$dir"'/ras/rasphone.pbk"
            printf "[Připojení č. %d]\r\nTn=420-(2)-%d\r\n", i, 1000000 + i > "'"$dir"'/windows/Nuvex.val"
        }
    }' </dev/null
    [ "$n" -gt 0 ] || : >"$dir/ras/rasphone.pbk"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorin Software\\Nuvex]\r\n"Installed"=dword:00000001\r\n"ShowNews"=dword:00000000\r\n"AppHideAfterStart"=dword:%08x\r\n"LastWhatsNew"="%s"\r\n' \
        "$shown" "$version" >"$dir/home/user.reg"
}

# CPU nanoseconds of every thread of a process.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d\n", s }'
}

thread_table() {
    local pid=$1 task
    for task in /proc/"$pid"/task/*; do
        printf '%s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" "$(awk '{ print $1, $3 }' "$task/schedstat")"
    done
}

# Runs one program, lets it settle, measures; prints "ms_per_s rss_kB".
measure() {
    local label=$1
    shift
    "$@" >"$work/$label.out" 2>&1 &
    local pid=$!
    pids+=($pid)
    # Started when the log shows the watch running (the bare program has no log).
    for _ in $(seq 300); do
        grep -q 'Aplikace hlídá' "$work/$label.out" 2>/dev/null && break
        [ "$label" != "${label#minimal}" ] && break
        kill -0 "$pid" 2>/dev/null || { cat "$work/$label.out" >&2; exit 1; }
        sleep 0.1
    done
    # Let the start-up, the first paints and the files' racy span pass.
    sleep 4
    [ -n "${PERF_THREADS:-}" ] && thread_table "$pid" >"$work/$label.t0"
    local before after
    before=$(cpu_ns "$pid")
    sleep "$span"
    after=$(cpu_ns "$pid")
    [ -n "${PERF_THREADS:-}" ] && thread_table "$pid" >"$work/$label.t1"
    local rss
    rss=$(awk '/^VmRSS:/ { print $2 }' /proc/"$pid"/status)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v s="$span" -v r="$rss" \
        'BEGIN { printf "%.3f %d\n", (a - b) / 1e6 / s, r }'
    if [ -n "${PERF_THREADS:-}" ]; then
        # Threads by id; one that came or went during the span counts from zero or to its end.
        awk -v s="$span" -v l="$label" '
            NR == FNR { cpu[$1] = $3; runs[$1] = $4; next }
            { printf "#   %-14s %-6s %-16s %8.3f ms/s %6.1f wake-ups/s%s\n", l, $1, $2, ($3 - cpu[$1]) / 1e6 / s,
                  ($4 - runs[$1]) / s, ($1 in cpu) ? "" : " (new)"; seen[$1] = 1 }
            END { for (t in cpu) if (!(t in seen)) printf "#   %-14s %-6s ended during the span\n", l, t }
        ' "$work/$label.t0" "$work/$label.t1" >&2
    fi
}

run_nuvex() {
    local label=$1 n=$2 shown=$3
    make_machine "$work/$label" "$n" "$shown"
    # Its own copy, so that whatever it writes beside the program stays in the machine.
    cp "$bin/nuvex" "$work/$label/nuvex"
    NUVEX_SYSTEM_ROOT=$work/$label XDG_RUNTIME_DIR=$work/$label measure "$label" "$work/$label/nuvex"
}

read -r min_hidden_cpu min_hidden_rss < <(measure minimal-hidden "$bin/nuvex-perf-minimal" --hidden)
read -r min_shown_cpu min_shown_rss < <(measure minimal-shown "$bin/nuvex-perf-minimal")
read -r h10_cpu h10_rss < <(run_nuvex n10-hidden 10 0)
read -r s10_cpu s10_rss < <(run_nuvex n10-shown 10 1)
read -r h1k_cpu h1k_rss < <(run_nuvex n1000-hidden 1000 0)
read -r s1k_cpu s1k_rss < <(run_nuvex n1000-shown 1000 1)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f×", a / b; else print "—" }'; }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }

echo "CPU time of all threads over ${span} s; $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| case | minimal Qt program | Nuvex | ratio | target |"
echo "|---|---|---|---|---|"
echo "| idle, 10 entries, window hidden in the tray | $min_hidden_cpu ms/s | $h10_cpu ms/s | $(ratio "$h10_cpu" "$min_hidden_cpu") | ≤ 0.13 ms/s |"
echo "| idle, 10 entries, window shown | $min_shown_cpu ms/s | $s10_cpu ms/s | $(ratio "$s10_cpu" "$min_shown_cpu") | ≤ 0.3 ms/s |"
echo "| idle, 1,000 entries, hidden | — | $h1k_cpu ms/s | $(ratio "$h1k_cpu" "$min_hidden_cpu") | ≤ 1 ms/s |"
echo "| idle, 1,000 entries, shown | — | $s1k_cpu ms/s | $(ratio "$s1k_cpu" "$min_shown_cpu") | ≤ 1 ms/s |"
echo "| resident memory, 10 entries, hidden | $(mb "$min_hidden_rss") | $(mb "$h10_rss") | $(ratio "$h10_rss" "$min_hidden_rss") | ≤ 1.2× |"
echo "| resident memory, 10 entries, shown | $(mb "$min_shown_rss") | $(mb "$s10_rss") | $(ratio "$s10_rss" "$min_shown_rss") | ≤ 1.2× |"

# The per-check and password-file figures come from the benchmark, when it is built.
if [ -x "$bin/nuvex_bench" ]; then
    QT_QPA_PLATFORM=offscreen "$bin/nuvex_bench" --benchmark_format=csv \
        --benchmark_filter='WatchTick(Window|Logic)(Unchanged|OneChanged)/1000$|PwdLoadAndSave10000$|PwdBareWriteRead10000/[01]$' \
        2>/dev/null >"$work/bench.csv" || true
    figure() { awk -F, -v n="\"$1\"" '$1 == n { printf "%.2f", $4 / ($5 == "ns" ? 1e6 : $5 == "us" ? 1e3 : 1) }' "$work/bench.csv"; }
    echo "| one check after a change, 1,000 entries (window) | — | $(figure WatchTickWindowOneChanged/1000) ms (CPU) | | ≤ 5 ms |"
    echo "| one check after a change, 1,000 entries (logic) | — | $(figure WatchTickLogicOneChanged/1000) ms (CPU) | | |"
    echo "| one check, nothing changed, 1,000 entries (window) | — | $(figure WatchTickWindowUnchanged/1000) ms (CPU) | | |"
    # Flushing to disk is waiting, not CPU: these compare real time.
    wall() { awk -F, -v n="\"$1\"" '$1 == n { printf "%.2f", $3 / ($5 == "ns" ? 1e6 : $5 == "us" ? 1e3 : 1) }' "$work/bench.csv"; }
    bare=$(wall PwdBareWriteRead10000/0)
    bareDir=$(wall PwdBareWriteRead10000/1)
    pair=$(wall PwdLoadAndSave10000)
    echo "| 10,000 password records, load + save (real time) | bare write + fsync + rename + read: $bare ms | $pair ms | $(ratio "$pair" "$bare") | ≤ 1.5× |"
    echo "| the same, bare cost with the folder flushed too | $bareDir ms | $pair ms | $(ratio "$pair" "$bareDir") | |"
fi
