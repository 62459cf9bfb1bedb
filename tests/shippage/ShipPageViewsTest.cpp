// The ship page's members for the hosts, the views of every tab after ShowObject, the
// toolbar states, and the laser and missile lists with their masks.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <set>

#include "ShipPageFixture.h"
#include "core/ui/CommonUi.h"

namespace {
std::vector<std::string> ToolbarKeys(QToolBar* bar, std::vector<bool>* enabled = nullptr) {
  std::vector<std::string> keys;
  for (QAction* a : bar->actions()) {
    keys.push_back(a->objectName().toStdString());
    if (enabled) enabled->push_back(a->isEnabled());
  }
  return keys;
}
}  // namespace

TEST_F(ShipPageTest, HostMembers) {
  MakePage();
  int32_t type = 1, other = 9;
  EXPECT_TRUE(page->JvQueryInterfaceEx(type));
  EXPECT_FALSE(page->JvQueryInterfaceEx(other));
  EXPECT_FALSE(page->JvQueryInterface(9));
  EXPECT_EQ(page->ObjectTypeName(type), "Ships v.30");
  EXPECT_EQ(page->ObjectTypeName(other), "");
  EXPECT_EQ(page->PageName(other), "Ship info");
  EXPECT_EQ(page->JvQueryInfo(type), 7);

  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  EXPECT_EQ(page->ObjectName(falcon), "SS_SH_FALCON");
  EXPECT_EQ(page->GetClass(falcon), "Fighter");
  EXPECT_EQ(page->GetRace(falcon), "Brenn");
  EXPECT_EQ(page->GetResourceName(falcon), "Brenn Falcon Raider");
  TXTObjectRef stranger = std::make_shared<clsTXTObject>();
  stranger->Construct(65);
  stranger->id = 999;
  EXPECT_EQ(page->GetClass(stranger), "");
  EXPECT_EQ(page->GetResourceName(stranger), "");

  std::string report;
  EXPECT_TRUE(page->Validate(report));
  EXPECT_EQ(report, "");

  // A new record: 65 values, a ship in both collections, a unique name.
  TXTObjectRef created = page->CreateObject(type, parser, nullptr);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->size(), 65);
  EXPECT_TRUE(page->Ships()->Find(created->id));
  EXPECT_EQ(page->Ships()->UnsortedShips.Count(), 4);
  page->JvAssignUniqueObjectName(created);
  EXPECT_EQ(created->ObjectName(), "NEW_OBJECT_1");
  page->InitObject(created);
  EXPECT_TRUE(page->RemoveObject(created));
  EXPECT_FALSE(page->Ships()->Find(created->id));
  EXPECT_FALSE(page->RemoveObject(created));
  EXPECT_FALSE(page->RemoveObject(stranger));

  // The value description members over a record.
  int32_t speed = 7, race = 45, body = 0;
  EXPECT_EQ(page->JvSupportValueTranslate(falcon, speed), 1);
  EXPECT_EQ(page->JvGetValueUnit(falcon, speed), "m/s");
  EXPECT_EQ(page->JvGetValueType(falcon, body), 2);
  EXPECT_EQ(page->JvGetPropertyValues(falcon, race).At(2), "Brenn");
  std::string text;
  EXPECT_TRUE(page->JvTranslateValue(falcon, speed, text, true));
  EXPECT_EQ(text, "50.00");
  kz::Variant v("60");
  EXPECT_TRUE(page->JvTranslateValueBack(falcon, "60", speed, v));
  EXPECT_TRUE(v == kz::Variant(int32_t(30000)));
}

TEST_F(ShipPageTest, InitFailureAndWareListViewer) {
  MakePage();
  EXPECT_EQ(viewer->inits, 1);
  // A turret count that is no number: the ship objects cannot be built.
  auto broken = std::make_shared<clsTxtParser>();
  TXTObjectPtr r = broken->CreateObject();
  r->Construct(65);
  r->SetValue(53, kz::Variant("many"));
  TxtParserRef ref = broken;
  EXPECT_FALSE(page->Init(ref));
  EXPECT_EQ(page->GetLastError().rfind("Error loading ship objects (ship idx=0): ", 0), 0u) << page->GetLastError();
  // The supporting files are fetched once: a second Init does not init the viewer again.
  EXPECT_TRUE(page->Init(parser));
  EXPECT_EQ(viewer->inits, 1);
}

TEST_F(ShipPageTest, ViewsOfEveryTab) {
  MakePage();
  Show("SS_SH_FALCON");
  EXPECT_FALSE(page->NoShipShown());

  // Info: the ID row first, the class translated, the description box.
  EXPECT_EQ(page->InfoView->topLevelItem(0)->text(0).toStdString(), "ID");
  EXPECT_EQ(page->InfoView->topLevelItem(0)->text(1).toStdString(), "SS_SH_FALCON");
  EXPECT_EQ(page->InfoView->topLevelItem(1)->text(1).toStdString(), "Fighter (5)");
  EXPECT_EQ(page->InfoView->topLevelItemCount(), 19);
  EXPECT_TRUE(page->DescEdit->toPlainText().startsWith("Ship type: Heavy fighter"));
  EXPECT_TRUE(page->DescEdit->toPlainText().endsWith("Description: A fighter."));
  // Performance: speed with its range, the recharge figure last.
  const int speedRow = RowOfField(page->PerformanceView, 7);
  ASSERT_GE(speedRow, 0);
  EXPECT_EQ(page->PerformanceView->topLevelItem(speedRow)->text(1).toStdString(), "50.00 - 75.00 m/s (25000)");
  QTreeWidgetItem* recharge = page->PerformanceView->topLevelItem(page->PerformanceView->topLevelItemCount() - 1);
  EXPECT_EQ(recharge->text(0).toStdString(), "Max recharge time");
  EXPECT_EQ(recharge->text(1).toStdString(), "2 x Light Shield = 8 s");
  EXPECT_EQ(Column(page->ModelView, 2).back(), "0");
  // Weapons: the gun group count row at its field.
  const auto weaponCaptions = Column(page->WeaponView, 0);
  EXPECT_EQ(weaponCaptions[7], "Gun group count");
  EXPECT_EQ(page->WeaponView->topLevelItem(7)->text(1).toStdString(), "3");
  EXPECT_EQ(page->WeaponView->topLevelItem(7)->text(2).toStdString(), "70");

  // Turrets: four entries, the third real one on a cockpit past the file.
  EXPECT_EQ(Column(page->TurView, 0), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Column(page->TurView, 7), (std::vector<std::string>{"", "front (1)", "rear (2)", "left (3)"}));
  EXPECT_EQ(Column(page->TurView, 6), (std::vector<std::string>{"", "0", "1", "7"}));
  EXPECT_EQ(Column(page->CockpView, 0), (std::vector<std::string>{"2", "3", "4"}));
  EXPECT_EQ(Column(page->CockpView, 2),
            (std::vector<std::string>{"SS_COCKPIT_A", "SS_COCKPIT_B", "[cockpit not found]"}));
  EXPECT_EQ(page->lblTData->text().toStdString(), "Turrets descriptor: 0;1;1;2;7;3;0;0;0;0;0;0;");
  // Gun groups and the guns of the first, which is current.
  EXPECT_EQ(Column(page->GunGroupView, 3), (std::vector<std::string>{"2", "4", "1"}));
  EXPECT_EQ(Column(page->GunGroupView, 6), (std::vector<std::string>{"front cockpit", "front", "left"}));
  ASSERT_TRUE(page->CurrentGunGroup);
  ASSERT_TRUE(page->CurrentTurret);
  EXPECT_EQ(page->CurrentTurret->index(), 1);
  EXPECT_EQ(page->GunView->topLevelItemCount(), 1);
  EXPECT_EQ(page->GunView->topLevelItem(0)->text(2).toStdString(), "gbody_0_0");
  // Selecting the second group shows its two guns; the debug view shows offsets.
  page->SelectGunGroup(page->GunGroupView->topLevelItem(1));
  EXPECT_EQ(page->GunView->topLevelItemCount(), 2);
  EXPECT_EQ(page->CurrentGun, page->CurrentGunGroup->Guns.Item(1));
  page->rbGunView[1]->click();
  EXPECT_EQ(page->GunView->headerItem()->text(1).toStdString(), "[offset]");
  EXPECT_EQ(page->GunView->topLevelItem(1)->text(1).toStdString(),
            std::to_string(page->CurrentGunGroup->Guns.Item(2)->offset));

  // Lasers: field 18 = 5; missiles: an old unsigned mask with every bit set.
  EXPECT_EQ(Column(page->LaserView, 0), (std::vector<std::string>{"0", "2"}));
  EXPECT_EQ(Column(page->AvailLasView, 0), (std::vector<std::string>{"1", "3", "4"}));
  EXPECT_EQ(page->LaserView->topLevelItem(0)->text(1).toStdString(), "Ray");
  EXPECT_EQ(page->LaserView->topLevelItem(1)->text(1).toStdString(), "SS_LASER_2");
  EXPECT_EQ(Column(page->MslView, 1), (std::vector<std::string>{"Mosquito", "SS_MISSILE_1", "SS_MISSILE_2"}));
  EXPECT_EQ(page->AvailMslView->topLevelItemCount(), 0);
  // Wares: field 30 in the box and the viewer asked for that list.
  EXPECT_EQ(page->WareListIDEdit->text().toStdString(), "1");
  EXPECT_EQ(viewer->shown.back(), 1);

  // A ship with only the main cockpit entry: one turret row without type and position.
  Show("SS_SH_BARE");
  EXPECT_EQ(page->TurView->topLevelItemCount(), 1);
  EXPECT_EQ(page->TurView->topLevelItem(0)->text(6).toStdString(), "");
  EXPECT_EQ(page->CockpView->topLevelItemCount(), 0);
  EXPECT_EQ(viewer->shown.back(), 0);

  // No record: every list empty, the ware list box and viewer cleared.
  const int clears = viewer->clears;
  Show("");
  EXPECT_TRUE(page->NoShipShown());
  for (QTreeWidget* list : {page->InfoView, page->PerformanceView, page->TurView, page->GunGroupView, page->GunView,
                            page->LaserView, page->AvailLasView, page->MslView})
    EXPECT_EQ(list->topLevelItemCount(), 0) << list->objectName().toStdString();
  EXPECT_EQ(page->WareListIDEdit->text().toStdString(), "");
  EXPECT_GT(viewer->clears, clears);
}

TEST_F(ShipPageTest, ToolbarFollowsTabRecordAndReadOnly) {
  MakePage();
  Show("SS_SH_FALCON");
  EXPECT_EQ(ToolbarKeys(page->MainToolbar), (std::vector<std::string>{"showbody", "showmodel", "showcockpit"}));
  page->MainTab->setCurrentIndex(3);
  page->MainTab->setCurrentIndex(4);
  std::vector<bool> enabled;
  EXPECT_EQ(ToolbarKeys(page->MainToolbar, &enabled), (std::vector<std::string>{"newturret", "delturret"}));
  EXPECT_EQ(enabled, (std::vector<bool>{true, true}));
  page->MainTab->setCurrentIndex(5);
  EXPECT_EQ(ToolbarKeys(page->MainToolbar), (std::vector<std::string>{"newgun", "delgun"}));
  page->MainTab->setCurrentIndex(6);
  EXPECT_TRUE(ToolbarKeys(page->MainToolbar).empty());

  page->MainTab->setCurrentIndex(4);
  page->SetReadOnly(true);
  EXPECT_FALSE(page->btnAddLaser->isEnabled());
  EXPECT_FALSE(page->btnRemoveLaser->isEnabled());
  EXPECT_TRUE(page->btnAddMsl->isEnabled());
  enabled.clear();
  ToolbarKeys(page->MainToolbar, &enabled);
  EXPECT_EQ(enabled, (std::vector<bool>{false, false}));
  page->SetReadOnly(false);
  // No record shown: the record of an empty ship has the key number 0.
  Show("");
  enabled.clear();
  ToolbarKeys(page->MainToolbar, &enabled);
  EXPECT_EQ(enabled, (std::vector<bool>{false, false}));
}

TEST_F(ShipPageTest, TabRowStaysInPlaceWhetherTheToolbarHasButtonsOrNot) {
  MakePage();
  Show("SS_SH_FALCON");
  std::set<int> tops, toolbarHeights;
  std::set<bool> withButtons;
  for (int tab = 0; tab < page->MainTab->count(); ++tab) {
    page->MainTab->setCurrentIndex(tab);
    page->layout()->activate();
    QApplication::processEvents();
    withButtons.insert(!ToolbarKeys(page->MainToolbar).empty());
    tops.insert(page->MainTab->y());
    toolbarHeights.insert(page->MainToolbar->height());
  }
  ASSERT_EQ(withButtons, (std::set<bool>{false, true}));  // both kinds of tab were seen
  EXPECT_EQ(tops.size(), 1u);
  EXPECT_EQ(toolbarHeights.size(), 1u);
}

TEST_F(ShipPageTest, ModelButtonsSayWhyNothingStarts) {
  MakePage();
  Show("SS_SH_FALCON");
  // No 3D viewer set: the settings' message, for every model button.
  Settings->SetExt3DViewerPath("");
  for (const char* key : {"showbody", "showmodel", "showcockpit"}) {
    const size_t before = MsgTexts().size();
    page->ToolbarClick(key);
    ASSERT_EQ(MsgTexts().size(), before + 1) << key;
    EXPECT_EQ(MsgTexts().back(), "You didn't specified path to external 3D viewer.\r\nGo to Settings and set it up.");
  }
  // A viewer, but no such model in the game's files.
  Settings->SetExt3DViewerPath("/opt/view/viewer");
  page->ToolbarClick("showcockpit");
  ASSERT_FALSE(MsgTexts().empty());
  EXPECT_EQ(MsgTexts().back().rfind("The model objects\\cut\\", 0), 0u) << MsgTexts().back();
  EXPECT_NE(MsgTexts().back().find(" is not in the game's files."), std::string::npos) << MsgTexts().back();
}

TEST_F(ShipPageTest, SelectionIsKeptAcrossRefills) {
  MakePage();
  Show("SS_SH_FALCON");
  SelectRow(page->InfoView, 5);
  page->RefreshProperties();
  EXPECT_EQ(kz::GetListViewSelIndex(page->InfoView), 6);
  // Fewer rows afterwards: nothing selected.
  SelectRow(page->TurView, 3);
  Show("SS_SH_BARE");
  page->ShowTurrets();
  EXPECT_EQ(page->TurView->topLevelItemCount(), 1);
}

TEST_F(ShipPageTest, CtrlInsertCopiesTheValueColumn) {
  MakePage();
  Show("SS_SH_FALCON");
  const int row = RowOfField(page->PerformanceView, 8);
  SelectRow(page->PerformanceView, row);
  page->ListKeyDown(page->PerformanceView, Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "5.000 m/s (2500)");
}

TEST_F(ShipPageTest, LasersAndMissilesMoveWithTheirBits) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);

  SelectRow(page->AvailLasView, 2);  // position 4
  page->AddLaser();
  EXPECT_EQ(kz::CLng(falcon->Value(18)), 5 | 16);
  EXPECT_EQ(Column(page->LaserView, 0), (std::vector<std::string>{"0", "2", "4"}));
  EXPECT_EQ(Column(page->AvailLasView, 0), (std::vector<std::string>{"1", "3"}));
  EXPECT_EQ(changed.count(), 1);
  const int maskRow = RowOfField(page->WeaponView, 18);
  EXPECT_EQ(page->WeaponView->topLevelItem(maskRow)->text(1).toStdString(), "21");

  SelectRow(page->LaserView, 0);  // position 0
  page->RemoveLaser();
  EXPECT_EQ(kz::CLng(falcon->Value(18)), 4 | 16);
  EXPECT_EQ(Column(page->AvailLasView, 0), (std::vector<std::string>{"1", "3", "0"}));  // appended at the end

  // Missiles: the old unsigned mask 4294967295 is read whole and stays unsigned, in the
  // kind it was read in; moved away and back it is stored as it was read.
  const kz::Variant readMask = falcon->Value(24);
  SelectRow(page->MslView, 0);
  page->RemoveMissile();
  EXPECT_EQ(falcon->Value(24).Kind(), readMask.Kind());
  EXPECT_EQ(kz::CStr(falcon->Value(24)), "4294967294");
  SelectRow(page->AvailMslView, 0);
  page->AddMissile();
  EXPECT_EQ(falcon->Value(24).Kind(), readMask.Kind());
  EXPECT_EQ(kz::CStr(falcon->Value(24)), "4294967295");
  EXPECT_EQ(changed.count(), 4);

  // Read-only: nothing moves, the missile buttons do nothing either.
  page->SetReadOnly(true);
  SelectRow(page->AvailLasView, 0);
  page->AddLaser();
  page->btnRemoveMsl->click();
  EXPECT_EQ(kz::CLng(falcon->Value(18)), 4 | 16);
  EXPECT_EQ(kz::CStr(falcon->Value(24)), "4294967295");
  EXPECT_EQ(changed.count(), 4);

  // No row selected: nothing.
  page->SetReadOnly(false);
  page->AvailLasView->clearSelection();
  page->AddLaser();
  EXPECT_EQ(changed.count(), 4);
}
