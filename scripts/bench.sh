#!/bin/bash
# Builds every benchmark program (Release, in build-bench), runs each one, times the
# standard-tool floors of the conduit's sync types on the same rows, times whole conduit
# processes beside sqlite3 (bench/conduit/whole_process.py) and rewrites docs/benchmarks.md. Usage: scripts/bench.sh [build folder]. Uses at most 2 build jobs.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
results=$build/bench-results

# Warnings are held to errors by the test build; optimised GCC 12 builds warn falsely
# (-Wrestrict) on library code, so this one lets them pass.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=OFF >/dev/null

# Every velmora_add_bench name that this configuration defines (some need Qt or a library).
wanted=$(sed -n 's/.*velmora_add_bench(\([A-Za-z0-9_-]*\).*/\1/p' "$root"/bench/*/CMakeLists.txt |
  sort -u)
defined=$(cmake --build "$build" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p')
targets=()
for name in $wanted; do
  if grep -qx -- "$name" <<<"$defined"; then targets+=("$name"); fi
done
# The programs of a whole conduit run, for the whole-process comparison.
cmake --build "$build" --target "${targets[@]}" tavrill sorrelin rapi-emu velmora-device \
  velmora-reg velmora_share_databases -j2

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
rm -rf "$results"
mkdir -p "$results"
for name in "${targets[@]}"; do
  echo "== $name"
  QT_QPA_PLATFORM=offscreen "$build/bench/$name" --benchmark_out="$results/$name.json" \
    --benchmark_out_format=json
done
echo "== whole conduit processes against sqlite3"
python3 "$root/bench/conduit/whole_process.py" "$build" --json "$results/whole_process.json"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

python3 "$root/bench/report.py" --results "$results" --bench-dir "$build/bench" \
  --output "$root/docs/benchmarks.md" --load-before "$load_before" --load-after "$load_after"
echo "wrote $root/docs/benchmarks.md"
