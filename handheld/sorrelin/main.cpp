// sorrelin HANDHELD_FOLDER: the emulated handheld's contacts agent, started by the emulated
// RAPI library when the desktop starts "Sorrelin" on that handheld.
#include <sys/stat.h>

#include <cstdio>
#include <string_view>

#include "handheld/store/handheld_layout.h"
#include "handheld/sorrelin/agent.h"

namespace {

constexpr const char* kUsage =
    "usage: sorrelin HANDHELD_FOLDER\n"
    "Carries out the request code in the handheld's SyncFlag on its contacts, leaves the\n"
    "outcome in Outcome and sets Flag = 1. Started by the emulated RAPI library; not meant to be\n"
    "run by hand. Exit status: 0 done, 1 no handheld in the folder, 2 bad arguments.\n";

int BadArguments(const char* why) {
  std::fprintf(stderr, "sorrelin: %s\n%s", why, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // What the agent writes on the handheld holds contacts: private to the user.
  ::umask(077);
  if (argc == 2) {
    const std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg.empty()) return BadArguments("the handheld folder is empty");
    if (arg.front() == '-') return BadArguments("unknown option");
  }
  if (argc != 2) return BadArguments("needs exactly one handheld folder");
  if (!velmora::handheld::IsHandheld(argv[1])) {
    std::fprintf(stderr, "sorrelin: %s holds no handheld\n", argv[1]);
    return 1;
  }
  return velmora::sorrelin::RunAgent(argv[1]);
}
