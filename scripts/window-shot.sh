#!/usr/bin/env bash
# On the display it is given: starts COMMAND, waits for the window "Mirelda Ver1.10" to appear and be drawn,
# saves a picture of it to SHOT and ends the command. Used by run.sh and run-windows.sh on a virtual display.
#   window-shot.sh SHOT SECONDS COMMAND [ARG...]    SECONDS: how long the window may take to appear
set -uo pipefail
shot=$1 seconds=$2
shift 2
"$@" &
pid=$!
# The window maps once it has loaded its folder.
if ! window=$(timeout "$seconds" xdotool search --sync --onlyvisible --name "^Mirelda Ver1\.10$" | head -n 1); then
    echo "The window did not appear." >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
# It is drawn once its picture has more than one colour and stays the same from one look to the next.
previous=
deadline=$((SECONDS + 60))
until picture=$(import -window "$window" -format "%k %#" info:-) && [ "${picture%% *}" -gt 1 ] \
    && [ "$picture" = "$previous" ]; do
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "The window was not drawn." >&2
        kill "$pid" 2>/dev/null
        exit 1
    fi
    previous=$picture
    sleep 0.1
done
import -window "$window" "$shot"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit 0
