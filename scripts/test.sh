#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds Velmora with warnings as errors and runs the whole test
# suite. Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup-debian.sh"
cmake -S "$top" -B "$top/build" -DVELMORA_WERROR=ON
cmake --build "$top/build" -j"$(nproc)"
cd "$top/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
# Each fuzz target for a short bounded time under AddressSanitizer and UBSan (clang build).
"$top/scripts/fuzz.sh" 15
