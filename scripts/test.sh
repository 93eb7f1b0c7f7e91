#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; then runs each fuzz target for a
# bounded time (clang, libFuzzer), and builds and runs every test again with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fill's own tests with ThreadSanitizer. Stops at the first stage that fails;
# the last lines are that stage's CTest summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

echo "== Build with warnings as errors, and every test"
cmake --preset ci >/dev/null
cmake --build build/ci
ctest --preset ci -j2

echo "== Fuzz the start folder, the size text and the date-time text"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz
ctest --preset fuzz -j2

echo "== Every test again, with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize >/dev/null
cmake --build build/sanitize
ctest --preset sanitize -j2

echo "== The fill's own tests again, with ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan -j2
