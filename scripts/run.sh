#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on FOLDER (or the working directory).
#   run.sh [FOLDER]
# Without a display it runs on a virtual one, saves a screenshot of the window and prints where it is.
#   run.sh --windows [FOLDER]: the same with Quorrix.exe under Wine; the screenshot shows the window's frame.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = --windows ]; then
    shift
    exec "$root/scripts/run-windows.sh" "$@"
fi
"$root/scripts/install-deps.sh" --run
# The program alone, in a build folder of its own: no tests, no benchmarks, no GoogleTest.
cmake -S "$root" -B "$root/build/run" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/run" --target quorrix

program="$root/build/run/app/quorrix"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$@"
fi

shot="$root/build/quorrix-window.png"
# A desktop session gives each program a private runtime folder; without one, Qt would make its own
# under /tmp and say so.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/window-shot.sh" "$shot" 60 "$program" "$@"
echo "No display here: the program ran on a virtual display. Its window: $shot"
