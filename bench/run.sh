#!/usr/bin/env bash
# Runs the benchmarks and prints their table: the floor (a directory scan and one statx per file, on one core
# and with the statx calls split over every core), the program's fill of its table (and the same fill into a table that keeps nothing), `ls -lA` on the same
# folders, the rows the view asks for when scrolled to the end of a million rows, and start-up against a
# bare Qt window. Installs nothing (scripts/install-deps.sh does that).
#
# Usage: bench/run.sh [--windows] [--million] [--runs N] [--built BUILD_DIR]
#   --windows   the Windows programs under Wine instead (32-bit where this machine runs 32-bit code, else
#               64-bit): the floor is one FindFirstFileExW listing, and the fill goes into a table that keeps
#               nothing; no ls, scrolling or start-up (the Qt window's parts)
#   --million   also a folder of 1,000,000 files (some minutes more)
#   --runs N    runs of each timing (default 5); the table shows the best, start-up the best and the median
#   --built DIR use the benchmark programs already built in DIR instead of building build/default
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
million=0
runs=5
built=""
windows=0
while [ $# -gt 0 ]; do
    case "$1" in
    --windows) windows=1 ;;
    --million) million=1 ;;
    --runs) runs=$2; shift ;;
    --built) built=$2; shift ;;
    *) echo "usage: $0 [--windows] [--million] [--runs N] [--built BUILD_DIR]" >&2; exit 2 ;;
    esac
    shift
done

if [ "$windows" -eq 1 ]; then
    preset=windows arch=win32
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "No 32-bit code runs here: the benchmarks run as 64-bit Windows programs" >&2
        preset=windows-x64 arch=win64
    fi
    if [ -z "$built" ]; then
        (cd "$root" && cmake --preset "$preset" -DQUORRIX_BENCH=ON >/dev/null &&
            cmake --build "build/$preset" -j2 --target bench_floor bench_fill >/dev/null)
        built="$root/build/$preset"
    fi
    bin="$built/bench"
    work=$(mktemp -d)
    # A Wine prefix of this run's own, removed with the folders.
    export QUORRIX_WINEPREFIX="$work/wine"
    run="$root/cmake/wine-run.sh"
    trap '"$run" "$arch" --remove; rm -rf "$work"' EXIT
    wpath() { printf 'Z:%s' "${1//\//\\}"; }

    sizes=(1000 32767 100000)
    [ "$million" -eq 1 ] && sizes+=(1000000)
    # The folders are made by the same program built for this machine: Wine looks every new name up in the
    # whole folder (its names ignore case), which makes a million files a matter of hours there.
    mkdir "$work/empty"
    c++ -std=c++20 -O2 "$root/bench/make_folder.cpp" -o "$work/make_folder"
    for n in "${sizes[@]}"; do
        echo "making a folder of $n files ..." >&2
        "$work/make_folder" "$work/f$n" "$n"
    done
    rows=()
    for n in "${sizes[@]}"; do
        echo "timing $n files ..." >&2
        floor=() null=() nullBytes=""
        rounds=$runs
        [ "$n" -ge 1000000 ] && rounds=$(((runs + 1) / 2))
        for ((round = 0; round < rounds; ++round)); do
            floor+=("$("$run" "$arch" "$bin/bench_floor.exe" "$(wpath "$work/f$n")" 2 </dev/null | awk '{ print $2 }')")
            read -r _ us _ bytes < <("$run" "$arch" "$bin/bench_fill.exe" null "$(wpath "$work/f$n")" \
                "$(wpath "$work/empty")" 2 </dev/null | tr -d '\r') || { echo "bench_fill failed on $n files" >&2; exit 1; }
            null+=("$us")
            nullBytes=${nullBytes:-$bytes}
        done
        f=$(printf '%s\n' "${floor[@]}" | sort -g | head -1)
        u=$(printf '%s\n' "${null[@]}" | sort -g | head -1)
        rows+=("$(printf '%-34s %10s %10s %8s %9s %10s' "floor (FindFirstFileExW)" "$n" "$f" "1.00x" "-" "-")")
        rows+=("$(printf '%-34s %10s %10s %8s %9s %10s' "fill into a table keeping nothing" "$n" "$u" \
            "$(awk -v a="$u" -v b="$f" 'BEGIN { printf "%.2fx", a / b }')" "-" "$nullBytes")")
    done
    echo
    echo "Fill under Wine ($arch), $(nproc) cores, warm cache, best of $runs runs (1,000,000 files: of $(((runs + 1) / 2)))"
    echo
    printf '%-34s %10s %10s %8s %9s %10s\n' "case" "files" "us/file" "ratio" "all cores" "bytes/row"
    printf '%s\n' "${rows[@]}"
    exit 0
fi

if [ -z "$built" ]; then
    (cd "$root" && cmake --preset default -DQUORRIX_BENCH=ON >/dev/null &&
        cmake --build build/default -j2 --target bench_make_folder bench_floor bench_fill bench_startup \
            bench_bare_window >/dev/null)
    built="$root/build/default"
fi
bin="$built/bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Qt wants a runtime folder; a private one keeps its warning out of the output.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

sizes=(1000 32767 100000)
[ "$million" -eq 1 ] && sizes+=(1000000)

mkdir "$work/empty"
for n in "${sizes[@]}"; do
    echo "making a folder of $n files ..." >&2
    "$bin/bench_make_folder" "$work/f$n" "$n"
done

# Seconds of one run of a command, from the shell's clock.
seconds_of() {
    local start=$EPOCHREALTIME
    "$@" >/dev/null
    local end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }'
}

min() { printf '%s\n' "$@" | sort -g | head -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A time per file as a multiple of the floor's, $f, and of the floor on all cores, $fa.
ratio() { awk -v a="$1" -v b="$f" 'BEGIN { printf "%.2fx", a / b }'; }
ratioAll() { awk -v a="$1" -v b="$fa" 'BEGIN { printf "%.2fx", a / b }'; }

rows=()
row() { rows+=("$(printf '%-34s %10s %10s %8s %9s %10s' "$@")"); }

for n in "${sizes[@]}"; do
    folder="$work/f$n"
    echo "timing $n files ..." >&2
    # Rounds alternate the programs, so that a slow moment of the machine falls on all of them alike; the
    # floor and the fills run twice in each round, so that each has as many tries.
    floor=() floorAll=() grid=() null=() lsrun=()
    rounds=$runs
    [ "$n" -ge 1000000 ] && rounds=$(((runs + 1) / 2))
    gridBytes="" nullBytes=""
    for ((round = 0; round < rounds; ++round)); do
        floor+=("$("$bin/bench_floor" "$folder" 2 | awk '{ print $2 }')")
        floorAll+=("$("$bin/bench_floor" "$folder" 2 all | awk '{ print $2 }')")
        read -r _ us _ bytes < <("$bin/bench_fill" grid "$folder" "$work/empty" 2) ||
            { echo "bench_fill grid failed on $folder" >&2; exit 1; }
        grid+=("$us")
        gridBytes=${gridBytes:-$bytes}
        read -r _ us _ bytes < <("$bin/bench_fill" null "$folder" "$work/empty" 2) ||
            { echo "bench_fill null failed on $folder" >&2; exit 1; }
        null+=("$us")
        nullBytes=${nullBytes:-$bytes}
        lsrun+=("$(seconds_of ls -lA --time-style=full-iso "$folder" | awk -v n="$n" '{ printf "%.4f", $1 * 1e6 / n }')")
    done
    f=$(min "${floor[@]}") fa=$(min "${floorAll[@]}")
    g=$(min "${grid[@]}") u=$(min "${null[@]}") l=$(min "${lsrun[@]}")
    row "floor (getdents64 + statx)" "$n" "$f" "1.00x" "$(ratioAll "$f")" "-"
    row "floor, statx on all cores" "$n" "$fa" "$(ratio "$fa")" "1.00x" "-"
    row "fill into the table" "$n" "$g" "$(ratio "$g")" "$(ratioAll "$g")" "$gridBytes"
    row "fill into a table keeping nothing" "$n" "$u" "$(ratio "$u")" "$(ratioAll "$u")" "$nullBytes"
    row "ls -lA --time-style=full-iso" "$n" "$l" "$(ratio "$l")" "$(ratioAll "$l")" "-"
done

echo "scrolling to the end of 1,000,000 rows ..." >&2
read -r _ calls asked total _ < <("$bin/bench_fill" scroll 1000000) || { echo "bench_fill scroll failed" >&2; exit 1; }

# Start-up: from exec to the first paint of the window, under a virtual X display when there is one.
echo "timing start-up ..." >&2
startupRuns=$((runs * 2 + 1))
startup_script='
    bin=$1 folder=$2 count=$3
    t() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; local e=$EPOCHREALTIME; awk -v a="$s" -v b="$e" "BEGIN { printf \"%.2f\", (b - a) * 1000 }"; }
    "$bin/bench_bare_window" >/dev/null 2>&1; "$bin/bench_startup" "$folder" >/dev/null 2>&1
    for ((i = 0; i < count; ++i)); do
        echo "bare $(t "$bin/bench_bare_window")"
        echo "label $(t "$bin/bench_bare_window" --label)"
        echo "quorrix $(t "$bin/bench_startup" "$folder")"
    done'
if command -v xvfb-run >/dev/null; then
    display="Xvfb"
    startup=$(xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$startup_script" _ "$bin" "$work/f1000" "$startupRuns")
else
    display="offscreen"
    startup=$(QT_QPA_PLATFORM=offscreen bash -c "$startup_script" _ "$bin" "$work/f1000" "$startupRuns")
fi
bareTimes=$(awk '$1 == "bare" { print $2 }' <<<"$startup")
labelTimes=$(awk '$1 == "label" { print $2 }' <<<"$startup")
quorrixTimes=$(awk '$1 == "quorrix" { print $2 }' <<<"$startup")

echo
echo "Fill, $(nproc) cores, warm cache, best of $runs runs (1,000,000 files: of $(((runs + 1) / 2)))"
echo
printf '%-34s %10s %10s %8s %9s %10s\n' "case" "files" "us/file" "ratio" "all cores" "bytes/row"
printf '%s\n' "${rows[@]}"
echo
echo "Scrolling to the end of $total rows: the view asked the model for $calls cells, on $asked rows."
echo
echo "Start-up on $display, $startupRuns runs each, from exec to the first paint of the window:"
printf '  %-34s %10s %10s\n' "" "best" "median"
awk -v b="$(min $bareTimes)" -v bm="$(median $bareTimes)" -v l="$(min $labelTimes)" -v lm="$(median $labelTimes)" \
    -v q="$(min $quorrixTimes)" -v qm="$(median $quorrixTimes)" 'BEGIN {
    printf "  %-34s %7.1f ms %7.1f ms\n", "bare Qt window", b, bm
    printf "  %-34s %7.1f ms %7.1f ms\n", "bare Qt window, one Japanese label", l, lm
    printf "  %-34s %7.1f ms %7.1f ms\n", "Quorrix, 1,000 files", q, qm
    printf "  %-34s %9.2fx %9.2fx\n", "ratio to the bare window", q / b, qm / bm
    printf "  %-34s %9.2fx %9.2fx\n", "ratio to the labelled window", q / l, qm / lm
}'
