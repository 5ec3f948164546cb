#include "conduit/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

#include "platform/registry/registry.h"

namespace velmora::conduit {
namespace {

constexpr int kWaitMs = 2000;

// One name per user and desktop registry: programs that share a registry share the device
// link and the profile database, so they are the ones that must not run side by side.
QString SocketName() {
  const QByteArray registry = QByteArray::fromStdString(registry::RegistryFolder().string());
  return QStringLiteral("velmora-tavrill-%1-%2")
      .arg(::getuid())
      .arg(QString::fromLatin1(
          QCryptographicHash::hash(registry, QCryptographicHash::Sha1).toHex().left(12)));
}

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent), name_(SocketName()) {
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::ReadMessage);
}

bool SingleInstance::Claim() {
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (probe.waitForConnected(kWaitMs)) return false;
  // Nobody answers: a socket left by a conduit that died is removed first.
  QLocalServer::removeServer(name_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(name_);
}

bool SingleInstance::SendConnect() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kWaitMs)) return false;
  socket.write(QByteArray::number(kConnectMessage) + "\n");
  bool sent = socket.waitForBytesWritten(kWaitMs);
  socket.disconnectFromServer();
  return sent;
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
