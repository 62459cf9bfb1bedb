// The universe-map document on generated maps, each figure beside a baseline on the same
// file in the same run:
//   ParseFile, loading every sector  vs  pugixml parsing the file (at four sizes: a byte
//                                        should cost the same at each)
//   ParseFile                        vs  cursor open + one pass over the gates
//   loading every sector             vs  cursor open + a full walk with a bookmark per element
//   closing a loaded map             vs  freeing pugixml's document
//   memory of a loaded map           vs  pugixml's document, and the cursor's document with
//                                        a bookmark per element, each in a bare process
//   ParseFile and SaveFile           vs  pugixml loading and saving the file
//   SaveFile, all changed            vs  the cursor writing the same tree in its own layout
//                                        (BM_CursorOwnLayoutSave: the same elements formed,
//                                        the same file written; BM_CursorSave only writes
//                                        the text as read and forms nothing)
//   the elements of every object written again (the first part of the all-changed save)
//                                        vs  the same attributes compared and set in the
//                                        document alone (BM_ElementsFloor)
//   SaveFile, nothing changed        vs  the cursor writing the document as read
//   SaveFile, a few objects changed, added and deleted
//   the document's text alone (no file written): unchanged, a few and all changed
//   deleting one object in a 100,000-object map vs in a 1,000-object map
//   naming 10,000 objects against a 100,000-record type file vs 1,000 records
// Every figure counts the CPU of all threads.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/XMLParser.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "videdoded/videdoded.h"
#include "typefiles/Archive.h"
#include "zuzer/zuzer.h"

namespace {

std::filesystem::path Dir() {
  static std::filesystem::path d = [] {
    auto p = std::filesystem::temp_directory_path() / ("kz-galaxy-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p / "types");
    return p;
  }();
  return d;
}

// A map of `objects` objects: sectors of 1,000 objects each (the sector, a background,
// four gates, docks with three groups of three wares, ships and asteroids).
std::string MapFile(int objects) {
  std::filesystem::path path = Dir() / ("map" + std::to_string(objects) + ".xml");
  if (std::filesystem::exists(path)) return path.string();
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<universe xmlns=\"KZUNIVERS.xsd\">\n";
  int made = 0;
  for (int s = 0; made < objects; ++s) {
    x += "\t<o t=\"1\" s=\"0\" x=\"" + std::to_string(s % 24) + "\" y=\"" + std::to_string(s / 24) +
         "\" r=\"1\" color=\"0\" ff=\"0\" fc=\"0\" fn=\"0\" m=\"1\">\n";
    ++made;
    x += "\t\t<o t=\"2\" s=\"0\" />\n";
    ++made;
    for (int g = 0; g < 4 && made < objects; ++g, ++made)
      x += "\t\t<o t=\"18\" s=\"" + std::to_string(g) + "\" x=\"" + std::to_string(g * 1000) +
           "\" y=\"0\" z=\"0\" gid=\"" + std::to_string(g) + "\" gx=\"1\" gy=\"0\" gtid=\"0\" />\n";
    for (int i = 6; i < 1000 && made < objects;) {
      if (i % 50 == 0 && made + 13 <= objects) {
        x += "\t\t<o t=\"5\" s=\"SS_DOCK\" x=\"0\" y=\"0\" z=\"0\" r=\"1\">\n";
        for (int g = 0; g < 3; ++g) {
          x += "\t\t\t<o t=\"23\" s=\"" + std::to_string(5 + g) + "\">\n";
          for (int w = 0; w < 3; ++w) x += "\t\t\t\t<o t=\"16\" s=\"SS_WARE\" n=\"" + std::to_string(w) + "\" />\n";
          x += "\t\t\t</o>\n";
        }
        x += "\t\t</o>\n";
        made += 13;
        i += 13;
      } else {
        x += "\t\t<o t=\"" + std::string(i % 2 ? "7" : "17") + "\" s=\"SS_" + std::to_string(i) + "\" x=\"" +
             std::to_string(i * 10) + "\" y=\"" + std::to_string(-i) + "\" z=\"" + std::to_string(i * 3) + "\" />\n";
        ++made;
        ++i;
      }
    }
    x += "\t</o>\n";
  }
  x += "</universe>\n";
  std::ofstream(path, std::ios::binary) << x;
  return path.string();
}

std::shared_ptr<clsGalaxyParser> LoadedMap(int objects) {
  auto doc = std::make_shared<clsGalaxyParser>();
  if (!doc->ParseFile(MapFile(objects))) return nullptr;
  for (const GalaxyObjectPtr& s : doc->Sectors) doc->LoadSectorChildren(s);
  return doc;
}

std::string SavedPath() { return (Dir() / "saved.xml").string(); }

// The set-up every load benchmark shares: each round works on a fresh `T`, and the one
// of the round before is freed outside the timing (a baseline and what it is compared
// with tear down the same way). The figures are a byte of the file each.
template <class T, class Work>
void EachRoundFresh(benchmark::State& st, const std::string& path, Work work) {
  std::unique_ptr<T> held;
  for (auto _ : st) {
    st.PauseTiming();
    held = std::make_unique<T>();
    st.ResumeTiming();
    work(*held, path);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) *
                       static_cast<int64_t>(std::filesystem::file_size(path)));
}

constexpr unsigned kCursorParseFlags =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype;

// The floor of a load: pugixml parsing the same file (read from disk, as the map is).
void BM_PugiParse(benchmark::State& st) {
  EachRoundFresh<pugi::xml_document>(st, MapFile(static_cast<int>(st.range(0))),
                                     [](pugi::xml_document& d, const std::string& path) {
                                       benchmark::DoNotOptimize(d.load_file(path.c_str(), kCursorParseFlags));
                                     });
}

// The document as the cursor writes one made new (its own layout), into `out`.
void PrintOwnLayout(const pugi::xml_document& d, std::string& out) {
  struct Append : pugi::xml_writer {
    std::string& s;
    explicit Append(std::string& o) : s(o) {}
    void write(const void* data, size_t size) override { s.append(static_cast<const char*>(data), size); }
  } writer(out);
  out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  for (pugi::xml_node n = d.first_child(); n; n = n.next_sibling())
    if (n.type() != pugi::node_declaration) n.print(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
}

// The floor of an open and save: pugixml loading the file and saving it again.
void BM_PugiLoadAndSave(benchmark::State& st) {
  const std::string out = SavedPath();
  EachRoundFresh<pugi::xml_document>(st, MapFile(static_cast<int>(st.range(0))),
                                     [&](pugi::xml_document& d, const std::string& path) {
                                       d.load_file(path.c_str(), kCursorParseFlags);
                                       benchmark::DoNotOptimize(d.save_file(out.c_str(), "\t"));
                                     });
}

void BM_ParseFile(benchmark::State& st) {
  EachRoundFresh<clsGalaxyParser>(st, MapFile(static_cast<int>(st.range(0))),
                                  [](clsGalaxyParser& doc, const std::string& path) {
                                    benchmark::DoNotOptimize(doc.ParseFile(path));
                                  });
}

void BM_CursorOpenAndGates(benchmark::State& st) {
  EachRoundFresh<clsXMLParser>(st, MapFile(static_cast<int>(st.range(0))), [](clsXMLParser& x, const std::string& path) {
    x.OpenFile(path);
    x.SelectNode("//universe");
    int gates = 0;
    if (x.Down()) {
      do {
        if (x.Down()) {
          do gates += x.GetNodeAttr(kz::Variant("t")) == "18";
          while (x.NextNode());
          x.up();
        }
      } while (x.NextNode());
    }
    benchmark::DoNotOptimize(gates);
  });
}

void BM_LoadEverySector(benchmark::State& st) {
  EachRoundFresh<clsGalaxyParser>(st, MapFile(static_cast<int>(st.range(0))),
                                  [](clsGalaxyParser& doc, const std::string& path) {
                                    doc.ParseFile(path);
                                    for (const GalaxyObjectPtr& s : doc.Sectors)
                                      benchmark::DoNotOptimize(doc.LoadSectorChildren(s));
                                  });
}

void Walk(clsXMLParser& x, int& n) {
  do {
    x.AddBookmark();
    x.ForEachNodeAttr([&](const char*, const char*) { ++n; });
    if (x.Down()) {
      Walk(x, n);
      x.up();
    }
  } while (x.NextNode());
}

void BM_CursorOpenAndWalk(benchmark::State& st) {
  EachRoundFresh<clsXMLParser>(st, MapFile(static_cast<int>(st.range(0))), [](clsXMLParser& x, const std::string& path) {
    x.OpenFile(path);
    x.SelectNode("//universe");
    int n = 0;
    if (x.Down()) Walk(x, n);
    benchmark::DoNotOptimize(n);
  });
}

// Closing a map with every sector loaded (the load itself not timed).
void BM_CloseLoadedMap(benchmark::State& st) {
  const int objects = static_cast<int>(st.range(0));
  for (auto _ : st) {
    st.PauseTiming();
    auto doc = LoadedMap(objects);
    st.ResumeTiming();
    doc.reset();
  }
}

// Its baseline: freeing pugixml's document of the same file.
void BM_PugiClose(benchmark::State& st) {
  const std::string path = MapFile(static_cast<int>(st.range(0)));
  for (auto _ : st) {
    st.PauseTiming();
    auto d = std::make_unique<pugi::xml_document>();
    d->load_file(path.c_str(), kCursorParseFlags);
    st.ResumeTiming();
    d.reset();
  }
}

void BM_SaveUnchanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const std::string out = SavedPath();
  for (auto _ : st) benchmark::DoNotOptimize(doc->SaveFile(out, 1));
}

// Opened and saved at once, as a map is passed through unchanged.
void BM_OpenAndSave(benchmark::State& st) {
  const std::string out = SavedPath();
  EachRoundFresh<clsGalaxyParser>(st, MapFile(static_cast<int>(st.range(0))),
                                  [&](clsGalaxyParser& doc, const std::string& path) {
                                    doc.ParseFile(path);
                                    benchmark::DoNotOptimize(doc.SaveFile(out, 1));
                                  });
}

// A new ship at a place in a sector, as the editor adds one.
GalaxyObjectPtr AddShip(clsGalaxyParser& doc, const GalaxyObjectPtr& sector, const char* subtype, int32_t at) {
  GalaxyObjectPtr ship = doc.NewGalObject(sector);
  ship->SetOtype(7);
  ship->SetSubtype(kz::Variant(subtype));
  doc.AddObject(ship);
  if (at > 0)
    sector->Childs.Add(ship, ship->key(), at);
  else
    sector->Childs.Add(ship, ship->key());
  doc.UpdateObjectXML(ship);
  return ship;
}

// The usual edit: one attribute of an object in every tenth sector, one object added
// and one deleted there; each round changes the attributes again.
void BM_SaveFewChanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const std::string out = SavedPath();
  std::vector<GalaxyObjectPtr> edited;
  for (int32_t i = 1; i <= doc->Sectors.Count(); i += 10) {
    GalaxyObjectPtr sector = doc->Sectors.Item(i);
    if (sector->Childs.Count() < 8) continue;
    edited.push_back(sector->Childs.Item(7));
    doc->DeleteObject(sector->Childs.Item(8));
    doc->CreateDefaultObjects(AddShip(*doc, sector, "SS_NEW", 0));
  }
  int32_t round = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (const GalaxyObjectPtr& o : edited) o->AddProperty("x", kz::Variant(round));
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->SaveFile(out, 1));
  }
}

void BM_SaveAllChanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const std::string out = SavedPath();
  int32_t round = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (const GalaxyObjectPtr& o : doc->objects) o->AddProperty("z", kz::Variant(round));  // every object changed
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->SaveFile(out, 1));
  }
}

// The first part of BM_SaveAllChanged alone: every object changed, its element's
// attributes written again (no text formed, no file written).
void BM_ElementsAllChanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  int32_t round = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (const GalaxyObjectPtr& o : doc->objects) o->AddProperty("z", kz::Variant(round));
    st.ResumeTiming();
    for (const GalaxyObjectPtr& s : doc->Sectors) benchmark::DoNotOptimize(s->ToXML(doc->XML()));
  }
}

// The floor of BM_ElementsAllChanged: the same elements of the cursor's document walked
// attribute by attribute, each value compared with a text held apart (one per attribute;
// one value of each element changed every round, as `z` is there, here its last) and set
// where it differs. No object, no property, no number formed: what writing every element back
// costs the document alone.
void BM_ElementsFloor(benchmark::State& st) {
  pugi::xml_document d;
  d.load_file(MapFile(static_cast<int>(st.range(0))).c_str(), kCursorParseFlags);
  std::vector<pugi::xml_node> elements;
  std::vector<std::vector<std::string>> values;
  for (const pugi::xpath_node& x : d.select_nodes("//*[local-name()='o']")) {
    elements.push_back(x.node());
    values.emplace_back();
    for (pugi::xml_attribute a = x.node().first_attribute(); a; a = a.next_attribute())
      values.back().emplace_back(a.value());
  }
  int32_t round = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (std::vector<std::string>& v : values)
      if (!v.empty()) v.back() = std::to_string(round);
    st.ResumeTiming();
    for (size_t i = 0; i < elements.size(); ++i) {
      const std::vector<std::string>& v = values[i];
      size_t k = 0;
      for (pugi::xml_attribute a = elements[i].first_attribute(); a; a = a.next_attribute(), ++k)
        if (std::strcmp(a.value(), v[k].c_str()) != 0) a.set_value(v[k].c_str());
    }
    benchmark::ClobberMemory();
  }
}

// The cursor's own save of a document every element of which is to be written: the
// same tree printed in the layout the cursor gives a document made new, then written
// through the same file writer (the baseline of BM_SaveAllChanged).
void BM_CursorOwnLayoutSave(benchmark::State& st) {
  pugi::xml_document d;
  d.load_file(MapFile(static_cast<int>(st.range(0))).c_str(), kCursorParseFlags);
  const std::string out = SavedPath();
  for (auto _ : st) {
    std::string text;  // a fresh text each round, as a save makes
    PrintOwnLayout(d, text);
    benchmark::DoNotOptimize(Kz_EncodeXMLFile(out, text, 1));
  }
}

// The cursor writing the same loaded document, nothing changed (its text goes back as read).
void BM_CursorSave(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const std::string out = SavedPath();
  for (auto _ : st) benchmark::DoNotOptimize(doc->XML().SaveToFile(out, 1));
}

// The text a save writes, without the file: the layout kept (or the document printed)
// with nothing, a few objects (as BM_SaveFewChanged) or every object changed. The
// baseline of every object changed is BM_OwnLayoutText.
void BM_DocumentText(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const int changed = static_cast<int>(st.range(1));  // 0 none, 1 a few, 2 all
  int n = 0;
  for (const GalaxyObjectPtr& o : doc->objects)
    if (changed == 2 || (changed == 1 && ++n % 1000 == 7)) o->AddProperty("z", kz::Variant(-1));
  for (const GalaxyObjectPtr& s : doc->Sectors) doc->UpdateObjectXML(s);
  for (auto _ : st) benchmark::DoNotOptimize(doc->XML().GetXML());
}

// The same tree printed fresh in the cursor's own layout, without the file: the floor of
// a text every element of which is formed anew.
void BM_OwnLayoutText(benchmark::State& st) {
  const std::string path = MapFile(static_cast<int>(st.range(0)));
  pugi::xml_document d;
  d.load_file(path.c_str(), kCursorParseFlags);
  const size_t room = std::filesystem::file_size(path) * 17 / 16 + 64;  // as GetXML takes
  for (auto _ : st) {
    std::string text;  // a fresh text each round, as GetXML makes
    text.reserve(room);
    PrintOwnLayout(d, text);
    benchmark::DoNotOptimize(text.data());
  }
}

// Deletes one ship (and puts a new one in its place outside the timing).
void BM_DeleteOne(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  GalaxyObjectPtr sector = doc->Sectors.Item(doc->Sectors.Count() / 2 + 1);
  for (auto _ : st) {
    st.PauseTiming();
    GalaxyObjectPtr ship = AddShip(*doc, sector, "SS_X", 1);
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->DeleteObject(ship));
  }
}

// The memory a map takes: this program started afresh (a bare start) reads its resident
// size, loads the map with every sector (or, as the baseline, pugixml's document of the
// same file), and reads it again; the figures are bytes of memory per byte of the file,
// and the CPU time of that first load (the kernel's first touch of fresh memory counted).
size_t ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<size_t>(resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

size_t HeapBytes() {
  struct mallinfo2 m = ::mallinfo2();
  return m.uordblks + m.hblkhd;
}

double CpuMs() {
  struct rusage u {};
  ::getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Run as `--map-memory <map|pugi|cursor> <file>`: prints the growth of the resident size and of
// the heap, and the CPU time of this first load in a fresh process.
int MemoryProbe(const std::string& what, const std::string& path) {
  const size_t rss = ResidentBytes(), heap = HeapBytes();
  const double cpu = CpuMs();
  std::shared_ptr<clsGalaxyParser> doc;
  pugi::xml_document d;
  clsXMLParser cursor;
  if (what == "map") {
    doc = std::make_shared<clsGalaxyParser>();
    if (!doc->ParseFile(path)) return 1;
    for (const GalaxyObjectPtr& s : doc->Sectors) doc->LoadSectorChildren(s);
  } else if (what == "cursor") {
    // What the map holds below its objects: the cursor's document of the file (its text
    // kept for the layout) and a bookmark for each element.
    if (!cursor.OpenFile(path) || !cursor.SelectNode("//universe")) return 1;
    int n = 0;
    if (cursor.Down()) Walk(cursor, n);
  } else if (!d.load_file(path.c_str(), kCursorParseFlags)) {
    return 1;
  }
  const double took = CpuMs() - cpu;
  std::printf("%zu %zu %f\n", ResidentBytes() - rss, HeapBytes() - heap, took);
  return 0;
}

void BM_MapMemory(benchmark::State& st) {
  const std::string path = MapFile(static_cast<int>(st.range(0)));
  const char* what = st.range(1) == 1 ? "map" : st.range(1) == 2 ? "cursor" : "pugi";
  const double file = static_cast<double>(std::filesystem::file_size(path));
  double rss = 0, heap = 0, first = 0;
  for (auto _ : st) {
    const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --map-memory " + what + " '" + path + "'";
    FILE* p = ::popen(command.c_str(), "r");
    size_t r = 0, h = 0;
    double ms = 0;
    if (!p || std::fscanf(p, "%zu %zu %lf", &r, &h, &ms) != 3) st.SkipWithError("the memory probe failed");
    first = ms;
    if (p) ::pclose(p);
    rss = static_cast<double>(r);
    heap = static_cast<double>(h);
  }
  st.counters["rss_per_file_byte"] = rss / file;
  st.counters["heap_per_file_byte"] = heap / file;
  st.counters["first_load_cpu_ms"] = first;
}

// Names 10,000 ships whose subtypes are spread over the records of a suns file.
void BM_Naming(benchmark::State& st) {
  const int records = static_cast<int>(st.range(0));
  std::filesystem::path folder = Dir() / ("names" + std::to_string(records));
  std::filesystem::create_directories(folder / "types");
  {
    std::ofstream f(folder / "types" / "TSuns.txt", std::ios::binary);
    f << "// bench\r\n1;" << records << ";\r\n";
    for (int i = 0; i < records; ++i) f << "suns\\s;0;0;0;0;0;" << 100000 + i << ";0;0;0;0;0;0;0;0;0;0;0;SS_SUN_" << i << ";\r\n";
  }
  ZuZER_AddVFSFilter("types\\*");
  ZuZER_CreateVFS(folder.c_str());
  Archive = std::make_shared<clsArchive>();
  auto doc = std::make_shared<clsGalaxyParser>();
  doc->NewFile();
  std::vector<GalaxyObjectPtr> suns;
  for (int i = 0; i < 10000; ++i) {
    GalaxyObjectPtr o = doc->CreateGalObject(nullptr);
    o->SetOtype(3);
    o->SetSubtype(kz::Variant("SS_SUN_" + std::to_string((i * 7919) % records)));
    suns.push_back(o);
  }
  if (doc->GetObjectID(suns[0]).rfind("SS_SUN_", 0) != 0) st.SkipWithError("the suns file did not load");
  for (auto _ : st)
    for (const GalaxyObjectPtr& o : suns) benchmark::DoNotOptimize(doc->GetObjectName(o));
  Archive.reset();
}

}  // namespace

// Loads at 1,000, 10,000 and 100,000 objects (48 KB to 4.8 MB, about 10 to 1,000 times
// the sample map): a byte should cost the same at every size. 400,000 objects is 19 MB.
#define KZ_LOAD_SIZES Arg(1000)->Arg(10000)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()
BENCHMARK(BM_PugiParse)->KZ_LOAD_SIZES;
BENCHMARK(BM_ParseFile)->KZ_LOAD_SIZES;
BENCHMARK(BM_CursorOpenAndGates)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LoadEverySector)->KZ_LOAD_SIZES;
BENCHMARK(BM_CursorOpenAndWalk)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_PugiClose)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CloseLoadedMap)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MapMemory)->Args({100000, 0})->Args({100000, 1})->Args({100000, 2})->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveUnchanged)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_PugiLoadAndSave)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_OpenAndSave)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_SaveFewChanged)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CursorOwnLayoutSave)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_SaveAllChanged)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ElementsAllChanged)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ElementsFloor)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CursorSave)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_OwnLayoutText)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DocumentText)->Args({100000, 0})->Args({100000, 1})->Args({100000, 2})->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DeleteOne)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Naming)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int main(int argc, char** argv) {
  mdlKzConst::InitArrays();
  mdlGalaxy::InitGalaxyTables();
  if (argc == 4 && std::string(argv[1]) == "--map-memory") return MemoryProbe(argv[2], argv[3]);
  // Memory freed by one round is kept for the next, whatever its size: each side of a
  // comparison starts from the same warm heap (a first load is figured apart above).
  ::mallopt(M_MMAP_THRESHOLD, 256 << 20);
  ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Dir(), ec);
  return 0;
}
