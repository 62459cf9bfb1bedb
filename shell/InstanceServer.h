#pragma once
// One instance of the program per desktop session: a second start hands its command
// line to the running one over a local socket and ends when that one accepts it.
//
// The socket lies in the user's runtime folder ($XDG_RUNTIME_DIR, private to the user;
// without one a folder of the user's own under the temporary folder, used only when
// nobody else can reach it) and is named by the display, so a start on another display
// or in another login never reaches this instance.
//
// Request: "rez://" followed by the sender's command line (its file name made
// absolute), sent as a 4-byte length (big-endian) and that many bytes of UTF-8, never
// cut. The receiver answers a whole request at once with the byte 2 ("received"),
// then, once it handled the request, with the answer: 1 handled, 0 not handled. A
// refused request gets the 0 alone. The sender gives a running instance a bounded
// time to take the request and say it received it; one that does not is treated as
// none. After the "received" byte it waits for the answer as long as the handling
// takes (an editor opened, a message box answered).
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace kz {

// The socket's full path: the runtime folder, then the open-file message name and the
// display. Empty when no private folder can be had (no hand-over then).
std::string InstanceSocketName();

// How long a sender waits for a running instance to take its request (connecting,
// sending and the "received" byte together).
inline constexpr int kInstanceAnswerTimeoutMs = 3000;

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
