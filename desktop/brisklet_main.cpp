// brisklet: the desktop manager. One instance per user session: a second start asks the first
// to come forward and ends.
#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>
#include <cstring>

#include "desktop/desktop_session.h"
#include "desktop/main_frame.h"
#include "platform/prompt/qt/qt_prompt.h"

namespace {

constexpr const char* kInstanceName = "Brisklet";
constexpr int kConnectWaitMs = 500;

void PrintHelp() {
  std::puts(
      "Usage: brisklet [--help]\n"
      "The Velmora desktop manager: creates, edits and deletes synchronization profiles and\n"
      "starts the conduit. Run it in the application folder (it loads lib/libpeltrix.so from\n"
      "the current folder). $VELMORA_REGISTRY names the registry folder, $VELMORA_RAPI the\n"
      "handheld link library.");
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
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      PrintHelp();
      return 0;
    }
  }
  QApplication app(argc, argv);
  if (AskRunningInstanceToShow()) return 0;

  velmora::prompt::QtPrompt prompt;
  velmora::prompt::SetCurrentPrompt(&prompt);
  int status = 1;
  {
    velmora::desktop::DesktopSession session;
    if (session.Start({}) == velmora::desktop::StartupFailure::kNone) {
      velmora::desktop::CMainFrame frame(session);
      prompt.SetParent(&frame);
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
      status = app.exec();
      prompt.SetParent(nullptr);
    }
  }
  velmora::prompt::SetCurrentPrompt(nullptr);
  return status;
}
