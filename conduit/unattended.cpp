#include "conduit/unattended.h"

#include <cstdio>

#include "conduit/conduit_session.h"
#include "device/rapi_library.h"
#include "platform/prompt/console_prompt.h"

namespace velmora::conduit {
namespace {

// Nothing goes to the screen but the message boxes; a failed run names its log on stderr.
class QuietObserver final : public RunObserver {
 public:
  void OpenLog(const std::filesystem::path& log_file) override {
    std::fprintf(stderr, "tavrill: the run failed; see %s\n", log_file.c_str());
  }
};

}  // namespace

int RunUnattended(bool backup, long profile) {
  prompt::ConsolePrompt console(backup ? prompt::Answer::kYes : prompt::Answer::kNo);
  prompt::SetCurrentPrompt(&console);
  QuietObserver observer;
  int status = kExitSucceeded;
  {
    ConduitSession session(device::ProgramRapiLibrary(), observer);
    switch (session.Start()) {
      case StartUp::kNoAppPath:
        std::fprintf(stderr, "tavrill: no application folder (AppPath) in the registry\n");
        status = kExitCannotStart;
        break;
      case StartUp::kNoRapi:
        std::fprintf(stderr, "tavrill: the RAPI library cannot be loaded: %s\n",
                     device::ProgramRapiLibrary().LoadError().c_str());
        status = kExitCannotStart;
        break;
      case StartUp::kNoWindow:
        break;
      case StartUp::kShowWindow:
        session.HandleConnect();
        if (session.Owner().empty()) {
          std::fprintf(stderr, "tavrill: no handheld answers\n");
          status = kExitFailed;
        } else if (profile != 0 && !session.TickOnly(profile)) {
          std::fprintf(stderr, "tavrill: profile %ld is not a profile of %s\n", profile,
                       session.Owner().c_str());
          status = kExitFailed;
        } else if (session.Synchronize()) {
          status = session.WaitForRun() == RunEnding::kSucceeded ? kExitSucceeded : kExitFailed;
        } else {
          std::fprintf(stderr, "tavrill: the owner's profiles cannot be listed; see %s\n",
                       session.LogFile().c_str());
          status = kExitFailed;
        }
        break;
    }
    session.Finish();
  }
  prompt::SetCurrentPrompt(nullptr);
  return status;
}

}  // namespace velmora::conduit
