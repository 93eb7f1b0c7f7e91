#!/usr/bin/env bash
# The bytes a row of both windows, measured the same way (scripts/window-memory.sh, each program on a virtual
# display of its own), and set side by side. Two kinds of folder, each at N and 2N files against an empty folder:
# the benchmark's (bench/make_folder: sizes and times that differ from file to file) and the same names as empty
# files made in one go (times shared by neighbours). For each: the peak per row at N and at 2N ((peak - peak on
# the empty folder) / files), and the slope between them ((peak at 2N - peak at N) / N), which leaves out what a
# process pays once, whatever the folder (under Wine some 1 MB for each thread it starts). Under Wine the Windows
# column also carries Wine's own copy of the folder's names, which any program that lists the folder pays
# (bench_floor measures it on the same folder, as it lists with the same call); the last columns are the Windows
# window less that copy, and that against the Qt window.
#
# Usage: scripts/window-rows.sh [--files N] [--runs R]   (default 100000 files, 3 runs; each peak is the median)
# Installs nothing (scripts/install-deps.sh --windows does that); builds build/default and the Windows build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
files=100000
runs=3
while [ $# -gt 0 ]; do
    case "$1" in
    --files) files=$2; shift ;;
    --runs) runs=$2; shift ;;
    *) echo "usage: $0 [--files N] [--runs R]" >&2; exit 2 ;;
    esac
    shift
done

preset=windows arch=win32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "No 32-bit code runs here: measuring the same program built for 64-bit Windows" >&2
    preset=windows-x64 arch=win64
fi
cd "$root"
cmake --preset default >/dev/null && cmake --build build/default --target quorrix >/dev/null
cmake --preset "$preset" -DQUORRIX_BENCH=ON >/dev/null && cmake --build "build/$preset" --target Quorrix bench_floor >/dev/null

work=$(mktemp -d)
export QUORRIX_WINEPREFIX="$work/wine"
run="$root/cmake/wine-run.sh"
trap '"$run" "$arch" --remove; rm -rf "$work"' EXIT

mkdir "$work/empty"
c++ -std=c++20 -O2 "$root/bench/make_folder.cpp" -o "$work/make_folder"
twice=$((2 * files))
for n in "$files" "$twice"; do
    "$work/make_folder" "$work/bench$n" "$n" >/dev/null
    mkdir "$work/blank$n"
    (cd "$work/bench$n" && find . -maxdepth 1 -type f -printf '%f\0' | (cd "$work/blank$n" && xargs -0 touch))
done

# The median peak, in kB, of RUNS starts of one window on one folder.
peak() {
    local kind=$1 folder=$2 values=()
    for _ in $(seq "$runs"); do
        if [ "$kind" = qt ]; then
            values+=("$(tests/with_display.sh scripts/window-memory.sh qt build/default/app/quorrix "$folder")")
        else
            values+=("$(tests/with_display.sh scripts/window-memory.sh windows "$run" "$arch" \
                "build/$preset/Quorrix.exe" "$folder")")
        fi
    done
    echo "$kind ${folder##*/}: ${values[*]} kB" >&2
    printf '%s\n' "${values[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

# Wine's copy of the names of `folder`, in bytes a file: the last figure bench_floor prints.
wineCopy() {
    "$run" "$arch" "build/$preset/bench/bench_floor.exe" "Z:${1//\//\\}" 1 </dev/null 2>/dev/null | tr -d '\r' \
        | awk '/^floor / { print $4 }'
}

# One line of the table: the bytes a row that ROWS more rows added to each window's peak (from the BEFORE peaks to
# the AFTER peaks, in kB), Wine's copy in bytes a row, and the Windows window less that copy against the Qt window.
line() {
    awk -v k="$1" -v n="$2" -v rows="$3" -v q0="$4" -v q1="$5" -v w0="$6" -v w1="$7" -v c="$8" 'BEGIN {
        q = (q1 - q0) * 1024 / rows; w = (w1 - w0) * 1024 / rows
        printf "%-6s %9s %10.1f %10.1f %12.1f %10.1f %7.2fx\n", k, n, q, w, c, w - c, (w - c) / q }'
}

qtEmpty=$(peak qt "$work/empty")
winEmpty=$(peak windows "$work/empty")
printf '%-6s %9s %10s %10s %12s %10s %8s\n' folder files "Qt" "Windows" "Wine's copy" "less copy" "against"
for kind in bench blank; do
    qt1=$(peak qt "$work/$kind$files") win1=$(peak windows "$work/$kind$files") copy1=$(wineCopy "$work/$kind$files")
    qt2=$(peak qt "$work/$kind$twice") win2=$(peak windows "$work/$kind$twice") copy2=$(wineCopy "$work/$kind$twice")
    line "$kind" "$files" "$files" "$qtEmpty" "$qt1" "$winEmpty" "$win1" "$copy1"
    line "$kind" "$twice" "$twice" "$qtEmpty" "$qt2" "$winEmpty" "$win2" "$copy2"
    # The copy of the further rows: all of the larger folder's less all of the smaller one's.
    line "$kind" slope "$files" "$qt1" "$qt2" "$win1" "$win2" "$(awk -v a="$copy1" -v b="$copy2" 'BEGIN { print 2 * b - a }')"
done
