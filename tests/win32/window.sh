#!/usr/bin/env bash
# The Windows window under Wine on a virtual X display: first the in-process window tests, then the real
# program with real keys, started on a folder whose name holds a blank (Wine's launcher quotes it as Windows
# does): its X window is exactly the client area and fixed in size, and after files were added, F5, Ctrl+A and
# Ctrl+C put exactly the folder's files on the clipboard. Started again on a file of that folder, it shows the
# same files.
#   window.sh WINE-RUN ARCH WINDOW-TESTS.exe Quorrix.exe      (run under tests/with_display.sh)
set -euo pipefail
run=$1 arch=$2 tests=$3 program=$4
# Wine's processes that drew on this display end with it, so that the next program starts them afresh.
trap '"$run" "$arch" --stop' EXIT
# Wine's desktop belongs to the display of the first program that starts it; the core's tests before this one
# may have started it with none, so it starts afresh here, on this display.
"$run" "$arch" --stop

"$run" "$arch" "$tests"

top=$(mktemp -d)
trap '"$run" "$arch" --stop; rm -rf "$top"' EXIT
folder="$top/Album [2024]"
mkdir "$folder"
touch "$folder/a.txt"
head -c 1536 /dev/zero >"$folder/b.txt"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Waits for the window of the program started last; prints its X id.
find_window() {
    timeout 120 xdotool search --sync --onlyvisible --name '^Mirelda Ver1\.10$' | head -n 1
}

# Sends KEYS to the window, then waits until Ctrl+A and Ctrl+C have put exactly these files on the clipboard:
# name, mark and size, one file a line.
expect_files() {
    local window=$1 keys=$2 expected=$3 got= deadline=$((SECONDS + 30))
    xdotool windowfocus --sync "$window"
    # shellcheck disable=SC2086
    xdotool key --window "$window" $keys ctrl+a ctrl+c
    until [ "$got" = "$expected" ]; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            printf 'the clipboard holds:\n%s\n' "$(xclip -selection clipboard -o 2>/dev/null)" >&2
            exit 1
        fi
        sleep 0.2
        got=$(xclip -selection clipboard -o 2>/dev/null | awk -F '\t' 'NR > 1 { print $1 "\t" $2 "\t" $6 }' || true)
    done
}

"$run" "$arch" "$program" "$(windows_path "$folder")" 2>/dev/null &
window=$(find_window)

# Without a window manager the X window is the client area; minimum and maximum size hints hold it there.
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[ "$geometry" = 690x355 ] || { echo "client area $geometry, not 690x355" >&2; exit 1; }
xprop -id "$window" WM_NORMAL_HINTS | grep -q 'program specified minimum size: 690 by 355' \
    || { echo "the window can be resized" >&2; exit 1; }

head -c 600 /dev/zero >"$folder/c.txt"
expected=$(printf 'a.txt\tA\t0KB\nb.txt\tA\t2KB\nc.txt\tA\t1KB')
# The focus starts in the drive list: F5 there, then Tab twice to the table.
expect_files "$window" "F5 Tab Tab" "$expected"

# A file of the folder, as dropped onto the program, opens the folder too.
"$run" "$arch" --stop
"$run" "$arch" "$program" "$(windows_path "$folder/b.txt")" 2>/dev/null &
expect_files "$(find_window)" "Tab Tab" "$expected"
