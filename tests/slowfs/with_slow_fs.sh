#!/usr/bin/env bash
# Runs a command with a folder served by the slow file system: SOURCE mounted through slow_fs at a mount point of
# its own, every request answered after DELAY_US microseconds. The command finds the mount point in
# QUORRIX_SLOW_ROOT and the file system's counts (see slow_fs.cpp) in the file QUORRIX_SLOW_STATS names. Exits 77
# (skipped) with the reason where this machine cannot mount it; unmounts however the command ends.
#
# Usage: with_slow_fs.sh [--parallel-dirops] SLOW_FS DELAY_US SOURCE COMMAND [ARG...]
#   --parallel-dirops  passed on to slow_fs: the kernel sends first look-ups in one folder side by side
#   SOURCE  the folder to serve, or a number: a folder of that many empty files, made for the command
set -u
skip() {
    echo "Skipped: $*"
    exit 77
}
options=()
if [ "${1-}" = --parallel-dirops ]; then
    options=(--parallel-dirops)
    shift
fi
[ $# -ge 4 ] || { echo "usage: $0 [--parallel-dirops] SLOW_FS DELAY_US SOURCE COMMAND [ARG...]" >&2; exit 2; }
slow_fs=$1 delay=$2 source=$3
shift 3
[ -x "$slow_fs" ] || skip "the slow file system is not built (libfuse3-dev missing when configured)"
[ -c /dev/fuse ] || skip "this system has no FUSE (/dev/fuse)"
[ -r /dev/fuse ] && [ -w /dev/fuse ] || command -v fusermount3 >/dev/null ||
    skip "no rights on /dev/fuse and no fusermount3 (package fuse3)"

work=$(mktemp -d) || exit 1
server=
command_pid=
cleanup() {
    if [ -n "$command_pid" ]; then
        kill "$command_pid" 2>/dev/null
        wait "$command_pid"
    fi
    if [ -n "$server" ]; then
        fusermount3 -u "$work/root" 2>/dev/null || umount "$work/root" 2>/dev/null || umount -l "$work/root"
        wait "$server"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

mkdir "$work/root"
if [[ "$source" =~ ^[0-9]+$ ]]; then
    mkdir "$work/source"
    (cd "$work/source" && for ((i = 1; i <= source; ++i)); do : >"file$i.txt"; done)
    source=$work/source
fi
"$slow_fs" "${options[@]}" "$source" "$work/root" "$delay" "$work/stats" 2>"$work/log" &
server=$!
# Mounted once the mount point's device is another than its parent's.
for ((i = 0; i < 100; ++i)); do
    [ "$(stat -c %d "$work/root")" != "$(stat -c %d "$work")" ] && break
    if ! kill -0 "$server" 2>/dev/null; then
        server=
        skip "slow_fs cannot mount here: $(cat "$work/log")"
    fi
    sleep 0.05
done
[ "$(stat -c %d "$work/root")" != "$(stat -c %d "$work")" ] || skip "slow_fs did not mount within 5 s"

# In the background, so that a signal to this script ends the command and cleans up at once.
QUORRIX_SLOW_ROOT="$work/root" QUORRIX_SLOW_STATS="$work/stats" "$@" &
command_pid=$!
wait "$command_pid"
status=$?
command_pid=
exit "$status"
