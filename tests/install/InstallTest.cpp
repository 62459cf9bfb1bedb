// The install as a user makes it: `cmake --install` of this build into a temporary
// prefix, then the installed KzEditor started from there (offscreen, its own registry,
// temporary and runtime folders) on a sample data folder. The installed program must
// run on the libraries and help pages of the prefix, never on those of the build tree,
// and its desktop entry must start it from the desktop's menu.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>
#include <string>

#include "tests/endtoend/ProgramRun.h"

namespace {

using kzend::ExpectCleanEnd;
using kzend::Report;

// The libraries the program links (rudu, zuzer, videdoded) and the one it loads by name
// (vup); each is looked up by the about box.
const QStringList kLibraries = {"librudu.so", "libzuzer.so", "libvidedoded.so", "libvup.so"};

class Install : public kzend::ProgramTest {
 protected:
  static void SetUpTestSuite() {
    root_ = new QTemporaryDir();
    std::string error;
    if (!kzend::MakeSampleData(Data(), error)) ADD_FAILURE() << "sample data: " << error;
    QProcess install;
    install.start(KZ_CMAKE_COMMAND, {"--install", kzend::BinaryDir(), "--prefix", Prefix()});
    const bool done = install.waitForFinished(300000);
    installLog_ = QString::fromUtf8(install.readAllStandardOutput() + install.readAllStandardError());
    installed_ = done && install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
  }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }
  // A prefix with a blank in its name, as a user's folder may have.
  static QString Prefix() { return root_->path() + "/my prefix"; }
  static QString Data() { return root_->path() + "/data"; }
  static QString Installed(const QString& relative) { return Prefix() + "/" + relative; }
  static QString InstalledProgram() { return Installed(KZ_INSTALL_BINDIR "/KzEditor"); }
  QString DataFolder() const override { return Data(); }

  void SetUp() override {
    kzend::ProgramTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(installed_) << installLog_.toStdString();
    ASSERT_TRUE(QFileInfo::exists(Data() + "/types/TShips.txt"));
  }

  // Runs the installed program with the dynamic loader's report of the files it loads
  // (LD_DEBUG=files) on standard error; quitAfterStart as in ProgramTest::Env, else the
  // commands are written to its input.
  Report RunInstalled(bool quitAfterStart, const QString& commands = {}) {
    QProcess p;
    QProcessEnvironment env = Env(quitAfterStart);
    env.insert("LD_DEBUG", "files");
    env.remove("LD_LIBRARY_PATH");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(Scratch("tmp"));
    p.start(InstalledProgram(), {});
    EXPECT_TRUE(p.waitForStarted(20000));
    if (!quitAfterStart) p.write(commands.toUtf8());
    p.closeWriteChannel();
    return Finish(p);
  }

  // The files the loader initialised whose names start with one of `names`, by that
  // name, as canonical paths.
  static QMap<QString, QString> LoadedFiles(const Report& r, const QStringList& names) {
    QMap<QString, QString> out;
    static const QRegularExpression init("calling init: (\\S.*)$");
    for (const QString& line : r.err.split('\n')) {
      const QRegularExpressionMatch m = init.match(line);
      if (!m.hasMatch()) continue;
      const QString path = m.captured(1).trimmed();
      for (const QString& name : names)
        if (QFileInfo(path).fileName().startsWith(name)) out[name] = QFileInfo(path).canonicalFilePath();
    }
    return out;
  }

  static QTemporaryDir* root_;
  static bool installed_;
  static QString installLog_;
};

QTemporaryDir* Install::root_ = nullptr;
bool Install::installed_ = false;
QString Install::installLog_;

// The key=value lines of a desktop entry's main group.
QMap<QString, QString> DesktopEntry(const QString& path) {
  QMap<QString, QString> keys;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return keys;
  bool inMain = false;
  for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
    if (line.startsWith('[')) {
      inMain = line == "[Desktop Entry]";
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (inMain && eq > 0) keys[line.left(eq)] = line.mid(eq + 1);
  }
  return keys;
}

// The program, every library and every help page lie where the program looks for them
// from its installed place; nothing of the build tree is named by what was installed.
TEST_F(Install, PutsTheProgramItsLibrariesAndItsHelpInTheirPlaces) {
  const QFileInfo program(InstalledProgram());
  EXPECT_TRUE(program.isFile() && program.isExecutable()) << InstalledProgram().toStdString();
  for (const QString& lib : kLibraries) {
    // The link by the plain name is what the program's look-up by name opens.
    const QFileInfo link(Installed(KZ_INSTALL_LIBDIR "/" + lib));
    EXPECT_TRUE(link.exists()) << link.filePath().toStdString();
    EXPECT_TRUE(link.canonicalFilePath().startsWith(QFileInfo(Prefix()).canonicalFilePath()))
        << link.canonicalFilePath().toStdString();
  }
  // Every help page of the source tree, beside the program (bin/help).
  const QDir sources(qEnvironmentVariable("KZ_SOURCE_DIR") + "/shell/help");
  const QStringList pages = sources.entryList(QDir::Files, QDir::Name);
  ASSERT_TRUE(pages.contains("index.html")) << sources.path().toStdString();
  for (const QString& page : pages) {
    QFile source(sources.filePath(page));
    QFile installed(Installed(KZ_INSTALL_BINDIR "/help/" + page));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << installed.fileName().toStdString();
    EXPECT_EQ(installed.readAll(), source.readAll()) << page.toStdString();
  }
  // The program's run path leads to the installed libraries, not the build tree's.
  QFile exe(InstalledProgram());
  ASSERT_TRUE(exe.open(QIODevice::ReadOnly));
  EXPECT_FALSE(exe.readAll().contains((kzend::BinaryDir() + "/lib").toUtf8()));
}

// The desktop entry names the installed program by its full path (quoted, as the prefix
// holds a blank) and the installed icon, in a category of the desktop's menu; the
// desktop's own checker finds nothing wrong with it when it is there.
TEST_F(Install, ADesktopEntryAndAnIconPutTheProgramInTheMenu) {
  const QString entry = Installed(KZ_INSTALL_DATADIR "/applications/KzEditor.desktop");
  const QMap<QString, QString> keys = DesktopEntry(entry);
  ASSERT_FALSE(keys.isEmpty()) << entry.toStdString();
  EXPECT_EQ(keys.value("Type"), "Application");
  EXPECT_EQ(keys.value("Name"), "KzEditor");
  EXPECT_EQ(keys.value("Exec"), "\"" + InstalledProgram() + "\"");
  EXPECT_EQ(keys.value("TryExec"), InstalledProgram());
  EXPECT_EQ(keys.value("Terminal"), "false");
  const QStringList categories = keys.value("Categories").split(';', Qt::SkipEmptyParts);
  EXPECT_TRUE(categories.contains("Development") || categories.contains("Game")) << keys.value("Categories").toStdString();

  // The icon the entry names, as a scalable icon of the default theme: an SVG document.
  ASSERT_FALSE(keys.value("Icon").isEmpty());
  QFile icon(Installed(KZ_INSTALL_DATADIR "/icons/hicolor/scalable/apps/" + keys.value("Icon") + ".svg"));
  ASSERT_TRUE(icon.open(QIODevice::ReadOnly)) << icon.fileName().toStdString();
  QXmlStreamReader svg(&icon);
  ASSERT_TRUE(svg.readNextStartElement());
  EXPECT_EQ(svg.name(), QStringLiteral("svg"));
  while (!svg.atEnd()) svg.readNext();
  EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();

  const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
  if (validate.isEmpty()) return;  // desktop-file-utils is not installed (tools/deps.sh installs it)
  QProcess check;
  check.start(validate, {entry});
  ASSERT_TRUE(check.waitForFinished(60000));
  const QString said = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
  EXPECT_EQ(check.exitCode(), 0) << said.toStdString();
  EXPECT_TRUE(said.trimmed().isEmpty()) << said.toStdString();
}

// Started from its installed place (as the menu starts it), the program comes up with
// its launcher alone, asks nothing and ends cleanly, on the libraries of the prefix.
TEST_F(Install, TheInstalledProgramStartsToAnIdleLauncher) {
  const Report r = RunInstalled(true);
  ExpectCleanEnd(r);
  EXPECT_EQ(r.EditorWindows(), QStringList{}) << r.Text();
  EXPECT_TRUE(r.Names("window").contains("frmMain")) << r.Text();
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
  const QMap<QString, QString> loaded = LoadedFiles(r, {"librudu.so", "libzuzer.so", "libvidedoded.so"});
  const QString lib = QFileInfo(Installed(KZ_INSTALL_LIBDIR)).canonicalFilePath();
  for (const QString& name : QStringList{"librudu.so", "libzuzer.so", "libvidedoded.so"})
    EXPECT_EQ(QFileInfo(loaded.value(name)).canonicalPath(), lib) << name.toStdString() << "\n" << r.Text();
}

// The about box looks every library up by name and finds each in the prefix (the image
// library included, loaded there for the first time); the help opens the installed
// contents page.
TEST_F(Install, TheInstalledProgramFindsItsLibrariesAndItsHelp) {
  const Report r = RunInstalled(false, "launch about\nclose frmAbout\nlaunch help\n");
  ExpectCleanEnd(r);
  EXPECT_EQ(r.EditorWindows(), QStringList{"frmAbout"}) << r.Text();
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  const QMap<QString, QString> loaded = LoadedFiles(r, kLibraries);
  const QString lib = QFileInfo(Installed(KZ_INSTALL_LIBDIR)).canonicalFilePath();
  for (const QString& name : kLibraries)
    EXPECT_EQ(QFileInfo(loaded.value(name)).canonicalPath(), lib) << name.toStdString() << "\n" << r.Text();
  EXPECT_EQ(r.Lines("document"), QStringList{"\"" + Installed(KZ_INSTALL_BINDIR "/help/index.html") + "\""})
      << r.Text();
}

}  // namespace
