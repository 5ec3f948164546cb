// tavrill, the Velmora conduit: started when a handheld connects (and by the desktop manager's
// Synchronize), it lists the owner's profiles, ticks the due ones and runs them; with
// --unattended it does so without a window. One conduit runs per user.
#include <sys/stat.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "conduit/command_line.h"
#include "conduit/conduit_dlg.h"
#include "conduit/single_instance.h"
#include "conduit/unattended.h"
#include "device/rapi_library.h"
#include "platform/prompt/qt/qt_prompt.h"

namespace {

using namespace velmora;

int RunUnattendedMode(int argc, char** argv, bool backup) {
  // No display is needed: a core application carries the single-instance socket.
  QCoreApplication app(argc, argv);
  conduit::SingleInstance instance;
  if (!instance.Claim()) {
    std::fprintf(stderr, "tavrill: another conduit is running\n");
    return conduit::kExitCannotStart;
  }
  return conduit::RunUnattended(backup);
}

// The handheld went away: a conduit that is up learns it through the connect message (it finds
// no owner any more, empties its list and stops its run at the next profile). Nothing else.
int TellRunningConduitOfDisconnect(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  conduit::SingleInstance instance;
  instance.SendConnect();
  return 0;
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// A window closed during its run has only hidden: the run goes on and may still show its
// closing message, which needs this thread's event loop.
void KeepServingUntilTheRunEnds(const conduit::ConduitSession& session) {
  if (!session.Running()) return;
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!session.Running()) loop.quit();
  });
  poll.start(50);
  loop.exec();
}

// One window per connection; a connect that came during its run opens the next one.
int RunWindowed(int argc, char** argv) {
  QApplication app(argc, argv);
  conduit::SingleInstance instance;
  if (!instance.Claim()) {
    if (instance.SendConnect()) return 0;
    std::fprintf(stderr, "tavrill: another conduit is running and did not take the connect\n");
    return conduit::kExitCannotStart;
  }
  prompt::QtPrompt qt_prompt;
  prompt::SetCurrentPrompt(&qt_prompt);
  const device::RapiLibrary& rapi = device::ProgramRapiLibrary();
  bool again = true;
  while (again) {
    again = false;
    conduit::CConduitDlg window(rapi);
    qt_prompt.SetParent(&window);
    QObject::connect(&instance, &conduit::SingleInstance::ConnectRequested, &window,
                     &conduit::CConduitDlg::HandleConnect);
    conduit::StartUp start = window.Session().Start();
    if (start == conduit::StartUp::kNoAppPath || start == conduit::StartUp::kNoRapi) break;
    if (start == conduit::StartUp::kShowWindow) {
      window.exec();
      KeepServingUntilTheRunEnds(window.Session());
      window.Session().WaitForRun();
      again = window.ConnectPending();
    }
    window.Session().Finish();
    qt_prompt.SetParent(nullptr);
  }
  prompt::SetCurrentPrompt(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Everything the conduit writes (log, exports, backups, work folders) holds contact data.
  ::umask(077);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const conduit::CommandLine line = conduit::ParseCommandLine(arguments);
  if (!line.error.empty()) {
    std::fprintf(stderr, "tavrill: %s\n\n%s", line.error.c_str(), conduit::kUsage);
    return conduit::kExitCannotStart;
  }
  if (line.help) {
    std::fputs(conduit::kUsage, stdout);
    return 0;
  }
  if (line.disconnect) return TellRunningConduitOfDisconnect(argc, argv);
  if (line.unattended) return RunUnattendedMode(argc, argv, line.backup);
  if (!HasDisplay()) {
    std::fprintf(stderr, "tavrill: no display to show the window on; use --unattended\n");
    return conduit::kExitCannotStart;
  }
  return RunWindowed(argc, argv);
}
