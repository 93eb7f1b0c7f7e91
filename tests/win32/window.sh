#!/usr/bin/env bash
# The Windows window under Wine on a virtual X display: first the in-process window tests, then the real
# program with real keys: its X window is exactly the client area and fixed in size, and after files were added,
# F5, Ctrl+A and Ctrl+C put exactly the folder's files on the clipboard.
#   window.sh WINE-RUN ARCH WINDOW-TESTS.exe Quorrix.exe      (run under tests/with_display.sh)
set -euo pipefail
run=$1 arch=$2 tests=$3 program=$4
# Wine's processes that drew on this display end with it, so that the next program starts them afresh.
trap '"$run" "$arch" --stop' EXIT
# Wine's desktop belongs to the display of the first program that starts it; the core's tests before this one
# may have started it with none, so it starts afresh here, on this display.
"$run" "$arch" --stop

"$run" "$arch" "$tests"

folder=$(mktemp -d)
trap '"$run" "$arch" --stop; rm -rf "$folder"' EXIT
touch "$folder/a.txt"
head -c 1536 /dev/zero >"$folder/b.txt"
"$run" "$arch" "$program" "Z:${folder//\//\\}" 2>/dev/null &
pid=$!
window=$(timeout 120 xdotool search --sync --onlyvisible --name '^Mirelda Ver1\.10$' | head -n 1)

# Without a window manager the X window is the client area; minimum and maximum size hints hold it there.
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$geometry" = 690x355 ] || { echo "client area $geometry, not 690x355" >&2; exit 1; }
xprop -id "$window" WM_NORMAL_HINTS | grep -q 'program specified minimum size: 690 by 355' \
    || { echo "the window can be resized" >&2; exit 1; }

head -c 600 /dev/zero >"$folder/c.txt"
xdotool windowfocus --sync "$window"
# The focus starts in the drive list: F5 there, then Tab twice to the table, Ctrl+A and Ctrl+C.
xdotool key --window "$window" F5 Tab Tab ctrl+a ctrl+c
expected=$(printf 'a.txt\tA\t0KB\nb.txt\tA\t2KB\nc.txt\tA\t1KB')
got=
deadline=$((SECONDS + 30))
until [ "$got" = "$expected" ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
        printf 'the clipboard holds:\n%s\n' "$(xclip -selection clipboard -o 2>/dev/null)" >&2
        exit 1
    fi
    sleep 0.2
    got=$(xclip -selection clipboard -o 2>/dev/null | awk -F '\t' 'NR > 1 { print $1 "\t" $2 "\t" $6 }' || true)
done
