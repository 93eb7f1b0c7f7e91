#!/usr/bin/env bash
# Makes folders that a file table must survive: hostile names, special files, links that go nowhere or in
# circles, permissions that refuse, huge and sparse files, odd times, DOS attributes kept in an extended
# attribute, a folder past the old 16-bit count and a path at the length limit.
#
# Usage: make_hostile.sh TARGET [PART...]
#   TARGET  an existing, empty folder; each part becomes a subfolder of it.
#   PART    any of: names special links perms sizes times attrs many deep (all when none are given).
# Prints nothing on success. What the machine refuses (a device node without the right to make one, user
# extended attributes on a file system without them) is left out silently; the tests check what was made.
set -euo pipefail

target=${1:?usage: make_hostile.sh TARGET [PART...]}
shift
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(names special links perms sizes times attrs many deep)
[ -d "$target" ] || { echo "make_hostile.sh: $target is not a folder" >&2; exit 2; }

make_names() {
    local d=$target/names
    mkdir "$d"
    local name
    for name in \
        $'latin1-caf\xe9.txt' \
        $'\xff\xfe-bytes' \
        $'overlong-\xc0\xaf.txt' \
        $'surrogate-\xed\xa0\x80.txt' \
        $'truncated-\xe3\x81.txt' \
        'literal-\xFF.txt' \
        $'line\nbreak.txt' \
        'line\nbreak.txt' \
        $'tab\there.txt' \
        $'cr\rreturn.txt' \
        $'esc-\e[31mred\e[0m.txt' \
        $'bell-\a.txt' \
        $'del-\x7f.txt' \
        $'c1-\xc2\x85-nel.txt' \
        $'rlo-\xe2\x80\xaetxt.exe' \
        $'isolate-\xe2\x81\xa6x\xe2\x81\xa9.txt' \
        $'line-separator-\xe2\x80\xa8.txt' \
        $'zero-width-a\xe2\x80\x8bb.txt' \
        'zero-width-ab.txt' \
        $'\xef\xbb\xbfbom.txt' \
        'bom.txt' \
        'back\slash.txt' \
        'glob*?[x].txt' \
        '-dash-first' \
        $'.hidden\nnewline' \
        '日本語のファイル.txt' \
        "$(printf 'L%.0s' {1..251}).txt"; do
        : >"$d/$name"
    done
    # A folder whose own name is hostile, to be entered.
    mkdir "$d/"$'dir-\xff\n'
    : >"$d/"$'dir-\xff\n/inside.txt'
}

make_special() {
    local d=$target/special
    mkdir "$d"
    : >"$d/plain.txt"
    # No writer ever opens it: a reader that opens it would wait for ever.
    mkfifo "$d/fifo"
    (cd "$d" && python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind("socket")')
    mknod "$d/device" c 1 3 2>/dev/null || true
}

make_links() {
    local d=$target/links
    mkdir "$d" "$d/folder"
    head -c 2048 /dev/zero >"$d/target.txt"
    mkfifo "$d/fifo-target"
    ln -s missing-target "$d/dangling"
    ln -s loop-b "$d/loop-a"
    ln -s loop-a "$d/loop-b"
    ln -s self "$d/self"
    ln -s folder "$d/to-folder"
    ln -s target.txt "$d/to-file"
    ln -s fifo-target "$d/to-fifo"
    ln -s /dev/zero "$d/to-device"
}

make_perms() {
    local d=$target/perms
    mkdir "$d" "$d/nodir" "$d/enteronly" "$d/listonly"
    : >"$d/readable.txt"
    head -c 2048 /dev/zero >"$d/noperm.txt"
    : >"$d/nodir/inside.txt"
    : >"$d/enteronly/inside.txt"
    head -c 1536 /dev/zero >"$d/listonly/a.txt"
    : >"$d/listonly/b.txt"
    chmod 000 "$d/noperm.txt" "$d/nodir"
    chmod 111 "$d/enteronly"
    # Names can be read, but nothing inside can be reached.
    chmod 444 "$d/listonly"
}

make_sizes() {
    local d=$target/sizes
    mkdir "$d"
    truncate -s 3G "$d/sparse-3GiB.bin"
    truncate -s 2G "$d/sparse-2GiB.bin"
    head -c 1536 /dev/zero >"$d/1536.bin"
    : >"$d/empty.bin"
}

make_times() {
    local d=$target/times
    mkdir "$d"
    local when
    while IFS='|' read -r name when; do
        : >"$d/$name"
        touch -d "$when" "$d/$name"
    done <<'EOF'
before-1970.txt|1960-01-01 09:30:00 UTC
just-before-1970.txt|1969-12-31 23:59:59.5 UTC
year-2100.txt|2100-01-01 12:00:00 UTC
midnight-2100.txt|2100-12-31 00:00:00 UTC
nanoseconds.txt|2021-03-04 05:06:07.999999999 UTC
EOF
}

make_attrs() {
    local d=$target/attrs
    mkdir "$d"
    # The value is hexadecimal text, as a compatibility layer writes it ("0x22"); setfattr takes a value in
    # double quotes as text, and one starting with 0x as hexadecimal bytes (the last: the text, a NUL, and
    # binary data after it).
    local name value
    while read -r name value; do
        : >"$d/$name"
        setfattr -n user.DOSATTRIB -v "$value" "$d/$name" 2>/dev/null || true
    done <<'EOF'
dos22.txt "0x22"
dos21.txt "0x21"
dos20.txt "0x20"
dos20-blob.txt 0x3078323000040004000000110000002000ff
dos-garbage.txt "zz"
EOF
    # Without the attribute each would be read-only ("R"): a mark other than "R" shows the attribute was read.
    chmod 444 "$d"/*
}

make_many() {
    local d=$target/many
    mkdir "$d"
    (cd "$d" && seq -f 'file%.0f' 1 40000 | xargs touch)
}

make_deep() {
    # Nested folders so that the path of the file `at-limit` is exactly 4095 bytes, the longest a system call
    # takes, and a file whose path is longer than that, made from inside its folder.
    local folder=$target/deep
    mkdir "$folder"
    local segment
    segment=$(printf 'd%.0s' {1..250})
    local name_length=200
    local wanted=$((4095 - 1 - name_length))
    while [ $((${#folder} + 1 + 250)) -lt "$wanted" ]; do
        folder=$folder/$segment
    done
    local last=$((wanted - ${#folder} - 1))
    if [ "$last" -gt 0 ]; then
        folder=$folder/$(printf 'e%.0s' $(seq 1 "$last"))
    fi
    mkdir -p "$folder"
    name_length=$((4095 - 1 - ${#folder}))
    local name
    name=at-limit$(printf 'n%.0s' $(seq 1 $((name_length - 8))))
    head -c 1536 /dev/zero >"$folder/$name"
    (cd "$folder" && : >"beyond-limit$(printf 'b%.0s' {1..240})")
}

for part in "${parts[@]}"; do
    case $part in
    names | special | links | perms | sizes | times | attrs | many | deep) "make_$part" ;;
    *)
        echo "make_hostile.sh: unknown part $part" >&2
        exit 2
        ;;
    esac
done
