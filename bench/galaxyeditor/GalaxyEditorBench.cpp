// The galaxy editor window on large maps: finding a node by key (1,000 against 100,000
// nodes), filling the tree of 100,000 objects against a plain tree fill of the same
// texts, opening a 100,000-object map against parsing plus filling, and the new-object
// dialog over a 10,000-record type file against adding the same texts to a combo box.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/Settings.h"
#include "core/ui/GenericUi.h"
#include "galaxy/GalaxyEditor.h"
#include "galaxy/NewGalObject.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "platform/ScriptedUi.h"
#include "typefiles/Archive.h"
#include "zuzer.h"

namespace {

// A ship record: 55 values without turrets or gun groups, then 10 more; field 6 is the
// name's text ID, the last the ID.
std::string ShipsFile(int count) {
  std::ostringstream s;
  s << "1;" << count << ";\r\n";
  for (int r = 0; r < count; ++r) {
    for (int i = 0; i < 64; ++i) s << (i == 6 ? 5000 + r : 0) << ";";
    s << "SS_SH_" << r << ";\r\n";
  }
  return s.str();
}

// `sectors` sectors of `perSector` ships each (the sectors count as objects too).
std::string MapText(int sectors, int perSector) {
  std::ostringstream s;
  s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<universe xmlns=\"KZUNIVERS.xsd\">\n";
  for (int i = 0; i < sectors; ++i) {
    s << "<o t=\"1\" s=\"0\" x=\"" << i % 24 << "\" y=\"" << i / 24 << "\" r=\"1\">\n";
    for (int j = 0; j < perSector; ++j)
      s << "<o t=\"7\" s=\"" << j % 10 << "\" x=\"" << j * 100 << "\" y=\"0\" z=\"" << -j << "\" r=\"2\"/>\n";
    s << "</o>\n";
  }
  s << "</universe>\n";
  return s.str();
}

struct Env {
  std::filesystem::path dir;
  QApplication* app = nullptr;
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();
  std::map<int, std::string> maps;  // objects -> file

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "galaxyeditor_bench";
    static char* argv[] = {arg0, nullptr};
    app = new QApplication(argc, argv);  // kept to the end: windows outlive the benchmarks
    platform::Ui::SetInstance(ui);
    dir = std::filesystem::temp_directory_path() / ("kz-galaxyeditor-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "types");
    std::filesystem::create_directories(dir / "reg");
    ::setenv("KZ_REGISTRY_DIR", (dir / "reg").c_str(), 1);
    std::ofstream(dir / "types" / "TShips.txt", std::ios::binary) << ShipsFile(10000);
    for (auto [objects, sectors] : {std::pair{1000, 10}, std::pair{100000, 100}}) {
      const std::string file = (dir / ("map" + std::to_string(objects) + ".xml")).string();
      std::ofstream(file, std::ios::binary) << MapText(sectors, objects / sectors - 1);
      maps[objects] = file;
    }
    mdlKzConst::InitArrays();
    Settings = std::make_shared<clsSettings>();
    ZuZER_CreateVFS(dir.c_str());
    Archive = std::make_shared<clsArchive>();
    Archive->GetFile("TShips");
  }
  ~Env() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Env& E() {
  static Env env;
  return env;
}

// A window showing the map of that size with every sector loaded.
frmGalaxyEditor* LoadedWindow(int objects) {
  E();
  static std::map<int, frmGalaxyEditor*> windows;
  frmGalaxyEditor*& w = windows[objects];
  if (!w) {
    w = new frmGalaxyEditor;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    w->OpenFile(E().maps[objects]);
    for (const GalaxyObjectPtr& sector : w->Parser()->Sectors) w->Parser()->LoadSectorChildren(sector);
    w->FillTree();
  }
  return w;
}

void BM_FindNodeByKey(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  frmGalaxyEditor* w = LoadedWindow(objects);
  std::vector<std::string> keys;
  for (const GalaxyObjectPtr& o : w->Parser()->objects) keys.push_back(o->key());
  std::mt19937 random(7);
  std::shuffle(keys.begin(), keys.end(), random);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(w->NodeByKey(keys[i]));
    if (++i == keys.size()) i = 0;
  }
  state.counters["nodes"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_FindNodeByKey)->Arg(1000)->Arg(100000);

void BM_FillTree(benchmark::State& state) {
  frmGalaxyEditor* w = LoadedWindow(100000);
  for (auto _ : state) w->FillTree();
  state.counters["objects"] = w->Parser()->objects.Count();
}
BENCHMARK(BM_FillTree)->Unit(benchmark::kMillisecond);

// The same shape and texts in a plain tree.
void BM_RawTreeFill(benchmark::State& state) {
  frmGalaxyEditor* w = LoadedWindow(100000);
  std::vector<QString> tops;
  std::vector<std::vector<QString>> children;
  for (int i = 0; i < w->Tree->topLevelItemCount(); ++i) {
    QTreeWidgetItem* top = w->Tree->topLevelItem(i);
    tops.push_back(top->text(0));
    children.emplace_back();
    for (int j = 0; j < top->childCount(); ++j) children.back().push_back(top->child(j)->text(0));
  }
  QTreeWidget tree;
  tree.show();
  for (auto _ : state) {
    tree.clear();
    QList<QTreeWidgetItem*> items;
    for (size_t i = 0; i < tops.size(); ++i) {
      auto* top = new QTreeWidgetItem(QStringList{tops[i]});
      QList<QTreeWidgetItem*> kids;
      for (const QString& t : children[i]) kids.push_back(new QTreeWidgetItem(QStringList{t}));
      top->addChildren(kids);
      items.push_back(top);
    }
    tree.addTopLevelItems(items);
  }
}
BENCHMARK(BM_RawTreeFill)->Unit(benchmark::kMillisecond);

void BM_OpenMapInWindow(benchmark::State& state) {
  E();
  frmGalaxyEditor* w = new frmGalaxyEditor;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  for (auto _ : state) w->OpenFile(E().maps[100000]);
  delete w;
}
BENCHMARK(BM_OpenMapInWindow)->Unit(benchmark::kMillisecond);

void BM_ParseFileAndFill(benchmark::State& state) {
  E();
  frmGalaxyEditor* w = new frmGalaxyEditor;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  for (auto _ : state) {
    w->Parser()->ParseFile(E().maps[100000]);
    w->FillTree();
  }
  delete w;
}
BENCHMARK(BM_ParseFileAndFill)->Unit(benchmark::kMillisecond);

void BM_NewObjectDialogSubtypes(benchmark::State& state) {
  E();
  mdlGalaxy::InitGalaxyTables();
  auto doc = std::make_shared<clsGalaxyParser>();
  doc->NewFile();
  frmNewGalObject dialog;
  dialog.NewObject(doc, doc->NewGalObject(nullptr), false, false);
  kz::SelectComboByItemData(dialog.cmbType, 7);
  for (auto _ : state) dialog.FillSubtypes();
  state.counters["entries"] = dialog.cmbSubtype->count();
  dialog.CancelDialog();
}
BENCHMARK(BM_NewObjectDialogSubtypes)->Unit(benchmark::kMillisecond);

void BM_ComboAddItems(benchmark::State& state) {
  E();
  mdlGalaxy::InitGalaxyTables();
  auto doc = std::make_shared<clsGalaxyParser>();
  frmNewGalObject dialog;
  dialog.NewObject(doc, doc->NewGalObject(nullptr), false, false);
  kz::SelectComboByItemData(dialog.cmbType, 7);
  dialog.FillSubtypes();
  QStringList texts;
  for (int i = 0; i < dialog.cmbSubtype->count(); ++i) texts << dialog.cmbSubtype->itemText(i);
  dialog.CancelDialog();
  QComboBox combo;
  combo.show();
  for (auto _ : state) {
    combo.clear();
    combo.addItems(texts);
  }
}
BENCHMARK(BM_ComboAddItems)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
