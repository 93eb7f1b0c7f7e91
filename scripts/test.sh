#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; then runs each fuzz target for a
# bounded time (clang, libFuzzer), builds and runs every test again with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fill's own tests with ThreadSanitizer, and last builds Quorrix.exe for
# 32-bit Windows and runs the core's and the window's tests under Wine, the window's on a virtual display, and
# reads its version record back. Stops at the first stage that fails; the last lines are that stage's CTest
# summary. Each stage's time is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

started=$SECONDS
stage() {
    if [ -n "${stage_name:-}" ]; then
        echo "== ${stage_name}: $((SECONDS - started)) s"
    fi
    stage_name=$1
    started=$SECONDS
    [ -z "$stage_name" ] || echo "== $stage_name"
}

stage "Build with warnings as errors, and every test"
cmake --preset ci >/dev/null
cmake --build build/ci
ctest --preset ci -j2

stage "Fuzz the start folder, the size text and the date-time text"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz
ctest --preset fuzz -j2

stage "Every test again, with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build build/sanitize
ctest --preset sanitize -j2

stage "The fill's own tests again, with ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2

stage "Quorrix.exe for 32-bit Windows, its tests under Wine"
# A private Wine prefix for this stage only, made on first use and removed however the stage ends.
QUORRIX_WINEPREFIX=$(mktemp -d)/wine
export QUORRIX_WINEPREFIX
trap 'cmake/wine-run.sh win32 --remove; cmake/wine-run.sh win64 --remove; rm -rf "$(dirname "$QUORRIX_WINEPREFIX")"' EXIT
cmake --preset windows >/dev/null
cmake --build build/windows
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    ctest --preset windows -j2
else
    # This kernel runs no 32-bit code, so neither does Wine's 32-bit loader: the same sources, built for
    # 64-bit Windows, run the tests in 64-bit Wine.
    echo "No 32-bit code runs here: the tests run as 64-bit Windows code"
    cmake --preset windows-x64 >/dev/null
    cmake --build build/windows-x64
    ctest --preset windows-x64 -j2
fi
stage ""
