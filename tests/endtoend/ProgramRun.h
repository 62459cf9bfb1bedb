#pragma once
// The whole program started as its own process for a test: the built KzEditor with a
// private registry, temporary and runtime folder, scripted dialogs (answered from a
// dialog script when the test gives one), the window trace on standard error and,
// for driven runs, commands on standard input (app/TestInput.h).
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <memory>
#include <string>

namespace kzend {

inline QString BinaryDir() { return qEnvironmentVariable("KZ_BINARY_DIR"); }
inline QString Program() { return BinaryDir() + "/bin/KzEditor"; }

// What one run of the program reported.
struct Report {
  int exitCode = -1;
  QProcess::ExitStatus status = QProcess::CrashExit;
  bool finished = false;
  QString err;

  // The lines "kz-<kind> ...", without their prefix.
  QStringList Lines(const QString& kind) const {
    QStringList out;
    const QString prefix = "kz-" + kind + " ";
    for (const QString& line : err.split('\n'))
      if (line.startsWith(prefix)) out << line.mid(prefix.size());
    return out;
  }
  // The object names of the windows (or pages) that came into view.
  QStringList Names(const QString& kind) const {
    QStringList out;
    for (const QString& line : Lines(kind)) out << line.section(' ', 0, 0);
    return out;
  }
  // The last caption the window showed (when it came into view or later).
  QString Title(const QString& window) const {
    QString last;
    for (const QString& line : err.split('\n')) {
      if (!line.startsWith("kz-window ") && !line.startsWith("kz-title ")) continue;
      if (line.section(' ', 1, 1) == window) last = line.section(' ', 2);
    }
    return last;
  }
  int Boxes() const { return static_cast<int>(err.count("[MsgBox]")); }
  // The windows a user works in: the launcher and the loading note left out.
  QStringList EditorWindows() const {
    QStringList out = Names("window");
    out.removeAll("frmMain");
    out.removeAll("frmWait");
    return out;
  }
  std::string Text() const { return err.toStdString(); }
};

// A clean end: a normal exit with code 0 and nothing from the sanitizers.
inline void ExpectCleanEnd(const Report& r) {
  EXPECT_TRUE(r.finished) << r.Text();
  EXPECT_EQ(r.status, QProcess::NormalExit) << r.Text();
  EXPECT_EQ(r.exitCode, 0) << r.Text();
  EXPECT_FALSE(r.err.contains("Sanitizer")) << r.Text();
  EXPECT_FALSE(r.err.contains("runtime error")) << r.Text();
}

// Writes the sample data folder `folder` with the sample data generator; false with
// the generator's report in `error`.
inline bool MakeSampleData(const QString& folder, std::string& error) {
  QProcess gen;
  gen.start(BinaryDir() + "/bin/kz_sampledata", {folder});
  if (gen.waitForFinished(120000) && gen.exitStatus() == QProcess::NormalExit && gen.exitCode() == 0) return true;
  error = gen.readAllStandardError().toStdString();
  return false;
}

// A test that starts the program: each test has its own folders (Scratch) for the
// program's registry ("reg"), temporary files ("tmp") and runtime files ("run").
class ProgramTest : public ::testing::Test {
 protected:
  // The sample data folder the program is given (KZ_SAMPLE_DATA).
  virtual QString DataFolder() const = 0;

  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
    QDir(dir_.path()).mkpath("reg");
    QDir(dir_.path()).mkpath("tmp");
    QDir(dir_.path()).mkpath("run");
    ::chmod((dir_.path() + "/run").toUtf8().constData(), 0700);
  }

  QProcessEnvironment Env(bool quitAfterStart) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KZ_REGISTRY_DIR", dir_.path() + "/reg");
    env.insert("TMPDIR", dir_.path() + "/tmp");
    env.insert("XDG_RUNTIME_DIR", dir_.path() + "/run");
    env.insert("DISPLAY", ":42");
    env.remove("WAYLAND_DISPLAY");
    env.insert("KZ_SAMPLE_DATA", DataFolder());
    env.insert("KZ_SCRIPTED_UI", "1");
    env.insert("KZ_TRACE_OPEN", "1");
    env.remove("KZ_QUIT_AFTER_START");
    env.remove("KZ_TEST_INPUT");
    env.remove("KZ_UI_SCRIPT");
    if (!uiScript_.isEmpty()) env.insert("KZ_UI_SCRIPT", uiScript_);
    if (quitAfterStart) env.insert("KZ_QUIT_AFTER_START", "1");
    else env.insert("KZ_TEST_INPUT", "1");
    return env;
  }

  std::unique_ptr<QProcess> Start(const QStringList& args, bool quitAfterStart) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(Env(quitAfterStart));
    p->start(Program(), args);
    EXPECT_TRUE(p->waitForStarted(20000));
    return p;
  }

  static Report Finish(QProcess& p, Report r = {}) {
    r.finished = p.waitForFinished(120000);
    if (!r.finished) {
      p.kill();
      p.waitForFinished(10000);
    }
    r.exitCode = p.exitCode();
    r.status = p.exitStatus();
    r.err += QString::fromUtf8(p.readAllStandardError());
    return r;
  }

  // Starts the program with `args`; it ends by itself right after it has started.
  Report Open(const QStringList& args) {
    auto p = Start(args, true);
    return Finish(*p);
  }

  // Starts the program that takes commands on its standard input; the commands are
  // written, the input ends, and the program closes its launcher as the user would.
  Report Drive(const QStringList& args, const QString& commands) {
    auto p = Start(args, false);
    p->write(commands.toUtf8());
    p->closeWriteChannel();
    return Finish(*p);
  }

  // Reads a running program's report until it holds `what` (or 60 s passed).
  static bool WaitFor(QProcess& p, Report& r, const QString& what) {
    QElapsedTimer t;
    t.start();
    while (!r.err.contains(what) && t.elapsed() < 60000 && p.state() == QProcess::Running) {
      p.waitForReadyRead(100);
      r.err += QString::fromUtf8(p.readAllStandardError());
    }
    r.err += QString::fromUtf8(p.readAllStandardError());
    return r.err.contains(what);
  }

  // Reads a running program's report for `ms` milliseconds.
  static void Settle(QProcess& p, Report& r, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms && p.state() == QProcess::Running) {
      p.waitForReadyRead(50);
      r.err += QString::fromUtf8(p.readAllStandardError());
    }
  }

  QString Scratch(const QString& name) const { return dir_.path() + "/" + name; }

  QTemporaryDir dir_;
  QString uiScript_;  // the dialog script of the next start (KZ_UI_SCRIPT); none when empty
};

}  // namespace kzend
