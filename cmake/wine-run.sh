#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix that nothing else uses.
#   wine-run.sh ARCH PROGRAM [ARGUMENT...]   ARCH is win32 or win64; the program's exit code passes through
#   wine-run.sh ARCH --stop                  stops the prefix's Wine server and every Wine process of it
#   wine-run.sh ARCH --remove                stops the prefix's Wine server and deletes the prefix
# The prefix is $QUORRIX_WINEPREFIX when set, else one of this user's for the working directory in the temporary
# folder; it is made on
# first use (some 10 to 30 seconds) and its server is kept running between programs until --remove.
set -euo pipefail
arch=$1
shift
prefix=${QUORRIX_WINEPREFIX:-}
if [ -z "$prefix" ]; then
    # One per build folder (CTest starts every test in the build's tests folder), so that builds tested side by
    # side never remove each other's prefix.
    prefix=$(dirname "$(mktemp -u)")/quorrix-wine-$arch-$(id -u)-$(pwd | cksum | cut -d ' ' -f 1)
fi
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The wine launcher prefers the 32-bit loader whenever it is installed, even where it cannot run.
wine=wine
if [ "$arch" = win64 ] && [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64
fi

if [ "${1:-}" = --stop ]; then
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    exit 0
fi
if [ "${1:-}" = --remove ]; then
    if [ -d "$prefix" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        rm -rf "$prefix"
    fi
    exit 0
fi

# Test programs start in parallel: one makes the prefix, the others wait for it.
mkdir -p "$prefix"
exec 9>"$prefix/.made-by-quorrix"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "wine-run.sh: could not make a Wine prefix in $prefix" >&2; exit 1; }
    # The table's font, "ＭＳ ゴシック", would become IPAGothic, whose 9-point face draws no "_": VL Gothic
    # draws every character. The close button's glyph comes from Wine's own Marlett.
    for name in "MS Gothic" "ＭＳ ゴシック"; do
        "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d "VL Gothic" /f </dev/null >/dev/null 2>&1 || true
    done
    [ ! -f /usr/share/wine/fonts/marlett.ttf ] || cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
    wineserver -w
fi
# The server and Wine's own service processes outlive the program. They must not hold its output, or a test
# runner would wait for them: they are started here, before it, with their output going nowhere.
# With a server already running, "wineserver -p" changes nothing but exits with status 2.
wineserver -p </dev/null >/dev/null 2>&1 || true
"$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
flock -u 9
exec 9>&-
exec "$wine" "$@"
