#!/bin/sh
# Runs a test without the capabilities that let root read past file permissions, so that a folder or file
# without permissions is refused as it would be for any user, even when the tests run as root.
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null 2>&1; then
    exec setpriv --bounding-set -dac_override,-dac_read_search -- "$@"
fi
exec "$@"
