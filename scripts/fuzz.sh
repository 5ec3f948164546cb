#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 (AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz and runs each of them for SECONDS (default 10), starting from the seeds that
# velmora-fuzz-seeds writes. Usage: scripts/fuzz.sh [SECONDS]. A crash stops the script with
# the failing input saved in build-fuzz/fuzz/artifacts/.
set -euo pipefail
seconds=${1:-10}
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=ON -DVELMORA_QT=OFF \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$build" --target velmora-fuzz-all -j"$jobs"

out="$build/fuzz"
mkdir -p "$out/corpus" "$out/artifacts"
"$out/velmora-fuzz-seeds" "$out/corpus"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
while read -r target; do
  [ -n "$target" ] || continue
  mkdir -p "$out/corpus/$target"
  echo "fuzz: $target for ${seconds}s"
  "$out/$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$target-" "$out/corpus/$target" 2>"$out/$target.log" ||
    { tail -n 60 "$out/$target.log" >&2; echo "fuzz: $target failed" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units' "$out/$target.log" || true
done <"$out/targets.txt"
echo "fuzz: every target ran ${seconds}s without a failure"
