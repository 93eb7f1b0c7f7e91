#!/usr/bin/env bash
# Runs a command with a root folder of its own, so that a test may make files directly in "/" and the machine's
# "/" stays as it was. In a private mount namespace, a fresh temporary folder becomes "/": every folder of the
# real root is mounted into it and every link at its top copied (plain files at the top stay outside). The command
# runs there, in the same working directory, with QUORRIX_OWN_ROOT=1; the folder and what the command made in it
# are removed afterwards. Exits with the command's status, or 77 where no mount namespace can be made.
# Usage: own_root.sh COMMAND [ARGUMENT...]
set -euo pipefail

if [ "${1-}" = --inside ]; then
    root=$2
    shift 2
    # "/" is a mount point everywhere else; the list of mounted file systems must show it here too.
    mount --bind "$root" "$root"
    shopt -s dotglob nullglob
    for entry in /*; do
        if [ -L "$entry" ]; then
            ln -s "$(readlink "$entry")" "$root$entry"
        elif [ -d "$entry" ]; then
            mkdir "$root$entry"
            mount --rbind "$entry" "$root$entry"
        fi
    done
    exec chroot "$root" /usr/bin/env -C "$PWD" QUORRIX_OWN_ROOT=1 "$@"
fi

namespace=(unshare --mount --propagation private)
if [ "$(id -u)" -ne 0 ]; then
    namespace=(unshare --user --map-root-user --mount --propagation private)
fi
if ! "${namespace[@]}" true 2>/dev/null; then
    echo "No mount namespace can be made here: $*" >&2
    exit 77
fi
root=$(mktemp -d -t quorrix-root.XXXXXX)
# The mounts lived in the namespace only, so that here the folder holds only what the command made.
trap 'rm -rf --one-file-system "$root"' EXIT
status=0
"${namespace[@]}" "$0" --inside "$root" "$@" || status=$?
exit "$status"
