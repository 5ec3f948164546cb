// One agent round trip on the emulated handheld (request written, agent started, its flag seen,
// both flags reset), through the real dlopen path, and the flag read alone. The round trip asks
// for the export of the empty contacts store: the least real work an agent does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "device/device_agent.h"
#include "handheld/store/attachment.h"
#include "handheld/store/handheld_layout.h"

namespace {

namespace fs = std::filesystem;

// A registry folder and an attached handheld of its own, removed at the end.
class BenchDesktop {
 public:
  BenchDesktop() {
    std::string pattern = (fs::temp_directory_path() / "velmora-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    ::setenv("VELMORA_REGISTRY", (folder_ / "registry").c_str(), 1);
    ::unsetenv("VELMORA_RAPI_TRACE");
    const auto bin = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin";
    ok_ = velmora::handheld::CreateHandheld(folder_ / "handheld", "Bench Owner", bin / "sorrelin",
                                            nullptr) &&
          velmora::handheld::AttachHandheld(folder_ / "handheld");
  }
  ~BenchDesktop() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  bool ok() const { return ok_; }

 private:
  fs::path folder_;
  bool ok_ = false;
};

void BM_AgentRoundTrip(benchmark::State& state) {
  BenchDesktop desktop;
  const auto& rapi = velmora::device::ProgramRapiLibrary();
  if (!desktop.ok() || !velmora::device::StartDeviceConnection(rapi)) {
    state.SkipWithError("no emulated handheld");
    return;
  }
  for (auto _ : state) {
    const auto run = velmora::device::RunDeviceAgent(rapi, velmora::device::kAgentExport,
                                                     std::chrono::seconds(10));
    if (run != velmora::device::AgentRun::kFinished)
      state.SkipWithError("the agent did not finish");
  }
  velmora::device::EndDeviceConnection(rapi);
}
BENCHMARK(BM_AgentRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadAgentDoneFlag(benchmark::State& state) {
  BenchDesktop desktop;
  const auto& rapi = velmora::device::ProgramRapiLibrary();
  if (!desktop.ok() || !velmora::device::StartDeviceConnection(rapi)) {
    state.SkipWithError("no emulated handheld");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(velmora::device::ReadAgentDoneFlag());
  velmora::device::EndDeviceConnection(rapi);
}
BENCHMARK(BM_ReadAgentDoneFlag)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
