#!/usr/bin/env bash
# Runs a command on a virtual X display of its own (Xvfb, 1024x768, 24-bit) and returns its status. Xvfb picks
# a free display number itself and reports it once it accepts connections, so that test runs started at the
# same moment never take the same display, as a guessed number (xvfb-run -a) can.
#
# Usage: with_display.sh COMMAND [ARG...]
set -uo pipefail

dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT

# The number arrives as a whole line when the server is ready; read succeeds only on a whole line.
number=""
for _ in $(seq 600); do
    if read -r number <"$dir/display"; then
        break
    fi
    if ! kill -0 "$xvfb" 2>/dev/null; then
        echo "with_display.sh: Xvfb did not start:" >&2
        cat "$dir/log" >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$number" ]; then
    echo "with_display.sh: Xvfb reported no display within 60 s" >&2
    exit 1
fi

# A client must be able to connect before the command starts: a program that found no display would fail the
# command for a reason of the test's own making.
for _ in $(seq 100); do
    if DISPLAY=":$number" xdotool getdisplaygeometry >/dev/null 2>&1; then
        break
    fi
    sleep 0.1
done
DISPLAY=":$number" "$@"
