// The whole program as a user meets it: the built KzEditor started as its own process
// on a freshly made sample data folder, once per way in (a type file, a universe map, a
// text resource, a file without its type, a catalog path, a "vfs://" path, a second
// start handing its file over, each launcher item, damaged files). The program runs
// with scripted dialogs and reports on standard error what it shows:
//   kz-window <name> "<caption>", kz-title <name> "<caption>", kz-page <name>,
//   [MsgBox] ... for every message box, kz-start / kz-document for outside programs.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "core/LibBindings.h"
#include "gamelibs/zuzer/zuzer.h"
#include "tests/endtoend/ProgramRun.h"

namespace {

using kzend::ExpectCleanEnd;
using kzend::Report;

// The type-file page each type file reaches, by the start of its name; "" for the
// types that have no page and open in the raw field view alone. Listed so that a longer
// name wins over its own start ("JobWings" before "Jobs").
const std::vector<std::pair<QString, QString>> kPageOfType = {
    {"TShips", "ShipEdit"},         {"TCockpits", "TurretEdit"}, {"JobWings", ""},
    {"Jobs", "JobEdit"},            {"WareLists", "WareListEdit"}, {"IconData", ""},
    {"TShields", "WareEdit"},       {"TLaser", "WareEdit"},      {"TBullets", "WareEdit"},
    {"TMissiles", "WareEdit"},      {"TWare", "WareEdit"},       {"TFactories", "WareEdit"},
    {"TSpecial", "WareEdit"},       {"TDocks", "WareEdit"},      {"Wrecks", "WareEdit"},
    {"TGates", "WareEdit"},         {"TPlanets", "WareEdit"},    {"TSuns", "WareEdit"},
    {"TAsteroids", "WareEdit"},     {"TDebris", "WareEdit"},     {"TBackgrounds", "WareEdit"},
    {"TNebula", "WareEdit"},
};

bool PageOfFile(const QString& fileName, QString& page) {
  const QString base = QFileInfo(QString(fileName).replace('\\', '/')).completeBaseName();
  for (const auto& [type, p] : kPageOfType) {
    if (base.startsWith(type, Qt::CaseInsensitive)) {
      page = p;
      return true;
    }
  }
  return false;
}

class EndToEnd : public kzend::ProgramTest {
 protected:
  static void SetUpTestSuite() {
    data_ = new QTemporaryDir();
    std::string error;
    if (!kzend::MakeSampleData(Data(), error)) ADD_FAILURE() << "sample data: " << error;
  }
  static void TearDownTestSuite() {
    delete data_;
    data_ = nullptr;
  }
  static QString Data() { return data_->path() + "/data"; }
  QString DataFolder() const override { return Data(); }

  void SetUp() override {
    kzend::ProgramTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(QFileInfo::exists(Data() + "/types/TShips.txt"));
  }

  static QTemporaryDir* data_;
};

QTemporaryDir* EndToEnd::data_ = nullptr;

// The right window (once, with the file in its caption) and the right page (none: no
// page at all) came into view, no box and no report of errors in the data.
void ExpectEditor(const Report& r, const QString& window, const QString& page, const QString& file) {
  ExpectCleanEnd(r);
  EXPECT_EQ(r.EditorWindows(), QStringList{window}) << r.Text();
  if (page.isEmpty()) {
    EXPECT_TRUE(r.Names("page").isEmpty()) << r.Text();
  } else {
    EXPECT_TRUE(r.Names("page").contains(page)) << r.Text();
  }
  if (!file.isEmpty()) {
    EXPECT_TRUE(r.Title(window).contains(file)) << r.Text();
  }
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
}

// Every type file of the folder, plain or packed, each with "-tfile".
TEST_F(EndToEnd, EveryTypeFileOfTheFolderReachesItsPage) {
  const QStringList files = QDir(Data() + "/types").entryList(QDir::Files, QDir::Name);
  ASSERT_GE(files.size(), 10);
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    QString page;
    ASSERT_TRUE(PageOfFile(name, page)) << "no page known for " << name.toStdString();
    const QString path = Data() + "/types/" + name;
    const Report r = Open({"-tfile", path});
    if (name.startsWith("Jobs") && !name.contains("v10")) {
      // Job files before version 10 open with the one warning that says so.
      ExpectCleanEnd(r);
      EXPECT_EQ(r.Names("page"), QStringList{"JobEdit"}) << r.Text();
      EXPECT_EQ(r.Boxes(), 1) << r.Text();
      EXPECT_TRUE(r.err.contains("old Job file")) << r.Text();
      continue;
    }
    ExpectEditor(r, "frmTXTEditor", page, path);
  }
}

// Every type file of the virtual file system (the catalogs' included), by its
// "vfs://" path: each opens from the layer that wins.
TEST_F(EndToEnd, EveryTypeFileOfTheVirtualFileSystemReachesItsPage) {
  ZuZER_AddVFSFilter("types\\*");
  ASSERT_NE(ZuZER_CreateVFS(Data().toUtf8().constData()), 0) << kz::GetZuZERError();
  std::vector<kz::VfsEntry> entries = kz::VfsFindAll("types\\*");
  int fromCatalogs = 0;
  for (const kz::VfsEntry& e : entries) {
    if (e.IsFolder()) continue;
    const QString name = QString::fromStdString(e.name);
    SCOPED_TRACE(name.toStdString());
    QString page;
    ASSERT_TRUE(PageOfFile(name, page)) << "no page known for " << name.toStdString();
    const QString where = QString::fromStdString(e.path);
    if (where.contains("::")) ++fromCatalogs;
    const Report r = Open({"-tfile", "vfs://types\\" + name});
    if (name.startsWith("Jobs") && !name.contains("v10")) {
      EXPECT_EQ(r.Names("page"), QStringList{"JobEdit"}) << r.Text();
      EXPECT_EQ(r.Boxes(), 1) << r.Text();
      continue;
    }
    if (name.contains("damaged", Qt::CaseInsensitive)) {
      // A file with broken records: the page opens and the text window lists them.
      ExpectCleanEnd(r);
      EXPECT_TRUE(r.Names("page").contains(page)) << r.Text();
      EXPECT_TRUE(r.Names("window").contains("frmText")) << r.Text();
      EXPECT_TRUE(r.err.contains("Errors in file data")) << r.Text();
      EXPECT_EQ(r.Boxes(), 0) << r.Text();
      continue;
    }
    ExpectEditor(r, "frmTXTEditor", page, where);
  }
  EXPECT_GE(fromCatalogs, 10);
}

struct OpenCase {
  const char* what;
  QStringList args;       // "@" stands for the data folder
  const char* window;
  const char* page;
  const char* caption;    // part of the window's caption ("@" the data folder)
};

QString WithData(QString s, const QString& data) { return s.replace("@", data); }

// The other ways in: each editor by its type, a file named without its type, a path
// inside a catalog and a "vfs://" path.
TEST_F(EndToEnd, EachWayInOpensTheRightEditor) {
  const std::vector<OpenCase> cases = {
      {"universe map", {"-map", "@/maps/sample_universe.xml"}, "frmGalaxyEditor", "ObjectEdit",
       "@/maps/sample_universe.xml"},
      {"packed universe map", {"-map", "@/maps/sample_universe.pck"}, "frmGalaxyEditor", "ObjectEdit",
       "sample_universe.pck"},
      {"universe map in a catalog", {"-map", "@/05.cat::maps\\sample_universe.xml"}, "frmGalaxyEditor",
       "ObjectEdit", "05.cat::maps\\sample_universe.xml"},
      {"universe map by vfs", {"-map", "vfs://maps\\sample_universe_packed.pck"}, "frmGalaxyEditor",
       "ObjectEdit", "sample_universe_packed.pck"},
      {"text resource", {"-xml", "@/t/440002.xml"}, "frmTRE", "", "@/t/440002.xml (English)"},
      {"packed text resource", {"-xml", "@/t/490002.pck"}, "frmTRE", "", "490002.pck (German)"},
      {"text resource in a catalog", {"-xml", "@/04.cat::t\\440003.xml"}, "frmTRE", "", "04.cat::t\\440003.xml"},
      {"text resource by vfs", {"-xml", "vfs://t\\440003.xml"}, "frmTRE", "", "t\\440003.xml"},
      {"type file without its type", {"@/types/TLaser.txt"}, "frmTXTEditor", "WareEdit", "@/types/TLaser.txt"},
      {"type file in a catalog", {"-tfile", "@/02.cat::types\\TShips.txt"}, "frmTXTEditor", "ShipEdit",
       "02.cat::types\\TShips.txt (Ships v.29)"},
      {"type file in a catalog without its type", {"@/mods/samplemod.cat::types\\TShields.txt"}, "frmTXTEditor",
       "WareEdit", "samplemod.cat::types\\TShields.txt"},
      {"type file by vfs", {"-tfile", "vfs://types\\TWareT.txt"}, "frmTXTEditor", "WareEdit", "TWareT.txt"},
      {"type file by vfs without its type", {"vfs://types\\TShips.txt"}, "frmTXTEditor", "ShipEdit",
       "@/types/TShips.txt (Ships v.30)"},
      {"type file with -tfile in capitals and a slash", {"/TFILE", "@/types/TShips.txt"}, "frmTXTEditor",
       "ShipEdit", "@/types/TShips.txt"},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    QStringList args;
    for (const QString& a : c.args) args << WithData(a, Data());
    ExpectEditor(Open(args), c.window, c.page, WithData(c.caption, Data()));
  }
}

// F1 on an editor page opens the page's own help, beside the window's.
TEST_F(EndToEnd, F1OnAPageOpensItsHelp) {
  struct PageHelp {
    QString file;
    const char* page;
    const char* help;
  };
  const std::vector<PageHelp> cases = {
      {Data() + "/types/TShips.txt", "ShipEdit", "ship.html"},
      {"vfs://types\\TCockpits.txt", "TurretEdit", "turret.html"},
      {Data() + "/types/TLaser.txt", "WareEdit", "ware.html"},
      {Data() + "/types/Jobs_v10.txt", "JobEdit", "jobs.html"},
      {Data() + "/types/WareLists.txt", "WareListEdit", "warelists.html"},
  };
  for (const PageHelp& c : cases) {
    SCOPED_TRACE(c.page);
    const Report r =
        Drive({"-tfile", c.file}, QString("key frmTXTEditor.%1 F1\nkey frmTXTEditor.ObjectView F1\n").arg(c.page));
    ExpectEditor(r, "frmTXTEditor", c.page, {});
    EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
    QStringList pages;
    for (const QString& document : r.Lines("document")) pages << QFileInfo(QString(document).remove('"')).fileName();
    EXPECT_EQ(pages, (QStringList{c.help, "txteditor.html"})) << r.Text();
  }
}

// A file the program cannot tell by its name, and no file at all.
TEST_F(EndToEnd, AFileWithoutTypeOrNameSaysSoAndNothingElse) {
  const Report unknown = Open({Data() + "/textures/sample.tga"});
  ExpectCleanEnd(unknown);
  EXPECT_TRUE(unknown.EditorWindows().isEmpty()) << unknown.Text();
  EXPECT_EQ(unknown.Boxes(), 1) << unknown.Text();
  EXPECT_TRUE(unknown.err.contains("Don't know how to open file")) << unknown.Text();

  const Report none = Open({});
  ExpectCleanEnd(none);
  EXPECT_EQ(none.Names("window").count("frmMain"), 1) << none.Text();
  EXPECT_TRUE(none.EditorWindows().isEmpty()) << none.Text();
  EXPECT_EQ(none.Boxes(), 0) << none.Text();
}

// A second start hands its file to the running program and ends; the first opens it.
TEST_F(EndToEnd, ASecondStartHandsItsFileToTheFirst) {
  auto first = Start({}, false);
  Report firstReport;
  ASSERT_TRUE(WaitFor(*first, firstReport, "kz-window frmMain")) << firstReport.Text();
  QElapsedTimer t;
  t.start();
  while (QDir(Scratch("run")).entryList({"MSG_REZ_OPEN_FILE-*"}, QDir::System).isEmpty() && t.elapsed() < 30000)
    first->waitForReadyRead(100);

  const QString file = Data() + "/types/TShips.txt";
  const Report second = Open({"-tfile", file});
  ExpectCleanEnd(second);
  EXPECT_TRUE(second.Names("window").isEmpty()) << second.Text();

  ASSERT_TRUE(WaitFor(*first, firstReport, "kz-title frmTXTEditor")) << firstReport.Text();
  WaitFor(*first, firstReport, "kz-page ShipEdit");
  first->closeWriteChannel();
  const Report r = Finish(*first, firstReport);
  ExpectEditor(r, "frmTXTEditor", "ShipEdit", file);
}

// Each launcher item, chosen and started with Enter as the user would.
TEST_F(EndToEnd, EachLauncherItemOpensItsWindow) {
  const Report r = Drive({}, "launch te\nlaunch ge\nlaunch tre\n"
                             "launch settings\nclose frmSettings\n"
                             "launch about\nclose frmAbout\n"
                             "launch help\nlaunch jv\n"
                             // F1 in each window: the window's own help page.
                             "key frmTXTEditor F1\nkey frmGalaxyEditor F1\nkey frmTRE F1\nkey frmMain F1\n"
                             "launch settings\nkey frmSettings F1\nclose frmSettings\n");
  ExpectCleanEnd(r);
  EXPECT_EQ(r.EditorWindows(),
            (QStringList{"frmTXTEditor", "frmGalaxyEditor", "frmTRE", "frmSettings", "frmAbout", "frmSettings"}))
      << r.Text();
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  // Help opens its contents page beside the program, F1 the page of each window; the
  // game item names the game.
  QStringList pages;
  for (const QString& document : r.Lines("document")) {
    const QString path = QString(document).remove('"');
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_EQ(QFileInfo(path).dir().dirName(), "help") << path.toStdString();
    pages << QFileInfo(path).fileName();
  }
  EXPECT_EQ(pages, (QStringList{"index.html", "txteditor.html", "galaxyeditor.html", "textresources.html", "index.html",
                                "settings.html"}))
      << r.Text();
  EXPECT_EQ(r.Lines("start"), QStringList{"\"" + Data() + "/kz.exe\""}) << r.Text();
}

// The items of the outside programs the settings name: each starts its program.
TEST_F(EndToEnd, TheProgramItemsStartTheirPrograms) {
  QDir().mkpath(Scratch("programs"));
  for (const char* name : {"custom.sh", "viewer.sh", "modmanager.sh"}) {
    QFile f(Scratch("programs/") + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
  }
  auto store = [&](const QString& file, const QString& text) {
    QFile f(Scratch("reg/") + file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("; KzEditor settings store\n\n" + text).toUtf8());
  };
  store("user.reg", "[HKEY_CURRENT_USER\\software\\Ze Zuzazo]\n\"EditorEXEPath\"=\"" + Scratch("programs/custom.sh") +
                        "\"\n\n[HKEY_CURRENT_USER\\software\\Ze Zuzazo\\3DViewer]\n\"Path\"=\"" +
                        Scratch("programs/viewer.sh") + "\"\n");
  store("machine.reg", "[HKEY_LOCAL_MACHINE\\software\\Kz RedIrodova]\n\"path\"=\"" + Scratch("programs") +
                           "\"\n\"exename\"=\"modmanager.sh\"\n");

  const Report r = Drive({}, "launch custom\nlaunch 3Dviwer\nlaunch jvmm\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
  EXPECT_EQ(r.Lines("start"), (QStringList{"\"" + Scratch("programs/custom.sh") + "\"",
                                            "\"" + Scratch("programs/viewer.sh") + "\"",
                                            "\"" + Scratch("programs/modmanager.sh") + "\""}))
      << r.Text();
}

// The galaxy editor's map buttons open the map windows on the open universe map; F1
// there opens their help.
TEST_F(EndToEnd, TheGalaxyEditorShowsItsMaps) {
  const QString map = Data() + "/maps/sample_universe.xml";
  const Report r = Drive({"-map", map}, "key frmGalaxyEditor.Tree Right\npress frmGalaxyEditor map\n"
                                        "key frmSectorMap F1\npress frmGalaxyEditor universe\n"
                                        "key frmUniverseMap F1\n");
  ExpectCleanEnd(r);
  EXPECT_EQ(r.EditorWindows(), (QStringList{"frmGalaxyEditor", "frmSectorMap", "frmUniverseMap"})) << r.Text();
  EXPECT_TRUE(r.Title("frmGalaxyEditor").contains(map)) << r.Text();
  // The sector map shows the selected sector, the universe map the whole map.
  EXPECT_EQ(r.Title("frmSectorMap"), "\"Sector Map [Argent Prime]\"") << r.Text();
  EXPECT_TRUE(r.Title("frmUniverseMap").contains("sample_universe.xml")) << r.Text();
  EXPECT_EQ(r.Boxes(), 0) << r.Text();
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  QStringList pages;
  for (const QString& document : r.Lines("document")) pages << QFileInfo(QString(document).remove('"')).fileName();
  EXPECT_EQ(pages, (QStringList{"sectormap.html", "universemap.html"})) << r.Text();
}

// A damaged file of each kind: one clear message, the window stays, the program keeps
// running until the user ends it.
TEST_F(EndToEnd, ADamagedFileOfEachKindGivesOneMessageAndTheProgramGoesOn) {
  auto cut = [&](const QString& from, const QString& to, qint64 size) {
    QFile in(from);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    QFile out(to);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(in.read(size));
  };
  cut(Data() + "/types/TShips_packed.pck", Scratch("TShips.pck"), 40);
  {
    QFile f(Scratch("TShips.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("// ships\r\n30;abc;\r\n1;2;\r\n");
  }
  cut(Data() + "/maps/sample_universe.xml", Scratch("universe.xml"), 300);
  cut(Data() + "/t/440002.xml", Scratch("440002.xml"), 100);
  cut(Data() + "/02.cat", Scratch("02.cat"), 30);
  ASSERT_TRUE(QFile::copy(Data() + "/02.dat", Scratch("02.dat")));

  struct Damaged {
    const char* what;
    QStringList args;
    const char* window;
    const char* message;
  };
  const std::vector<Damaged> cases = {
      {"truncated packed type file", {"-tfile", Scratch("TShips.pck")}, "frmTXTEditor", "truncated"},
      {"type file with a word for a number", {"-tfile", Scratch("TShips.txt")}, "frmTXTEditor", "line 2"},
      {"cut universe map", {"-map", Scratch("universe.xml")}, "frmGalaxyEditor", "Error parsing file"},
      {"cut text resource", {"-xml", Scratch("440002.xml")}, "frmTRE", "XML error at line"},
      {"cut catalog", {"-tfile", Scratch("02.cat") + "::types\\TShips.txt"}, "frmTXTEditor", "02.cat"},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.what);
    auto p = Start(c.args, false);
    Report r;
    ASSERT_TRUE(WaitFor(*p, r, "[MsgBox]")) << r.Text();
    // Still running after the message: it waits for the user.
    Settle(*p, r, 1000);
    EXPECT_EQ(p->state(), QProcess::Running) << r.Text();
    p->closeWriteChannel();
    r = Finish(*p, r);
    ExpectCleanEnd(r);
    EXPECT_EQ(r.Boxes(), 1) << r.Text();
    EXPECT_TRUE(r.err.contains(c.message)) << r.Text();
    EXPECT_EQ(r.EditorWindows(), QStringList{c.window}) << r.Text();
    EXPECT_TRUE(r.Names("page").isEmpty() || QString(c.window) == "frmGalaxyEditor") << r.Text();
  }
}

}  // namespace
