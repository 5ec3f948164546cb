// velmora-installer-script: the build's helper for the installer. "compile" turns the setup
// script's text source into InstallerRes.rs; "bundle" lays out an installer's source directory
// from the build: the installer, the script and every file the script names that the build has.
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "installer/file_copy.h"
#include "installer/install_plan.h"
#include "installer/setup_script.h"

namespace {

namespace fs = std::filesystem;
using namespace velmora::installer;

constexpr const char* kUsage =
    "usage: velmora-installer-script compile SOURCE.txt OUTPUT.rs\n"
    "       velmora-installer-script bundle SCRIPT.rs BUNDLE_DIR INSTALLER SEARCH_DIR...\n";

int Compile(const fs::path& source, const fs::path& output) {
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", source.c_str());
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<ScriptRecord> records;
  std::string error;
  if (!ParseScriptSource(text, &records, &error)) {
    std::fprintf(stderr, "%s: %s\n", source.c_str(), error.c_str());
    return 1;
  }
  if (!WriteFileAside(output, BuildScriptBytes(records), 0644, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}

// The copy in the bundle is current when it has the size and at least the age of the build's.
bool IsCurrent(const fs::path& from, const fs::path& to) {
  struct stat a {
  }, b{};
  if (::stat(from.c_str(), &a) != 0 || ::stat(to.c_str(), &b) != 0) return false;
  return a.st_size == b.st_size && a.st_mtim.tv_sec <= b.st_mtim.tv_sec && a.st_mode == b.st_mode;
}

bool Place(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  if (IsCurrent(from, to)) return true;
  std::string error;
  if (CopyFileAside(from, to, &error)) return true;
  std::fprintf(stderr, "bundle: %s\n", error.c_str());
  return false;
}

// A shipped file is looked for under its own name and its leaf name in each search folder, and
// a language file also under its installed name.
std::optional<fs::path> FindInBuild(const PlannedCopy& file, const std::vector<fs::path>& dirs) {
  std::vector<std::string> names = {file.source, fs::path(file.source).filename().string()};
  if (file.group == FileGroup::kLanguage) names.push_back(file.target);
  for (const fs::path& dir : dirs) {
    for (const std::string& name : names) {
      std::error_code ec;
      if (!name.empty() && fs::is_regular_file(dir / name, ec)) return dir / name;
    }
  }
  return std::nullopt;
}

int Bundle(const fs::path& script_file, const fs::path& bundle, const fs::path& installer,
           const std::vector<fs::path>& search) {
  bool ok = Place(script_file, bundle / kScriptFileName) &&
            Place(installer, bundle / installer.filename());
  const SetupScript script(script_file);
  for (const PlannedCopy& file : AllShippedFiles(script, 1)) {
    if (!IsContainedName(file.source)) continue;
    const std::optional<fs::path> found = FindInBuild(file, search);
    if (!found) {
      // Left for the installer to report: a bundle of a partial build is still usable.
      std::printf("bundle: %s is not built; the installer will report it\n", file.source.c_str());
      continue;
    }
    ok = Place(*found, bundle / file.source) && ok;
  }
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "-h" || args[0] == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.size() == 3 && args[0] == "compile") return Compile(args[1], args[2]);
  if (args.size() >= 5 && args[0] == "bundle") {
    return Bundle(args[1], args[2], args[3], std::vector<fs::path>(args.begin() + 4, args.end()));
  }
  std::fputs(kUsage, stderr);
  return 2;
}
