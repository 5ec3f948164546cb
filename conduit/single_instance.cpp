#include "conduit/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>

#include "platform/registry/registry.h"

namespace velmora::conduit {
namespace {

constexpr int kWaitMs = 2000;
// How long a second start keeps trying to reach a conduit that has the lock but may not be
// listening yet.
constexpr int kHandOverMs = 5000;
constexpr int kRetryMs = 50;

// One name per user and desktop registry: programs that share a registry share the device
// link and the profile database, so they are the ones that must not run side by side.
QString InstanceName() {
  const QByteArray registry = QByteArray::fromStdString(registry::RegistryFolder().string());
  return QStringLiteral("velmora-tavrill-%1-%2")
      .arg(::getuid())
      .arg(QString::fromLatin1(
          QCryptographicHash::hash(registry, QCryptographicHash::Sha1).toHex().left(12)));
}

// The user's runtime folder (private to the user), else the temporary folder, where the name
// carries the user id.
QString LockFilePath(const QString& name) {
  QString folder = QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"));
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::tempPath();
  return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent), name_(InstanceName()) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::ReadMessage);
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lock_fd_ >= 0) ::close(lock_fd_);  // closing releases the lock
}

bool SingleInstance::Claim() {
  if (lock_fd_ < 0) {
    const QByteArray path = QFile::encodeName(LockFilePath(name_));
    lock_fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock_fd_ < 0) return false;
  }
  int rc = 0;
  do {
    rc = ::flock(lock_fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return false;
  // The lock is ours, so a socket of this name can only be one left by a conduit that died.
  QLocalServer::removeServer(name_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(name_);  // without it a later start cannot hand over, but this one still runs
  return true;
}

bool SingleInstance::SendConnect() {
  const QDeadlineTimer deadline(kHandOverMs);
  while (true) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (socket.waitForConnected(kRetryMs)) {
      socket.write(QByteArray::number(kConnectMessage) + "\n");
      const bool sent = socket.waitForBytesWritten(kWaitMs);
      socket.disconnectFromServer();
      return sent;
    }
    if (deadline.hasExpired()) return false;
    QThread::msleep(kRetryMs);
  }
}

void SingleInstance::ReadMessage() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto drain = [this, socket] {
      while (socket->canReadLine()) {
        if (socket->readLine().trimmed().toInt() == kConnectMessage) emit ConnectRequested();
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, drain);
    drain();  // what arrived before the connection was taken
  }
}

}  // namespace velmora::conduit
