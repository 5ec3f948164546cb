// velmora-profile: the profile commands without a window, for servers, scripts and timers.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "profilecli/cli_arguments.h"
#include "profilecli/profile_commands.h"

int main(int argc, char** argv) {
  using namespace velmora::profilecli;
  // The table backups it may delete and the data it reads hold contact data.
  ::umask(077);
  const Arguments arguments = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (arguments.help) {
    std::fputs(kUsage, stdout);
    return kExitDone;
  }
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "velmora-profile: %s\n", arguments.error.c_str());
    return kExitBadArguments;
  }
  return RunProfileCommand(arguments);
}
