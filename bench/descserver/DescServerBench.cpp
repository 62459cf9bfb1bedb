// The description server over a data folder of 50 text resource files of 4,000 strings
// each, loaded through the virtual file system and resolved (and then read whole), against
// the text-resource reader alone over the same files; the archive's cached GetFile;
// GetStringDirect.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "rudu/rudu.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"
#include "zuzer/zuzer.h"

namespace {

constexpr int kFiles = 50;
constexpr int kPagesPerFile = 4;
constexpr int kStringsPerPage = 1000;

struct Folder {
  std::string root;
  std::vector<std::string> files;  // as the server lists them
  Folder() {
    char tmpl[] = "/tmp/kz-bench-desc-XXXXXX";
    root = ::mkdtemp(tmpl);
    std::filesystem::create_directories(root + "/t");
    std::filesystem::create_directories(root + "/types");
    for (int f = 0; f < kFiles; ++f) {
      char name[32];
      std::snprintf(name, sizeof name, "t/44%04d.xml", f + 1);
      std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n";
      for (int p = 0; p < kPagesPerFile; ++p) {
        int page = 100 + f * kPagesPerFile + p;
        x += "  <page id=\"" + std::to_string(page) + "\" title=\"Page\" descr=\"\" voice=\"0\">\n";
        for (int s = 1; s <= kStringsPerPage; ++s) {
          x += "    <t id=\"" + std::to_string(s) + "\">";
          if (s % 10 == 0)
            x += "Reference to {" + std::to_string(s - 1) + "} and {17," + std::to_string(s) + "}";
          else
            x += "Object name number " + std::to_string(s) + " of page " + std::to_string(page);
          x += "</t>\n";
        }
        x += "  </page>\n";
      }
      x += "</language>\n";
      std::ofstream(root + "/" + name) << x;
    }
    std::string laser = "// bench\r\n40;1;\r\n";
    for (int i = 0; i < 22; ++i) laser += "0;";
    laser += "SS_LASER;\r\n";
    std::ofstream(root + "/types/TLaser.txt") << laser;
    ZuZER_AddVFSFilter("types\\*");
    ZuZER_AddVFSFilter("t\\*");
    ZuZER_CreateVFS(root.c_str());
    mdlKzConst::InitArrays();
    clsDescServer s;
    files = s.ListResourceFiles(44);
  }
  ~Folder() { std::filesystem::remove_all(root); }
};

Folder& Data() {
  static Folder folder;
  return folder;
}

void BM_DescServerLoadResources(benchmark::State& state) {
  Data();
  clsDescServer server;
  for (auto _ : state) {
    if (!server.LoadResources(44)) state.SkipWithError(server.GetLastError().c_str());
  }
  state.counters["strings"] = kFiles * kPagesPerFile * kStringsPerPage;
}
BENCHMARK(BM_DescServerLoadResources)->Unit(benchmark::kMillisecond);

// A load and then one look-up of every string: what a start-up that names everything
// costs, with the texts that hold references worked out along the way.
void BM_DescServerLoadAndReadAll(benchmark::State& state) {
  Data();
  clsDescServer server;
  for (auto _ : state) {
    if (!server.LoadResources(44)) state.SkipWithError(server.GetLastError().c_str());
    size_t bytes = 0;
    for (int page = 100; page < 100 + kFiles * kPagesPerFile; ++page)
      for (int s = 1; s <= kStringsPerPage; ++s) bytes += server.GetStringDirect(page, s).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["strings"] = kFiles * kPagesPerFile * kStringsPerPage;
}
BENCHMARK(BM_DescServerLoadAndReadAll)->Unit(benchmark::kMillisecond);

// The reader alone: each file opened through the file driver and loaded as a document.
void BM_TextResourceReaderAlone(benchmark::State& state) {
  const auto& files = Data().files;
  for (auto _ : state) {
    for (const std::string& path : files) {
      int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
      int32_t doc = Kz_LoadFromFile(f, kKzLoadTextResource);
      RuDU_CloseFile(f);
      if (doc == 0) state.SkipWithError("load failed");
      Kz_DeleteHandle(0, doc);
    }
  }
}
BENCHMARK(BM_TextResourceReaderAlone)->Unit(benchmark::kMillisecond);

void BM_ArchiveGetFileCached(benchmark::State& state) {
  Data();
  clsArchive archive;
  if (!archive.GetFile("TLaser")) state.SkipWithError(archive.GetLastError().c_str());
  const std::string names[] = {"TLaser", "tlaser.txt", "types\\TLaser"};
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(archive.GetFile(names[i++ % 3]));
}
BENCHMARK(BM_ArchiveGetFileCached);

void BM_GetStringDirect(benchmark::State& state) {
  Data();
  clsDescServer server;
  if (!server.LoadResources(44)) state.SkipWithError(server.GetLastError().c_str());
  std::mt19937 rng(7);
  std::vector<std::pair<int32_t, int32_t>> keys(4096);
  for (auto& k : keys) k = {100 + int32_t(rng() % (kFiles * kPagesPerFile)), 1 + int32_t(rng() % kStringsPerPage)};
  size_t i = 0;
  for (auto _ : state) {
    const auto& k = keys[i++ & 4095];
    benchmark::DoNotOptimize(server.GetStringDirect(k.first, k.second));
  }
}
BENCHMARK(BM_GetStringDirect);

void BM_GetStringDirectMissing(benchmark::State& state) {
  Data();
  clsDescServer server;
  server.LoadResources(44);
  int32_t id = 0;
  for (auto _ : state) benchmark::DoNotOptimize(server.GetStringDirect(17, 900000 + (id++ & 1023)));
}
BENCHMARK(BM_GetStringDirectMissing);

}  // namespace

BENCHMARK_MAIN();
