# Sourced by the end-to-end tests. Gives them a temporary folder, $work, removed at exit together with the
# program (while $pid names it), and the wait for the program's window.
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to $1 seconds for the program's window to show, sets $window to it and gives it the focus.
await_window() {
    window=$(timeout "$1" xdotool search --sync --onlyvisible --name '^Mirelda Ver1\.10$' | head -n 1)
    xdotool windowfocus --sync "$window"
    sleep 0.5
}
