# Sourced by the end-to-end tests. Gives them a temporary folder, $work, removed at exit together with the
# program (while $pid names it), a wait for any condition and the wait for the program's window.
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    chmod -R u+rwx "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# A desktop session's private runtime folder, so that Qt makes none of its own under /tmp.
XDG_RUNTIME_DIR=$(mktemp -d -p "$work")
export XDG_RUNTIME_DIR

# Runs a command until it succeeds, a tenth of a second apart, for at most SECONDS; then fails, saying what it
# waited for. Usage: wait_for SECONDS WHAT COMMAND [ARGUMENT...]
wait_for() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "Waited $limit s for $what, in vain." >&2
            return 1
        fi
        sleep 0.1
    done
}

# Waits up to $1 seconds for the program's window to show, sets $window to it and gives it the keyboard focus.
await_window() {
    wait_for "$1" "the program's window" find_window
    xdotool windowfocus "$window"
    wait_for "$1" "the keyboard focus on the window" has_focus
}
find_window() {
    window=$(xdotool search --onlyvisible --name '^Mirelda Ver1\.10$' | head -n 1)
    [ -n "$window" ]
}
has_focus() {
    [ "$(xdotool getwindowfocus)" = "$window" ]
}
