#pragma once
// Fixtures of the job, ware-list and turret page tests: the Qt application, a scripted
// dialogs service, the settings, a data folder with the virtual file system over it,
// and the process-wide archive and description server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
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
#include "tests/common/PageScope.h"
#include "tests/common/QtTestKit.h"
#include "txteditor/Edit.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "videdoded/videdoded.h"

inline QApplication& PagesTestApp() { return kztest::TestApp("joblists_tests"); }

// Lines of the ware-lists layout: the count, then per list its length and its IDs.
inline std::string WareListsText(const std::vector<std::vector<std::string>>& lists) {
  std::string t = "// test data\r\n" + std::to_string(lists.size()) + ";\r\n";
  for (const auto& l : lists) {
    t += std::to_string(l.size()) + ";";
    for (const auto& id : l) t += id + ";";
    t += "\r\n";
  }
  return t;
}

// Lines of the job wings layout: per wing its ID, then the job IDs.
inline std::string JobWingsText(const std::vector<std::vector<int>>& wings) {
  std::string t = "// test data\r\n";
  for (const auto& w : wings) {
    for (int v : w) t += std::to_string(v) + ";";
    t += "\r\n";
  }
  return t;
}

// A property list fitted to what it shows: every column but the last at least as wide as
// its widest text, the last one reaching at least to the list's right edge less the margin.
inline void ExpectColumnsFitted(QTreeWidget* v) {
  SCOPED_TRACE(v->objectName().toStdString());
  const int last = v->columnCount() - 1;
  const QAbstractItemView* view = v;
  for (int c = 0; c < last; ++c) EXPECT_GE(v->columnWidth(c), view->sizeHintForColumn(c)) << "column " << c;
  EXPECT_GE(v->header()->sectionPosition(last) + v->columnWidth(last), v->viewport()->width() - 100 / 15);
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PagesTestApp();
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();
    Kz_TREDescServerUnload();
    clsDescServer::NotifyStoreChanged();
    ui_ = std::make_shared<platform::ScriptedUi>();
    globals_.Enter(ui_);
    Settings->SetLoadDescriptions(true);
  }
  void TearDown() override { globals_.Leave(); }

  // Builds the file system over the folder and loads the English texts (when any).
  void Mount(bool texts = true) {
    data.Mount();
    Archive->Clear();
    if (texts) {
      ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
    }
  }

  std::vector<std::string> MsgTexts() const { return kztest::MsgTexts(*ui_); }

  // Runs `act` on the value dialog once it is shown modally; a dialog still open
  // afterwards is cancelled.
  static void WhenEditShown(std::function<void(frmEdit&)> act) { kztest::WhenShown<frmEdit>(std::move(act)); }

  testdata::DataFolder data;
  std::shared_ptr<platform::ScriptedUi> ui_;
  kztest::PageScope globals_;
};
