#!/usr/bin/env bash
# The peak memory of a window on a folder, measured the same way for both windows: the program starts on FOLDER
# on a virtual display; once its window shows and the program has gone quiet (the fill is over), the peak resident
# size of its process (VmHWM) is printed in kB. Under Wine the process is the one Wine's loader names after the
# program (Quorrix.exe), the one whose Wine prefix is ours. Bytes per row: (peak on N files - peak on an empty folder) * 1024 / N.
#   window-memory.sh qt PROGRAM FOLDER                    the Linux window
#   window-memory.sh windows WINE-RUN ARCH PROGRAM FOLDER  the Windows window under Wine (QUORRIX_WINEPREFIX set)
# With SHOT set, a picture of the whole screen is saved there SHOT_AFTER seconds after the start, while the fill
# runs.
set -euo pipefail
kind=$1
shift

# Waits until `pid` has used less than a tick of processor time in each of three half seconds.
wait_quiet() {
    local pid=$1 last now still=0
    last=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
    while [ "$still" -lt 3 ]; do
        sleep 0.5
        now=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
        if [ $((now - last)) -le 1 ]; then still=$((still + 1)); else still=0; fi
        last=$now
    done
}

shoot() {
    if [ -n "${SHOT:-}" ]; then
        (sleep "${SHOT_AFTER:-3}" && import -window root "$SHOT") &
    fi
}

if [ "$kind" = qt ]; then
    program=$1 folder=$2
    shoot
    "$program" "$folder" 2>/dev/null &
    pid=$!
    timeout 300 xdotool search --sync --onlyvisible --name '^Mirelda Ver1\.10$' >/dev/null
    wait_quiet "$pid"
    awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    exit 0
fi

run=$1 arch=$2 program=$3 folder=$4
trap '"$run" "$arch" --stop' EXIT
"$run" "$arch" --stop
shoot
"$run" "$arch" "$program" "Z:${folder//\//\\}" 2>/dev/null &
timeout 300 xdotool search --sync --onlyvisible --name '^Mirelda Ver1\.10$' >/dev/null
pid=
for candidate in $(pgrep -u "$(id -u)" -f 'Quorrix\.exe'); do
    if [ "$(cat "/proc/$candidate/comm" 2>/dev/null)" = Quorrix.exe ] \
        && tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null | grep -qx "WINEPREFIX=$QUORRIX_WINEPREFIX"; then
        pid=$candidate
    fi
done
[ -n "$pid" ] || { echo "no Wine process of Quorrix.exe in $QUORRIX_WINEPREFIX" >&2; exit 1; }
wait_quiet "$pid"
awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status"
