#!/usr/bin/env bash
# Builds Velmora with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer in
# build-asan (warnings as errors) and runs the whole test suite there; any finding fails the
# test that triggers it. Programs the tests start are the sanitized ones too.
# Usage: scripts/sanitize.sh [ctest arguments...]   (after scripts/setup-debian.sh)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/sanitizers/options.sh
source "$top/scripts/sanitizers/options.sh"
run_sanitized_suite "$top" "$@"
