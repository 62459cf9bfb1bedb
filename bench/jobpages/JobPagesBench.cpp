// The job and ware-list pages on large files, each against the work it cannot avoid:
//  - the ware-list viewer listing 5,000 wares named from 100,000 ware records, against
//    listing the same rows by ID alone;
//  - the job page's wings tab over 10,000 jobs, against as many hash look-ups and the
//    same row adds;
//  - the job page's ship combo over 100,000 ships (a model whose texts are made when
//    shown), against a combo over a plain model of the same kind (the texts made when
//    asked for) and, for scale, addItems building every text;
//  - the editor window's list of 100,000 jobs named by the job page, against the list
//    with no page;
//  - a new viewer taking the shared ware collection already built (a cache hit), against
//    taking the shared collection alone; and building a collection (what the first
//    viewer pays), on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractListModel>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/KzConst.h"
#include "core/Settings.h"
#include "gamelibs/rudu/rudu.h"
#include "gamelibs/zuzer/zuzer.h"
#include "platform/ScriptedUi.h"
#include "txteditor/TXTEditor.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "typefiles/WareCollection.h"
#include "wareeditors/Job.h"
#include "wareeditors/WareListViewer.h"
#include "wareeditors/model/JobRules.h"
#include "wareeditors/model/WareListRules.h"

namespace {

constexpr int kWares = 100000;
constexpr int kListed = 5000;
constexpr int kWingJobs = 10000;
constexpr int kShips = 100000;
constexpr int kListJobs = 100000;

std::string JobLine(int id, int wing, int wareList) {
  std::string line;
  for (int n = 0; n < 120; ++n) {
    if (n == 0) line += std::to_string(id);
    else if (n == 1) line += "Job" + std::to_string(id);
    else if (n == 6) line += std::to_string(3000 + id % 50);
    else if (n == 9 || n == 12 || n == 78 + id % 10 || n == 38 + id % 17) line += "1";
    else if (n == 13) line += std::to_string(wing);
    else if (n == 14) line += std::to_string(wareList);
    else if (n == 119) line += "comment " + std::to_string(id);
    else line += "0";
    line += n < 119 ? ";" : "\r\n";
  }
  return line;
}

struct Env {
  std::filesystem::path dir;
  std::unique_ptr<QApplication> app;
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();
  std::string jobsFile, wingJobsFile;

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    dir = std::filesystem::temp_directory_path() / ("kz-jobpages-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "types");
    std::filesystem::create_directories(dir / "t");
    std::filesystem::create_directories(dir / "reg");
    ::setenv("KZ_REGISTRY_DIR", (dir / "reg").c_str(), 1);
    static int argc = 1;
    static char arg0[] = "jobpages_bench";
    static char* argv[] = {arg0, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    platform::Ui::SetInstance(ui);
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();

    // Wares: 100,000 records named by page 17 (every other one has a name).
    {
      std::ofstream out(dir / "types" / "TWareB.txt", std::ios::binary);
      out << "5;" << kWares << ";\r\n";
      for (int r = 0; r < kWares; ++r) {
        out << "body;0;0;0;0;0;" << (100000 + r) << ";";
        for (int i = 7; i < 16; ++i) out << "0;";
        out << "SS_WARE_" << r << ";\r\n";
      }
    }
    // Ware lists: list 0 holds 5,000 wares spread over the collection.
    {
      std::ofstream out(dir / "types" / "WareLists.txt", std::ios::binary);
      out << "2;\r\n" << kListed << ";";
      for (int i = 0; i < kListed; ++i) out << "SS_WARE_" << (i * 19) % kWares << ";";
      out << "\r\n12;";
      for (int i = 0; i < 12; ++i) out << "SS_WARE_" << i * 7 << ";";
      out << "\r\n";
    }
    // Ships: 100,000 ships with race, name and variant.
    {
      std::ofstream out(dir / "types" / "TShips.txt", std::ios::binary);
      out << "30;" << kShips << ";\r\n";
      for (int s = 0; s < kShips; ++s) {
        for (int i = 0; i < 53; ++i) {
          if (i == 6) out << (100000 + s % 1000);
          else if (i == 45) out << (1 + s % 9);
          else if (i == 50) out << (s % 5);
          else out << (i == 0 ? "ships\\body" : "0");
          out << ";";
        }
        out << "0;0;";
        for (int i = 0; i < 9; ++i) out << "0;";
        out << "SS_SH_" << s << ";\r\n";
      }
    }
    // Wings: wing 1 lists every job of the wings file below; wing 2 five jobs (the jobs of
// the large file belong to it, and to ware list 1 of twelve wares).
    {
      std::ofstream out(dir / "types" / "JobWings.txt", std::ios::binary);
      out << "1;";
      for (int j = 1; j <= kWingJobs; ++j) out << j << (j < kWingJobs ? ";" : ";\r\n");
      out << "2;1;2;3;4;5;\r\n";
    }
    wingJobsFile = (dir / "WingJobs.txt").string();
    {
      std::ofstream out(wingJobsFile, std::ios::binary);
      out << "10;\r\n";
      for (int j = 1; j <= kWingJobs; ++j) out << JobLine(j, 1, 0);
    }
    jobsFile = (dir / "Jobs.txt").string();
    {
      std::ofstream out(jobsFile, std::ios::binary);
      out << "10;\r\n";
      for (int j = 1; j <= kListJobs; ++j) out << JobLine(j, 2, 1);
    }
    // Texts: ware and ship names, variant names, races and job descriptions.
    {
      std::ofstream out(dir / "t" / "440001.xml", std::ios::binary);
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language id=\"44\">\n<page id=\"17\">\n";
      for (int r = 0; r < kWares; r += 2) out << "<t id=\"" << (100000 + r) << "\">Ware number " << r << "</t>\n";
      for (int v = 0; v <= 20; ++v) out << "<t id=\"" << (10000 + v) << "\">Variant " << v << "</t>\n";
      out << "</page>\n<page id=\"1000\">\n";
      for (int r = 101; r <= 119; ++r) out << "<t id=\"" << r << "\">Race " << r << "</t>\n";
      for (int d = 3000; d < 3050; ++d) out << "<t id=\"" << d << "\">Description " << d << "</t>\n";
      out << "</page>\n</language>\n";
    }
    ZuZER_AddVFSFilter("types\\*");
    ZuZER_AddVFSFilter("t\\*");
    ZuZER_CreateVFS(dir.c_str());
    Settings = std::make_shared<clsSettings>();
    Settings->SetLoadDescriptions(true);
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    DescServer->LoadResources(44);
    for (const char* name : {"TWareB", "WareLists", "TShips", "JobWings"}) Archive->GetFile(name);
    mdlWareList::SharedWareCollection();
  }
  ~Env() { std::filesystem::remove_all(dir); }
};

Env& E() {
  static Env env;
  return env;
}

// ---- ware-list viewer ----

void BM_ShowWareList5000Of100000(benchmark::State& state) {
  E();
  WareListViewer viewer;
  viewer.resize(600, 400);
  viewer.Init();
  for (auto _ : state) {
    viewer.ShowWareList(0);
    benchmark::DoNotOptimize(viewer.WareView->topLevelItemCount());
  }
  if (viewer.WareView->topLevelItemCount() != kListed) state.SkipWithError("rows missing");
}
BENCHMARK(BM_ShowWareList5000Of100000)->Unit(benchmark::kMillisecond);

// The same rows, the ID in both columns, filled the same way.
void BM_ListSameRowsByID(benchmark::State& state) {
  E();
  QTreeWidget view;
  view.resize(600, 400);
  TXTObjectPtr list = Archive->GetFile("WareLists")->FindIndex(0);
  for (auto _ : state) {
    view.setUpdatesEnabled(false);
    view.clear();
    const std::vector<mdlWareListView::WareRow> rows = mdlWareListView::WareListRowsByID(*list);
    const QFontMetrics metrics(view.font());
    int a = 0, b = 0;
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const auto& row : rows) {
      auto* item = new QTreeWidgetItem;
      const QString name = QString::fromStdString(row.name), id = QString::fromStdString(row.id);
      item->setText(0, name);
      item->setText(1, id);
      a = std::max(a, metrics.horizontalAdvance(name));
      b = std::max(b, metrics.horizontalAdvance(id));
      items.push_back(item);
    }
    view.setColumnCount(2);
    view.setHeaderLabels({"Name", "ID"});
    view.setColumnWidth(0, a + 13);
    view.setColumnWidth(1, b + 13);
    view.addTopLevelItems(items);
    view.setUpdatesEnabled(true);
    benchmark::DoNotOptimize(view.topLevelItemCount());
  }
}
BENCHMARK(BM_ListSameRowsByID)->Unit(benchmark::kMillisecond);

// ---- ware collection per page ----

// The collection is built before the timing: each viewer takes it from the cache.
void BM_NewViewerTakesSharedWaresCacheHit(benchmark::State& state) {
  E();
  mdlWareList::SharedWareCollection();
  for (auto _ : state) {
    WareListViewer viewer;
    viewer.Init();
    benchmark::DoNotOptimize(viewer.Wares()->Count());
  }
}
BENCHMARK(BM_NewViewerTakesSharedWaresCacheHit)->Unit(benchmark::kMicrosecond);

// Its floor: the shared collection taken from the cache alone.
void BM_TakeSharedWaresCacheHit(benchmark::State& state) {
  E();
  mdlWareList::SharedWareCollection();
  for (auto _ : state) {
    WareCollectionPtr wares = mdlWareList::SharedWareCollection();
    benchmark::DoNotOptimize(wares->Count());
  }
}
BENCHMARK(BM_TakeSharedWaresCacheHit)->Unit(benchmark::kMicrosecond);

void BM_BuildWareCollection(benchmark::State& state) {
  E();
  for (auto _ : state) {
    clsWareCollection wares(mdlWareList::BuildWareCollection());
    benchmark::DoNotOptimize(wares.Count());
  }
}
BENCHMARK(BM_BuildWareCollection)->Unit(benchmark::kMillisecond);

// ---- wings tab ----

TxtParserRef LoadJobs(const std::string& path) {
  auto parser = std::make_shared<clsTxtParser>();
  int32_t h = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  parser->Load(h, 19);
  RuDU_CloseFile(h);
  return parser;
}

void BM_WingsTab10000Jobs(benchmark::State& state) {
  Env& env = E();
  TxtParserRef jobs = LoadJobs(env.wingJobsFile);
  ucJob page;
  page.resize(900, 700);
  TxtParserRef p = jobs;
  page.Init(p);
  TXTObjectRef job = jobs->FindIndex(0);
  int32_t t = 19;
  for (auto _ : state) {
    page.ShowObject(job, t);
    benchmark::DoNotOptimize(page.WingsView->topLevelItemCount());
  }
  if (page.WingsView->topLevelItemCount() != kWingJobs) state.SkipWithError("rows missing");
}
BENCHMARK(BM_WingsTab10000Jobs)->Unit(benchmark::kMillisecond);

// As many hash look-ups of the jobs by ID, and the same rows added.
void BM_WingsLookupsAndRowAdds(benchmark::State& state) {
  Env& env = E();
  TxtParserRef jobs = LoadJobs(env.wingJobsFile);
  std::unordered_map<double, const clsTXTObject*> byID;
  for (const TXTObjectPtr& j : jobs->UnsortedObjects) byID.emplace(double(j->LongAt(0)), j.get());
  std::vector<mdlJob::WingRow> texts;
  for (const TXTObjectPtr& j : jobs->UnsortedObjects) texts.push_back({mdlJob::JobObjectName(*j), "Description"});
  QTreeWidget view;
  view.resize(900, 700);
  for (auto _ : state) {
    view.setUpdatesEnabled(false);
    view.clear();
    const QFontMetrics metrics(view.font());
    int a = 0, b = 0;
    QList<QTreeWidgetItem*> items;
    for (int i = 1; i <= kWingJobs; ++i) {
      auto it = byID.find(double(i));
      benchmark::DoNotOptimize(it);
      const mdlJob::WingRow& row = texts[static_cast<size_t>(i - 1)];
      auto* item = new QTreeWidgetItem;
      const QString id = QString::fromStdString(row.id), name = QString::fromStdString(row.name);
      item->setText(0, id);
      item->setText(1, name);
      a = std::max(a, metrics.horizontalAdvance(id));
      b = std::max(b, metrics.horizontalAdvance(name));
      items.push_back(item);
    }
    view.setColumnCount(2);
    view.setHeaderLabels({"ID", "Name"});
    view.setColumnWidth(0, a);
    view.setColumnWidth(1, b);
    view.addTopLevelItems(items);
    view.setUpdatesEnabled(true);
  }
}
BENCHMARK(BM_WingsLookupsAndRowAdds)->Unit(benchmark::kMillisecond);

// ---- ship combo ----

void BM_ShipComboOver100000Ships(benchmark::State& state) {
  E();
  TxtParserRef jobs = std::make_shared<clsTxtParser>();
  for (auto _ : state) {
    state.PauseTiming();
    auto page = std::make_unique<ucJob>();
    state.ResumeTiming();
    TxtParserRef p = jobs;
    page->Init(p);
    benchmark::DoNotOptimize(page->cmbShipTypeID->count());
    state.PauseTiming();
    if (page->cmbShipTypeID->count() != kShips + 1) state.SkipWithError("ships missing");
    page.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ShipComboOver100000Ships)->Unit(benchmark::kMicrosecond);

// A plain list model whose texts are made from the ship list when the combo asks.
class LazyShipModel : public QAbstractListModel {
 public:
  LazyShipModel(mdlJob::ShipCombo combo, QObject* parent) : QAbstractListModel(parent), combo_(std::move(combo)) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : combo_.Count(); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
    return QString::fromStdString(combo_.Text(index.row()));
  }

 private:
  mdlJob::ShipCombo combo_;
};

// The same kind of combo the plain way: the ship list indexed and a combo over a model
// of it, each run.
void BM_PlainLazyModelComboOfTheSameShips(benchmark::State& state) {
  E();
  for (auto _ : state) {
    state.PauseTiming();
    auto box = std::make_unique<QComboBox>();
    state.ResumeTiming();
    box->setModel(new LazyShipModel(mdlJob::ShipCombo(Archive->GetFile("TShips"), true), box.get()));
    benchmark::DoNotOptimize(box->count());
    state.PauseTiming();
    if (box->count() != kShips + 1) state.SkipWithError("ships missing");
    box.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PlainLazyModelComboOfTheSameShips)->Unit(benchmark::kMicrosecond);

// For scale, not a like pair: every text made up front and added.
void BM_AddItemsBuildingEveryText(benchmark::State& state) {
  E();
  const mdlJob::ShipCombo combo(Archive->GetFile("TShips"), true);
  QStringList texts;
  for (int32_t i = 0; i < combo.Count(); ++i) texts.push_back(QString::fromStdString(combo.Text(i)));
  for (auto _ : state) {
    state.PauseTiming();
    auto box = std::make_unique<QComboBox>();
    state.ResumeTiming();
    box->addItems(texts);
    benchmark::DoNotOptimize(box->count());
    state.PauseTiming();
    box.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddItemsBuildingEveryText)->Unit(benchmark::kMillisecond);

// ---- the editor window's list ----

void ListFill(benchmark::State& state, bool withPage) {
  Env& env = E();
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage,
                               withPage ? frmTXTEditor::PageFactory([](QWidget* parent) -> EditorPage* {
                                 return new ucJob(parent);
                               })
                                        : frmTXTEditor::PageFactory());
  auto* w = new frmTXTEditor;
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->MyShow();
  w->OpenFile(env.jobsFile);
  if (w->Parser()->Count() != kListJobs) state.SkipWithError("open failed");
  for (auto _ : state) w->SetListMode(0);
  w->Parser()->FileName.clear();
  delete w;
  frmTXTEditor::SetPageFactory(frmTXTEditor::kJobPage, nullptr);
}
void BM_ListOf100000JobsWithJobPage(benchmark::State& state) { ListFill(state, true); }
void BM_ListOf100000JobsWithoutPage(benchmark::State& state) { ListFill(state, false); }
BENCHMARK(BM_ListOf100000JobsWithJobPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListOf100000JobsWithoutPage)->Unit(benchmark::kMillisecond);

}  // namespace


BENCHMARK_MAIN();
