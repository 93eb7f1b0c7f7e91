#!/usr/bin/env bash
# Runs the benchmarks and prints their table: the floor (a directory scan and one statx per file, on one core
# and with the statx calls split over every core), the program's fill of its table (and the same fill into a table that keeps nothing), `ls -lA` on the same
# folders, the rows the view asks for when scrolled to the end of a million rows, and start-up against a
# bare Qt window; with --slow, the fill of a folder served by the slow file system (tests/slowfs). Installs nothing
# (scripts/install-deps.sh does that).
#
# Usage: bench/run.sh [--windows] [--million] [--slow] [--runs N] [--built BUILD_DIR]
#   --windows   the Windows programs under Wine instead (32-bit where this machine runs 32-bit code, else
#               64-bit): the floor is one FindFirstFileExW listing, and the fill goes into a table that keeps
#               nothing; no ls, scrolling, slow share or start-up (the Qt window's parts)
#   --million   also a folder of 1,000,000 files (some minutes more)
#   --slow      also the fill of 10,000 files served with 1 ms a request, against the bound of one round trip
#               a file over the queries the fill keeps in flight (skipped where FUSE cannot be mounted)
#   --runs N    runs of each timing (default 5); every figure is given as the best and the median of the runs
#   --built DIR use the benchmark programs already built in DIR instead of building build/default
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
million=0
slow=0
runs=5
built=""
windows=0
while [ $# -gt 0 ]; do
    case "$1" in
    --windows) windows=1 ;;
    --million) million=1 ;;
    --slow) slow=1 ;;
    --runs) runs=$2; shift ;;
    --built) built=$2; shift ;;
    *) echo "usage: $0 [--windows] [--million] [--slow] [--runs N] [--built BUILD_DIR]" >&2; exit 2 ;;
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
    # Runs a benchmark program under Wine and prints its line of figures, which begins with WORD; anything else
    # (a crash's report, say) stops the run with what the program printed.
    winRun() {
        local word=$1 out
        shift
        out=$("$@" </dev/null 2>&1 | tr -d '\r') || true
        if ! grep -q "^$word " <<<"$out"; then
            printf '%s failed:\n%s\n' "$*" "$out" >&2
            : >"$work/failed"
            return 1
        fi
        grep "^$word " <<<"$out" | head -1
    }
    winMin() { printf '%s\n' "$@" | sort -g | head -1; }
    winMedian() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    winRatio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
    rows=()
    for n in "${sizes[@]}"; do
        echo "timing $n files ..." >&2
        floor=() null=() nullBytes="" floorBytes=""
        rounds=$runs
        [ "$n" -ge 1000000 ] && rounds=$(((runs + 1) / 2))
        for ((round = 0; round < rounds; ++round)); do
            read -r _ fus _ fbytes < <(winRun floor "$run" "$arch" "$bin/bench_floor.exe" "$(wpath "$work/f$n")" 2)
            floor+=("$fus")
            floorBytes=${floorBytes:-$fbytes}
            read -r _ us _ bytes < <(winRun fill_null "$run" "$arch" "$bin/bench_fill.exe" null "$(wpath "$work/f$n")" \
                "$(wpath "$work/empty")" 2)
            [ ! -e "$work/failed" ] || exit 1
            null+=("$us")
            nullBytes=${nullBytes:-$bytes}
        done
        f=$(winMin "${floor[@]}") fm=$(winMedian "${floor[@]}")
        u=$(winMin "${null[@]}") um=$(winMedian "${null[@]}")
        rows+=("$(printf '%-34s %8s %9s %7s %9s %7s %9s %10s' "floor (FindFirstFileExW)" "$n" "$f" "1.00x" "$fm" "1.00x" \
            "$floorBytes" "-")")
        rows+=("$(printf '%-34s %8s %9s %7s %9s %7s %9s %10s' "fill into a table keeping nothing" "$n" "$u" \
            "$(winRatio "$u" "$f")" "$um" "$(winRatio "$um" "$fm")" "$nullBytes" \
            "$(awk -v a="$nullBytes" -v b="$floorBytes" 'BEGIN { printf "%.1f", a - b }')")")
    done
    echo
    echo "Fill under Wine ($arch), $(nproc) cores, warm cache, $runs rounds (1,000,000 files: $(((runs + 1) / 2)));"
    echo "best and median of the rounds, in us a file and as a multiple of the floor's best and median"
    echo
    printf '%-34s %8s %9s %7s %9s %7s %9s %10s\n' "case" "files" "best" "ratio" "median" "ratio" "bytes/row" "over floor"
    printf '%s\n' "${rows[@]}"
    echo
    echo "bytes/row of the floor: what listing the folder alone costs the process at its peak (under Wine, its own"
    echo "copy of the folder's names); over floor: the fill's bytes/row less the floor's."
    exit 0
fi

if [ -z "$built" ]; then
    (cd "$root" && cmake --preset default -DQUORRIX_BENCH=ON >/dev/null &&
        cmake --build build/default -j2 --target bench_make_folder bench_floor bench_fill bench_startup \
            bench_bare_window >/dev/null &&
        { [ "$slow" -eq 0 ] || cmake --build build/default -j2 --target slow_fs >/dev/null || true; })
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
# A median time per file as a multiple of the floor's median, $fm.
ratioMedian() { awk -v a="$1" -v b="$fm" 'BEGIN { printf "%.2fx", a / b }'; }

rows=()
row() { rows+=("$(printf '%-34s %8s %9s %7s %9s %7s %9s %9s' "$@")"); }

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
    fm=$(median "${floor[@]}") fam=$(median "${floorAll[@]}")
    gm=$(median "${grid[@]}") um=$(median "${null[@]}") lm=$(median "${lsrun[@]}")
    row "floor (getdents64 + statx)" "$n" "$f" "1.00x" "$fm" "1.00x" "$(ratioAll "$f")" "-"
    row "floor, statx on all cores" "$n" "$fa" "$(ratio "$fa")" "$fam" "$(ratioMedian "$fam")" "1.00x" "-"
    row "fill into the table" "$n" "$g" "$(ratio "$g")" "$gm" "$(ratioMedian "$gm")" "$(ratioAll "$g")" "$gridBytes"
    row "fill into a table keeping nothing" "$n" "$u" "$(ratio "$u")" "$um" "$(ratioMedian "$um")" "$(ratioAll "$u")" \
        "$nullBytes"
    row "ls -lA --time-style=full-iso" "$n" "$l" "$(ratio "$l")" "$lm" "$(ratioMedian "$lm")" "$(ratioAll "$l")" "-"
done

# The slow share: a folder of 10,000 files through the slow file system at 1 ms a request, twice: as libfuse's
# default serves it (the kernel sends the first look-up of each name in a folder only once the one before it is
# answered), and with parallel directory operations allowed. The first fill meets names the kernel has not looked
# up yet; the fills after it (F5) show what the fill itself does.
slowReport=""
if [ "$slow" -eq 1 ]; then
    slowFiles=10000 slowDelayUs=1000
    "$bin/bench_make_folder" "$work/slow" "$slowFiles"
    slowScript='
        bin=$1 empty=$2 runs=$3
        read -r _ first _ _ < <("$bin/bench_fill" null "$QUORRIX_SLOW_ROOT" "$empty" 1)
        read -r _ _ _ before < "$QUORRIX_SLOW_STATS"
        again=()
        for ((i = 0; i < runs; ++i)); do
            read -r _ us _ _ < <("$bin/bench_fill" null "$QUORRIX_SLOW_ROOT" "$empty" 1)
            again+=("$us")
        done
        read -r _ peak _ after < "$QUORRIX_SLOW_STATS"
        best=$(printf "%s\n" "${again[@]}" | sort -g | head -1)
        median=$(printf "%s\n" "${again[@]}" | sort -g |
            awk "{ v[NR] = \$1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }")
        echo "$first $best $median $peak $((after - before))"'
    for mode in serial parallel; do
        echo "timing 10,000 files at 1 ms a request, first look-ups $mode ..." >&2
        options=()
        [ "$mode" = parallel ] && options=(--parallel-dirops)
        slowOut=$("$root/tests/slowfs/with_slow_fs.sh" "${options[@]}" "$built/tests/slowfs/slow_fs" "$slowDelayUs" \
            "$work/slow" bash -c "$slowScript" _ "$bin" "$work/empty" "$runs" 2>/dev/null) && slowStatus=0 ||
            slowStatus=$?
        if [ "$mode" = serial ]; then
            slowReport+="  the kernel sends a folder's first look-ups one at a time (libfuse's default):"$'\n'
        else
            slowReport+="  look-ups in one folder side by side (slow_fs --parallel-dirops):"$'\n'
        fi
        if [ "$slowStatus" -eq 0 ]; then
            slowReport+=$(awk -v n="$slowFiles" -v d="$slowDelayUs" -v runs="$runs" -v mode="$mode" -v line="$slowOut" 'BEGIN {
                split(line, f, " ")
                first = f[1] * n / 1e6; best = f[2] * n / 1e6; median = f[3] * n / 1e6; peak = f[4]
                perFile = f[5] / (runs * n)
                # The listing: its requests (those beyond one a file) one after another, as one reader asks them.
                listing = f[5] / runs - n; if (listing < 0) listing = 0
                bound = (listing + n / 64) * d / 1e6
                firstBound = mode == "serial" ? (listing + n) * d / 1e6 : bound
                printf "    %-42s %8.2f s  %6.2fx its bound, %.2f s\n", "first fill (names the kernel has not met)", first, first / firstBound, firstBound
                printf "    %-42s %8.2f s  %6.2fx\n", "fill again, median of the runs", median, median / bound
                printf "    %-42s %8.2f s  %6.2fx\n", "fill again, best of the runs", best, best / bound
                printf "    %-42s %8.2f s  (%d listing requests + %d files / 64 in flight, x %d us)\n", "bound of a fill", bound, listing, n, d
                printf "    %-42s %8d\n", "most requests in flight", peak
                printf "    %-42s %8.2f\n", "requests a file, fills again", perFile
            }')$'\n'
        elif [ "$slowStatus" -eq 77 ]; then
            slowReport+="    skipped: $slowOut"$'\n'
        else
            slowReport+="    failed ($slowStatus): $slowOut"$'\n'
        fi
    done
fi

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
echo "Fill, $(nproc) cores, warm cache, $runs rounds (1,000,000 files: $(((runs + 1) / 2))), each the best of two tries;"
echo "best and median of the rounds, in us a file and as a multiple of the floor's best and median"
echo
printf '%-34s %8s %9s %7s %9s %7s %9s %9s\n' "case" "files" "best" "ratio" "median" "ratio" "all cores" "bytes/row"
printf '%s\n' "${rows[@]}"
echo
echo "Scrolling to the end of $total rows: the view asked the model for $calls cells, on $asked rows."
if [ "$slow" -eq 1 ]; then
    echo
    echo "A slow share: 10,000 files, every request answered 1 ms late, no caching (tests/slowfs):"
    printf '%s' "$slowReport"
fi
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
