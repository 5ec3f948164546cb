// installer: the wizard that installs Velmora from the folder it is started in, or with
// --unattended the same installation without a window; --schedule and --unschedule set up the
// timer of a handheld.
#include <langinfo.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "installer/profile_server.h"
#include "installer/unattended.h"
#ifdef VELMORA_INSTALLER_WIZARD
#include "installer/wizard/install_wizard.h"
#endif

namespace {

// Texts reach the profile database's driver as 8-bit text in the process's character set.
void UseUtf8Text() {
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora::installer;
  UseUtf8Text();
  CommandLine command_line;
  std::string error;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &command_line, &error)) {
    std::fprintf(stderr, "installer: %s\n%s", error.c_str(), UsageText().c_str());
    return 2;
  }
  if (command_line.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (command_line.profile_dsn && !command_line.unattended) {
    const ProfileServerOutcome server = UseProfileServer(*command_line.profile_dsn);
    std::fprintf(server.ok ? stdout : stderr, "%s\n", server.message.c_str());
    return server.ok ? 0 : 1;
  }
  std::error_code ec;
  const std::filesystem::path source_directory = std::filesystem::current_path(ec);
  if (ec) {
    std::fprintf(stderr, "installer: cannot tell the folder it was started in: %s\n",
                 ec.message().c_str());
    return 1;
  }
  if (command_line.handheld) return RunScheduleCommand(command_line, source_directory, stdout);
  if (command_line.unattended) return RunUnattended(command_line, source_directory, stdout);
#ifdef VELMORA_INSTALLER_WIZARD
  return RunInstallWizard(argc, argv, source_directory);
#else
  std::fputs("installer: built without windows; use --unattended\n", stderr);
  return 2;
#endif
}
