#pragma once
// Fixtures of the ship page tests: the Qt application, a scripted dialogs service, a
// data folder with the virtual file system, the archive and the description server,
// a ship file whose ships fill every tab, and a ware-list viewer that records calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DataFolder.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "core/Settings.h"
#include "platform/Registry.h"
#include "platform/ScriptedUi.h"
#include "tests/common/PageScope.h"
#include "tests/common/QtTestKit.h"
#include "txteditor/Edit.h"
#include "txteditor/GunEdit.h"
#include "txteditor/Ship.h"
#include "txteditor/TurretEdit.h"
#include "txteditor/WareListViewerSlot.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "videdoded/videdoded.h"

inline QApplication& ShipTestApp() { return kztest::TestApp("shippage_tests"); }

// A viewer that records what the page asks of it.
class RecordingViewer : public WareListViewerBase {
 public:
  using WareListViewerBase::WareListViewerBase;
  bool Init() override {
    ++inits;
    return true;
  }
  void ShowWareList(int32_t index) override { shown.push_back(index); }
  void Clear() override { ++clears; }
  int inits = 0, clears = 0;
  std::vector<int32_t> shown;
};

namespace shipdata {

using testdata::Record;

// One ship line: `turrets` real turrets (type, position) after the main cockpit entry,
// gun groups per turret entry with the counts of their guns; fields set by `fields`.
struct Turret {
  int type, position;
};
inline std::vector<std::string> Ship(const std::string& id, const std::vector<Turret>& turrets,
                                     const std::vector<std::vector<int>>& groups,
                                     const std::vector<std::pair<int, std::string>>& fields = {}) {
  std::vector<std::string> v(53, "0");
  v[0] = "ships\\body";
  for (size_t t = 0; t < turrets.size(); ++t) {
    v[31 + 2 * t] = std::to_string(turrets[t].type);
    v[32 + 2 * t] = std::to_string(turrets[t].position);
  }
  for (const auto& [i, value] : fields) v[static_cast<size_t>(i)] = value;
  const int entries = static_cast<int>(turrets.size()) + 1;
  v.push_back(std::to_string(entries));
  for (int k = 0; k < entries; ++k) {
    v.push_back(std::to_string(k + 1));
    v.push_back(std::to_string(k));
    v.push_back("tbody_" + std::to_string(k));
    v.push_back(std::to_string(k * 10));
  }
  int count = 0;
  for (const auto& g : groups) count += g.empty() ? 0 : 1;
  v.push_back(std::to_string(count));
  int laser = 1, total = 0;
  for (size_t k = 0; k < groups.size(); ++k) {
    if (groups[k].empty()) continue;
    int pseudo = 0;
    for (int c : groups[k]) pseudo += c > 0 ? c : 0;
    v.push_back(std::to_string(laser));
    v.push_back(std::to_string(pseudo));
    v.push_back(std::to_string(k + 1));
    v.push_back(std::to_string(groups[k].size()));
    for (size_t g = 0; g < groups[k].size(); ++g) {
      v.push_back(std::to_string(laser + static_cast<int>(g)));
      v.push_back(std::to_string(groups[k][g]));
      v.push_back("gbody_" + std::to_string(k) + "_" + std::to_string(g));
      v.push_back(std::to_string(g));
      v.push_back("");
      v.push_back("-1");
    }
    laser += pseudo;
    total += pseudo;
  }
  bool fixed19 = false;
  for (const auto& f : fields) fixed19 = fixed19 || f.first == 19;
  if (!fixed19) v[19] = std::to_string(total);
  for (int i = 0; i < 9; ++i) v.push_back(std::to_string(i));
  v.push_back(id);
  return v;
}

}  // namespace shipdata

class ShipPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShipTestApp();
    mdlKzConst::InitArrays();
    kz::InitAllFieldTables();
    Kz_TREDescServerUnload();
    ui_ = std::make_shared<platform::ScriptedUi>();
    globals_.Enter(ui_);
    WareListViewerSlot() = [this](QWidget* parent) {
      viewer = new RecordingViewer(parent);
      return viewer;
    };
    WriteData();
  }
  void TearDown() override {
    delete page;
    page = nullptr;
    WareListViewerSlot() = nullptr;
    globals_.Leave();
  }

  // Lasers (5), missiles (3), shields (2), cockpits (3), texts, and the ship file.
  void WriteData() {
    using testdata::Record;
    using testdata::TypeFile;
    std::vector<std::vector<std::string>> lasers;
    for (int i = 0; i < 5; ++i) lasers.push_back(Record(23, {"l", "0", "0", "0", "0", "0", std::to_string(1100 + i)}, "SS_LASER_" + std::to_string(i)));
    data.Write("types/TLaser.txt", TypeFile(40, lasers));
    data.Write("types/TMissiles.txt",
               TypeFile(48, {Record(37, {"m", "0", "0", "0", "0", "0", "1300"}, "SS_MISSILE_0"),
                             Record(37, {"m", "0", "0", "0", "0", "0", "1301"}, "SS_MISSILE_1"),
                             Record(37, {"m", "0", "0", "0", "0", "0", "1302"}, "SS_MISSILE_2")}));
    data.Write("types/TShields.txt",
               TypeFile(25, {Record(21, {"s", "0", "0", "0", "0", "0", "1201", "500", "1000", "0", "1"}, "SS_SHIELD_A"),
                             Record(21, {"s", "0", "0", "0", "0", "0", "1202", "100", "5000", "0", "1"}, "SS_SHIELD_B")}));
    data.Write("types/TCockpits.txt",
               TypeFile(3, {Record(19, {"c"}, "SS_COCKPIT_A"), Record(19, {"c"}, "SS_COCKPIT_B"),
                            Record(19, {"c"}, "SS_COCKPIT_C")}));
    data.Write("t/440001.xml",
               testdata::TreXml(44, {{17, {{1100, "Ray"}, {1300, "Mosquito"}, {1201, "Light Shield"}, {2001, "Falcon"},
                                           {2002, "A fighter."}, {10002, "Raider"}}},
                                     {1263, {{19306, "Fighter"}}},
                                     {2006, {{3, "Heavy fighter"}}}}));
    using shipdata::Ship;
    ships = {Ship("SS_SH_FALCON", {{0, 1}, {1, 2}, {7, 3}}, {{2}, {1, 3}, {}, {1}},
                  {{5, "5"}, {6, "2001"}, {7, "25000"}, {8, "2500"}, {13, "300"}, {18, "5"}, {20, "1500"}, {21, "2"},
                   {22, "0"}, {23, "2"}, {24, "4294967295"}, {26, "5"}, {28, "10"}, {29, "40"}, {30, "1"},
                   {45, "2"}, {50, "2"}, {52, "3"}}),
             Ship("SS_SH_BARE", {}, {}, {{30, "0"}}),
             Ship("SS_SH_FULL", {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}}, {{1}})};
    data.Write("types/TShips.txt", testdata::TypeFile(30, ships));
  }

  // Mounts the folder and makes a page over the ship file (not yet shown).
  void MakePage() {
    data.Mount();
    Archive->Clear();
    ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
    parser = Archive->GetFile("TShips");
    ASSERT_TRUE(parser);
    page = new ucShip;
    page->resize(900, 600);
    page->show();
    ASSERT_TRUE(page->Init(parser)) << page->GetLastError();
  }
  TXTObjectRef Rec(const std::string& id) const { return parser->FindID(id); }
  void Show(const std::string& id) {
    TXTObjectRef r = id.empty() ? nullptr : Rec(id);
    int32_t type = 1;
    page->ShowObject(r, type);
  }

  std::vector<std::string> MsgTexts() const { return kztest::MsgTexts(*ui_); }
  std::string LastMsg() const { return kztest::LastMsg(*ui_); }
  static std::vector<std::string> Column(QTreeWidget* list, int column) {
    std::vector<std::string> out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out.push_back(list->topLevelItem(i)->text(column).toStdString());
    return out;
  }
  static void SelectRow(QTreeWidget* list, int row) {
    list->setCurrentItem(list->topLevelItem(row));
    list->topLevelItem(row)->setSelected(true);
  }
  // The row of a property list whose [offset] column is `field`.
  static int RowOfField(QTreeWidget* list, int field) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->text(2) == QString::number(field)) return i;
    return -1;
  }

  // Runs `act` on the modal dialog of type D once it is shown; a dialog still open
  // afterwards is cancelled, so a test never hangs on it.
  template <class D>
  static void WhenShown(std::function<void(D&)> act) {
    kztest::WhenShown<D>(std::move(act));
  }

  testdata::DataFolder data;
  std::vector<std::vector<std::string>> ships;
  TxtParserPtr parser;
  ucShip* page = nullptr;
  RecordingViewer* viewer = nullptr;
  std::shared_ptr<platform::ScriptedUi> ui_;
  kztest::PageScope globals_;
};
