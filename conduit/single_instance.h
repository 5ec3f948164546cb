// One conduit per user: the first tavrill takes an exclusive lock on a file in the user's
// runtime folder (named after the desktop registry in use) and holds it for its life, then
// listens on a local socket of the same name; a later start finds the lock taken and hands the
// running conduit the connect message through the socket instead of running itself. The lock,
// not the socket, decides who runs, so two starts at the same moment never both run.
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
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process is now the conduit of this user; false when another holds the claim
  // or the lock file cannot be made.
  bool Claim();
  // Hands the connect message to the conduit that holds the claim, waiting a little for it to
  // start listening; true when it took it.
  bool SendConnect();

 signals:
  void ConnectRequested();

 private:
  void ReadMessage();

  QString name_;
  int lock_fd_ = -1;
  QLocalServer server_;
};

}  // namespace velmora::conduit
