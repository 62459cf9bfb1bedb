// The program started on a named pipe, given on the command line or lying where its
// settings file should be: it says so at once and goes on, instead of waiting for ever.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

QString BinaryDir() { return qEnvironmentVariable("KZ_BINARY_DIR"); }
QString Program() { return BinaryDir() + "/bin/KzEditor"; }

class SpecialFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(QFileInfo::exists(Program())) << Program().toStdString();
    for (const char* sub : {"reg", "tmp", "run"}) QDir(dir_.path()).mkpath(sub);
    QFile::setPermissions(dir_.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    data_ = dir_.path() + "/data";
    const QString generator = BinaryDir() + "/bin/kz_sampledata";
    if (QFileInfo::exists(generator)) {
      QProcess gen;
      gen.start(generator, {data_});
      ASSERT_TRUE(gen.waitForFinished(60000));
      ASSERT_EQ(gen.exitCode(), 0);
    } else {
      QDir().mkpath(data_ + "/types");
    }
  }

  // Starts the program (it closes its launcher after the start) and waits for its end:
  // false when it had not ended in time (it is then killed).
  bool RunToEnd(const QStringList& args, QString& err, int seconds = 30) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KZ_REGISTRY_DIR", dir_.path() + "/reg");
    env.insert("TMPDIR", dir_.path() + "/tmp");
    env.insert("XDG_RUNTIME_DIR", dir_.path() + "/run");
    env.insert("KZ_SAMPLE_DATA", data_);
    env.insert("KZ_SCRIPTED_UI", "1");
    env.insert("KZ_QUIT_AFTER_START", "1");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(Program(), args);
    if (!p.waitForStarted(10000)) return false;
    const bool ended = p.waitForFinished(seconds * 1000);
    if (!ended) {
      p.kill();
      p.waitForFinished(5000);
    }
    err = p.readAllStandardError();
    return ended;
  }

  QTemporaryDir dir_;
  QString data_;
};

TEST_F(SpecialFilesTest, ANamedPipeOnTheCommandLineIsRefusedAtOnce) {
  const QString pipe = dir_.path() + "/TShips.txt";
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  QString err;
  ASSERT_TRUE(RunToEnd({pipe}, err)) << "the program waited on the pipe";
  EXPECT_TRUE(err.contains("\"" + pipe + "\": it is a named pipe, not a file")) << err.toStdString();
}

TEST_F(SpecialFilesTest, ANamedPipeAsTheSettingsFileIsSetAsideAtOnce) {
  const QString hive = dir_.path() + "/reg/user.reg";
  ASSERT_EQ(::mkfifo(QFile::encodeName(hive).constData(), 0600), 0);
  QString err;
  ASSERT_TRUE(RunToEnd({}, err)) << "the program waited on the pipe";
  EXPECT_TRUE(err.contains("settings file " + hive + " is unreadable (it is a named pipe, not a file)"))
      << err.toStdString();
  // The pipe is kept aside; the settings of this start went into a new file.
  struct stat st;
  ASSERT_EQ(::lstat(QFile::encodeName(hive + ".corrupt-1").constData(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(QFileInfo(hive).isFile());
}

}  // namespace
