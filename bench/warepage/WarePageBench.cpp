// The ware page: showing a record against filling the same rows untranslated; the
// editor window's list of 100,000 wares with the page against without a page; the
// value dialog's list of 100,000 entries against addItems; and the icon sheet of
// 2048 x 2048 pixels through the page against the image library's own load.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QStringList>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/KzConst.h"
#include "core/VupBindings.h"
#include "core/ui/CommonUi.h"
#include "gamelibs/rudu/rudu.h"
#include "gamelibs/zuzer/zuzer.h"
#include "platform/ScriptedUi.h"
#include "txteditor/TXTEditor.h"
#include "typefiles/Archive.h"
#include "wareeditors/Ware.h"
#include "wareeditors/WareIcons.h"
#include "wareeditors/model/WareTranslation.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kSheet = 2048;

struct Env {
  std::filesystem::path dir;
  std::string wares;
  std::string sheet;
  std::unique_ptr<QApplication> app;
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();

  Env() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "warepage_bench";
    static char* argv[] = {arg0, nullptr};
    app = std::make_unique<QApplication>(argc, argv);
    platform::Ui::SetInstance(ui);
    mdlKzConst::InitArrays();
    dir = std::filesystem::temp_directory_path() / ("kz-warepage-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "types");
    std::filesystem::create_directories(dir / "textures");
    wares = (dir / "types" / "TWareT.txt").string();
    {
      std::ofstream out(wares, std::ios::binary);
      out << "30;" << kRecords << ";\r\n";
      for (int r = 0; r < kRecords; ++r) {
        out << "wares\\ware" << r << ";0;0.000000;0.000000;0.000000;0;" << (5000 + r) << ";";
        for (int i = 7; i < 16; ++i) out << (r + i) % 7 << ";";
        out << "SS_WARE_" << r << ";\r\n";
      }
    }
    {
      std::ofstream out(dir / "types" / "IconData.txt", std::ios::binary);
      out << "ICONTYPE_GUI;gui_sheet.dds;32;32;1;\r\nICON_A;0;0;0;32;32;\r\n";
    }
    sheet = (dir / "textures" / "gui_sheet.tga").string();
    {
      std::string t(18, '\0');
      t[2] = 2;
      t[12] = static_cast<char>(kSheet & 255);
      t[13] = static_cast<char>(kSheet >> 8);
      t[14] = static_cast<char>(kSheet & 255);
      t[15] = static_cast<char>(kSheet >> 8);
      t[16] = 24;
      t[17] = 0x20;
      t.resize(18 + static_cast<size_t>(kSheet) * kSheet * 3);
      for (size_t i = 18; i < t.size(); ++i) t[i] = static_cast<char>(i * 7);
      std::ofstream(sheet, std::ios::binary) << t;
    }
    ZuZER_AddVFSFilter("types\\*");
    ZuZER_AddVFSFilter("textures\\*");
    ZuZER_CreateVFS(dir.c_str());
    Archive = std::make_shared<clsArchive>();
  }
  ~Env() { std::filesystem::remove_all(dir); }
};

Env& E() {
  static Env env;
  return env;
}

std::shared_ptr<clsTXTObject> Bullet() {
  auto r = std::make_shared<clsTXTObject>();
  std::vector<kz::Variant> v;
  v.push_back(kz::Variant("bullets\\ire"));
  for (int i = 1; i < 36; ++i) v.push_back(kz::Variant(int32_t{1000 + i * 37}));
  v.push_back(kz::Variant("SS_BULLET"));
  r->AssignValues(std::move(v));
  r->otype = 4;
  return r;
}

void BM_ShowObject(benchmark::State& state) {
  E();
  auto* page = new ucWare;
  int32_t t = 4;
  page->JvQueryInterfaceEx(t);
  TXTObjectRef record = Bullet();
  for (auto _ : state) {
    int32_t type = 4;
    page->ShowObject(record, type);
    benchmark::DoNotOptimize(page->PropView->topLevelItemCount());
  }
  delete page;
}
BENCHMARK(BM_ShowObject)->Unit(benchmark::kMicrosecond);

// The same rows (count, captions and raw values) into the same kind of list.
void BM_FillRowsUntranslated(benchmark::State& state) {
  E();
  auto* page = new ucWare;
  TXTObjectRef record = Bullet();
  int32_t t = 4;
  page->JvQueryInterfaceEx(t);
  page->ShowObject(record, t);
  const int rows = page->PropView->topLevelItemCount();
  auto* view = new QTreeWidget;
  view->setColumnCount(3);
  for (auto _ : state) {
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < rows; ++i) {
      const int32_t f = i % record->size();
      auto* item = new QTreeWidgetItem;
      item->setText(0, QString::fromStdString(ware::PropertyName(*record, f)));
      item->setText(1, QString::fromStdString(kz::CStr(record->Value(f))));
      item->setText(2, QString::number(f));
      item->setData(0, Qt::UserRole, f);
      items.push_back(item);
    }
    view->addTopLevelItems(items);
    view->setUpdatesEnabled(true);
    benchmark::DoNotOptimize(view->topLevelItemCount());
  }
  delete view;
  delete page;
}
BENCHMARK(BM_FillRowsUntranslated)->Unit(benchmark::kMicrosecond);

void OpenWares(benchmark::State& state, bool withPage) {
  Env& env = E();
  for (int slot = 0; slot < frmTXTEditor::kPageSlots; ++slot) frmTXTEditor::SetPageFactory(slot, nullptr);
  if (withPage) frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, [](QWidget* p) { return new ucWare(p); });
  for (auto _ : state) {
    state.PauseTiming();
    auto* w = new frmTXTEditor;
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->MyShow();
    state.ResumeTiming();
    w->OpenFile(env.wares);
    state.PauseTiming();
    if (w->Parser()->Count() != kRecords || (withPage != (w->CurrentPage() != nullptr)))
      state.SkipWithError("open failed");
    w->Parser()->FileName.clear();
    delete w;
    QApplication::processEvents();
    state.ResumeTiming();
  }
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWarePage, nullptr);
}
void BM_ListFillWithWarePage(benchmark::State& state) { OpenWares(state, true); }
void BM_ListFillWithoutPage(benchmark::State& state) { OpenWares(state, false); }
BENCHMARK(BM_ListFillWithWarePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFillWithoutPage)->Unit(benchmark::kMillisecond);

kz::NameTable Names() {
  kz::NameTable t(0, kRecords - 1);
  for (int i = 0; i < kRecords; ++i) t.Set(i, "SS_WARE_" + std::to_string(i));
  return t;
}

void BM_ValueListFillCombo(benchmark::State& state) {
  E();
  const kz::NameTable names = Names();
  QComboBox combo;
  for (auto _ : state) {
    kz::FillCombo(&combo, names);
    benchmark::DoNotOptimize(combo.count());
  }
}
BENCHMARK(BM_ValueListFillCombo)->Unit(benchmark::kMillisecond);

void BM_ValueListAddItems(benchmark::State& state) {
  E();
  const kz::NameTable names = Names();
  QComboBox combo;
  for (auto _ : state) {
    combo.clear();
    QStringList list;
    list.reserve(kRecords);
    for (const std::string& n : names.Items()) list.push_back(QString::fromStdString(n));
    combo.addItems(list);
    benchmark::DoNotOptimize(combo.count());
  }
}
BENCHMARK(BM_ValueListAddItems)->Unit(benchmark::kMillisecond);

void BM_SheetThroughPage(benchmark::State& state) {
  E();
  if (!kz::vup::Available()) state.SkipWithError("no image library");
  for (auto _ : state) {
    WareIconSheet sheet;
    sheet.LoadTable();
    sheet.LoadSheet();
    if (sheet.Sheet().width() != kSheet) state.SkipWithError("sheet not loaded");
    benchmark::DoNotOptimize(sheet.Sheet().constBits());
  }
}
BENCHMARK(BM_SheetThroughPage)->Unit(benchmark::kMillisecond);

void BM_SheetLibraryLoad(benchmark::State& state) {
  Env& env = E();
  if (!kz::vup::Available()) state.SkipWithError("no image library");
  for (auto _ : state) {
    kz::vup::Init();
    const int32_t bmp = kz::vup::ConvertToHBitmap(env.sheet, 0);
    kz::vup::Term();
    if (bmp == 0) state.SkipWithError("no bitmap");
    benchmark::DoNotOptimize(kz::vup::GetBitmapBits(bmp));
    kz::vup::DeleteBitmap(bmp);
  }
}
BENCHMARK(BM_SheetLibraryLoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
