#pragma once
// The ware page's tests: the Qt application, scripted dialogs, the settings, an archive
// over a data folder of generated type files mounted as the virtual file system.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataFolder.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/QtTestKit.h"
#include "txteditor/Edit.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "videdoded/videdoded.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "wareeditors/Ware.h"
#include "wareeditors/model/WareRules.h"
#include "zuzer/zuzer.h"

inline QApplication& WareTestApp() { return kztest::TestApp("ware_page_tests"); }

// Values of a record line: `size` values, "0" but for the listed ones, the ID last.
inline std::vector<std::string> Line(int32_t size, std::vector<std::pair<int32_t, std::string>> set,
                                     const std::string& id) {
  std::vector<std::string> v(static_cast<size_t>(size), "0");
  for (auto& [i, text] : set) v[static_cast<size_t>(i)] = text;
  v.back() = id;
  return v;
}

class WarePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WareTestApp();
    mdlKzConst::InitArrays();
    static bool filters = [] {
      ZuZER_AddVFSFilter("textures\\*");
      ZuZER_AddVFSFilter("dds\\*");
      return true;
    }();
    (void)filters;
    ui_ = std::make_shared<platform::ScriptedUi>();
    previousUi_ = platform::Ui::SetInstance(ui_);
    previousArchive_ = Archive;
    Archive = std::make_shared<clsArchive>();
    previousLibrary_ = WareImageLibrary::Current();
  }

  void TearDown() override {
    for (ucWare* p : pages_) delete p;
    pages_.clear();
    QApplication::processEvents();
    WareImageLibrary::Current() = previousLibrary_;
    ucWare::ColourEditHook() = nullptr;
    Archive = previousArchive_;
    platform::Ui::SetInstance(previousUi_);
    Kz_TREDescServerUnload();
  }

  void WriteType(const std::string& name, int32_t version, const std::vector<std::vector<std::string>>& records) {
    data_.Write("types/" + name + ".txt", testdata::TypeFile(version, records));
  }
  void Mount() {
    data_.Mount();
    Archive->Clear();
  }

  // A parser of a type file written into the folder.
  TxtParserRef Parse(const std::string& name, int32_t type) {
    TxtParserRef p = Archive->GetFile(name);
    EXPECT_TRUE(p) << Archive->GetLastError();
    if (p) {
      EXPECT_EQ(p->otype(), type);
      for (const TXTObjectPtr& r : p->UnsortedObjects) r->otype = type;
    }
    return p;
  }

  ucWare* NewPage() {
    auto* page = new ucWare;
    page->resize(600, 500);
    pages_.push_back(page);
    return page;
  }
  // A page prepared and initialised for a file as the editor window does it.
  ucWare* PageFor(const TxtParserRef& parser, int32_t type) {
    ucWare* page = NewPage();
    int32_t t = type;
    EXPECT_TRUE(page->JvQueryInterfaceEx(t));
    TxtParserRef p = parser;
    EXPECT_TRUE(page->Init(p));
    return page;
  }
  static void Show(ucWare* page, TXTObjectRef r, int32_t type) { page->ShowObject(r, type); }

  static std::vector<std::string> Column(QTreeWidget* view, int col) {
    std::vector<std::string> out;
    for (int i = 0; i < view->topLevelItemCount(); ++i) out.push_back(view->topLevelItem(i)->text(col).toStdString());
    return out;
  }
  static int RowOf(QTreeWidget* view, const std::string& caption) {
    for (int i = 0; i < view->topLevelItemCount(); ++i)
      if (view->topLevelItem(i)->text(0).toStdString() == caption) return i;
    return -1;
  }
  static void SelectRow(ucWare* page, int row) {
    page->PropView->setCurrentItem(page->PropView->topLevelItem(row));
    page->PropView->topLevelItem(row)->setSelected(true);
  }

  // Runs `act` on the value dialog once it is shown modally; a dialog still open
  // afterwards is cancelled, so a test never hangs on it.
  static void WhenEditShown(std::function<void(frmEdit&)> act) { kztest::WhenShown<frmEdit>(std::move(act)); }

  std::vector<std::string> MsgTexts() const { return kztest::MsgTexts(*ui_); }

  testdata::DataFolder data_;
  std::shared_ptr<platform::ScriptedUi> ui_;
  std::shared_ptr<platform::Ui> previousUi_;
  ArchivePtr previousArchive_;
  WareImageLibrary previousLibrary_;
  std::vector<ucWare*> pages_;
};
