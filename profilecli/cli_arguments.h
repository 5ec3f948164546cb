// velmora-profile's command line: the command, its operands, the global options and the profile
// settings given as flags or in a settings file. Pure parsing; the usage text is here too.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "profilecli/profile_settings.h"

namespace velmora::profilecli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitBadArguments = 2;

struct Arguments {
  std::string command;                // list, show, create, edit, rename, delete, run, migrate
  std::vector<std::string> operands;  // the profile, a new name
  bool json = false;
  bool help = false;
  std::string folder;  // --folder: the application folder instead of AppPath
  std::string user;    // --user: list and pick only this handheld user's profiles
  std::string backup;  // run: --backup yes|no
  std::string to_dsn;  // migrate: --to
  bool merge = false;  // migrate: --merge
  std::string settings_file;
  ProfileSettings settings;  // the flags; the file's settings are read later, under them
  std::string error;         // a usage error; empty when the line is fine
};

Arguments ParseArguments(const std::vector<std::string>& arguments);  // without argv[0]

extern const char* const kUsage;

}  // namespace velmora::profilecli
