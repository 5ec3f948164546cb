// Cost of registry lookups, writes and hive parsing. A benchmark program, not a test: run as
// bench/velmora-bench-registry in the build folder.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/registry/hive_format.h"
#include "platform/registry/registry.h"
#include "tests/registry/scoped_registry.h"

namespace velmora::registry {
namespace {

using testing::ScopedRegistry;

// A hive of the size the programs keep: a few dozen keys with a few values each.
void FillTypicalHive() {
  for (int k = 0; k < 40; ++k) {
    const std::string key =
        "Software\\Vendor" + std::to_string(k % 5) + "\\Key" + std::to_string(k);
    for (int v = 0; v < 4; ++v)
      WriteString(Hive::kCurrentUser, key, "Value" + std::to_string(v), "data");
  }
  WriteString(Hive::kCurrentUser, "Software\\Microsoft\\Wrenlock", "AppPath", "/opt/velmora");
}

void BM_ReadString(benchmark::State& state) {
  const ScopedRegistry registry;
  FillTypicalHive();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ReadString(Hive::kCurrentUser, "Software\\Microsoft\\Wrenlock", "AppPath"));
  }
}
BENCHMARK(BM_ReadString);

void BM_WriteDword(benchmark::State& state) {
  const ScopedRegistry registry(state.range(0) != 0 ? ScopedRegistry::Place::kMemory
                                                    : ScopedRegistry::Place::kTempFolder);
  FillTypicalHive();
  std::uint32_t n = 0;
  for (auto _ : state)
    WriteDword(Hive::kCurrentUser, "Software\\Microsoft\\Fendrel\\SyncOption", "AutoSync", ++n);
  state.SetLabel(state.range(0) != 0 ? "/dev/shm" : "temp folder on disk");
}
BENCHMARK(BM_WriteDword)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ParseHive(benchmark::State& state) {
  HiveContents contents;
  for (int k = 0; k < state.range(0); ++k) {
    contents.keys.push_back(HiveKey{"Key" + std::to_string(k), {}});
    contents.keys.back().values.push_back(
        HiveValueEntry{"Name", RegValue{RegValue::Type::kString, "some \"quoted\" text", 0}});
  }
  const std::string bytes = SerialiseHive(contents);
  for (auto _ : state) benchmark::DoNotOptimize(ParseHive(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ParseHive)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velmora::registry

BENCHMARK_MAIN();
