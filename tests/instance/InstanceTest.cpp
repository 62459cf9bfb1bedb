// The single-instance channel: the socket lies in the user's private runtime folder
// and is named by the display; a sender gives a running instance a bounded time to
// take its request, and then waits for the answer however long the handling takes.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "shell/InstanceServer.h"

namespace {

QCoreApplication& App() {
  static int argc = 1;
  static char arg0[] = "instance_tests";
  static char* argv[] = {arg0, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return *app;
}

class InstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir_.isValid());
    runtime_ = Folder("run", 0700);
    Set("XDG_RUNTIME_DIR", runtime_);
    Set("TMPDIR", Folder("tmp", 0700));
    Set("DISPLAY", ":7");
    ::unsetenv("WAYLAND_DISPLAY");
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value.second) ::setenv(name.c_str(), value.first.c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }

  void Set(const std::string& name, const std::string& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = {old ? old : "", old != nullptr};
    }
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  std::string Folder(const std::string& name, mode_t mode) {
    const std::string path = dir_.path().toStdString() + "/" + name;
    QDir().mkpath(QString::fromStdString(path));
    ::chmod(path.c_str(), mode);
    return path;
  }

  QTemporaryDir dir_;
  std::string runtime_;
  std::map<std::string, std::pair<std::string, bool>> saved_;
};

TEST_F(InstanceTest, SocketLiesInThePrivateRuntimeFolderNamedByTheDisplay) {
  EXPECT_EQ(kz::InstanceSocketName(), runtime_ + "/MSG_REZ_OPEN_FILE-_7");
  Set("DISPLAY", "host:10.0");
  EXPECT_EQ(kz::InstanceSocketName(), runtime_ + "/MSG_REZ_OPEN_FILE-host_10.0");
  Set("WAYLAND_DISPLAY", "wayland-1");
  EXPECT_EQ(kz::InstanceSocketName(), runtime_ + "/MSG_REZ_OPEN_FILE-wayland-1");
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("DISPLAY");
  EXPECT_EQ(kz::InstanceSocketName(), runtime_ + "/MSG_REZ_OPEN_FILE-nodisplay");
  Set("DISPLAY", ":7");

  // A missing runtime folder is made, for the user alone.
  Set("XDG_RUNTIME_DIR", dir_.path().toStdString() + "/new-run");
  EXPECT_EQ(kz::InstanceSocketName(), dir_.path().toStdString() + "/new-run/MSG_REZ_OPEN_FILE-_7");
  struct stat st {};
  ASSERT_EQ(::stat((dir_.path().toStdString() + "/new-run").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // No runtime folder, one that others may enter, or a link: a folder of the user's own
  // under the temporary folder.
  const std::string own = dir_.path().toStdString() + "/tmp/kzeditor-" + std::to_string(::getuid());
  const std::string open = Folder("open-run", 0755);
  const std::string link = dir_.path().toStdString() + "/link-run";
  ASSERT_EQ(::symlink(runtime_.c_str(), link.c_str()), 0);
  for (const char* run : {static_cast<const char*>(nullptr), "", open.c_str(), link.c_str(), "relative/run"}) {
    if (run) Set("XDG_RUNTIME_DIR", run);
    else ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(kz::InstanceSocketName(), own + "/MSG_REZ_OPEN_FILE-_7") << (run ? run : "(unset)");
  }
  ASSERT_EQ(::stat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  // That folder, when others may enter it, is not used: no hand-over at all.
  ::chmod(own.c_str(), 0777);
  EXPECT_EQ(kz::InstanceSocketName(), "");
  EXPECT_FALSE(kz::SendInstanceRequest("rez://"));
  ::chmod(own.c_str(), 0700);
  // A path too long for a socket gives no channel either.
  const std::string deep = Folder(std::string(120, 'd'), 0700);
  Set("XDG_RUNTIME_DIR", deep);
  EXPECT_EQ(kz::InstanceSocketName(), "");
}

// A listener that never takes a connection: an instance that hangs.
class SilentListener {
 public:
  explicit SilentListener(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && ::listen(fd_, 4) == 0;
  }
  ~SilentListener() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

TEST_F(InstanceTest, AnInstanceThatDoesNotAnswerIsTreatedAsNoneInBoundedTime) {
  SilentListener hung(kz::InstanceSocketName());
  ASSERT_TRUE(hung.ok());
  // A short request, and one far larger than the socket takes without a reader.
  for (const std::string& request : {std::string("rez://-tfile /d/TShips.txt"), "rez://" + std::string(4 << 20, 'x')}) {
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(kz::SendInstanceRequest(request));
    EXPECT_LT(t.elapsed(), kz::kInstanceAnswerTimeoutMs + 1500) << request.size();
    EXPECT_GE(t.elapsed(), kz::kInstanceAnswerTimeoutMs - 500) << request.size();
  }
}

TEST_F(InstanceTest, AnInstanceThatTookTheRequestIsWaitedForAsLongAsItsHandlingTakes) {
  std::string received;
  kz::clsInstanceServer server([&](const std::string& request) {
    received = request;
    // Longer than the sender's bound (the user reading a message box).
    QThread::msleep(kz::kInstanceAnswerTimeoutMs + 1000);
    return request.find("refuse") == std::string::npos;
  });
  ASSERT_TRUE(server.Listen());
  for (const char* request : {"rez://-tfile /d/TShips.txt", "rez://refuse"}) {
    std::atomic<int> answer{-1};
    std::thread sender([&] { answer = kz::SendInstanceRequest(request) ? 1 : 0; });
    QElapsedTimer t;
    t.start();
    while (answer < 0 && t.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    sender.join();
    EXPECT_EQ(received, request);
    EXPECT_EQ(answer, std::string(request).find("refuse") == std::string::npos ? 1 : 0) << request;
    EXPECT_GE(t.elapsed(), kz::kInstanceAnswerTimeoutMs);
  }
}

}  // namespace
