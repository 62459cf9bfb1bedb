// The text resource editor window on large files: filling the string list of a page of
// 100,000 strings against a bulk insert of the same rows into a list widget and against
// a page of 10,000; opening a file of 100 pages of 1,000 strings against a parse of it
// plus a bulk insert of its first page; a find over 100,000 rows; one delete; and the
// memory the rows take for a file whose references expand each text 100-fold.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QTableView>
#include <QTreeWidget>

#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "textres/TRE.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"

namespace {

std::string StringsFile(int pages, int strings, const std::string& text) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"44\">\r\n";
  for (int p = 1; p <= pages; ++p) {
    x += "  <page id=\"" + std::to_string(p) + "\" title=\"Page " + std::to_string(p) + "\" descr=\"\" voice=\"0\">\r\n";
    for (int s = 1; s <= strings; ++s)
      x += "    <t id=\"" + std::to_string(s) + "\">" + text + " " + std::to_string(s) + "</t>\r\n";
    x += "  </page>\r\n";
  }
  return x + "</language>\r\n";
}

struct Env {
  std::filesystem::path dir;
  std::string big, small, paged, expanding;
  std::unique_ptr<QApplication> app;
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    dir = std::filesystem::temp_directory_path() / ("kz-textres-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "reg");
    ::setenv("KZ_REGISTRY_DIR", (dir / "reg").c_str(), 1);
    static int argc = 1;
    static char arg0[] = "textres_bench";
    static char* argv[] = {arg0, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    platform::Ui::SetInstance(ui);
    mdlKzConst::InitArrays();
    Settings = std::make_shared<clsSettings>();
    DescServer = std::make_shared<clsDescServer>();
    big = Write("440001.xml", StringsFile(1, 100000, "A string of the game with a few words"));
    small = Write("440002.xml", StringsFile(1, 10000, "A string of the game with a few words"));
    paged = Write("440003.xml", StringsFile(100, 1000, "A string of the game with a few words"));
    // String 1 is 300 bytes; every other string is "{1}", 100 times as long processed.
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"44\">\r\n<page id=\"1\">\r\n"
                    "<t id=\"1\">" + std::string(300, 'x') + "</t>\r\n";
    for (int s = 2; s <= 20000; ++s) x += "<t id=\"" + std::to_string(s) + "\">{1}</t>\r\n";
    expanding = Write("440004.xml", x + "</page>\r\n</language>\r\n");
  }
  std::string Write(const std::string& name, const std::string& content) {
    std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  ~Env() { std::filesystem::remove_all(dir); }
};

// Made at first use and ended by main() before the process's exit handlers run, so
// that the application and its windows go while Qt is whole.
Env*& EnvSlot() {
  static Env* env = nullptr;
  return env;
}
Env& E() {
  if (!EnvSlot()) EnvSlot() = new Env;
  return *EnvSlot();
}

// A window with a file open, the string list of its first page filled.
std::unique_ptr<frmTRE> Opened(const std::string& path) {
  auto w = std::make_unique<frmTRE>();
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  w->OpenFile(path);
  QApplication::processEvents();
  return w;
}

void FillStrings(benchmark::State& state, const std::string& path, int expected) {
  auto w = Opened(path);
  clsTRESession& s = w->Session();
  const int32_t page = s.CurrentPage();
  for (auto _ : state) {
    s.FillStringList(page, false);
    QApplication::processEvents();  // the view lays out and paints what it shows
    if (w->TextView->model()->rowCount() != expected) state.SkipWithError("wrong row count");
  }
  state.counters["rows"] = expected;
}

void BM_FillStringList100k(benchmark::State& state) { FillStrings(state, E().big, 100000); }
BENCHMARK(BM_FillStringList100k)->Unit(benchmark::kMillisecond);

void BM_FillStringList10k(benchmark::State& state) { FillStrings(state, E().small, 10000); }
BENCHMARK(BM_FillStringList10k)->Unit(benchmark::kMillisecond);

// The rows as texts, already read, inserted into a list widget in one call.
std::vector<QTreeWidgetItem*> Items(const clsTRERows& rows) {
  std::vector<QTreeWidgetItem*> items;
  items.reserve(static_cast<size_t>(rows.Count()));
  for (int32_t i = 0; i < rows.Count(); ++i) {
    std::string t = rows.Text(i);
    items.push_back(new QTreeWidgetItem(QStringList{QString::number(rows.Id(i)), QString::fromUtf8(t.data(), t.size())}));
  }
  return items;
}

void BulkInsert(benchmark::State& state, const clsTRERows& rows) {
  QTreeWidget list;
  list.setColumnCount(2);
  list.setUniformRowHeights(true);
  list.show();
  for (auto _ : state) {
    state.PauseTiming();
    list.clear();
    std::vector<QTreeWidgetItem*> items = Items(rows);
    QList<QTreeWidgetItem*> batch(items.begin(), items.end());
    QApplication::processEvents();
    state.ResumeTiming();
    list.addTopLevelItems(batch);
    QApplication::processEvents();
  }
}

void BM_BulkInsertBaseline100k(benchmark::State& state) {
  auto w = Opened(E().big);
  BulkInsert(state, w->Session().Rows(tre::kStringList));
}
BENCHMARK(BM_BulkInsertBaseline100k)->Unit(benchmark::kMillisecond);

// Open into a new window: the file loaded, the page list and the first page's string
// list filled and shown.
void BM_OpenPagedFile(benchmark::State& state) {
  Env& env = E();
  for (auto _ : state) {
    state.PauseTiming();
    auto w = std::make_unique<frmTRE>();
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    QApplication::processEvents();
    state.ResumeTiming();
    w->OpenFile(env.paged);
    QApplication::processEvents();
    state.PauseTiming();
    if (w->PageView->model()->rowCount() != 100 || w->TextView->model()->rowCount() != 1000)
      state.SkipWithError("open failed");
    w.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenPagedFile)->Unit(benchmark::kMillisecond);

// The floor for the open: a parse of the file with the XML parser plus a bulk insert of
// the first page's rows.
void BM_ParsePlusBulkInsertBaseline(benchmark::State& state) {
  auto w = Opened(E().paged);
  std::vector<QTreeWidgetItem*> prototype = Items(w->Session().Rows(tre::kStringList));
  QTreeWidget list;
  list.setColumnCount(2);
  list.show();
  for (auto _ : state) {
    state.PauseTiming();
    list.clear();
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* p : prototype) items.push_back(p->clone());
    QList<QTreeWidgetItem*> batch(items.begin(), items.end());
    state.ResumeTiming();
    pugi::xml_document doc;
    if (!doc.load_file(E().paged.c_str())) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(doc.first_child());
    list.addTopLevelItems(batch);
    QApplication::processEvents();
  }
  for (QTreeWidgetItem* p : prototype) delete p;
}
BENCHMARK(BM_ParsePlusBulkInsertBaseline)->Unit(benchmark::kMillisecond);

// The parts of the open: the library's load of the file alone, and the XML parse alone.
void BM_LibraryLoadPagedFile(benchmark::State& state) {
  Env& env = E();
  clsDescServer server;
  for (auto _ : state) {
    int32_t doc = server.OpenFile(env.paged);
    if (!doc) state.SkipWithError("load failed");
    state.PauseTiming();
    Kz_DeleteHandle(0, doc);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LibraryLoadPagedFile)->Unit(benchmark::kMillisecond);

void BM_ParsePagedFile(benchmark::State& state) {
  Env& env = E();
  for (auto _ : state) {
    pugi::xml_document doc;
    if (!doc.load_file(env.paged.c_str())) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(doc.first_child());
  }
}
BENCHMARK(BM_ParsePagedFile)->Unit(benchmark::kMillisecond);

void BM_FindNextOver100k(benchmark::State& state) {
  auto w = Opened(E().big);
  clsTRESession& s = w->Session();
  s.SetFindTarget(tre::kStringList);
  for (auto _ : state) {
    state.PauseTiming();
    s.SelectStringItem(0);
    state.ResumeTiming();
    int32_t tag = 0;
    // No row matches: the search walks every row.
    if (s.FindNextItem(false, false, "no such words", tag)) state.SkipWithError("found");
  }
}
BENCHMARK(BM_FindNextOver100k)->Unit(benchmark::kMillisecond);

// A string of the middle row deleted, then (with `repaint`) the visible rows repainted.
void DeleteOneOf100k(benchmark::State& state, bool repaint) {
  auto w = Opened(E().big);
  clsTRESession& s = w->Session();
  for (auto _ : state) {
    state.PauseTiming();
    s.SelectStringItem(s.Rows(tre::kStringList).Count() / 2);
    E().ui->PushMsgBox(platform::vbYes);
    state.ResumeTiming();
    s.DeleteString();
    if (repaint) QApplication::processEvents();
  }
  if (repaint) state.counters["rows_left"] = s.Rows(tre::kStringList).Count();
  s.SetModified(false);
}

void BM_DeleteOneOf100k(benchmark::State& state) { DeleteOneOf100k(state, true); }
BENCHMARK(BM_DeleteOneOf100k)->Unit(benchmark::kMicrosecond);

// The same without the repaint of the visible rows that follows.
void BM_DeleteOneOf100kWithoutRepaint(benchmark::State& state) { DeleteOneOf100k(state, false); }
BENCHMARK(BM_DeleteOneOf100kWithoutRepaint)->Unit(benchmark::kMicrosecond);

// The library's own part of a delete.
void BM_LibraryDeleteOneOf100k(benchmark::State& state) {
  auto w = Opened(E().big);
  clsTRESession& s = w->Session();
  const int32_t page = s.CurrentPage();
  std::vector<int32_t> handles(100000);
  int32_t n = 0;
  Kz_EnumObjects(page, handles.data(), 100000, &n);
  size_t at = 1000;
  for (auto _ : state) {
    if (!Kz_DeleteHandle(page, handles[at++])) state.SkipWithError("delete failed");
  }
}
BENCHMARK(BM_LibraryDeleteOneOf100k)->Unit(benchmark::kMicrosecond);

void BM_ExpandedFileMemory(benchmark::State& state) {
  auto w = Opened(E().expanding);
  w->chkRawtext->setChecked(true);  // processed texts: 100 times the raw ones
  const clsTRERows& rows = w->Session().Rows(tre::kStringList);
  for (auto _ : state) {
    w->Session().FillStringList(w->Session().CurrentPage(), false);
    QApplication::processEvents();
  }
  const double fileSize = static_cast<double>(std::filesystem::file_size(E().expanding));
  state.counters["file_bytes"] = fileSize;
  state.counters["rows_bytes"] = static_cast<double>(rows.MemoryUse());
  state.counters["ratio"] = static_cast<double>(rows.MemoryUse()) / fileSize;
  state.counters["shown_text_bytes"] = static_cast<double>(rows.Text(1).size());
}
BENCHMARK(BM_ExpandedFileMemory)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete EnvSlot();
  return 0;
}
