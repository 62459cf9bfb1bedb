#include "shell/InstanceServer.h"

#include <pwd.h>
#include <unistd.h>

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include "core/Startup.h"

namespace kz {
namespace {

constexpr int kConnectTimeoutMs = 2000;
const char* const kBufferProperty = "kzRequestBuffer";
const char* const kBusyProperty = "kzRequestBusy";

QString SocketName() { return QString::fromStdString(InstanceSocketName()); }

std::string UserName() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
  return std::to_string(static_cast<unsigned long>(getuid()));
}

}  // namespace

std::string InstanceSocketName() {
  std::string name = std::string(kOpenFileMessageName) + "-";
  for (char c : UserName()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    name += plain ? c : '_';
  }
  return name;
}

bool SendInstanceRequest(const std::string& request) {
  QLocalSocket socket;
  socket.connectToServer(SocketName());
  if (!socket.waitForConnected(kConnectTimeoutMs)) {
    // A socket file that nobody listens on is left over from an ended instance.
    if (socket.error() == QLocalSocket::ConnectionRefusedError) QLocalServer::removeServer(SocketName());
    return false;
  }
  const quint32 size = static_cast<quint32>(request.size());
  QByteArray message;
  message.reserve(static_cast<qsizetype>(request.size() + 4));
  message.append(static_cast<char>((size >> 24) & 0xFF));
  message.append(static_cast<char>((size >> 16) & 0xFF));
  message.append(static_cast<char>((size >> 8) & 0xFF));
  message.append(static_cast<char>(size & 0xFF));
  message.append(request.data(), static_cast<qsizetype>(request.size()));
  if (socket.write(message) != message.size()) return false;
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(-1)) return false;
  }
  // The running instance answers once it handled the request, however long that takes.
  while (socket.bytesAvailable() < 1) {
    if (!socket.waitForReadyRead(-1)) return false;
  }
  char answer = 0;
  if (socket.read(&answer, 1) != 1) return false;
  socket.disconnectFromServer();
  return answer == 1;
}

bool PassToRunningInstance(const std::string& commandLine) { return SendInstanceRequest("rez://" + commandLine); }

clsInstanceServer::clsInstanceServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &clsInstanceServer::OnNewConnection);
}

clsInstanceServer::~clsInstanceServer() {
  if (server_) server_->close();
}

bool clsInstanceServer::IsListening() const { return server_->isListening(); }

bool clsInstanceServer::Listen() {
  if (server_->isListening()) return true;
  if (server_->listen(SocketName())) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
  {
    QLocalSocket probe;
    probe.connectToServer(SocketName());
    if (probe.waitForConnected(kConnectTimeoutMs)) {
      probe.abort();
      return false;  // another instance serves the requests
    }
  }
  QLocalServer::removeServer(SocketName());
  return server_->listen(SocketName());
}

void clsInstanceServer::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    if (socket->bytesAvailable() > 0) OnReadyRead(socket);
  }
}

void clsInstanceServer::OnReadyRead(QLocalSocket* socket) {
  QPointer<QLocalSocket> guard(socket);
  if (socket->property(kBusyProperty).toBool()) return;  // a request is being handled
  QByteArray buffer = socket->property(kBufferProperty).toByteArray();
  buffer.append(socket->readAll());
  socket->setProperty(kBufferProperty, buffer);
  if (buffer.size() < 4) return;
  const auto* b = reinterpret_cast<const unsigned char*>(buffer.constData());
  const quint32 size = (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
  char answer = 0;
  if (size <= kMaxRequestBytes) {
    if (static_cast<quint64>(buffer.size()) < quint64(size) + 4) return;  // more to come
    const std::string request(buffer.constData() + 4, size);
    socket->setProperty(kBufferProperty, QByteArray());
    socket->setProperty(kBusyProperty, true);
    try {
      answer = handler_ && handler_(request) ? 1 : 0;
    } catch (...) {
      answer = 0;
    }
    if (!guard) return;
    socket->setProperty(kBusyProperty, false);
  }
  socket->write(&answer, 1);
  socket->flush();
  socket->disconnectFromServer();
}

}  // namespace kz
