#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, and the locales the tests use.
# Installs only what is missing; does nothing on a machine that has everything.
# What each package is for: the compiler, CMake and Ninja, Qt (with the OpenGL headers it builds against), ICU and
# GoogleTest build everything; a Japanese font draws the window; tzdata holds the time zones that the date-times
# follow, the tests' zones among them; Xvfb (with xauth), xdotool and xclip run the end-to-end tests and
# scripts/run.sh, which takes its screenshot with ImageMagick; attr and python3 make the hostile folders;
# strace and python3 check that the program writes nothing; clang and its runtime build the fuzz targets;
# libfuse3 (and fuse3's fusermount3) builds and mounts the slow file system that the slow benchmark and test use.
set -euo pipefail

packages=(
    g++ cmake ninja-build
    qt6-base-dev qt6-svg-dev libgl-dev libicu-dev libgtest-dev
    fonts-ipafont-gothic tzdata
    xvfb xauth xdotool xclip imagemagick
    attr strace python3 locales ntfs-3g
    clang libclang-rt-14-dev
    libfuse3-dev fuse3 pkg-config
)
# The C library's locales that tests need generated (locale-gen, from the locales package). None so far: the
# program takes only the locale's name from the environment and its date-time patterns from ICU.
locales=()

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Making the Debian package and checking it, its desktop entry and metainfo.
packages+=(dpkg-dev desktop-file-utils appstream lintian)
# Reading the window as a screen reader does: the accessibility bus on a session bus, and its Python bindings.
packages+=(dbus at-spi2-core python3-gi gir1.2-atspi-2.0)
# --run: only what building and running the program needs (scripts/run.sh), not the test and benchmark tools.
# --windows: only what building Quorrix.exe and running it under Wine on a virtual display need (scripts/run.sh
# --windows).
run_only=0
if [ "${1:-}" = --windows ]; then
    # The windows preset builds the tests too, so GoogleTest's sources are needed to configure it.
    packages=(cmake ninja-build googletest fonts-vlgothic xvfb xauth xdotool imagemagick)
    locales=()
elif [ "${1:-}" = --run ]; then
    run_only=1
    packages=(g++ cmake ninja-build qt6-base-dev qt6-svg-dev libgl-dev libicu-dev fonts-ipafont-gothic
        xvfb xauth xdotool imagemagick)
    locales=()
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows core and window: the MinGW-w64 cross compiler and Wine (its 32-bit loader is an i386 package),
# Wine's own fonts (the close button's glyph), a Japanese gothic that draws every character at 9 points for
# the table, pefile to read the version record back, and xwininfo and xprop (x11-utils) for the window's size.
missing=()
[ "$run_only" -eq 1 ] || for package in g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine fonts-vlgothic \
    python3-pefile x11-utils; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
# A kernel without 32-bit support cannot run that loader: the tests and scripts/run.sh --windows then run the
# same code built as 64-bit, in 64-bit Wine.
if [ "$run_only" -eq 0 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    for package in g++-mingw-w64-x86-64-posix wine64; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

available=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
generate=0
for name in "${locales[@]}"; do
    wanted=$(echo "$name" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    if ! grep -qx "$wanted" <<<"$available"; then
        as_root sed -i "s/^# *\(${name//./\\.} UTF-8\)/\1/" /etc/locale.gen
        grep -q "^${name//./\\.} UTF-8" /etc/locale.gen || echo "$name UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
        generate=1
    fi
done
if [ "$generate" -eq 1 ]; then
    as_root locale-gen >/dev/null
fi
