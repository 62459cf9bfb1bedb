#pragma once
// One instance of the program per user: a second start hands its command line to
// the running one over a per-user local socket and ends when that one accepts it.
//
// Request: "rez://" followed by the sender's command line, sent as a 4-byte length
// (big-endian) and that many bytes of UTF-8, never cut. Answer: one byte, 1 when the
// request was handled. The answer comes only after the whole request was handled.
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace kz {

// The socket's name: the open-file message name and the user's name.
std::string InstanceSocketName();

// The sender side: true when a running instance answered 1. No listener (or a stale
// socket, which is removed) or any other answer gives false: start up normally.
bool PassToRunningInstance(const std::string& commandLine);
// The same with the request text already built (tests).
bool SendInstanceRequest(const std::string& request);

// The receiver side, created once the launcher exists.
class clsInstanceServer : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<bool(const std::string& request)>;

  explicit clsInstanceServer(Handler handler, QObject* parent = nullptr);
  ~clsInstanceServer() override;

  // Starts listening; a stale socket left by an ended instance is removed first.
  // False when another live instance already listens, or the socket cannot be made.
  bool Listen();
  bool IsListening() const;

  // Longest request accepted (a longer one is refused with the answer 0).
  static constexpr quint32 kMaxRequestBytes = 16u * 1024u * 1024u;

 private:
  void OnNewConnection();
  void OnReadyRead(QLocalSocket* socket);

  Handler handler_;
  QLocalServer* server_ = nullptr;
};

}  // namespace kz
