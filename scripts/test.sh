#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake --preset ci -S "$root" >/dev/null
cmake --build "$root/build/ci"
ctest --preset ci -j2
