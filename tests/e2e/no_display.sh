#!/usr/bin/env bash
# Without a display, and with one that does not answer, the program says so in one line and exits with 1.
set -uo pipefail
program=$1
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failed=0
check() {
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE "$@" "$program" >/dev/null 2>"$err"
    local status=$? lines
    lines=$(wc -l <"$err")
    if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ]; then
        echo "$*: status $status, $lines lines on stderr:"
        cat "$err"
        failed=1
    fi
}
check -u DISPLAY
check DISPLAY=:65000
exit "$failed"
