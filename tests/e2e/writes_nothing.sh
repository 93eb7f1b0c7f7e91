#!/usr/bin/env bash
# The program writes nothing and changes nothing. It runs under strace on a folder of hostile folders whose access
# times lie far in the past; real key presses open every subfolder through the directory list and press F5 in
# each, then the window is closed as a window manager closes it. Fails on any call that creates, writes, renames,
# deletes or changes the times, modes or attributes of a file (devices, /proc, memory files, sockets and pipes
# aside; the system's font cache only noted), on a subfolder that was never listed, and on any entry whose
# times changed, the access times of the files and of the folders themselves included. Then it starts the program
# three times more without a desktop session's environment (no runtime folder, a missing one, one that is not
# private; no session bus) and fails on any write there too, and on any program or process it starts.
# Usage: writes_nothing.sh PROGRAM MAKE_HOSTILE   (run under a virtual display, e.g. tests/with_display.sh)
set -euo pipefail
program=$1
make_hostile=$2
here=$(cd "$(dirname "$0")" && pwd)
check=$here/nothing_written.py
. "$here/session.sh"

folder=$work/folder
mkdir "$folder"
"$make_hostile" "$folder"
head -c 1536 /dev/zero >"$folder/top.txt"
: >"$folder/.hidden"
parts=(attrs deep links many names perms sizes special times) # as the directory list orders them

python3 "$check" prepare "$folder" "$work/times.state"

# A desktop session's environment: a private runtime folder, and a session bus (here one that does not answer,
# so that nothing launches one).
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/runtime/no-bus

# Every call, so that calls newer than strace's own table show up too (by number).
TZ=UTC LC_ALL=C strace -f -qq -y -s 4096 -o "$work/trace.log" "$program" "$folder" &
tracer=$!
await_window 60
pid=$(xdotool getwindowpid "$window")

# From the drive list to the directory list, which shows the folder selected and its subfolders below it. For
# each subfolder: down to it, Enter opens it, F5 re-reads it, up to the parent, Enter goes back.
# Keys queue up in order; the wait for each subfolder's listing, seen in the trace, paces them.
listed() {
    grep -F "\"$1\"" "$work/trace.log" | grep -q O_DIRECTORY
}
xdotool key --clearmodifiers Tab
for i in "${!parts[@]}"; do
    for _ in $(seq 0 "$i"); do
        xdotool key --clearmodifiers Down
    done
    xdotool key --clearmodifiers Return F5 Up Return
    wait_for 60 "the listing of ${parts[$i]}" listed "$folder/${parts[$i]}"
done
xdotool key --clearmodifiers F5

# Keys and the close request queue up in order: the window closes once everything before it is done.
python3 "$check" close "$window"
if ! timeout 120 tail --pid="$pid" -f /dev/null; then
    echo "The program did not close."
    exit 1
fi
pid=
status=0
wait "$tracer" || status=$?
if [ "$status" -ne 0 ]; then
    echo "The program ended with status $status."
    exit 1
fi

failed=0
expected=("$folder")
for part in "${parts[@]}"; do
    expected+=("$folder/$part")
done
python3 "$check" trace "$work/trace.log" "${expected[@]}" || failed=1
python3 "$check" compare "$folder" "$work/times.state" || failed=1

# Outside a desktop session: opens the folder and closes. A bus daemon it launched would outlive the program and
# keep strace waiting, so the wait is bounded.
bare_run() {
    local name=$1
    shift
    env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS "$@" TZ=UTC LC_ALL=C \
        strace -f -qq -y -s 4096 -o "$work/$name.log" "$program" "$folder" &
    tracer=$!
    await_window 60
    pid=$(xdotool getwindowpid "$window")
    python3 "$check" close "$window"
    local status=0
    timeout 60 tail --pid="$pid" -f /dev/null || status=$?
    pid=
    if [ "$status" -eq 0 ] && ! timeout 30 tail --pid="$tracer" -f /dev/null; then
        echo "$name: a process the program started is still running."
        kill "$tracer" 2>/dev/null
        status=1
    fi
    wait "$tracer" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "$name: the program did not end cleanly."
        failed=1
    fi
    python3 "$check" trace "$work/$name.log" "$folder" || failed=1
}
mkdir -m 755 "$work/shared-runtime"
bare_run no-session
bare_run missing-runtime XDG_RUNTIME_DIR="$work/missing"
bare_run shared-runtime XDG_RUNTIME_DIR="$work/shared-runtime"
if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "1 passed, 0 failed"
