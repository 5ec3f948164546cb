#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 (AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz and runs them one at a time, starting from the seeds that velmora-fuzz-seeds
# writes. A crash stops the script with the failing input saved in build-fuzz/fuzz/artifacts/.
# Usage:
#   scripts/fuzz.sh [SECONDS]                 each target for SECONDS (default 10)
#   scripts/fuzz.sh --runs N [--max-time S]   each target for N executions (at most S seconds)
#   --target NAME (repeatable) runs only the targets named.
# Each target ends with one line: executions, exec/s, wall seconds, coverage (cov, ft).
set -euo pipefail
seconds=10
runs=
max_time=0
only=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --max-time) max_time=$2; shift 2 ;;
    --target) only+=("$2"); shift 2 ;;
    *) seconds=$1; shift ;;
  esac
done
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
fixtures="$top/../shared/fixtures"
if [ -f "$fixtures/contacts.xls" ]; then
  mkdir -p "$out/corpus/fuzz_filedb_biff"
  cp "$fixtures/contacts.xls" "$out/corpus/fuzz_filedb_biff/contacts.xls"
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
timeout=25
if [ -n "$runs" ]; then
  # A long run shares the machine (often at low priority), so one slow input may wait its turn.
  limits=(-runs="$runs" -max_total_time="$max_time")
  timeout=120
  what="$runs runs"
else
  limits=(-max_total_time="$seconds")
  what="${seconds}s"
fi

# One line from the libFuzzer log: executions, speed, wall time and the final coverage.
summarise() {
  local target=$1 log=$2 wall=$3
  local execs speed cov
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  cov=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  echo "fuzz: $target executions=${execs:-?} exec/s=${speed:-?} wall=${wall}s ${cov:-cov: ?}"
}

while read -r target; do
  [ -n "$target" ] || continue
  if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $target "* ]]; then continue; fi
  mkdir -p "$out/corpus/$target"
  echo "fuzz: $target for $what"
  start=$(date +%s)
  "$out/$target" "${limits[@]}" -timeout="$timeout" -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$target-" "$out/corpus/$target" 2>"$out/$target.log" ||
    { tail -n 60 "$out/$target.log" >&2; echo "fuzz: $target failed" >&2; exit 1; }
  summarise "$target" "$out/$target.log" $(( $(date +%s) - start ))
done <"$out/targets.txt"
echo "fuzz: every target ran $what without a failure"
