// Loading and saving large type files through the parser, against the tokenizer and
// the writer alone on the same bytes, and the memory a loaded file takes.
//
//   bench_typefiles [--benchmark_filter=...]
// Counters: "bytes" file size; "peak_x" / "held_x" the heap at its highest during the
// load / held after it, as multiples of the file size (allocations of the loading
// thread through operator new, the tokenizer's included, plus the page pool's blocks
// (the chunks the records are made in and the collections' large tables, taken from
// the system directly): those are counted whole in both figures, as if all were taken
// at the highest point). A file of 16 MiB or more is mapped for reading, not copied:
// its pages are the system's file cache and are not counted (the window benchmark in
// bench/txteditor reports the process's resident memory, mapping included).
// Each load and save benchmark loads or saves once untimed first and reports that
// one's time as "first_ms" (and the CPU time all threads took for it as "first_cpu_ms"):
// it is the one that takes fresh memory from the system.
// The ones timed are those after it, as in an editor that has loaded and saved a file
// before: three a repetition, seven repetitions, their median reported (with the mean,
// the spread and the spread over the mean).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "core/Common.h"
#include "core/KzConst.h"
#include "GenericFile.h"
#include "rudu.h"
#include "typefiles/TxtParser.h"
#include "videdoded.h"

// ---- Heap accounting ------------------------------------------------------------------
namespace {
std::atomic<int64_t> g_current{0};
std::atomic<int64_t> g_peak{0};
void Count(int64_t delta) {
  int64_t now = g_current.fetch_add(delta, std::memory_order_relaxed) + delta;
  int64_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}
}  // namespace

void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  Count(static_cast<int64_t>(malloc_usable_size(p)));
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  Count(-static_cast<int64_t>(malloc_usable_size(p)));
  std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

std::string Folder() {
  static std::string dir = [] {
    std::string d = "/tmp/kz-bench-typefiles-" + std::to_string(::getpid());
    std::string cmd = "mkdir -p '" + d + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
    return d;
  }();
  return dir;
}

// A TLaser file of `records` records (see GenericFile.h), on disk.
std::string WriteGenericFile(int records, bool padded = false) {
    const std::string text = kzbench::GenericFileText(records, padded);
    std::string p = Folder() + "/TLaser" + std::to_string(records) + (padded ? "p" : "") + ".txt";
    std::ofstream(p, std::ios::binary) << text;
    ::sync();  // the file on disk before anything is timed: a save's commit waits for no one's writeback
    return p;
}

// 200,000 records (about 45 MB).
const std::string& GenericFilePath() {
  static std::string path = WriteGenericFile(200000);
  return path;
}

const std::string& PaddedGenericFilePath() {
  static std::string path = WriteGenericFile(200000, true);
  return path;
}

// A TShips file of 20,000 ships, each with 3 turrets and 3 gun groups of 2, 3 and 4 guns
// (padded: its floating-point values with six decimals, see WriteGenericFile).
std::string WriteShipFile(bool padded) {
    std::string text = "// Created with " + kz::GetAppTitleVersion() + "\r\n30;20000;\r\n";
    for (int s = 0; s < 20000; ++s) {
      std::string line = "ships\\ship_" + std::to_string(s) + ";";
      for (int i = 1; i < 53; ++i)
        line += (i % 6 == 2 ? std::to_string(i * 3) + (padded ? ".250000" : ".25") : std::to_string((i * s) % 9000)) + ";";
      line += "3;";
      for (int t = 0; t < 3; ++t) line += std::to_string(t) + ";" + std::to_string(2 + t) + ";0;cockpit_" + std::to_string(t) + ";";
      line += "3;";
      const int guns[3] = {2, 3, 4};
      for (int g = 0; g < 3; ++g) {
        line += "0;" + std::to_string(g + 1) + ";" + std::to_string(g) + ";" + std::to_string(guns[g]) + ";";
        for (int k = 0; k < guns[g]; ++k) line += std::to_string(k) + ";0;lasers\\mount_" + std::to_string(k) + ";0;0;0;";
      }
      for (int i = 0; i < 9; ++i) line += std::to_string(i) + ";";
      line += "SS_SH_" + std::to_string(s) + ";\r\n";
      text += line;
    }
    std::string p = Folder() + (padded ? "/TShipsPadded.txt" : "/TShips.txt");
    std::ofstream(p, std::ios::binary) << text;
    ::sync();
    return p;
}

const std::string& ShipFilePath() {
  static std::string path = WriteShipFile(false);
  return path;
}

const std::string& PaddedShipFilePath() {
  static std::string path = WriteShipFile(true);
  return path;
}

int64_t FileSize(const std::string& path) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  return static_cast<int64_t>(f.tellg());
}

// The CPU time of every thread of the process so far, in milliseconds.
double ProcessCpuMs() {
  struct timespec t {};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Runs `once` untimed and reports its time as "first_ms" and the CPU time it took, all
// threads', as "first_cpu_ms".
template <class Once>
void RunFirst(benchmark::State& state, Once&& once) {
  const double cpu = ProcessCpuMs();
  const auto start = std::chrono::steady_clock::now();
  once();
  state.counters["first_ms"] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  state.counters["first_cpu_ms"] = ProcessCpuMs() - cpu;
}

void LoadParser(benchmark::State& state, const std::string& path, int32_t type) {
  int64_t size = FileSize(path);
  double peakX = 0, heldX = 0;
  RunFirst(state, [&] {
    clsTxtParser parser;
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    if (!parser.Load(h, type)) state.SkipWithError(parser.GetLastError().c_str());
    RuDU_CloseFile(h);
  });
  for (auto _ : state) {
    int64_t base = g_current.load();
    const int64_t chunkBase = static_cast<int64_t>(clsTxtParser::RecordChunkBytes());
    g_peak.store(base);
    auto parser = std::make_unique<clsTxtParser>();
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    bool ok = parser->Load(h, type);
    RuDU_CloseFile(h);
    if (!ok) state.SkipWithError(parser->GetLastError().c_str());
    const int64_t chunks = static_cast<int64_t>(clsTxtParser::RecordChunkBytes()) - chunkBase;
    peakX = double(g_peak.load() - base + chunks) / double(size);
    heldX = double(g_current.load() - base + chunks) / double(size);
    state.PauseTiming();
    parser.reset();
    state.ResumeTiming();
  }
  state.counters["bytes"] = double(size);
  state.counters["peak_x"] = peakX;
  state.counters["held_x"] = heldX;
  state.SetBytesProcessed(state.iterations() * size);
}

// The tokenizer alone: load the document and take every value.
int64_t TokenizeOnce(const std::string& path) {
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  Kz_TXTIgnoreRemarks(0);
  int32_t doc = Kz_LoadFromFile(h, 1);
  RuDU_CloseFile(h);
  Kz_Value v;
  int64_t n = 0;
  while (Kz_TXTLoadValue(doc, 0, v)) ++n;
  Kz_DeleteHandle(0, doc);
  return n;
}

// The tokenizer alone as the parser asks it: values in batches, a plain text by its
// place in the file and its length (no copy into the value), so that the baseline does
// no work the parser is spared.
int64_t TokenizeOnceBatched(const std::string& path) {
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  Kz_TXTIgnoreRemarks(0);
  int32_t doc = Kz_LoadFromFile(h, 1);
  RuDU_CloseFile(h);
  Kz_Value batch[64];
  int64_t n = 0;
  for (int32_t got; (got = Kz_TXTLoadValues(doc, kKzValueAny | kKzValuePlaced, batch, 64)) > 0;) {
    n += got;
    if (got < 64) break;
  }
  Kz_DeleteHandle(0, doc);
  return n;
}

void LoadTokens(benchmark::State& state, const std::string& path, int64_t (*tokenize)(const std::string&) = TokenizeOnce) {
  int64_t size = FileSize(path);
  double peakX = 0;
  RunFirst(state, [&] { benchmark::DoNotOptimize(tokenize(path)); });
  for (auto _ : state) {
    int64_t base = g_current.load();
    g_peak.store(base);
    benchmark::DoNotOptimize(tokenize(path));
    peakX = double(g_peak.load() - base) / double(size);
  }
  state.counters["peak_x"] = peakX;
  state.SetBytesProcessed(state.iterations() * size);
}

void SaveParser(benchmark::State& state, const std::string& path, int32_t type) {
  clsTxtParser parser;
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  parser.Load(h, type);
  RuDU_CloseFile(h);
  std::string out = Folder() + "/saved.txt";
  auto save = [&] {
    int32_t w = RuDU_OpenFile(out.c_str(), 1, 1, 1);
    if (!parser.Save(w)) state.SkipWithError(parser.GetLastError().c_str());
    RuDU_CloseFile(w);
  };
  RunFirst(state, save);
  for (auto _ : state) save();
  state.SetBytesProcessed(state.iterations() * FileSize(path));
}

// The forming of a save alone: FormatFile into a string kept between runs (no file, no
// fresh memory).
void FormatAlone(benchmark::State& state, const std::string& path, int32_t type) {
  clsTxtParser parser;
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  parser.Load(h, type);
  RuDU_CloseFile(h);
  std::string out;
  for (auto _ : state) {
    if (!parser.FormatFile(out)) state.SkipWithError(parser.GetLastError().c_str());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
}

// The floor of a save: the bytes the parser's save writes (the file as the writer
// forms it), written once through the same driver and committed the same way.
void SaveBytesOnce(benchmark::State& state, const std::string& path, int32_t type) {
  std::string bytes;
  {
    clsTxtParser parser;
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    parser.Load(h, type);
    RuDU_CloseFile(h);
    if (!parser.FormatFile(bytes)) state.SkipWithError(parser.GetLastError().c_str());
  }
  std::string out = Folder() + "/once.txt";
  auto save = [&] {
    int32_t w = RuDU_OpenFile(out.c_str(), 1, 1, 1);
    RuDU_WriteFile(w, bytes.data(), static_cast<int32_t>(bytes.size()));
    RuDU_SetEndOfFile(w);
    RuDU_CloseFile(w);
  };
  RunFirst(state, save);
  for (auto _ : state) save();
  state.SetBytesProcessed(state.iterations() * FileSize(path));
}

// The writer alone: the same values, one Kz_TXTWriteValue each, and the line ends.
void SaveWriter(benchmark::State& state, const std::string& path) {
  // The values, as the tokenizer gives them, grouped in lines.
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  Kz_TXTIgnoreRemarks(0);
  int32_t doc = Kz_LoadFromFile(h, 1);
  RuDU_CloseFile(h);
  std::vector<std::vector<Kz_Value>> lines(1);
  Kz_Value v;
  while (Kz_TXTGetTokenType(doc) != -1) {
    Kz_TXTLoadValue(doc, 0, v);
    lines.back().push_back(v);
    if (Kz_TXTGetTokenType(doc) != 2) lines.emplace_back();
  }
  Kz_DeleteHandle(0, doc);
  std::string out = Folder() + "/written.txt";
  for (auto _ : state) {
    int32_t w = RuDU_OpenFile(out.c_str(), 1, 1, 1);
    Kz_TXTWriteFile(w, "// Created with " + kz::GetAppTitleVersion() + "\r\n");
    for (const auto& line : lines) {
      for (const auto& value : line) Kz_TXTWriteValue(w, value);
      Kz_TXTWriteFile(w, "\r\n");
    }
    RuDU_SetEndOfFile(w);
    RuDU_CloseFile(w);
  }
  state.SetBytesProcessed(state.iterations() * FileSize(path));
}

void BM_GenericLoad_Parser(benchmark::State& s) { LoadParser(s, GenericFilePath(), mdlKzConst::kTLaser); }
// The same records, 20,000 and 2,000,000 of them: the cost of a byte should not grow.
void BM_GenericLoad_Scale(benchmark::State& s) {
  const std::string path = WriteGenericFile(static_cast<int>(s.range(0)));
  LoadParser(s, path, mdlKzConst::kTLaser);
  std::remove(path.c_str());
}
void BM_GenericLoad_TokenizerAlone(benchmark::State& s) { LoadTokens(s, GenericFilePath()); }
void BM_GenericLoad_TokenizerBatched(benchmark::State& s) { LoadTokens(s, GenericFilePath(), TokenizeOnceBatched); }
void BM_GenericSave_Parser(benchmark::State& s) { SaveParser(s, GenericFilePath(), mdlKzConst::kTLaser); }
void BM_GenericSave_WriterAlone(benchmark::State& s) { SaveWriter(s, GenericFilePath()); }
void BM_GenericSave_FormatAlone(benchmark::State& s) { FormatAlone(s, GenericFilePath(), mdlKzConst::kTLaser); }
void BM_GenericSave_BytesOnce(benchmark::State& s) { SaveBytesOnce(s, GenericFilePath(), mdlKzConst::kTLaser); }
// The same records with every floating-point value padded to six decimals.
void BM_GenericLoad_Padded(benchmark::State& s) { LoadParser(s, PaddedGenericFilePath(), mdlKzConst::kTLaser); }
void BM_GenericLoad_PaddedTokenizerAlone(benchmark::State& s) { LoadTokens(s, PaddedGenericFilePath()); }
void BM_GenericSave_Padded(benchmark::State& s) { SaveParser(s, PaddedGenericFilePath(), mdlKzConst::kTLaser); }
void BM_GenericSave_PaddedBytesOnce(benchmark::State& s) { SaveBytesOnce(s, PaddedGenericFilePath(), mdlKzConst::kTLaser); }
void BM_ShipLoad_Parser(benchmark::State& s) { LoadParser(s, ShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipLoad_TokenizerAlone(benchmark::State& s) { LoadTokens(s, ShipFilePath()); }
void BM_ShipLoad_TokenizerBatched(benchmark::State& s) { LoadTokens(s, ShipFilePath(), TokenizeOnceBatched); }
void BM_ShipSave_Parser(benchmark::State& s) { SaveParser(s, ShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipSave_WriterAlone(benchmark::State& s) { SaveWriter(s, ShipFilePath()); }
void BM_ShipSave_BytesOnce(benchmark::State& s) { SaveBytesOnce(s, ShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipSave_FormatAlone(benchmark::State& s) { FormatAlone(s, ShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipLoad_Padded(benchmark::State& s) { LoadParser(s, PaddedShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipSave_Padded(benchmark::State& s) { SaveParser(s, PaddedShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipSave_PaddedBytesOnce(benchmark::State& s) { SaveBytesOnce(s, PaddedShipFilePath(), mdlKzConst::kTShips); }

}  // namespace

// ---- First loads ----------------------------------------------------------------------
// A user's first open is a load in a fresh process: each run here starts this program
// anew to load the file once (the parser, or the tokenizer taking every value) and
// reports that load's time, from the file's open to the last value, as the run's time.
// Both sides start the same way, load the same bytes and exit without letting go of
// what they made.

// In the started program: one load, its time in milliseconds on standard output.
int FirstLoadHere(const std::string& what, const std::string& path, int32_t type) {
  const auto start = std::chrono::steady_clock::now();
  if (what == "parser") {
    auto* parser = new clsTxtParser;  // left to the exit, as the tokenizer's document is
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    const bool ok = parser->Load(h, type);
    RuDU_CloseFile(h);
    if (!ok) return 1;
  } else {
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    Kz_TXTIgnoreRemarks(0);
    int32_t doc = Kz_LoadFromFile(h, 1);
    RuDU_CloseFile(h);
    Kz_Value v;
    int64_t n = 0;
    while (Kz_TXTLoadValue(doc, 0, v)) ++n;
    benchmark::DoNotOptimize(n);
  }
  std::printf("%.6f\n", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  std::fflush(stdout);
  return 0;
}

void FirstLoad(benchmark::State& state, const char* what, const std::string& path, int32_t type) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) {
    state.SkipWithError("no program path");
    return;
  }
  self[n] = 0;
  const std::string cmd = "'" + std::string(self) + "' --first-load " + what + " '" + path + "' " + std::to_string(type);
  for (auto _ : state) {
    FILE* child = ::popen(cmd.c_str(), "r");
    double ms = -1;
    if (!child || std::fscanf(child, "%lf", &ms) != 1) ms = -1;
    if (child && ::pclose(child) != 0) ms = -1;
    if (ms < 0) {
      state.SkipWithError("first load failed");
      break;
    }
    state.SetIterationTime(ms / 1000.0);
  }
  state.counters["bytes"] = double(FileSize(path));
}

void BM_GenericFirstLoad_Parser(benchmark::State& s) { FirstLoad(s, "parser", GenericFilePath(), mdlKzConst::kTLaser); }
void BM_GenericFirstLoad_TokenizerAlone(benchmark::State& s) { FirstLoad(s, "tokenizer", GenericFilePath(), 0); }
void BM_ShipFirstLoad_Parser(benchmark::State& s) { FirstLoad(s, "parser", ShipFilePath(), mdlKzConst::kTShips); }
void BM_ShipFirstLoad_TokenizerAlone(benchmark::State& s) { FirstLoad(s, "tokenizer", ShipFilePath(), 0); }

void FreshProcesses(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_GenericFirstLoad_Parser)->Apply(FreshProcesses);
BENCHMARK(BM_GenericFirstLoad_TokenizerAlone)->Apply(FreshProcesses);
BENCHMARK(BM_ShipFirstLoad_Parser)->Apply(FreshProcesses);
BENCHMARK(BM_ShipFirstLoad_TokenizerAlone)->Apply(FreshProcesses);

// A few runs a repetition and the median of several repetitions (a single series of a
// fixed few runs swings by more than the differences looked for).
void Repeated(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(7)->ReportAggregatesOnly(true);
}
// The same for a save, whose CPU time is every thread's (a large file is formed by
// several).
void RepeatedSave(benchmark::internal::Benchmark* b) { Repeated(b->MeasureProcessCPUTime()); }

BENCHMARK(BM_GenericLoad_Parser)->Apply(Repeated);
BENCHMARK(BM_GenericLoad_Scale)->Arg(20000)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenericLoad_Scale)->Arg(2000000)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenericLoad_TokenizerAlone)->Apply(Repeated);
BENCHMARK(BM_GenericLoad_TokenizerBatched)->Apply(Repeated);
BENCHMARK(BM_GenericSave_Parser)->Apply(RepeatedSave);
BENCHMARK(BM_GenericSave_WriterAlone)->Apply(RepeatedSave);
BENCHMARK(BM_GenericSave_FormatAlone)->Apply(RepeatedSave);
BENCHMARK(BM_GenericSave_BytesOnce)->Apply(RepeatedSave);
BENCHMARK(BM_GenericLoad_Padded)->Apply(Repeated);
BENCHMARK(BM_GenericLoad_PaddedTokenizerAlone)->Apply(Repeated);
BENCHMARK(BM_GenericSave_Padded)->Apply(RepeatedSave);
BENCHMARK(BM_GenericSave_PaddedBytesOnce)->Apply(RepeatedSave);
BENCHMARK(BM_ShipLoad_Parser)->Apply(Repeated);
BENCHMARK(BM_ShipLoad_TokenizerAlone)->Apply(Repeated);
BENCHMARK(BM_ShipLoad_TokenizerBatched)->Apply(Repeated);
BENCHMARK(BM_ShipSave_Parser)->Apply(RepeatedSave);
BENCHMARK(BM_ShipSave_WriterAlone)->Apply(RepeatedSave);
BENCHMARK(BM_ShipSave_BytesOnce)->Apply(RepeatedSave);
BENCHMARK(BM_ShipSave_FormatAlone)->Apply(RepeatedSave);
BENCHMARK(BM_ShipLoad_Padded)->Apply(Repeated);
BENCHMARK(BM_ShipSave_Padded)->Apply(RepeatedSave);
BENCHMARK(BM_ShipSave_PaddedBytesOnce)->Apply(RepeatedSave);

int main(int argc, char** argv) {
  // KZ_BENCH_WARM=1: freed memory stays with the process, as in an editor that has
  // loaded files before; otherwise every load also pays for fresh pages.
  if (const char* warm = std::getenv("KZ_BENCH_WARM"); warm && *warm == '1') {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
  }
  mdlKzConst::InitArrays();
  if (argc == 5 && std::string(argv[1]) == "--first-load") {
    const int code = FirstLoadHere(argv[2], argv[3], static_cast<int32_t>(std::atoi(argv[4])));
    std::_Exit(code);  // nothing let go of, nothing removed: the files are the caller's
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::string cmd = "rm -rf '" + Folder() + "'";
  return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
