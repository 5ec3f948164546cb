// A private world for whole installations: its own home (desktop folder set through
// user-dirs.dirs), registry folder, ODBC configuration and an installer source directory laid
// out from the shipped script, with stand-in files except for the profile database and the
// handheld user library, which are the built ones. Runs build/bin/installer in it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "installer/setup_script.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::installer::testing {

struct RunResult {
  int exit_status = -1;
  std::string output;  // standard output and standard error
};

struct StoredProfile {
  std::string user_name;
  std::string db_path;
};

class InstallWorld {
 public:
  InstallWorld();
  ~InstallWorld();
  InstallWorld(const InstallWorld&) = delete;
  InstallWorld& operator=(const InstallWorld&) = delete;

  const std::filesystem::path& Home() const { return home_; }
  const std::filesystem::path& Source() const { return source_; }
  std::filesystem::path DesktopDir() const { return home_ / "Work Desktop"; }
  std::filesystem::path MenuDir() const { return home_ / ".local/share/applications/Velmora"; }
  // The folder a user installs into by default: ~/.local/opt/Velmora, /opt/Velmora as root.
  std::string DefaultFolder() const;
  SetupScript Script() const { return SetupScript(source_ / kScriptFileName); }

  // A handheld partnership the user library lists.
  void AddHandheldUser(const std::string& name);

  // Runs the installer in the source directory with `args`.
  RunResult RunInstaller(const std::vector<std::string>& args) const;
  // Runs the build's program `name` in the source directory with `args`.
  RunResult RunProgram(const std::string& name, const std::vector<std::string>& args) const;

  // Profile `prof_id` of the profile database `database`, read with SQLite directly.
  static std::optional<StoredProfile> ReadProfile(const std::filesystem::path& database,
                                                  long prof_id);
  // The first column of the first row of `sql`; empty when there is none.
  static std::string QueryText(const std::filesystem::path& database, const std::string& sql);
  static bool RunSql(const std::filesystem::path& database, const std::string& sql);

 private:
  void LayOutSource();

  velmora::testing::TempDir root_;
  std::filesystem::path home_;
  std::filesystem::path source_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_env_;
  int users_ = 0;
};

}  // namespace velmora::installer::testing
