// Saving, end to end: the built KzEditor started as its own process on a fresh copy of
// the sample data, driven as a user drives it (commands on standard input, dialog
// answers from a dialog script), for each editor and each kind of source (a plain
// file, a packed file, a file inside a catalog, a "vfs://" path). A file saved
// unchanged keeps its bytes; a file saved after one edit differs from the one it was
// in that value alone. Packed files are compared unpacked and catalog entries through
// the file driver; a failure shows the lines that differ.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <string>
#include <vector>

#include "core/LibBindings.h"
#include "tests/endtoend/ProgramRun.h"

namespace {

using kzend::ExpectCleanEnd;
using kzend::Report;

// ---- contents and their differences ----------------------------------------------

// A file's content as the program reads it: packed files unpacked, a catalog path's
// entry out of its catalog. An unreadable file fails the test.
QByteArray Content(const QString& path) {
  std::string data, error;
  if (!kz::ReadWholeFile(path.toStdString(), data, error)) {
    ADD_FAILURE() << "cannot read " << path.toStdString() << ": " << error;
    return {};
  }
  return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

// Lines with their line ends kept, so that a changed line end shows as a difference.
QList<QByteArray> Lines(const QByteArray& content) {
  QList<QByteArray> out;
  qsizetype start = 0;
  while (start < content.size()) {
    qsizetype end = content.indexOf('\n', start);
    end = end < 0 ? content.size() : end + 1;
    out << content.mid(start, end - start);
    start = end;
  }
  return out;
}

std::string Shown(QByteArray line) {
  line.replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t");
  if (line.size() > 160) line = line.left(157) + "...";
  return line.toStdString();
}

// For two lines of ";"-separated fields: the fields that differ, "field 13: 5 -> 333".
std::string FieldChanges(const QByteArray& was, const QByteArray& is) {
  const QList<QByteArray> a = was.split(';');
  const QList<QByteArray> b = is.split(';');
  if (a.size() < 3 || b.size() < 3) return {};
  std::string out;
  for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
    const QByteArray x = i < a.size() ? a[i] : "(none)";
    const QByteArray y = i < b.size() ? b[i] : "(none)";
    if (x != y) out += "      field " + std::to_string(i) + ": " + Shown(x) + " -> " + Shown(y) + "\n";
  }
  return out;
}

// "" when both are the same; else the lines only the expected content has ("-") and
// those only the saved one has ("+"), with their line numbers, in file order; a line
// changed in place also lists the ";"-fields that differ.
std::string LineDiff(const QByteArray& expected, const QByteArray& saved) {
  if (expected == saved) return {};
  const QList<QByteArray> a = Lines(expected);
  const QList<QByteArray> b = Lines(saved);
  const qsizetype n = a.size(), m = b.size();
  // Longest common subsequence of the lines, from the ends.
  std::vector<std::vector<int>> lcs(static_cast<std::size_t>(n + 1), std::vector<int>(static_cast<std::size_t>(m + 1)));
  for (qsizetype i = n - 1; i >= 0; --i)
    for (qsizetype j = m - 1; j >= 0; --j)
      lcs[i][j] = a[i] == b[j] ? lcs[i + 1][j + 1] + 1 : std::max(lcs[i + 1][j], lcs[i][j + 1]);
  std::string out = "expected (-) and saved (+) differ:\n";
  int shown = 0;
  qsizetype i = 0, j = 0;
  while ((i < n || j < m) && shown < 40) {
    if (i < n && j < m && a[i] == b[j]) {
      ++i, ++j;
      continue;
    }
    // One run of differing lines: those gone, then those come.
    const qsizetype i0 = i, j0 = j;
    while (i < n || j < m) {
      if (i < n && j < m && a[i] == b[j]) break;
      if (j < m && (i == n || lcs[i][j + 1] >= lcs[i + 1][j])) ++j;
      else ++i;
    }
    for (qsizetype k = i0; k < i; ++k, ++shown) out += "  - line " + std::to_string(k + 1) + ": " + Shown(a[k]) + "\n";
    for (qsizetype k = j0; k < j; ++k, ++shown) out += "  + line " + std::to_string(k + 1) + ": " + Shown(b[k]) + "\n";
    if (i - i0 == j - j0)
      for (qsizetype k = 0; k < i - i0; ++k) out += FieldChanges(a[i0 + k], b[j0 + k]);
  }
  if (shown >= 40) out += "  ...\n";
  return out;
}

// `content` with field `field` of line `line` (both from 0) set to `value`.
QByteArray WithField(const QByteArray& content, int line, int field, const QByteArray& value) {
  QList<QByteArray> lines = Lines(content);
  if (line >= lines.size()) {
    ADD_FAILURE() << "no line " << line;
    return content;
  }
  QList<QByteArray> fields = lines[line].split(';');
  if (field >= fields.size() - 1) {
    ADD_FAILURE() << "no field " << field << " in line " << line;
    return content;
  }
  fields[field] = value;
  lines[line] = fields.join(';');
  return lines.join();
}

// `content` with the first `from` in it replaced by `to`.
QByteArray WithText(const QByteArray& content, const QByteArray& from, const QByteArray& to) {
  const qsizetype at = content.indexOf(from);
  if (at < 0) {
    ADD_FAILURE() << "no \"" << from.toStdString() << "\" in the file";
    return content;
  }
  QByteArray out = content;
  out.replace(at, from.size(), to);
  return out;
}

// A type file (but a job file) is written with a first remark line naming the
// program; the rest of the file is what counts. The saved remark is checked and taken
// over into the expected content.
QByteArray WithSavedRemark(const QString& path, QByteArray expected, const QByteArray& saved) {
  const QString name = QFileInfo(QString(path).replace('\\', '/')).fileName();
  if (name.startsWith("Jobs", Qt::CaseInsensitive) && !name.startsWith("JobWings", Qt::CaseInsensitive))
    return expected;
  const QByteArray remark = saved.left(saved.indexOf('\n') + 1);
  EXPECT_TRUE(remark.startsWith("// Created with ")) << path.toStdString() << ": " << Shown(remark);
  if (expected.startsWith("//")) expected.remove(0, expected.indexOf('\n') + 1);
  return remark + expected;
}

// ---- the sample files ---------------------------------------------------------------

// The files inside the sample catalogs, as "<catalog>::<inner path>" below the data
// folder; the damaged type file left out (its broken records are mended on saving).
const QStringList kCatalogTypeFiles = {
    "01.cat::types\\TLaser.txt",      "01.cat::types\\TBullets.pck",    "02.cat::types\\TShips.txt",
    "03.cat::types\\TCockpits.txt",   "06.cat::types\\TWareT.txt",      "06.cat::types\\TBullets.txt",
    "06.cat::types\\TFactories.txt",  "06.cat::types\\TSpecial.txt",    "06.cat::types\\Wrecks.txt",
    "06.cat::types\\TGates.txt",      "06.cat::types\\TPlanets.txt",    "06.cat::types\\TSuns.txt",
    "06.cat::types\\TAsteroids.txt",  "06.cat::types\\TDebris.txt",     "06.cat::types\\TBackgrounds.txt",
    "06.cat::types\\TNebula.txt",     "mods/samplemod.cat::types\\TShields.txt",
};
const QStringList kCatalogMaps = {"05.cat::maps\\sample_universe.xml", "05.cat::maps\\sample_universe_packed.pck",
                                  "mods/samplemod.cat::maps\\mod_universe.xml"};
const QStringList kCatalogTexts = {"04.cat::t\\440003.xml", "04.cat::t\\490003.pck", "06.cat::t\\440017.xml"};

// The plain and packed files of a folder below the data folder, relative to it.
QStringList FolderFiles(const QString& data, const QString& folder) {
  QStringList out;
  for (const QString& name : QDir(data + "/" + folder).entryList(QDir::Files, QDir::Name)) out << folder + "/" + name;
  return out;
}

// Every sample type file the editor saves, plain, packed and in catalogs (icon data
// files are refused on saving: their layout is read only in part).
QStringList SavedTypeFiles(const QString& data) {
  QStringList out = FolderFiles(data, "types") + kCatalogTypeFiles;
  out.removeIf([](const QString& rel) { return rel.contains("IconData"); });
  return out;
}

class RoundTrip : public kzend::ProgramTest {
 protected:
  static void SetUpTestSuite() {
    pristine_ = new QTemporaryDir();
    std::string error;
    if (!kzend::MakeSampleData(Pristine(), error)) ADD_FAILURE() << "sample data: " << error;
  }
  static void TearDownTestSuite() {
    delete pristine_;
    pristine_ = nullptr;
  }
  // The sample data as made; each test works on a copy of its own.
  static QString Pristine() { return pristine_->path() + "/data"; }
  QString DataFolder() const override { return Scratch("data"); }

  void SetUp() override {
    kzend::ProgramTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(QFileInfo::exists(Pristine() + "/types/TShips.txt"));
    QDirIterator it(Pristine(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString from = it.next();
      const QString to = DataFolder() + from.mid(Pristine().size());
      QDir().mkpath(QFileInfo(to).path());
      ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
    }
  }

  // The path of a sample file (relative to the data folder) in the copy and as made.
  QString Here(const QString& rel) const { return DataFolder() + "/" + rel; }
  static QString AsMade(const QString& rel) { return Pristine() + "/" + rel; }

  // Starts the program with `args`, the dialog answers `answers` (a dialog script,
  // platform/UiScript.h) and the commands `commands`; it ends when the commands do.
  Report Run(const QStringList& args, const QString& answers, const QString& commands) {
    uiScript_ = Scratch(QString("answers-%1.txt").arg(++runs_));
    QFile f(uiScript_);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(answers.toUtf8());
    f.close();
    return Drive(args, commands);
  }

  // The file `rel` saved in the copy is `expected` (a type file's with the remark line
  // the program writes).
  void ExpectSaved(const QString& rel, const QByteArray& expected, bool typeFile) {
    const QByteArray saved = Content(Here(rel));
    const std::string diff = LineDiff(typeFile ? WithSavedRemark(rel, expected, saved) : expected, saved);
    EXPECT_TRUE(diff.empty()) << rel.toStdString() << ": " << diff;
  }

  // The commands that open `rel` through the open button of `window`, and the answers
  // its dialogs get. While the window shows a file inside a catalog, its open dialog
  // starts in that catalog's browser, which the user leaves with "close catalog".
  void OpenThroughDialog(const QString& window, const QString& rel, bool fromCatalog, QString& answers,
                         QString& commands) const {
    commands += "press " + window + " open\n";
    if (fromCatalog) commands += "wait frmCATDialog\npress frmCATDialog btnCloseCatalog\n";
    commands += "wait " + window + " " + Here(rel) + "\n";
    answers += "file " + Here(rel) + "\n";
  }

  // The commands that save the file `rel` shown in `window` where it was loaded from:
  // the save dialog proposes it (a file inside a catalog in the catalog's browser) and
  // the user takes the proposal; the question whether to replace it gets its default.
  static void SaveInPlace(const QString& window, const QString& rel, QString& answers, QString& commands) {
    commands += "press " + window + " save\n";
    if (rel.contains("::")) commands += "wait frmCATDialog\npress frmCATDialog btnOK\n";
    else answers += "keep file\n";
  }

  // Saving every file of `files` unchanged, one after another in one window of
  // `window` (`option` the command line option that opens the first; the others are
  // opened through the open dialog): each keeps its content.
  void SaveEachUnchanged(const QString& window, const QString& option, const QStringList& files) {
    QString answers, commands;
    int boxes = 0;
    for (qsizetype i = 0; i < files.size(); ++i) {
      const QString& rel = files[i];
      if (i > 0) OpenThroughDialog(window, rel, files[i - 1].contains("::"), answers, commands);
      else commands += "wait " + window + " " + Here(rel) + "\n";
      SaveInPlace(window, rel, answers, commands);
      commands += "say saved " + rel + "\n";
      const QString name = QFileInfo(QString(rel).replace('\\', '/')).fileName();
      boxes += name.startsWith("Jobs") && !name.contains("v10") ? 2 : 1;  // old job files: a warning
    }
    const Report r = Run({option, Here(files.front())}, answers, commands);
    ExpectCleanEnd(r);
    EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
    EXPECT_EQ(r.Boxes(), boxes) << r.Text();
    EXPECT_EQ(r.Lines("say").size(), files.size()) << r.Text();
    for (const QString& rel : files) {
      SCOPED_TRACE(rel.toStdString());
      ExpectSaved(rel, Content(AsMade(rel)), window == "frmTXTEditor");
    }
  }

  static QTemporaryDir* pristine_;
  int runs_ = 0;
};

QTemporaryDir* RoundTrip::pristine_ = nullptr;

// ---- saved unchanged ---------------------------------------------------------------

// Every sample file, opened one after another in one window of its editor and saved
// where it was loaded from without a change: each keeps its bytes.
TEST_F(RoundTrip, EveryTypeFileSavedUnchangedKeepsItsBytes) {
  const QStringList files = SavedTypeFiles(Pristine());
  ASSERT_GE(files.size(), 25);
  SaveEachUnchanged("frmTXTEditor", "-tfile", files);
}

TEST_F(RoundTrip, EveryUniverseMapSavedUnchangedKeepsItsBytes) {
  SaveEachUnchanged("frmGalaxyEditor", "-map", FolderFiles(Pristine(), "maps") + kCatalogMaps);
}

TEST_F(RoundTrip, EveryTextResourceSavedUnchangedKeepsItsBytes) {
  SaveEachUnchanged("frmTRE", "-xml", FolderFiles(Pristine(), "t") + kCatalogTexts);
}

// ---- one value edited -----------------------------------------------------------

// What a test edits in one file and the content it expects the saved file to have.
struct Edited {
  QString rel;
  QByteArray expected;
};

// Type files, each kind of source in turn in one window (a plain file on the ship and
// the ware page, a packed and a catalog's file in the raw field view, a job file and a
// catalog's turret file on their pages): a pick-list entry and a number with its unit
// on the pages that translate values, a plain value on the others, a raw field typed
// in. Each saved file differs from the one loaded in the edited values alone.
TEST_F(RoundTrip, TypeFileEditsChangeOnlyTheEditedValues) {
  QString answers, commands;
  std::vector<Edited> edits;
  auto expect = [&](const QString& rel, std::initializer_list<std::tuple<int, int, QByteArray>> fields) {
    QByteArray content = Content(AsMade(rel));
    for (const auto& [line, field, value] : fields) {
      const QByteArray before = content;
      content = WithField(content, line, field, value);
      EXPECT_NE(content, before) << rel.toStdString() << ": field " << field << " of line " << line << " is "
                                 << value.toStdString() << " already";
    }
    edits.push_back({rel, content});
  };
  auto editRaw = [&](int row, int field, const QString& value) {
    commands += "select frmTXTEditor.ObjectView #" + QString::number(row) + "\n" +
                "choose frmTXTEditor.MainTab Raw data\n" + "activate frmTXTEditor.ObjectDataView #" +
                QString::number(field) + "\nwait frmEdit\ntype frmEdit.cmbValue " + value +
                "\npress frmEdit btnOK\n";
  };

  // The ship page: the class from its pick list, the acceleration in m/s (500 to 1).
  const QString ships = "types/TShips.txt";
  commands += "wait frmTXTEditor " + Here(ships) + "\n"
              "select frmTXTEditor.ObjectView Brenn Falcon\n"
              "activate frmTXTEditor.ShipEdit.InfoView Class\nwait frmEdit\nchoose frmEdit.cmbValue M6\n"
              "press frmEdit btnOK\n"
              "choose frmTXTEditor.ShipEdit.MainTab Performance\n"
              "activate frmTXTEditor.ShipEdit.PerformanceView Acceleration\nwait frmEdit\n"
              "type frmEdit.cmbValue 16\npress frmEdit btnOK\n";
  SaveInPlace("frmTXTEditor", ships, answers, commands);
  expect(ships, {{3, 5, "11"}, {3, 8, "8000"}});

  // The ware page: the rate of fire in rounds a minute (60000 over the stored value),
  // the ware class from its pick list.
  const QString lasers = "types/TLaser.txt";
  OpenThroughDialog("frmTXTEditor", lasers, false, answers, commands);
  commands += "select frmTXTEditor.ObjectView Impulse Ray Emitter\n"
              "activate frmTXTEditor.WareEdit.PropView Rate of fire\nwait frmEdit\n"
              "type frmEdit.cmbValue 30000\npress frmEdit btnOK\n"
              "activate frmTXTEditor.WareEdit.PropView Ware class\nwait frmEdit\n"
              "choose frmEdit.cmbValue Medium\npress frmEdit btnOK\n";
  SaveInPlace("frmTXTEditor", lasers, answers, commands);
  expect(lasers, {{2, 7, "2"}, {2, 17, "2"}});

  // A packed file and a catalog's file, their records listed in file order.
  const QString shields = "types/TShields.pck";
  OpenThroughDialog("frmTXTEditor", shields, false, answers, commands);
  commands += "press frmTXTEditor chkSort\n";
  editRaw(1, 9, "777");
  SaveInPlace("frmTXTEditor", shields, answers, commands);
  expect(shields, {{3, 9, "777"}});

  const QString wares = "06.cat::types\\TWareT.txt";
  OpenThroughDialog("frmTXTEditor", wares, false, answers, commands);
  editRaw(0, 8, "4321");
  SaveInPlace("frmTXTEditor", wares, answers, commands);
  expect(wares, {{2, 8, "4321"}});

  // The job page (a job file has no remark line) and the turret page.
  const QString jobs = "types/Jobs_v10.txt";
  OpenThroughDialog("frmTXTEditor", jobs, true, answers, commands);
  commands += "select frmTXTEditor.ObjectView #1\nchoose frmTXTEditor.MainTab Job info\n"
              "activate frmTXTEditor.JobEdit.PropView Max # of jobs\nwait frmEdit\n"
              "type frmEdit.cmbValue 7\npress frmEdit btnOK\n";
  SaveInPlace("frmTXTEditor", jobs, answers, commands);
  expect(jobs, {{2, 2, "7"}});

  const QString turrets = "03.cat::types\\TCockpits.txt";
  OpenThroughDialog("frmTXTEditor", turrets, false, answers, commands);
  commands += "select frmTXTEditor.ObjectView SS_COCKPIT_FRONT\nchoose frmTXTEditor.MainTab Turret info\n"
              "activate frmTXTEditor.TurretEdit.PropView Scene file\nwait frmEdit\n"
              "type frmEdit.cmbValue cockpits\\\\turret_nose\npress frmEdit btnOK\n";
  SaveInPlace("frmTXTEditor", turrets, answers, commands);
  expect(turrets, {{2, 7, "cockpits\\turret_nose"}});

  const Report r = Run({"-tfile", Here(ships)}, answers, commands);
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), static_cast<int>(edits.size())) << r.Text();  // the replace questions
  for (const Edited& e : edits) {
    SCOPED_TRACE(e.rel.toStdString());
    ExpectSaved(e.rel, e.expected, true);
  }
}

// A type file opened by its "vfs://" path is saved where the virtual file system found
// it (here inside a catalog), edited in its raw field view.
TEST_F(RoundTrip, ATypeFileOpenedByItsVfsPathIsSavedWhereItLies) {
  const QString rel = "03.cat::types\\TCockpits.txt";
  const QByteArray expected = WithField(Content(AsMade(rel)), 2, 1, "5");
  const Report r = Run({"-tfile", "vfs://types\\TCockpits.txt"}, "",
                       "wait frmTXTEditor " + Here(rel) + "\npress frmTXTEditor chkSort\n"
                       "select frmTXTEditor.ObjectView #0\nchoose frmTXTEditor.MainTab Raw data\n"
                       "activate frmTXTEditor.ObjectDataView #1\nwait frmEdit\ntype frmEdit.cmbValue 5\n"
                       "press frmEdit btnOK\npress frmTXTEditor save\nwait frmCATDialog\n"
                       "press frmCATDialog btnOK\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 1) << r.Text();
  ExpectSaved(rel, expected, true);
}

// Universe maps: a sector's attribute through the property dialog (a plain map and a
// catalog's), an object added on the sector map (a packed map). The attribute changes
// alone; the added object is one line more in its sector, nothing else moves.
TEST_F(RoundTrip, UniverseMapEditsChangeOnlyTheEditedValues) {
  QString answers, commands;
  const QString music = "select frmGalaxyEditor.Tree Argent Prime\nkey frmGalaxyEditor.Tree Right\n"
                        "activate frmGalaxyEditor.ObjectEdit.PropView Sector - music\nwait frmGalEdit\n"
                        "type frmGalEdit.ValEdit 5\npress frmGalEdit btnOK\n";
  const QString plain = "maps/sample_universe.xml";
  commands += "wait frmGalaxyEditor " + Here(plain) + "\n" + music;
  SaveInPlace("frmGalaxyEditor", plain, answers, commands);

  const QString packed = "maps/sample_universe.pck";
  OpenThroughDialog("frmGalaxyEditor", packed, false, answers, commands);
  commands += "select frmGalaxyEditor.Tree Argent Prime\nkey frmGalaxyEditor.Tree Right\n"
              "press frmGalaxyEditor map\nwait frmSectorMap Argent Prime\n"
              "click frmSectorMap.Map 100 100 right\nmenu Add object...\nwait frmNewGalObject\n"
              "choose frmNewGalObject.cmbType Ship\nchoose frmNewGalObject.cmbSubtype #0\n"
              "press frmNewGalObject btnOK\nclose frmSectorMap\n";
  SaveInPlace("frmGalaxyEditor", packed, answers, commands);

  const QString inCatalog = "05.cat::maps\\sample_universe.xml";
  OpenThroughDialog("frmGalaxyEditor", inCatalog, false, answers, commands);
  commands += music;
  SaveInPlace("frmGalaxyEditor", inCatalog, answers, commands);

  const Report r = Run({"-map", Here(plain)}, answers, commands);
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 3) << r.Text();

  const QByteArray sector = "<o t=\"1\" s=\"0\" x=\"0\" y=\"0\" r=\"1\" color=\"4210752\" ff=\"0\" fc=\"0\" fn=\"0\" m=\"";
  for (const QString& rel : {plain, inCatalog}) {
    SCOPED_TRACE(rel.toStdString());
    ExpectSaved(rel, WithText(Content(AsMade(rel)), sector + "2\"", sector + "5\""), false);
  }
  // The new ship: the first ship type's ID, where the map was clicked, as the last
  // object of the first sector.
  const QList<QByteArray> was = Lines(Content(AsMade(packed)));
  const QList<QByteArray> is = Lines(Content(Here(packed)));
  ASSERT_EQ(is.size(), was.size() + 1) << LineDiff(Content(AsMade(packed)), Content(Here(packed)));
  qsizetype added = 0;
  while (added < was.size() && was[added] == is[added]) ++added;
  EXPECT_TRUE(QRegularExpression("^\\t\\t<o t=\"7\" s=\"SS_SH_[A-Z]+\" r=\"1\" x=\"-?\\d+\" y=\"0\" z=\"-?\\d+\" />\\r?\\n$")
                  .match(QString::fromUtf8(is[added]))
                  .hasMatch())
      << Shown(is[added]);
  EXPECT_EQ(was[added].trimmed(), "</o>") << "not the end of the first sector: " << Shown(was[added]);
  QList<QByteArray> without = is;
  without.removeAt(added);
  const std::string diff = LineDiff(Content(AsMade(packed)), without.join());
  EXPECT_TRUE(diff.empty()) << diff;
}

// A universe map opened by its "vfs://" path (a packed map inside a catalog) is saved
// back into that catalog.
TEST_F(RoundTrip, AUniverseMapOpenedByItsVfsPathIsSavedWhereItLies) {
  const QString rel = "05.cat::maps\\sample_universe_packed.pck";
  const QByteArray sector = "<o t=\"1\" s=\"0\" x=\"0\" y=\"0\" r=\"1\" color=\"4210752\" ff=\"0\" fc=\"0\" fn=\"0\" m=\"";
  const QByteArray expected = WithText(Content(AsMade(rel)), sector + "2\"", sector + "5\"");
  const Report r = Run({"-map", "vfs://maps\\sample_universe_packed.pck"}, "",
                       "wait frmGalaxyEditor " + Here(rel) + "\n"
                       "select frmGalaxyEditor.Tree Argent Prime\nkey frmGalaxyEditor.Tree Right\n"
                       "activate frmGalaxyEditor.ObjectEdit.PropView Sector - music\nwait frmGalEdit\n"
                       "type frmGalEdit.ValEdit 5\npress frmGalEdit btnOK\n"
                       "press frmGalaxyEditor save\nwait frmCATDialog\npress frmCATDialog btnOK\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 1) << r.Text();
  ExpectSaved(rel, expected, false);
}

// Text resources: one string's text typed anew in the string dialog, in a plain, a
// packed and a catalog's file; only that string's text changes.
TEST_F(RoundTrip, TextResourceEditsChangeOnlyTheEditedString) {
  struct StringEdit {
    QString rel;
    QString page, id;
    QByteArray from, to;
  };
  const std::vector<StringEdit> cases = {
      {"t/440002.xml", "17", "1101", ">Impulse Ray Emitter<", ">Impulse Ray Emitter Mk2<"},
      {"t/490002.pck", "1263", "19302", ">Transporter<", ">Frachter<"},
      {"04.cat::t\\440003.xml", "300", "3", ">Reward: {4} credits<", ">Reward: {4} Credits<"},
  };
  QString answers, commands;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const StringEdit& c = cases[i];
    if (i == 0) commands += "wait frmTRE " + Here(c.rel) + "\n";
    else OpenThroughDialog("frmTRE", c.rel, cases[i - 1].rel.contains("::"), answers, commands);
    commands += "select frmTRE.PageView " + c.page + "\nactivate frmTRE.TextView " + c.id +
                "\nwait frmStringEdit\ntype frmStringEdit.TextEdit " + QString::fromUtf8(c.to.mid(1).chopped(1)) +
                "\npress frmStringEdit btnOK\n";
    SaveInPlace("frmTRE", c.rel, answers, commands);
  }
  const Report r = Run({"-xml", Here(cases.front().rel)}, answers, commands);
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), static_cast<int>(cases.size())) << r.Text();
  for (const StringEdit& c : cases) {
    SCOPED_TRACE(c.rel.toStdString());
    ExpectSaved(c.rel, WithText(Content(AsMade(c.rel)), c.from, c.to), false);
  }
}

// A text resource opened by its "vfs://" path is saved where it lies (a catalog).
TEST_F(RoundTrip, ATextResourceOpenedByItsVfsPathIsSavedWhereItLies) {
  const QString rel = "04.cat::t\\440003.xml";
  const QByteArray expected =
      WithText(Content(AsMade(rel)), ">Escort the Big Ship<", ">Escort the Small Ship<");
  const Report r = Run({"-xml", "vfs://t\\440003.xml"}, "",
                       "wait frmTRE 440003.xml\nselect frmTRE.PageView 300\nactivate frmTRE.TextView 12\n"
                       "wait frmStringEdit\ntype frmStringEdit.TextEdit Escort the Small Ship\n"
                       "press frmStringEdit btnOK\npress frmTRE save\nwait frmCATDialog\npress frmCATDialog btnOK\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 1) << r.Text();
  ExpectSaved(rel, expected, false);
}

// ---- where a save goes ------------------------------------------------------------

// The ship table export proposes a file of its own beside the type file; taking the
// proposal writes the table there and leaves the type file as it was.
TEST_F(RoundTrip, TheShipExportTakenAsProposedLeavesTheTypeFileWhole) {
  const QString rel = "types/TShips.txt";
  const Report r = Run({"-tfile", Here(rel)}, "keep file\n",
                       "wait frmTXTEditor " + Here(rel) + "\npress frmTXTEditor mnuSave_export\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  const QRegularExpressionMatch proposal = QRegularExpression("\\[ShowSave\\] [^:]*: (.*) \\(flags").match(r.err);
  ASSERT_TRUE(proposal.hasMatch()) << r.Text();
  const QString target = proposal.captured(1);
  EXPECT_NE(QFileInfo(target).absoluteFilePath(), QFileInfo(Here(rel)).absoluteFilePath()) << r.Text();
  EXPECT_TRUE(Content(target).startsWith("TShips file ")) << target.toStdString();
  ExpectSaved(rel, Content(AsMade(rel)), false);  // not even the remark line is written anew
}

// A type file reached through a link is saved through it: the link stays a link and
// the file it names takes the edit.
TEST_F(RoundTrip, ASaveThroughALinkWritesTheFileItNames) {
  const QString rel = "types/TLaser.txt";
  QDir().mkpath(Scratch("elsewhere"));
  const QString target = Scratch("elsewhere/TLaser.txt");
  ASSERT_TRUE(QFile::rename(Here(rel), target));
  ASSERT_TRUE(QFile::link(target, Here(rel)));
  const QByteArray expected = WithField(Content(AsMade(rel)), 3, 8, "45");
  const Report r = Run({"-tfile", Here(rel)}, "keep file\n",
                       "wait frmTXTEditor " + Here(rel) + "\npress frmTXTEditor chkSort\n"
                       "select frmTXTEditor.ObjectView #1\nchoose frmTXTEditor.MainTab Raw data\n"
                       "activate frmTXTEditor.ObjectDataView #8\nwait frmEdit\ntype frmEdit.cmbValue 45\n"
                       "press frmEdit btnOK\npress frmTXTEditor save\n");
  ExpectCleanEnd(r);
  EXPECT_FALSE(r.err.contains("kz-input")) << r.Text();
  EXPECT_EQ(r.Boxes(), 1) << r.Text();
  EXPECT_TRUE(QFileInfo(Here(rel)).isSymLink());
  EXPECT_EQ(QFileInfo(Here(rel)).symLinkTarget(), target);
  ExpectSaved(rel, expected, true);
}

}  // namespace
