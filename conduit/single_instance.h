// One conduit per user: the first tavrill listens on a local socket named after the user (and
// the desktop registry in use); a later start finds it there and hands it the connect message
// instead of running itself.
// Used by tavrill's main and window. Qt (QLocalServer/QLocalSocket); needs a Qt application.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace velmora::conduit {

// The connect message a second start hands to the running window.
inline constexpr int kConnectMessage = 1031;

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(QObject* parent = nullptr);

  // True when this process is now the conduit of this user.
  bool Claim();
  // Hands the connect message to the conduit that holds the claim; true when it took it.
  bool SendConnect();

 signals:
  void ConnectRequested();

 private:
  void ReadMessage();

  QString name_;
  QLocalServer server_;
};

}  // namespace velmora::conduit
