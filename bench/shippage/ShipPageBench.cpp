// The ship page over a file of 100,000 ships, against the parser on the same file:
// building the ship collection (the page's Init), validating every ship, the list
// names the editor window asks for every record (resource name and class), and the
// table export, which is compared with the parser's own save.
//
//   bench_shippage [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "core/Common.h"
#include "core/Generic.h"
#include "core/KzConst.h"
#include "rudu.h"
#include "txteditor/model/ShipExport.h"
#include "txteditor/model/ShipFigures.h"
#include "txteditor/model/ShipValues.h"
#include "typefiles/FieldTables.h"
#include "typefiles/ShipParser.h"
#include "typefiles/ShipTables.h"
#include "typefiles/TxtParser.h"
#include "videdoded.h"

namespace {

constexpr int kShips = 100000;

std::string Folder() {
  static std::string dir = [] {
    std::string d = "/tmp/kz-bench-shippage-" + std::to_string(::getpid());
    std::string cmd = "mkdir -p '" + d + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
    return d;
  }();
  return dir;
}

// 100,000 ships: 4 turret entries (the main cockpit entry and 3 turrets), 3 gun groups
// of 2, 3 and 1 guns, names and variations from the text resources.
const std::string& ShipFilePath() {
  static std::string path = [] {
    std::string text = "// bench data\r\n30;" + std::to_string(kShips) + ";\r\n";
    for (int s = 0; s < kShips; ++s) {
      std::string line = "ships\\ship_" + std::to_string(s) + ";0;0.050000;0.040000;0.060000;" +
                         std::to_string(s % 14) + ";" + std::to_string(2000 + s % 500) + ";" +
                         std::to_string(20000 + s % 5000) + ";" + std::to_string(2500 + s % 700) + ";";
      for (int i = 9; i < 53; ++i) {
        std::string v;
        switch (i) {
          case 13: v = std::to_string(300 + s % 900); break;
          case 18: v = std::to_string(s % 32); break;
          case 19: v = "6"; break;
          case 20: v = "1500"; break;
          case 21: v = "2.500000"; break;
          case 22: v = std::to_string(s % 4); break;
          case 23: v = std::to_string(1 + s % 3); break;
          case 31: case 33: case 35: v = std::to_string(s % 3); break;
          case 32: v = "1"; break;
          case 34: v = "2"; break;
          case 36: v = "5"; break;
          case 45: v = std::to_string(1 + s % 19); break;
          case 50: v = std::to_string(s % 7); break;
          default: v = std::to_string((i * 37 + s) % 500);
        }
        line += v + ";";
      }
      line += "4;";
      for (int t = 0; t < 4; ++t)
        line += std::to_string(t + 1) + ";" + std::to_string(t) + ";turret_body_" + std::to_string(t) + ";" +
                std::to_string(t * 10) + ";";
      line += "3;";
      const int guns[3] = {2, 3, 1};
      int laser = 1;
      for (int g = 0; g < 3; ++g) {
        line += std::to_string(laser) + ";" + std::to_string(guns[g]) + ";" + std::to_string(g + 1) + ";" +
                std::to_string(guns[g]) + ";";
        for (int k = 0; k < guns[g]; ++k)
          line += std::to_string(laser + k) + ";1;lasers\\mount_" + std::to_string(k) + ";" + std::to_string(k) +
                  ";;-1;";
        laser += guns[g];
      }
      for (int i = 0; i < 9; ++i) line += std::to_string(i) + ";";
      line += "SS_SH_" + std::to_string(s) + ";\r\n";
      text += line;
    }
    std::string p = Folder() + "/TShips.txt";
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }();
  return path;
}

// Ship names, variations, classes and races in the description store.
void LoadTexts() {
  static bool done = [] {
    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n<page id=\"17\">\n";
    for (int i = 0; i < 500; ++i) x += "<t id=\"" + std::to_string(2000 + i) + "\">Ship model " + std::to_string(i) + "</t>\n";
    for (int v = 1; v < 7; ++v) x += "<t id=\"" + std::to_string(10000 + v) + "\">Variant " + std::to_string(v) + "</t>\n";
    x += "</page>\n<page id=\"1263\">\n";
    for (int c = 0; c < 14; ++c) x += "<t id=\"" + std::to_string(19301 + c) + "\">Class " + std::to_string(c) + "</t>\n";
    x += "</page>\n<page id=\"1266\">\n";
    for (int r = 1; r < 20; ++r) x += "<t id=\"" + std::to_string(r) + "\">Race " + std::to_string(r) + "</t>\n";
    x += "</page>\n</language>\n";
    Kz_TREDescServerLoadBuffer(x.data(), x.size());
    Kz_TREDescServerTranslateStrings();
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();
    kz::InitShipTables();
    return true;
  }();
  (void)done;
}

std::unique_ptr<clsTxtParser> LoadFile() {
  auto parser = std::make_unique<clsTxtParser>();
  int32_t h = RuDU_OpenFile(ShipFilePath().c_str(), 0, 0, 0);
  bool ok = parser->Load(h, 1);
  RuDU_CloseFile(h);
  if (!ok) std::abort();
  return parser;
}

// The loaded file, shared by the benchmarks that work on it.
clsTxtParser& Loaded() {
  static std::unique_ptr<clsTxtParser> p = LoadFile();
  return *p;
}

shippage::ShipSupport& Support() {
  static shippage::ShipSupport s = [] {
    LoadTexts();
    shippage::ShipSupport support;
    support.BuildLists();
    return support;
  }();
  return s;
}

// Reference: the parser's load of the file.
void BM_ParserLoad(benchmark::State& state) {
  for (auto _ : state) {
    auto p = LoadFile();
    benchmark::DoNotOptimize(p->Count());
    state.PauseTiming();
    p.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ParserLoad)->Unit(benchmark::kMillisecond);

// The page's Init: a ship collection over the loaded file.
void BM_ShipCollection(benchmark::State& state) {
  clsTxtParser& file = Loaded();
  for (auto _ : state) {
    auto ships = std::make_unique<clsShipParser>();
    if (!ships->Load(file)) state.SkipWithError(ships->GetLastError().c_str());
    state.PauseTiming();
    ships.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShipCollection)->Unit(benchmark::kMillisecond);

// Validate over all ships (the report stays empty: the file has no fault).
void BM_Validate(benchmark::State& state) {
  clsShipParser ships;
  ships.Load(Loaded());
  for (auto _ : state) {
    std::string report;
    if (!shippage::ValidationReport(ships, report)) state.SkipWithError("unexpected report");
    benchmark::DoNotOptimize(report);
  }
}
BENCHMARK(BM_Validate)->Unit(benchmark::kMillisecond);

// The list names of every record as the page gives them to the window in its "Name"
// mode: the ship found by its key number, race and display name, and the class.
void BM_ListNames(benchmark::State& state) {
  clsTxtParser& file = Loaded();
  shippage::ShipSupport& support = Support();
  clsShipParser ships;
  ships.Load(file);
  for (auto _ : state) {
    size_t total = 0;
    for (const auto& record : file.UnsortedObjects) {
      if (!ships.Find(record->id)) continue;
      std::string name, cls;
      shippage::TranslateValue(*record, shippage::kFieldRace, name, false, support);
      kz::AppendWithSep(name, shippage::ShipDisplayName(*record), " ");
      shippage::TranslateValue(*record, shippage::kFieldClass, cls, false, support);
      total += name.size() + cls.size();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ListNames)->Unit(benchmark::kMillisecond);

// Reference: the parser's save, formatted whole in memory as it does before writing.
void BM_ParserSave(benchmark::State& state) {
  clsTxtParser& file = Loaded();
  for (auto _ : state) {
    std::string out;
    if (!file.FormatFile(out)) state.SkipWithError(file.GetLastError().c_str());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ParserSave)->Unit(benchmark::kMillisecond);

// The table export of every ship, formatted whole.
void BM_TableExport(benchmark::State& state) {
  clsTxtParser& file = Loaded();
  shippage::ShipSupport& support = Support();
  for (auto _ : state) {
    std::string out, error;
    if (!shippage::FormatShipTable(file, support, out, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_TableExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
