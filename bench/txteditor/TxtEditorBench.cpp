// The type-file editor window on files of 50,000 and 200,000 records (about 8 and 45 MB):
// opening it (parse, list and the window's paint, to idle) against parsing alone, the
// process's memory at its highest during an open, and a find over the whole list. Both
// the parse and the open let go of what they made outside the timing.
//
// Counters of BM_OpenInWindow: "bytes" the file size; "peak_x" the process's resident
// memory at its highest during the open, as a multiple of the file size; "added_x" that
// peak less the memory resident before the open. The open is timed and watched until
// the program is idle: until a pass of the event loop has no event left to deliver
// (the list's layout, its zero timers and its paint included).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
int64_t StatusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.compare(0, key.size(), key) == 0) return std::atoll(line.c_str() + key.size()) * 1024;
  return 0;
}

// Starts a new high-water mark of the resident memory at what is resident now.
void ResetPeak() {
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

// Counts the events the application delivers.
class EventCounter : public QObject {
 public:
  long count = 0;
  bool eventFilter(QObject*, QEvent*) override {
    ++count;
    return false;
  }
};

// Runs the event loop until a pass of it delivers no event: the program is idle.
void ToIdle() {
  EventCounter counter;
  QApplication::instance()->installEventFilter(&counter);
  for (int pass = 0; pass < 1000; ++pass) {
    const long before = counter.count;
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (counter.count == before) break;
  }
  QApplication::instance()->removeEventFilter(&counter);
}

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
  std::map<int, std::string> files;  // by record count
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
    files[kRecords] = file;
    // 200,000 records of about 225 bytes: 45 MB.
    const std::string large = (dir / "TLaserLarge.txt").string();
    std::ofstream big(large, std::ios::binary);
    big << "3;200000;\r\n";
    for (int r = 0; r < 200000; ++r) {
      big << "objects\\weapons\\lasers\\mounted\\laser_body_main_" << r << ";";
      for (int i = 1; i < 22; ++i)
        big << (i % 4 == 2 ? std::to_string(r + i) + ".125" : std::to_string(r * 3 + i * 1000)) << ";";
      big << "SS_LASER_" << r << ";\r\n";
    }
    files[200000] = large;
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
  const int records = static_cast<int>(state.range(0));
  const std::string& path = env.files[records];
  for (auto _ : state) {
    auto parser = std::make_unique<clsTxtParser>();
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    bool ok = parser->Load(h, 3);
    RuDU_CloseFile(h);
    if (!ok || parser->Count() != records) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(parser->Count());
    // Let go of untimed, as the window open lets go of its window.
    state.PauseTiming();
    parser.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ParseOnly)->Arg(kRecords)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_OpenInWindow(benchmark::State& state) {
  Env& env = E();
  const int records = static_cast<int>(state.range(0));
  const std::string& path = env.files[records];
  const double size = double(std::filesystem::file_size(path));
  double peakX = 0, addedX = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto* w = new frmTXTEditor;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    ToIdle();
    const int64_t before = StatusBytes("VmRSS");
    ResetPeak();
    state.ResumeTiming();
    w->OpenFile(path);
    ToIdle();  // the list's layout and paint
    state.PauseTiming();
    const int64_t peak = StatusBytes("VmHWM");
    peakX = double(peak) / size;
    addedX = double(peak - before) / size;
    if (w->ObjectView == nullptr || w->Parser()->Count() != records) state.SkipWithError("open failed");
    w->Parser()->FileName.clear();
    delete w;
    ToIdle();
    state.ResumeTiming();
  }
  state.counters["bytes"] = size;
  state.counters["peak_x"] = peakX;
  state.counters["added_x"] = addedX;
}
BENCHMARK(BM_OpenInWindow)->Arg(kRecords)->Arg(200000)->Unit(benchmark::kMillisecond);

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
