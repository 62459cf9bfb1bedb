// The file services' speed: building the virtual file system (20 catalogs of 5,000
// entries and 10,000 plain files, and the same at ten times that: 50,000 entries a
// catalog and 100,000 files) against a plain pass over the same index files and
// folders (the index lines counted, or each entry's name, size and offset found); finding
// one file among the entries; reading a 20 MB packed file against
// zlib inflating the same bytes.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "rudu/CatalogIndex.h"
#include "rudu/rudu.h"
#include "zuzer/zuzer.h"

namespace {

namespace fs = std::filesystem;

void WriteRaw(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Fixture {
  std::string root;
  std::string packedPath;
  std::string packedBytes;
  size_t plainSize = 0;

  // scale 1: 5,000 entries a catalog and 100 files a folder; scale n: n times both.
  explicit Fixture(int scale) {
    root = (fs::temp_directory_path() / ("kz-bench-" + std::to_string(::getpid()) + "-x" + std::to_string(scale))).string();
    fs::remove_all(root);
    fs::create_directories(root);
    const char* folders[] = {"types", "t", "objects\\v", "objects\\cut", "maps", "textures", "dds"};
    for (int c = 1; c <= 20; ++c) {
      char name[16];
      std::snprintf(name, sizeof name, "%02d", c);
      std::string index = std::string(name) + ".dat\n", data;
      for (int e = 0; e < 5000 * scale; ++e) {
        char line[96];
        std::snprintf(line, sizeof line, "%s\\c%02d\\e%05d.txt", folders[e % 7], c, e);
        std::string bytes = std::to_string(e);
        index += std::string(line) + " " + std::to_string(bytes.size()) + "\n";
        data += bytes;
      }
      WriteRaw(root + "/" + name + ".cat", index);
      WriteRaw(root + "/" + name + ".dat", data);
    }
    for (int d = 0; d < 100; ++d) {
      std::string folder = root + "/objects/p" + std::to_string(d);
      fs::create_directories(folder);
      for (int f = 0; f < 100 * scale; ++f) WriteRaw(folder + "/f" + std::to_string(f) + ".bod", "x");
    }
    // 20 MB of type-file-like text, packed.
    std::string plain;
    plain.reserve(21 << 20);
    uint32_t seed = 1;
    while (plain.size() < (20u << 20)) {
      seed = seed * 1103515245u + 12345u;
      plain += "lasers\\laser_" + std::to_string(seed % 977) + ";0;" + std::to_string(seed >> 8) + ";0.000000;" +
               std::to_string((seed >> 4) % 5000) + ";SS_LASER_" + std::to_string(seed % 131) + ";\r\n";
    }
    plainSize = plain.size();
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    packedBytes.resize(deflateBound(&z, plain.size()));
    z.next_in = reinterpret_cast<Bytef*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(packedBytes.data());
    z.avail_out = static_cast<uInt>(packedBytes.size());
    deflate(&z, Z_FINISH);
    packedBytes.resize(packedBytes.size() - z.avail_out);
    deflateEnd(&z);
    packedPath = root + "/big.pck";
    WriteRaw(packedPath, packedBytes);
    for (const char* f : {"types\\*", "t\\*", "dds\\*", "textures\\*", "objects\\*", "maps\\*"}) ZuZER_AddVFSFilter(f);
  }
  ~Fixture() { fs::remove_all(root); }
};

Fixture& F(int scale = 1) {
  static std::map<int, std::unique_ptr<Fixture>> made;
  std::unique_ptr<Fixture>& f = made[scale];
  if (!f) f = std::make_unique<Fixture>(scale);
  return *f;
}

// The process's minor page faults so far (a fresh page the kernel clears and maps).
long MinorFaults() {
  struct rusage u;
  ::getrusage(RUSAGE_SELF, &u);
  return u.ru_minflt;
}

// Page faults a run, beside the times: fresh memory costs the kernel a fault and a
// clearing pass for every page, on whichever thread touches it first.
struct FaultCount {
  benchmark::State& state;
  long start = MinorFaults();
  explicit FaultCount(benchmark::State& s) : state(s) {}
  ~FaultCount() {
    state.counters["faults"] =
        benchmark::Counter(static_cast<double>(MinorFaults() - start), benchmark::Counter::kAvgIterations);
  }
};

size_t Walk(const std::string& folder) {
  size_t n = 0;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return 0;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    ++n;
    if (e->d_type == DT_DIR) n += Walk(folder + "/" + e->d_name);
  }
  ::closedir(d);
  return n;
}

// Reads catalog c's index file whole into buf; the bytes read.
ssize_t ReadIndex(const std::string& root, int c, std::vector<char>& buf) {
  char name[16];
  std::snprintf(name, sizeof name, "/%02d.cat", c);
  int fd = ::open((root + name).c_str(), O_RDONLY);
  struct stat st;
  ::fstat(fd, &st);
  buf.resize(static_cast<size_t>(st.st_size));
  const ssize_t got = ::read(fd, buf.data(), buf.size());
  ::close(fd);
  return got;
}

// The plain pass: read every index file and count its lines, list every folder.
void BM_PlainPassOverIndexesAndFolders(benchmark::State& state) {
  Fixture& f = F(static_cast<int>(state.range(0)));
  std::vector<char> buf;
  FaultCount faults(state);
  for (auto _ : state) {
    size_t lines = 0;
    for (int c = 1; c <= 20; ++c) {
      const ssize_t got = ReadIndex(f.root, c, buf);
      for (ssize_t i = 0; i < got; ++i) lines += buf[static_cast<size_t>(i)] == '\n';
    }
    benchmark::DoNotOptimize(lines + Walk(f.root));
  }
}
// The file system is built on several threads: the CPU column counts all of them.
// Each run takes a few seconds, so that a build at ten times the entries (a good part
// of a second on a busy machine) is timed over more than one or two builds, the first
// of them paging in the memory that later builds are given back.
BENCHMARK(BM_PlainPassOverIndexesAndFolders)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(3);

// The plain pass with what the build must find besides: each catalog's data file looked
// at (its size bounds the entries), and on each line after the first the entry's name
// (up to its last blank), its size (the digits after it) and its offset (the sizes
// before it); a line that is not a name, a blank and digits ends the pass over its
// index. Folders are listed as above.
void BM_PlainPassOverEntriesAndFolders(benchmark::State& state) {
  Fixture& f = F(static_cast<int>(state.range(0)));
  std::vector<char> buf;
  FaultCount faults(state);
  for (auto _ : state) {
    uint64_t found = 0;
    for (int c = 1; c <= 20; ++c) {
      const ssize_t got = ReadIndex(f.root, c, buf);
      char name[16];
      std::snprintf(name, sizeof name, "/%02d.dat", c);
      struct stat data;
      if (::stat((f.root + name).c_str(), &data) != 0) state.SkipWithError("no data file");
      const char* p = buf.data();
      const char* const end = p + (got > 0 ? got : 0);
      const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      uint64_t offset = 0;
      while (nl && nl + 1 < end) {
        p = nl + 1;
        nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char* blank = static_cast<const char*>(::memrchr(p, ' ', static_cast<size_t>(lineEnd - p)));
        if (!blank || blank + 1 == lineEnd) break;
        uint64_t size = 0;
        for (const char* d = blank + 1; d < lineEnd; ++d) size = size * 10 + static_cast<uint64_t>(*d - '0');
        found += static_cast<uint64_t>(blank - p) ^ offset;
        offset += size;
      }
      found += offset <= static_cast<uint64_t>(data.st_size);
    }
    benchmark::DoNotOptimize(found + Walk(f.root));
  }
}
// Timed as the plain pass above.
BENCHMARK(BM_PlainPassOverEntriesAndFolders)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(3);

void BM_CreateVfsColdIndexes(benchmark::State& state) {
  Fixture& f = F(static_cast<int>(state.range(0)));
  FaultCount faults(state);
  for (auto _ : state) {
    rudu::CatalogIndex::ClearCache();
    if (!ZuZER_CreateVFS(f.root.c_str())) state.SkipWithError("CreateVFS failed");
  }
}
BENCHMARK(BM_CreateVfsColdIndexes)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->MinTime(3);

void BM_CreateVfsCachedIndexes(benchmark::State& state) {
  Fixture& f = F();
  ZuZER_CreateVFS(f.root.c_str());
  for (auto _ : state)
    if (!ZuZER_CreateVFS(f.root.c_str())) state.SkipWithError("CreateVFS failed");
}
BENCHMARK(BM_CreateVfsCachedIndexes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void FindOne(benchmark::State& state, const char* pattern) {
  Fixture& f = F();
  ZuZER_CreateVFS(f.root.c_str());
  ZuZERFindData fd{};
  for (auto _ : state) {
    int32_t h = ZuZER_FindFirstFile(pattern, &fd);
    if (h == 0) state.SkipWithError("not found");
    ZuZER_FindClose(h);
  }
}
void BM_FindOneByFullName(benchmark::State& state) { FindOne(state, "objects\\v\\c07\\e01234.txt"); }
void BM_FindOneWithoutExtension(benchmark::State& state) { FindOne(state, "TYPES\\c13\\e04907"); }
BENCHMARK(BM_FindOneByFullName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindOneWithoutExtension)->Unit(benchmark::kMicrosecond);

void BM_ZlibInflate20MB(benchmark::State& state) {
  Fixture& f = F();
  std::vector<unsigned char> out(f.plainSize);
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, 15 + 16);
    z.next_in = reinterpret_cast<Bytef*>(f.packedBytes.data());
    z.avail_in = static_cast<uInt>(f.packedBytes.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.plainSize));
}
BENCHMARK(BM_ZlibInflate20MB)->Unit(benchmark::kMillisecond);

void BM_RuduReadPacked20MB(benchmark::State& state) {
  Fixture& f = F();
  std::vector<char> out(f.plainSize);
  for (auto _ : state) {
    int32_t h = RuDU_OpenFile(f.packedPath.c_str(), 0, 0, 0);
    int32_t size = RuDU_FileSize(h);
    if (size != static_cast<int32_t>(f.plainSize) || RuDU_ReadFile(h, out.data(), size) != size)
      state.SkipWithError("read failed");
    RuDU_CloseFile(h);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.plainSize));
}
BENCHMARK(BM_RuduReadPacked20MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
