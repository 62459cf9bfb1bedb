// The program as a process: start-up on the sample data and a clean end, the hand-over
// of a second start's command line to the running instance (only within one runtime
// folder and display, with a relative name made absolute), and the launcher's size
// across restarts.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include <sys/stat.h>

namespace {

QString BinaryDir() { return qEnvironmentVariable("KZ_BINARY_DIR"); }
QString Program() { return BinaryDir() + "/bin/KzEditor"; }

// One private world per test: registry, temporary folder, runtime folder (which holds
// the instance socket) and a sample data folder.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
    QDir(dir_.path()).mkpath("reg");
    QDir(dir_.path()).mkpath("tmp");
    runtime_ = PrivateFolder("run");
    data_ = dir_.path() + "/data";
    const QString generator = BinaryDir() + "/bin/kz_sampledata";
    if (QFileInfo::exists(generator)) {
      QProcess gen;
      gen.start(generator, {data_});
      ASSERT_TRUE(gen.waitForFinished(60000));
      ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();
    } else {
      QDir().mkpath(data_ + "/types");
    }
  }

  QProcessEnvironment Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KZ_REGISTRY_DIR", dir_.path() + "/reg");
    env.insert("TMPDIR", dir_.path() + "/tmp");
    env.insert("XDG_RUNTIME_DIR", runtime_);
    env.insert("DISPLAY", ":42");
    env.remove("WAYLAND_DISPLAY");
    env.insert("KZ_SAMPLE_DATA", data_);
    env.insert("KZ_SCRIPTED_UI", "1");
    env.insert("KZ_TRACE_OPEN", "1");
    env.remove("KZ_QUIT_AFTER_START");
    return env;
  }

  // A folder under the test's own that only the user may enter (as a runtime folder is).
  QString PrivateFolder(const QString& name) const {
    const QString path = dir_.path() + "/" + name;
    QDir().mkpath(path);
    ::chmod(path.toUtf8().constData(), 0700);
    return path;
  }

  std::unique_ptr<QProcess> Start(const QStringList& args, bool quitAfterStart, QProcessEnvironment env = {},
                                  const QString& workingFolder = {}) {
    auto p = std::make_unique<QProcess>();
    if (env.isEmpty()) env = Env();
    if (quitAfterStart) env.insert("KZ_QUIT_AFTER_START", "1");
    p->setProcessEnvironment(env);
    if (!workingFolder.isEmpty()) p->setWorkingDirectory(workingFolder);
    p->start(Program(), args);
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
  }

  // Waits until the running instance listens (its socket appears in its runtime folder).
  bool WaitForListener(QProcess& first, QString& err) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
      const QStringList sockets = QDir(runtime_).entryList({"MSG_REZ_OPEN_FILE-*"}, QDir::System);
      if (!sockets.isEmpty()) return true;
      if (first.state() != QProcess::Running) {
        err = first.readAllStandardError();
        return false;
      }
      first.waitForReadyRead(100);
      stderr_ += first.readAllStandardError();
    }
    return false;
  }

  static void Stop(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(10000)) {
      p.kill();
      p.waitForFinished(5000);
    }
  }

  // Reads the first instance's trace until it holds `what` (or 20 s passed).
  bool FirstSays(QProcess& first, const QString& what) {
    QElapsedTimer t;
    t.start();
    while (!stderr_.contains(what) && t.elapsed() < 20000) {
      first.waitForReadyRead(100);
      stderr_ += first.readAllStandardError();
    }
    return stderr_.contains(what);
  }

  QTemporaryDir dir_;
  QString data_;
  QString runtime_;
  QString stderr_;
};

TEST_F(ProgramTest, StartsOnTheSampleDataAndEndsCleanly) {
  auto p = Start({}, true);
  ASSERT_TRUE(p->waitForFinished(120000));
  const QString err = p->readAllStandardError();
  EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
  EXPECT_FALSE(err.contains("Error starting program")) << err.toStdString();
  // No box at all: the data folder was found and the descriptions loaded.
  EXPECT_FALSE(err.contains("[MsgBox]")) << err.toStdString();
  // The launcher saved its place when it closed, and the temporary folder is gone.
  QFile reg(dir_.path() + "/reg/user.reg");
  ASSERT_TRUE(reg.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(reg.readAll()).toLower();
  EXPECT_TRUE(text.contains("\\main]")) << text.toStdString();
  EXPECT_TRUE(text.contains("\"width\"=dword:")) << text.toStdString();
  EXPECT_FALSE(QFileInfo::exists(dir_.path() + "/tmp/Ro Vovada"));
}

TEST_F(ProgramTest, SecondStartHandsItsFileToTheFirstAndEnds) {
  auto first = Start({}, false);
  QString err;
  ASSERT_TRUE(WaitForListener(*first, err)) << err.toStdString();

  // A file name with a blank and a long path: nothing is cut on the way.
  const QString file = data_ + "/types/" + QString(300, 'x') + " TShips.txt";
  auto second = Start({"-tfile", file}, false);
  ASSERT_TRUE(second->waitForFinished(60000));
  EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();

  // The first instance opened it; the second showed nothing of its own.
  QElapsedTimer t;
  t.start();
  while (!stderr_.contains("kz-open te") && t.elapsed() < 20000) {
    first->waitForReadyRead(100);
    stderr_ += first->readAllStandardError();
  }
  EXPECT_TRUE(stderr_.contains("kz-open te \"" + file + "\"")) << stderr_.toStdString();
  EXPECT_FALSE(second->readAllStandardError().contains("kz-open"));

  // Three words: the usage message in the first instance, the second still ends.
  auto third = Start({"a", "b", "c"}, false);
  ASSERT_TRUE(third->waitForFinished(60000));
  EXPECT_EQ(third->exitCode(), 0);
  t.restart();
  while (!stderr_.contains("kz-open usage") && t.elapsed() < 20000) {
    first->waitForReadyRead(100);
    stderr_ += first->readAllStandardError();
  }
  EXPECT_TRUE(stderr_.contains("kz-open usage")) << stderr_.toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);
  Stop(*first);
}

TEST_F(ProgramTest, WithoutFirstInstanceOrWithAStaleSocketStartsNormally) {
  // A socket file left by an instance that ended without removing it.
  auto first = Start({}, false);
  QString err;
  ASSERT_TRUE(WaitForListener(*first, err)) << err.toStdString();
  first->kill();  // no clean-up: the socket file stays
  first->waitForFinished(10000);

  auto p = Start({"-tfile", data_ + "/types/TShips.txt"}, true);
  ASSERT_TRUE(p->waitForFinished(120000));
  const QString out = p->readAllStandardError();
  EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
  // It started by itself and opened the file itself.
  EXPECT_TRUE(out.contains("kz-open te")) << out.toStdString();
}

TEST_F(ProgramTest, AStartInAnotherSessionOrOnAnotherDisplayKeepsItsFile) {
  auto first = Start({}, false);
  QString err;
  ASSERT_TRUE(WaitForListener(*first, err)) << err.toStdString();
  const QString file = data_ + "/types/TShips.txt";

  // Another login: its own runtime folder (same user, same temporary folder).
  QProcessEnvironment otherLogin = Env();
  otherLogin.insert("XDG_RUNTIME_DIR", PrivateFolder("run-other"));
  // Another display in the same login.
  QProcessEnvironment otherDisplay = Env();
  otherDisplay.insert("DISPLAY", ":43");
  for (const QProcessEnvironment& env : {otherLogin, otherDisplay}) {
    auto p = Start({"-tfile", file}, true, env);
    ASSERT_TRUE(p->waitForFinished(120000));
    const QString out = p->readAllStandardError();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    // It started by itself and opened the file itself.
    EXPECT_TRUE(out.contains("kz-open te \"" + file + "\"")) << out.toStdString();
  }
  first->waitForReadyRead(500);
  stderr_ += first->readAllStandardError();
  EXPECT_FALSE(stderr_.contains("kz-open")) << stderr_.toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);
  Stop(*first);
}

TEST_F(ProgramTest, ARelativeNameIsHandedOverAsTheStartersFile) {
  // The first instance works in another folder, which holds a file of the same name.
  QDir().mkpath(dir_.path() + "/elsewhere/types");
  QFile::copy(data_ + "/types/TShips.txt", dir_.path() + "/elsewhere/types/TShips.txt");
  auto first = Start({}, false, {}, dir_.path() + "/elsewhere");
  QString err;
  ASSERT_TRUE(WaitForListener(*first, err)) << err.toStdString();

  auto second = Start({"-tfile", "./types/TShips.txt"}, false, {}, data_);
  ASSERT_TRUE(second->waitForFinished(60000));
  EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
  const QString absolute = QFileInfo(data_).canonicalFilePath() + "/types/TShips.txt";
  EXPECT_TRUE(FirstSays(*first, "kz-open te \"" + absolute + "\"")) << stderr_.toStdString();
  Stop(*first);
}

TEST_F(ProgramTest, TheLauncherKeepsItsSizeAcrossRestarts) {
  // The launcher's stored place: "width" and "height" of the key "main".
  auto storedSize = [this] {
    QFile reg(dir_.path() + "/reg/user.reg");
    if (!reg.open(QIODevice::ReadOnly)) return QSize();
    const QString text = QString::fromUtf8(reg.readAll());
    const qsizetype at = text.indexOf("\\main]");
    auto number = [&](const QString& name) {
      const qsizetype v = text.indexOf("\"" + name + "\"=dword:", at);
      return v < 0 ? -1 : text.mid(v + name.size() + 9, 8).toInt(nullptr, 16);
    };
    return at < 0 ? QSize() : QSize(number("width"), number("height"));
  };
  QSize first;
  for (int start = 0; start < 3; ++start) {
    auto p = Start({}, true);
    ASSERT_TRUE(p->waitForFinished(120000));
    ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    const QSize size = storedSize();
    ASSERT_TRUE(size.isValid()) << start;
    if (start == 0) {
      first = size;
      // The first size is the default width, tall enough for every item.
      EXPECT_EQ(size.width(), 375);
      EXPECT_GT(size.height(), 143);
    }
    EXPECT_EQ(size, first) << start;
  }
}

}  // namespace
