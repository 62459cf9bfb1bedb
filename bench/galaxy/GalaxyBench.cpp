// The universe-map document on generated maps, each figure beside the document
// cursor's own work on the same file:
//   ParseFile                 vs  cursor open + one pass over the gates
//   loading every sector      vs  cursor open + a full walk with a bookmark per element
//   SaveFile, nothing changed vs  the cursor writing the document
//   ParseFile and SaveFile of an unchanged map
//   SaveFile, a few objects changed, added and deleted
//   SaveFile, all changed
//   the document's text alone (no file written): unchanged, a few and all changed
//   deleting one object in a 100,000-object map vs in a 1,000-object map
//   naming 10,000 objects against a 100,000-record type file vs 1,000 records
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/XMLParser.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
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

// Each load goes to a fresh document (or cursor); freeing the previous one is not timed.
void BM_ParseFile(benchmark::State& st) {
  std::string path = MapFile(static_cast<int>(st.range(0)));
  std::shared_ptr<clsGalaxyParser> doc;
  for (auto _ : st) {
    st.PauseTiming();
    doc = std::make_shared<clsGalaxyParser>();
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->ParseFile(path));
  }
}

void BM_CursorOpenAndGates(benchmark::State& st) {
  std::string path = MapFile(static_cast<int>(st.range(0)));
  std::unique_ptr<clsXMLParser> cursor;
  for (auto _ : st) {
    st.PauseTiming();
    cursor = std::make_unique<clsXMLParser>();
    st.ResumeTiming();
    clsXMLParser& x = *cursor;
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
  }
}

void BM_LoadEverySector(benchmark::State& st) {
  std::string path = MapFile(static_cast<int>(st.range(0)));
  std::shared_ptr<clsGalaxyParser> doc;
  for (auto _ : st) {
    st.PauseTiming();
    doc = std::make_shared<clsGalaxyParser>();
    st.ResumeTiming();
    doc->ParseFile(path);
    for (const GalaxyObjectPtr& s : doc->Sectors) benchmark::DoNotOptimize(doc->LoadSectorChildren(s));
  }
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
  std::string path = MapFile(static_cast<int>(st.range(0)));
  std::unique_ptr<clsXMLParser> cursor;
  for (auto _ : st) {
    st.PauseTiming();
    cursor = std::make_unique<clsXMLParser>();
    st.ResumeTiming();
    clsXMLParser& x = *cursor;
    x.OpenFile(path);
    x.SelectNode("//universe");
    int n = 0;
    if (x.Down()) Walk(x, n);
    benchmark::DoNotOptimize(n);
  }
}

void BM_SaveUnchanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  std::string out = (Dir() / "saved.xml").string();
  for (auto _ : st) benchmark::DoNotOptimize(doc->SaveFile(out, 1));
}

// Opened and saved at once, as a map is passed through unchanged.
void BM_OpenAndSave(benchmark::State& st) {
  std::string path = MapFile(static_cast<int>(st.range(0)));
  std::string out = (Dir() / "saved.xml").string();
  std::shared_ptr<clsGalaxyParser> doc;
  for (auto _ : st) {
    st.PauseTiming();
    doc = std::make_shared<clsGalaxyParser>();
    st.ResumeTiming();
    doc->ParseFile(path);
    benchmark::DoNotOptimize(doc->SaveFile(out, 1));
  }
}

// The usual edit: one attribute of an object in every tenth sector, one object added
// and one deleted there; each round changes the attributes again.
void BM_SaveFewChanged(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  std::string out = (Dir() / "saved.xml").string();
  std::vector<GalaxyObjectPtr> edited;
  for (int32_t i = 1; i <= doc->Sectors.Count(); i += 10) {
    GalaxyObjectPtr sector = doc->Sectors.Item(i);
    if (sector->Childs.Count() < 8) continue;
    edited.push_back(sector->Childs.Item(7));
    doc->DeleteObject(sector->Childs.Item(8));
    GalaxyObjectPtr ship = doc->NewGalObject(sector);
    ship->SetOtype(7);
    ship->SetSubtype(kz::Variant("SS_NEW"));
    doc->AddObject(ship);
    sector->Childs.Add(ship, ship->key());
    doc->UpdateObjectXML(ship);
    doc->CreateDefaultObjects(ship);
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
  std::string out = (Dir() / "saved.xml").string();
  int32_t round = 0;
  for (auto _ : st) {
    st.PauseTiming();
    ++round;
    for (const GalaxyObjectPtr& o : doc->objects) o->AddProperty("z", kz::Variant(round));  // every object changed
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->SaveFile(out, 1));
  }
}

// The cursor writing the same loaded document.
void BM_CursorSave(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  std::string out = (Dir() / "saved.xml").string();
  for (auto _ : st) benchmark::DoNotOptimize(doc->XML().SaveToFile(out, 1));
}

// The text a save writes, without the file: the layout kept (or the document printed)
// with nothing, a few objects (as BM_SaveFewChanged) or every object changed.
void BM_DocumentText(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  const int changed = static_cast<int>(st.range(1));  // 0 none, 1 a few, 2 all
  int n = 0;
  for (const GalaxyObjectPtr& o : doc->objects)
    if (changed == 2 || (changed == 1 && ++n % 1000 == 7)) o->AddProperty("z", kz::Variant(-1));
  for (const GalaxyObjectPtr& s : doc->Sectors) doc->UpdateObjectXML(s);
  for (auto _ : st) benchmark::DoNotOptimize(doc->XML().GetXML());
}

// Deletes one ship (and puts a new one in its place outside the timing).
void BM_DeleteOne(benchmark::State& st) {
  auto doc = LoadedMap(static_cast<int>(st.range(0)));
  GalaxyObjectPtr sector = doc->Sectors.Item(doc->Sectors.Count() / 2 + 1);
  for (auto _ : st) {
    st.PauseTiming();
    GalaxyObjectPtr ship = doc->NewGalObject(sector);
    ship->SetOtype(7);
    ship->SetSubtype(kz::Variant("SS_X"));
    doc->AddObject(ship);
    sector->Childs.Add(ship, ship->key(), 1);
    doc->UpdateObjectXML(ship);
    st.ResumeTiming();
    benchmark::DoNotOptimize(doc->DeleteObject(ship));
  }
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

BENCHMARK(BM_ParseFile)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CursorOpenAndGates)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadEverySector)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CursorOpenAndWalk)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveUnchanged)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveFewChanged)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAllChanged)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CursorSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentText)->Args({100000, 0})->Args({100000, 1})->Args({100000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteOne)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Naming)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  mdlKzConst::InitArrays();
  mdlGalaxy::InitGalaxyTables();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(Dir(), ec);
  return 0;
}
