// brisklet: the desktop manager. One instance per user session: a second start asks the first
// to come forward and ends.
#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop/desktop_session.h"
#include "desktop/main_frame.h"
#include "platform/prompt/console_prompt.h"
#include "platform/prompt/qt/qt_prompt.h"

namespace {

constexpr const char* kInstanceName = "Brisklet";
constexpr int kConnectWaitMs = 500;
// Not in the help text: starts, shows the main window once and ends with the start-up's status.
// Messages go to standard error instead of boxes, so that a check of an installation can run
// without anyone to answer them.
constexpr const char* kQuitAfterStart = "--quit-after-start";

void PrintHelp() {
  std::puts(
      "Usage: brisklet [--help]\n"
      "The Velmora desktop manager: creates, edits and deletes synchronization profiles and\n"
      "starts the conduit. Run it in the application folder (it loads lib/libpeltrix.so from\n"
      "the current folder). $VELMORA_REGISTRY names the registry folder, $VELMORA_RAPI the\n"
      "handheld link library. Without a display it says so and ends with status 2.");
}

constexpr int kNoDisplayStatus = 2;

void SayNoDisplay(const char* detail) {
  std::fprintf(stderr, "brisklet: no display is available (%s)\n", detail);
}

// The window system Qt would connect to, as -platform or $QT_QPA_PLATFORM names it; empty
// for the default.
std::string RequestedPlatform(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return argv[i + 1];
    }
  }
  const char* env = std::getenv("QT_QPA_PLATFORM");
  return env != nullptr ? env : "";
}

// A display-server platform (the default, xcb or wayland) without the variable that names its
// display cannot start; the platforms that draw nowhere (offscreen, minimal, vnc …) can.
bool DisplayMissing(const std::string& platform) {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (platform.empty()) return !set("DISPLAY") && !set("WAYLAND_DISPLAY");
  if (platform.rfind("xcb", 0) == 0) return !set("DISPLAY");
  if (platform.rfind("wayland", 0) == 0) return !set("WAYLAND_DISPLAY");
  return false;
}

// Qt ends a start it cannot complete (a display that does not answer, no platform plugin) with
// a fatal message and an abort; say what happened and end with the no-display status instead.
bool starting_gui = false;
QtMessageHandler default_handler = nullptr;
void StartMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg && starting_gui) {
    SayNoDisplay(text.toLocal8Bit().constData());
    std::_Exit(kNoDisplayStatus);
  }
  if (default_handler != nullptr) default_handler(type, context, text);
}

bool AskRunningInstanceToShow() {
  QLocalSocket socket;
  socket.connectToServer(kInstanceName);
  if (!socket.waitForConnected(kConnectWaitMs)) return false;
  socket.write("show");
  socket.waitForBytesWritten(kConnectWaitMs);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool quit_after_start = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintHelp();
      return 0;
    }
    if (std::strcmp(argv[i], kQuitAfterStart) == 0) quit_after_start = true;
  }
  if (DisplayMissing(RequestedPlatform(argc, argv))) {
    SayNoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
    return kNoDisplayStatus;
  }
  starting_gui = true;
  default_handler = qInstallMessageHandler(StartMessageHandler);
  QApplication app(argc, argv);
  starting_gui = false;
  qInstallMessageHandler(default_handler);
  if (AskRunningInstanceToShow()) return 0;

  velmora::prompt::QtPrompt window_prompt;
  velmora::prompt::ConsolePrompt console_prompt(velmora::prompt::Answer::kNo, stderr);
  velmora::prompt::Prompt& prompt =
      quit_after_start ? static_cast<velmora::prompt::Prompt&>(console_prompt) : window_prompt;
  velmora::prompt::SetCurrentPrompt(&prompt);
  int status = 1;
  {
    velmora::desktop::DesktopSession session;
    if (session.Start({}) == velmora::desktop::StartupFailure::kNone) {
      velmora::desktop::CMainFrame frame(session);
      window_prompt.SetParent(&frame);
      QLocalServer::removeServer(kInstanceName);
      QLocalServer server;
      server.listen(kInstanceName);
      QObject::connect(&server, &QLocalServer::newConnection, &frame, [&] {
        delete server.nextPendingConnection();
        frame.showNormal();
        frame.showMaximized();
        frame.raise();
        frame.activateWindow();
      });
      frame.showMaximized();
      if (quit_after_start) QTimer::singleShot(0, &app, &QCoreApplication::quit);
      status = app.exec();
      window_prompt.SetParent(nullptr);
    }
  }
  velmora::prompt::SetCurrentPrompt(nullptr);
  return status;
}
