#include "shell/InstanceServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/Startup.h"
#include "shell/CommandLine.h"

namespace kz {
namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr char kReceived = 2;
// The longest socket path the system takes (sockaddr_un.sun_path less its NUL).
constexpr size_t kMaxSocketPath = 107;
const char* const kBufferProperty = "kzRequestBuffer";
const char* const kBusyProperty = "kzRequestBusy";

QString SocketName() { return QString::fromStdString(InstanceSocketName()); }

// A folder that only this user can enter: made when missing; a link, a folder of
// someone else or one that others may enter is refused.
bool PrivateFolder(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

std::string RuntimeFolder() {
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run && PrivateFolder(run)) return run;
  const std::string own = QDir::tempPath().toStdString() + "/kzeditor-" + std::to_string(::getuid());
  return PrivateFolder(own) ? own : std::string();
}

std::string DisplayName() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (!display || !*display) display = std::getenv("DISPLAY");
  std::string name = display && *display ? display : "nodisplay";
  for (char& c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    if (!plain) c = '_';
  }
  return name;
}

// Reads one byte before the deadline (a deadline of Forever waits as long as the
// connection lasts).
bool ReadByte(QLocalSocket& socket, char& byte, QDeadlineTimer deadline) {
  while (socket.bytesAvailable() < 1) {
    if (socket.state() != QLocalSocket::ConnectedState) return false;
    const qint64 left = deadline.remainingTime();
    if (left == 0) return false;
    if (!socket.waitForReadyRead(left < 0 ? -1 : static_cast<int>(left))) return false;
  }
  return socket.read(&byte, 1) == 1;
}

}  // namespace

std::string InstanceSocketName() {
  const std::string folder = RuntimeFolder();
  if (folder.empty()) return {};
  std::string path = folder + "/" + kOpenFileMessageName + "-" + DisplayName();
  return path.size() <= kMaxSocketPath ? path : std::string();
}

bool SendInstanceRequest(const std::string& request) {
  const QString name = SocketName();
  if (name.isEmpty()) return false;
  const QDeadlineTimer deadline(kInstanceAnswerTimeoutMs);
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(std::min<qint64>(kConnectTimeoutMs, deadline.remainingTime()))) {
    // A socket file that nobody listens on is left over from an ended instance.
    if (socket.error() == QLocalSocket::ConnectionRefusedError) QLocalServer::removeServer(name);
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
    const qint64 left = deadline.remainingTime();
    if (left == 0 || !socket.waitForBytesWritten(static_cast<int>(left))) return false;
  }
  // An instance that does not take the request in time is treated as none.
  char answer = 0;
  if (!ReadByte(socket, answer, deadline)) return false;
  // It took it: the answer comes once it handled the request, however long that takes.
  if (answer == kReceived && !ReadByte(socket, answer, QDeadlineTimer(QDeadlineTimer::Forever))) return false;
  socket.disconnectFromServer();
  return answer == 1;
}

bool PassToRunningInstance(const std::string& commandLine) {
  // The running instance has a working folder of its own.
  return SendInstanceRequest("rez://" + AbsoluteCommandLine(commandLine, QDir::currentPath().toStdString()));
}

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
  const QString name = SocketName();
  if (name.isEmpty()) return false;
  if (server_->listen(name)) return true;
  if (server_->serverError() != QAbstractSocket::AddressInUseError) return false;
  {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
      probe.abort();
      return false;  // another instance serves the requests
    }
  }
  QLocalServer::removeServer(name);
  return server_->listen(name);
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
    // The sender learns at once that its request is taken.
    socket->write(&kReceived, 1);
    socket->flush();
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
