// The setup script is read anew for every lookup: what one lookup and a whole installation's
// file list cost on a script the size of the shipped one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installer/install_plan.h"
#include "installer/setup_script.h"

namespace {

using namespace velmora::installer;

std::vector<ScriptRecord> ShippedSizedScript() {
  std::vector<ScriptRecord> records = {{10, "20"}, {11, "2"}, {17, "1"}, {1151, "Orvendel.mdb"}};
  for (int i = 0; i < 20; ++i)
    records.push_back({501 + i, "lib/libvelmora_part" + std::to_string(i) + ".so"});
  for (int id = 200; id < 320; id += 2) records.push_back({id, std::string(80, 't')});
  records.push_back({601, "en_Contacts_UserGuide.html"});
  records.push_back({602, "en_Tabloom_UserGuide.html"});
  return records;
}

void BM_LookupInMemory(benchmark::State& state) {
  const std::string bytes = BuildScriptBytes(ShippedSizedScript());
  for (auto _ : state) benchmark::DoNotOptimize(LookupScriptText(bytes, 602));
}
BENCHMARK(BM_LookupInMemory);

class ScriptFile {
 public:
  ScriptFile()
      : path_(std::filesystem::temp_directory_path() /
              ("velmora-bench-" + std::to_string(::getpid()) + ".rs")) {
    std::ofstream(path_, std::ios::binary) << BuildScriptBytes(ShippedSizedScript());
  }
  ~ScriptFile() { std::filesystem::remove(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_LookupFromFile(benchmark::State& state) {
  ScriptFile file;
  const SetupScript script(file.path());
  for (auto _ : state) benchmark::DoNotOptimize(script.Text(602));
}
BENCHMARK(BM_LookupFromFile);

void BM_PlannedCopiesFromFile(benchmark::State& state) {
  ScriptFile file;
  const SetupScript script(file.path());
  for (auto _ : state) benchmark::DoNotOptimize(PlannedCopies(script, false, 0));
}
BENCHMARK(BM_PlannedCopiesFromFile);

}  // namespace

BENCHMARK_MAIN();
