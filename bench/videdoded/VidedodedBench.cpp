// Speed of the tokenizer, the writer, the text resource loader and the XML cursor,
// each against the bare work on the same bytes in the same run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>
#include <filesystem>
#include <pugixml.hpp>
#include <random>
#include <string>
#include <unistd.h>

#include "../common/PlainReader.h"
#include "core/XMLParser.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

// About 50 MB: a header and 200,000 records of 50 fields (numbers, floats, texts).
const std::string& TypeFile() {
  static std::string s = [] {
    std::mt19937 rng(1);
    std::string out = "// Created with bench 1.0\r\n15;200000;\r\n";
    out.reserve(52u << 20);
    for (int r = 0; r < 200000; ++r) {
      for (int f = 0; f < 50; ++f) {
        switch (f % 5) {
          case 0: out += std::to_string(rng() % 100000); break;
          case 1: out += std::to_string(static_cast<int>(rng() % 2000) - 1000); break;
          case 2: out += std::to_string(rng() % 1000) + "." + std::to_string(rng() % 100); break;
          case 3: out += "SS_OBJ_" + std::to_string(rng() % 1000); break;
          default: out += std::to_string(rng() % 10); break;
        }
        out += ';';
      }
      out += "\r\n";
    }
    return out;
  }();
  return s;
}

void BM_TypeFile_MemchrFields(benchmark::State& st) {
  const std::string& b = TypeFile();
  for (auto _ : st) {
    size_t n = 0;
    const char* p = b.data();
    const char* e = p + b.size();
    while ((p = static_cast<const char*>(std::memchr(p, ';', e - p)))) {
      ++n;
      ++p;
    }
    benchmark::DoNotOptimize(n);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

std::string BenchPath(const char* name);


const std::string& TypeFilePath() {
  static std::string path = [] {
    std::string p = BenchPath("plain.txt");
    std::ofstream(p, std::ios::binary) << TypeFile();
    return p;
  }();
  return path;
}

// Two pairs on the same footing. From the file: the plain reader maps the file (its
// pages read in at once) and the tokenizer loads it through a file handle, each run.
// In memory: both are handed the same bytes already read. The CPU time of the whole
// process is measured (any thread a load starts counted).
void BM_TypeFile_PlainReaderFromFile(benchmark::State& st) {
  const std::string& path = TypeFilePath();
  size_t values = 0;
  for (auto _ : st) {
    int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info {};
    ::fstat(fd, &info);
    const size_t size = static_cast<size_t>(info.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    ::close(fd);
    values = PlainRead(static_cast<const char*>(map), static_cast<const char*>(map) + size);
    ::munmap(map, size);
  }
  st.counters["values"] = static_cast<double>(values);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * TypeFile().size()));
}

void BM_TypeFile_TokenizeFromFile(benchmark::State& st) {
  const std::string& path = TypeFilePath();
  size_t n = 0;
  for (auto _ : st) {
    int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    int32_t doc = Kz_LoadFromFile(h, 1);
    RuDU_CloseFile(h);
    Kz_Value v;
    n = 0;
    while (Kz_TXTLoadValue(doc, 0, v)) ++n;
    Kz_DeleteHandle(0, doc);
    benchmark::DoNotOptimize(n);
  }
  st.counters["values"] = static_cast<double>(n);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * TypeFile().size()));
}

void BM_TypeFile_PlainReaderInMemory(benchmark::State& st) {
  const std::string& b = TypeFile();
  size_t values = 0;
  for (auto _ : st) values = PlainRead(b.data(), b.data() + b.size());
  st.counters["values"] = static_cast<double>(values);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

void BM_TypeFile_TokenizeInMemory(benchmark::State& st) {
  const std::string& b = TypeFile();
  size_t n = 0;
  for (auto _ : st) {
    int32_t doc = Kz_LoadFromBuffer(b.data(), b.size(), 1);
    Kz_Value v;
    n = 0;
    while (Kz_TXTLoadValue(doc, 0, v)) ++n;
    Kz_DeleteHandle(0, doc);
    benchmark::DoNotOptimize(n);
  }
  st.counters["values"] = static_cast<double>(n);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

// The same, 64 values a call.
void BM_TypeFile_TokenizeBatch(benchmark::State& st) {
  const std::string& b = TypeFile();
  std::vector<Kz_Value> batch(64);
  size_t n = 0;
  for (auto _ : st) {
    int32_t doc = Kz_LoadFromBuffer(b.data(), b.size(), 1);
    n = 0;
    for (;;) {
      int32_t got = Kz_TXTLoadValues(doc, 0, batch.data(), 64);
      n += static_cast<size_t>(got);
      if (got < 64) break;
    }
    Kz_DeleteHandle(0, doc);
    benchmark::DoNotOptimize(n);
  }
  st.counters["values"] = static_cast<double>(n);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

// The load step alone (the bytes copied into the document and checked).
void BM_TypeFile_LoadOnly(benchmark::State& st) {
  const std::string& b = TypeFile();
  for (auto _ : st) {
    int32_t doc = Kz_LoadFromBuffer(b.data(), b.size(), 1);
    Kz_DeleteHandle(0, doc);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

// The values of the file, as a reader hands them to the writer.
const std::vector<std::vector<Kz_Value>>& Records() {
  static std::vector<std::vector<Kz_Value>> r = [] {
    std::vector<std::vector<Kz_Value>> out;
    const std::string& b = TypeFile();
    int32_t doc = Kz_LoadFromBuffer(b.data(), b.size(), 1);
    Kz_Value v;
    Kz_TXTLoadValue(doc, 0, v);
    Kz_TXTLoadValue(doc, 0, v);
    while (Kz_TXTGetTokenType(doc) != -1) {
      out.emplace_back();
      for (int f = 0; f < 50; ++f) {
        Kz_TXTLoadValue(doc, 0, v);
        out.back().push_back(v);
      }
    }
    Kz_DeleteHandle(0, doc);
    return out;
  }();
  return r;
}

std::string BenchPath(const char* name) {
  auto d = std::filesystem::temp_directory_path() / ("videdoded-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(d);
  return (d / name).string();
}

void BM_TypeFile_WriteBytesOnce(benchmark::State& st) {
  const std::string& b = TypeFile();
  std::string path = BenchPath("once.txt");
  for (auto _ : st) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    RuDU_WriteFile(f, b.data(), static_cast<int32_t>(b.size()));
    RuDU_CloseFile(f);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

void BM_TypeFile_WriteBytesPerLine(benchmark::State& st) {
  const std::string& b = TypeFile();
  std::string path = BenchPath("lines.txt");
  for (auto _ : st) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    size_t at = 0;
    while (at < b.size()) {
      size_t nl = b.find('\n', at);
      size_t end = nl == std::string::npos ? b.size() : nl + 1;
      RuDU_WriteFile(f, b.data() + at, static_cast<int32_t>(end - at));
      at = end;
    }
    RuDU_CloseFile(f);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

void BM_TypeFile_WriteValues(benchmark::State& st) {
  const auto& recs = Records();
  std::string path = BenchPath("values.txt");
  for (auto _ : st) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    Kz_TXTWriteFile(f, "// Created with bench 1.0\r\n");
    Kz_TXTWriteValue(f, Kz_Value::FromLong(15));
    Kz_TXTWriteValue(f, Kz_Value::FromLong(static_cast<int32_t>(recs.size())));
    Kz_TXTWriteFile(f, "\r\n");
    for (const auto& r : recs) {
      for (const auto& v : r) Kz_TXTWriteValue(f, v);
      Kz_TXTWriteFile(f, "\r\n");
    }
    RuDU_CloseFile(f);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * TypeFile().size()));
}

// The same, a record's values in one call.
void BM_TypeFile_WriteValuesBatch(benchmark::State& st) {
  const auto& recs = Records();
  std::string path = BenchPath("values-batch.txt");
  for (auto _ : st) {
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    Kz_TXTWriteFile(f, "// Created with bench 1.0\r\n");
    const Kz_Value head[2] = {Kz_Value::FromLong(15), Kz_Value::FromLong(static_cast<int32_t>(recs.size()))};
    Kz_TXTWriteValues(f, head, 2);
    Kz_TXTWriteFile(f, "\r\n");
    for (const auto& r : recs) {
      Kz_TXTWriteValues(f, r.data(), static_cast<int32_t>(r.size()));
      Kz_TXTWriteFile(f, "\r\n");
    }
    RuDU_CloseFile(f);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * TypeFile().size()));
}

// 200,000 strings on 200 pages, a tenth of them with a reference.
const std::string& TextResource() {
  static std::string s = [] {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n";
    for (int p = 1; p <= 200; ++p) {
      out += "<page id=\"" + std::to_string(p) + "\" title=\"Page " + std::to_string(p) + "\" descr=\"\" voice=\"0\">\n";
      for (int i = 1; i <= 1000; ++i) {
        out += "<t id=\"" + std::to_string(i) + "\">";
        if (i % 10 == 0)
          out += "Name of {" + std::to_string(i - 1) + "} with \\n a line end";
        else
          out += "Object name number " + std::to_string(i) + " &amp; more text";
        out += "</t>\n";
      }
      out += "</page>\n";
    }
    out += "</language>\n";
    return out;
  }();
  return s;
}

// A plain DOM parse of the same bytes: the floor the XML readers are compared with.
void PugixmlParse(benchmark::State& st, const std::string& b) {
  for (auto _ : st) {
    pugi::xml_document d;
    d.load_buffer(b.data(), b.size(), pugi::parse_default, pugi::encoding_utf8);
    benchmark::DoNotOptimize(d.first_child());
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

void BM_TextResource_Pugixml(benchmark::State& st) { PugixmlParse(st, TextResource()); }

void BM_TextResource_LoadAndResolve(benchmark::State& st) {
  const std::string& b = TextResource();
  for (auto _ : st) {
    Kz_TREDescServerUnload();
    Kz_TREDescServerLoadBuffer(b.data(), b.size());
    Kz_TREDescServerTranslateStrings();
  }
  Kz_TREDescServerUnload();
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

// About 20 MB of universe-map-like XML.
const std::string& MapXml() {
  static std::string s = [] {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe>\n";
    int n = 0;
    while (out.size() < (20u << 20)) {
      out += "<o f=\"1\" x=\"" + std::to_string(n % 20) + "\" y=\"" + std::to_string(n / 20) +
             "\" r=\"0\" size=\"1000000\" m=\"0\" p=\"-1\" qtrade=\"1\" qfight=\"1\" t=\"1\">\n";
      for (int k = 0; k < 20; ++k)
        out += "  <o t=\"" + std::to_string(k % 17) + "\" s=\"" + std::to_string(k) + "\" x=\"" +
               std::to_string(k * 1000) + "\" y=\"0\" z=\"-5000\" a=\"0\" b=\"0\" g=\"0\"/>\n";
      out += "</o>\n";
      ++n;
    }
    out += "</universe>\n";
    return out;
  }();
  return s;
}

void BM_Xml_Pugixml(benchmark::State& st) { PugixmlParse(st, MapXml()); }

void BM_Xml_CursorOpen(benchmark::State& st) {
  const std::string& b = MapXml();
  for (auto _ : st) {
    clsXMLParser x;
    x.LoadText(b);
    benchmark::DoNotOptimize(x.HasCurrentNode());
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

void BM_Xml_CursorOpenFile(benchmark::State& st) {
  const std::string& b = MapXml();
  std::string path = BenchPath("map.xml");
  Kz_EncodeXMLFile(path, b, 1);
  for (auto _ : st) {
    clsXMLParser x;
    x.OpenFile(path);
    benchmark::DoNotOptimize(x.HasCurrentNode());
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * b.size()));
}

}  // namespace

BENCHMARK(BM_TypeFile_MemchrFields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeFile_PlainReaderFromFile)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_TokenizeFromFile)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_PlainReaderInMemory)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_TokenizeInMemory)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_TokenizeBatch)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_LoadOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_TypeFile_WriteBytesOnce)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeFile_WriteBytesPerLine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeFile_WriteValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeFile_WriteValuesBatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextResource_Pugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextResource_LoadAndResolve)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xml_Pugixml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xml_CursorOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Xml_CursorOpenFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
