// The type-file editor window on a file of 50,000 records: opening it (parse and list)
// against parsing alone, and a find over the whole list.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "core/KzConst.h"
#include "gamelibs/rudu/rudu.h"
#include "platform/ScriptedUi.h"
#include "txteditor/EditorPage.h"
#include "txteditor/TXTEditor.h"

namespace {

constexpr int kRecords = 50000;

// A page for laser files that names records by their IDs, as the real pages do.
class NamingPage : public EditorPage {
 public:
  using EditorPage::EditorPage;
  bool JvQueryInterfaceEx(int32_t& type) override { return type == 3; }
  std::string PageName(int32_t&) override { return "Lasers"; }
  int32_t JvQueryInfo(int32_t&) override { return 1; }
  bool Validate(std::string&) override { return true; }
  std::string ObjectTypeName(int32_t&) override { return "Laser"; }
  std::string ObjectName(TXTObjectRef& r) override { return r->ObjectName(); }
  std::string GetResourceName(TXTObjectRef& r) override { return r->ObjectName(); }
  std::string GetClass(TXTObjectRef&) override { return {}; }
  void ShowObject(TXTObjectRef&, int32_t&) override {}

 protected:
  bool DoInit(TxtParserRef&) override { return true; }
};

struct Env {
  std::filesystem::path dir;
  std::string file;
  std::unique_ptr<QApplication> app;
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "txteditor_bench";
    static char* argv[] = {arg0, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    platform::Ui::SetInstance(ui);
    dir = std::filesystem::temp_directory_path() / ("kz-txteditor-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    file = (dir / "TLaser.txt").string();
    std::ofstream out(file, std::ios::binary);
    out << "3;" << kRecords << ";\r\n";
    for (int r = 0; r < kRecords; ++r) {
      out << "body" << r << ";";
      for (int i = 1; i < 22; ++i) out << (i % 4 == 2 ? std::to_string(r + i) + ".5" : std::to_string(r * 3 + i)) << ";";
      out << "SS_LASER_" << r << ";\r\n";
    }
    frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* parent) { return new NamingPage(parent); });
  }
  ~Env() { std::filesystem::remove_all(dir); }
};

Env& E() {
  static Env env;
  return env;
}

void BM_ParseOnly(benchmark::State& state) {
  Env& env = E();
  for (auto _ : state) {
    clsTxtParser parser;
    int32_t h = RuDU_OpenFile(env.file.c_str(), 0, 0, 0);
    bool ok = parser.Load(h, 3);
    RuDU_CloseFile(h);
    if (!ok || parser.Count() != kRecords) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(parser.Count());
  }
}
BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond);

void BM_OpenInWindow(benchmark::State& state) {
  Env& env = E();
  for (auto _ : state) {
    state.PauseTiming();
    auto* w = new frmTXTEditor;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    state.ResumeTiming();
    w->OpenFile(env.file);
    state.PauseTiming();
    if (w->ObjectView == nullptr || w->Parser()->Count() != kRecords) state.SkipWithError("open failed");
    w->Parser()->FileName.clear();
    delete w;
    QApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenInWindow)->Unit(benchmark::kMillisecond);

void BM_FindOver50k(benchmark::State& state) {
  Env& env = E();
  auto* w = new frmTXTEditor;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  w->OpenFile(env.file);
  w->SetListMode(2);
  const TXTObjectRef first = w->Parser()->FindIndex(0);
  for (auto _ : state) {
    state.PauseTiming();
    w->SelectRecord(first);
    state.ResumeTiming();
    // No record matches: the search walks the whole list.
    std::string text = "SS_LASER_" + std::to_string(kRecords - 1) + "X";
    kz::Variant tag;
    bool found = false;
    w->m_find_OnFindNext(false, false, text, tag, found);
    benchmark::DoNotOptimize(found);
  }
  w->Parser()->FileName.clear();
  delete w;
}
BENCHMARK(BM_FindOver50k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
