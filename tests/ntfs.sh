#!/usr/bin/env bash
# Runs a test program on a real NTFS file system: an image formatted by mkntfs on a loop device, mounted with
# ntfs-3g as a disk from a Windows machine is. The mount's root is passed in QUORRIX_NTFS_ROOT. Exits 77
# (skipped) where this machine cannot do it; unmounts and frees the loop device however the test ends.
set -u
skip() {
    echo "Skipped: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "attaching a loop device and mounting need root"
for tool in losetup mkntfs ntfs-3g; do
    command -v "$tool" >/dev/null || skip "$tool is missing (packages mount and ntfs-3g)"
done
[ -e /dev/loop-control ] || skip "this system has no loop devices"
[ -c /dev/fuse ] || skip "this system has no FUSE (/dev/fuse)"

work=$(mktemp -d) || exit 1
loop=
mounted=
test_pid=
cleanup() {
    if [ -n "$test_pid" ]; then
        kill "$test_pid" 2>/dev/null
        wait "$test_pid"
    fi
    if [ -n "$mounted" ]; then
        umount "$work/root" 2>/dev/null || umount -l "$work/root"
    fi
    [ -n "$loop" ] && losetup -d "$loop"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

truncate -s 16M "$work/ntfs.img"
if ! attached=$(losetup -f --show "$work/ntfs.img" 2>&1); then
    skip "no loop device can be attached here: $attached"
fi
loop=$attached
mkntfs -Q -q -F -L QUORRIX "$loop" >/dev/null 2>&1 || {
    echo "mkntfs failed on $loop" >&2
    exit 1
}
mkdir "$work/root"
if ! message=$(ntfs-3g "$loop" "$work/root" 2>&1); then
    skip "ntfs-3g cannot mount here: $message"
fi
mounted=1
# Once the file system holds the device, detaching only marks it to go when the file system lets go of it,
# so that even an unmount by hand later frees it.
losetup -d "$loop" && loop=

# In the background, so that a signal to this script ends the test and cleans up at once.
QUORRIX_NTFS_ROOT="$work/root" timeout 120 "$@" &
test_pid=$!
wait "$test_pid"
status=$?
test_pid=
exit "$status"
