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
    EXPECT_EQ(LineDiff(typeFile ? WithSavedRemark(rel, expected, saved) : expected, saved), "") << rel.toStdString();
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

}  // namespace
