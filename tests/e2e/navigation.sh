#!/usr/bin/env bash
# End to end, in a real X window: start the program on a folder, change the folder's files, press F5,
# select every row with Ctrl+A, copy with Ctrl+C, and compare the clipboard with the folder's files.
# Usage: navigation.sh PROGRAM   (run under a virtual display, e.g. tests/with_display.sh)
set -euo pipefail
program=$1
. "$(dirname "$0")/session.sh"

folder="$work/フォルダ"
mkdir "$folder" "$folder/sub"
head -c 1536 /dev/zero > "$folder/before.txt"
head -c 100 /dev/zero > "$folder/gone.txt"

TZ=UTC LC_ALL=C "$program" "$folder" &
pid=$!
await_window 30

# Change the folder behind the program's back, then refresh with F5.
head -c 2561 /dev/zero > "$folder/added.txt"
: > "$folder/.hidden"
head -c 3584 /dev/zero > "$folder/readonly.txt"
chmod 444 "$folder/readonly.txt"
rm "$folder/gone.txt"
xdotool key --clearmodifiers F5

# Tab from the drive list past the directory list to the table, select everything and copy it. The keys queue up
# behind F5, so what is copied is the refilled table.
xdotool key --clearmodifiers Tab Tab
xdotool key --clearmodifiers ctrl+a
xdotool key --clearmodifiers ctrl+c

expected=$(printf '%s\n' \
    $'ファイル名\t属性\tファイルサイズ' \
    $'.hidden\tH\t0KB' \
    $'added.txt\t\t3KB' \
    $'before.txt\t\t2KB' \
    $'readonly.txt\tR\t4KB')
copied_as_expected() {
    copied=$(timeout 10 xclip -o -selection clipboard 2>/dev/null | awk -F '\t' '{ print $1 "\t" $2 "\t" $6 }')
    [ "$copied" = "$expected" ]
}
if ! wait_for 60 "the clipboard to hold the folder's files" copied_as_expected; then
    echo "The clipboard holds:"
    echo "$copied"
    echo "Expected:"
    echo "$expected"
    exit 1
fi
# Every row carries its three date-times.
rows=$(xclip -o -selection clipboard | awk -F '\t' 'NR > 1 && NF == 6 && $5 ~ /^[0-9][0-9][0-9][0-9]\/[0-9][0-9]\/[0-9][0-9]/' | wc -l)
[ "$rows" -eq 4 ] || { echo "expected 4 rows with six cells and a date, found $rows"; exit 1; }
echo "1 passed, 0 failed"
