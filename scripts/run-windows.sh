#!/usr/bin/env bash
# Builds Quorrix.exe and runs it under Wine on FOLDER (a Linux or a Windows path; else Wine's working directory).
# Without a display it runs on a virtual one, in a Wine desktop so that the window has its frame, saves a
# screenshot of the window and prints where it is. Called by scripts/run.sh --windows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" --windows

# The program as it is shipped: 32-bit, stripped, and the zip with it.
cmake --preset windows >/dev/null
cmake --build build/windows --target quorrix_zip
arch=win32
program="$root/build/windows/Quorrix.exe"
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    # This kernel runs no 32-bit code, so neither does Wine's 32-bit loader: the same sources run as 64-bit code.
    echo "No 32-bit code runs here: running the same program built for 64-bit Windows"
    cmake --preset windows-x64 >/dev/null
    cmake --build build/windows-x64 --target Quorrix
    arch=win64
    program="$root/build/windows-x64/Quorrix.exe"
fi

# A Linux path becomes the path Wine gives it on drive Z:; anything else goes as it is.
argument=()
if [ $# -gt 0 ]; then
    if [ -e "$1" ]; then
        path=$(realpath -- "$1")
        argument=("Z:${path//\//\\}")
    else
        argument=("$@")
    fi
fi

# A Wine prefix of this build's own, kept for the next run; its server is stopped when the program ends.
QUORRIX_WINEPREFIX=${QUORRIX_WINEPREFIX:-$root/build/wine-$arch}
export QUORRIX_WINEPREFIX
trap 'WINEPREFIX=$QUORRIX_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
run="$root/cmake/wine-run.sh"

if [ -n "${DISPLAY:-}" ]; then
    "$run" "$arch" "$program" "${argument[@]}"
    exit
fi

shot="$root/build/quorrix-window-windows.png"
# A Wine desktop of its own draws the window with its frame and title bar, which no window manager does here.
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/window-shot.sh" "$shot" 120 \
    bash -c 'exec "$@" 2>/dev/null' bash "$run" "$arch" explorer /desktop=quorrix,720x400 "$program" "${argument[@]}"
echo "No display here: the program ran under Wine on a virtual display. Its window: $shot"
