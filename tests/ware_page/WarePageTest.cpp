// The ware page's host members for every type code and its record views on the page.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolBar>

#include "WarePageFixture.h"
#include "core/AppError.h"

TEST_F(WarePageTest, HostMembersForEveryTypeCode) {
  WriteType("TSpecial", 9, {Line(18, {}, "SS_SPECIAL")});
  Mount();
  TxtParserRef parser = Parse("TSpecial", 8);
  ucWare* page = NewPage();
  TxtParserRef p = parser;
  ASSERT_TRUE(page->Init(p));
  for (int32_t type = 0; type <= 22; ++type) {
    int32_t t = type;
    const bool handled = (type >= 2 && type <= 8) || (type >= 10 && type <= 18);
    EXPECT_EQ(page->JvQueryInterfaceEx(t), handled) << type;
    EXPECT_EQ(page->JvQueryInterface(type), handled) << type;
    t = type;
    const std::string typeName = page->ObjectTypeName(t);
    EXPECT_EQ(typeName.empty(), !handled || type == 16) << type;
    if (!typeName.empty()) EXPECT_NE(typeName.find(" v.9"), std::string::npos) << type;
    t = type;
    EXPECT_EQ(page->JvQueryInfo(t), type == 7 ? 3 : type == 4 ? 0 : 1) << type;
    t = type;
    TxtParserRef container = std::make_shared<clsTxtParser>();
    TXTObjectRef made = page->CreateObject(t, container, nullptr);
    const int32_t sizes[] = {0, 0, 21, 23, 37, 37, 17, 29, 18, 0, 28, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (sizes[type] == 0) {
      EXPECT_FALSE(made) << type;
    } else {
      ASSERT_TRUE(made) << type;
      EXPECT_EQ(made->size(), sizes[type]) << type;
      EXPECT_EQ(container->Count(), 1) << type;
    }
  }
  int32_t t = 7;
  EXPECT_EQ(page->PageName(t), "Factorie info");
  t = 16;
  EXPECT_EQ(page->PageName(t), " info");
  EXPECT_EQ(page->ObjectTypeName(t), "");

  auto dock = std::make_shared<clsTXTObject>();
  dock->AssignValues({kz::Variant("b"), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, int32_t{3}, kz::Variant("SS_DOCK")});
  dock->otype = 10;
  EXPECT_EQ(page->GetRace(dock), "Skarn");
  EXPECT_EQ(page->GetClass(dock), "0");
  EXPECT_EQ(page->ObjectName(dock), "SS_DOCK");
  EXPECT_EQ(page->GetResourceName(dock), "SS_DOCK");  // no string 0 on page 17
  dock->otype = 3;
  EXPECT_EQ(page->GetRace(dock), "");

  // A new record's name: the next NEW_OBJECT_ name of the file.
  TXTObjectRef first = parser->FindIndex(0);
  first->SetObjectName("NEW_OBJECT_4");
  t = 8;
  TXTObjectRef fresh = page->CreateObject(t, parser, nullptr);
  page->InitObject(fresh);
  page->JvAssignUniqueObjectName(fresh);
  EXPECT_EQ(fresh->ObjectName(), "NEW_OBJECT_5");
  EXPECT_TRUE(page->RemoveObject(fresh));
  EXPECT_FALSE(page->ReadOnly());
  page->SetReadOnly(true);
  EXPECT_TRUE(page->ReadOnly());
}

TEST_F(WarePageTest, NebulaFilesBeforeVersion14AreRefused) {
  WriteType("TNebula", 13, {Line(36, {}, "SS_NEB")});
  Mount();
  ucWare* page = PageFor(Parse("TNebula", 18), 18);
  std::string message;
  EXPECT_FALSE(page->Validate(message));
  EXPECT_EQ(message, "This is TNebula file for Jv. It's not fully supported.");
  WriteType("TNebula", 14, {Line(36, {}, "SS_NEB")});
  Mount();
  ucWare* page14 = PageFor(Parse("TNebula", 18), 18);
  message.clear();
  EXPECT_TRUE(page14->Validate(message));
}

TEST_F(WarePageTest, ShowObjectFillsRowsTagsDescriptionAndFlags) {
  data_.Write("t/440001.xml", testdata::TreXml(44, {{17, {{1201, "Shield A"}, {1202, "Absorbs hits"}}}}));
  WriteType("TShields", 25, {Line(21, {{6, "1201"}, {7, "1"}, {8, "90"}}, "SS_SHIELD_A")});
  WriteType("TBullets", 30, {Line(37, {{12, "5"}, {10, "2000"}, {11, "250000"}}, "SS_BULLET")});
  Mount();
  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44));

  TxtParserRef shields = Parse("TShields", 2);
  ucWare* page = PageFor(shields, 2);
  Show(page, shields->FindIndex(0), 2);
  EXPECT_FALSE(page->Filling());
  EXPECT_EQ(page->PropView->headerItem()->text(2), "[offset]");
  std::vector<std::string> values = Column(page->PropView, 1);
  ASSERT_EQ(values.size(), 2u + 20u + 1u);
  EXPECT_EQ(values[0], "SS_SHIELD_A");
  EXPECT_EQ(values[1], "Shield A");
  EXPECT_EQ(values[RowOf(page->PropView, "Charge time")], "1.5 min");
  EXPECT_EQ(page->PropView->topLevelItem(0)->data(0, kz::kItemDataRole).toString(), "name");
  EXPECT_FALSE(page->PropView->topLevelItem(1)->data(0, kz::kItemDataRole).isValid());
  EXPECT_EQ(page->PropView->topLevelItem(9)->data(0, kz::kItemDataRole).toInt(), 8);
  EXPECT_EQ(page->DescEdit->toPlainText(), "Description: Absorbs hits");
  EXPECT_FALSE(page->DescEdit->isHidden());
  EXPECT_TRUE(page->FlagsFrame->isHidden());

  // The selected row stays selected when the record is shown again.
  SelectRow(page, 5);
  Show(page, shields->FindIndex(0), 2);
  EXPECT_EQ(kz::GetListViewSelIndex(page->PropView), 6);

  TxtParserRef bullets = Parse("TBullets", 4);
  ucWare* bulletPage = PageFor(bullets, 4);
  Show(bulletPage, bullets->FindIndex(0), 4);
  EXPECT_TRUE(bulletPage->DescEdit->isHidden());
  EXPECT_FALSE(bulletPage->FlagsFrame->isHidden());
  ASSERT_EQ(bulletPage->chkFlag.size(), 9u);
  EXPECT_EQ(bulletPage->chkFlag[0]->text(), "PAC");
  EXPECT_EQ(bulletPage->chkFlag[2]->toolTip(), "Set on Ion Cannon");
  std::vector<bool> checked;
  for (QCheckBox* b : bulletPage->chkFlag) checked.push_back(b->isChecked());
  EXPECT_EQ(checked, (std::vector<bool>{true, false, true, false, false, false, false, false, false}));
  EXPECT_EQ(Column(bulletPage->PropView, 1)[RowOf(bulletPage->PropView, "Range")], "1 km");

  // Nothing shown: an empty list and description.
  TXTObjectRef none;
  Show(page, none, 6);
  EXPECT_EQ(page->PropView->topLevelItemCount(), 0);
  EXPECT_EQ(page->DescEdit->toPlainText(), "");
}

TEST_F(WarePageTest, FillingFlagIsClearedWhenAFillFails) {
  WriteType("TMissiles", 48, {Line(37, {{23, "1"}}, "SS_MISSILE")});
  Mount();
  TxtParserRef missiles = Parse("TMissiles", 5);
  ucWare* page = PageFor(missiles, 5);
  TXTObjectRef record = missiles->FindIndex(0);
  // A value no row can show: an object where a value is.
  auto odd = record->Clone();
  odd->SetValue(3, kz::Variant(std::make_shared<clsTXTObject>()));
  TXTObjectRef oddRef = odd;
  int32_t t = 5;
  EXPECT_ANY_THROW(page->ShowObject(oddRef, t));
  EXPECT_FALSE(page->Filling());

  // Flag clicks work again on the next record.
  Show(page, record, 5);
  int changes = 0;
  QObject::connect(page, &EditorPage::OnObjectChanged, [&changes](TXTObjectRef) { ++changes; });
  page->chkFlag[1]->click();
  EXPECT_EQ(kz::CLng(record->Value(23)), 3);
  EXPECT_EQ(changes, 1);
}

TEST_F(WarePageTest, EveryTypeShowsItsRecordAndTheToolbarFollowsTheType) {
  struct File {
    const char* name;
    int32_t type, size;
  } files[] = {{"TShields", 2, 21},   {"TLaser", 3, 23},   {"TBullets", 4, 37},    {"TMissiles", 5, 37},
               {"TWareT", 6, 17},     {"TFactories", 7, 29}, {"TSpecial", 8, 18},  {"TDocks", 10, 28},
               {"Wrecks", 11, 18},    {"TGates", 12, 18},  {"TPlanets", 13, 38},   {"TSuns", 14, 18},
               {"TAsteroids", 15, 22}, {"TDebris", 16, 21}, {"TBackgrounds", 17, 27}, {"TNebula", 18, 37}};
  for (const File& f : files)
    WriteType(f.name, 50, {Line(mdlKzConst::RecordSizeOf(f.type), {{0, "body"}}, std::string("SS_") + f.name)});
  Mount();
  ucWare* page = NewPage();
  for (const File& f : files) {
    TxtParserRef parser = Parse(f.name, f.type);
    int32_t t = f.type;
    ASSERT_TRUE(page->JvQueryInterfaceEx(t)) << f.name;
    TxtParserRef p = parser;
    ASSERT_TRUE(page->Init(p));
    Show(page, parser->FindIndex(0), f.type);
    EXPECT_EQ(Column(page->PropView, 1)[0], std::string("SS_") + f.name) << f.name;
    EXPECT_GT(page->PropView->topLevelItemCount(), 7) << f.name;
    EXPECT_EQ(page->FlagsFrame->isHidden(), f.type != 4 && f.type != 5) << f.name;
    std::vector<std::string> buttons;
    for (QAction* a : page->Bar->actions()) buttons.push_back(a->text().toStdString());
    ASSERT_GE(buttons.size(), 2u) << f.name;
    EXPECT_EQ(buttons[0], "Body");
    EXPECT_EQ(buttons[1], "Picture");
    EXPECT_EQ(buttons.size(), 2u + ware::SceneButtonsOf(f.type).size()) << f.name;
  }
  // Asteroids after planets: Body, Picture, Debris map, Scene.
  int32_t t = 13;
  page->JvQueryInterfaceEx(t);
  t = 15;
  page->JvQueryInterfaceEx(t);
  std::vector<std::string> buttons;
  for (QAction* a : page->Bar->actions()) buttons.push_back(a->text().toStdString());
  EXPECT_EQ(buttons, (std::vector<std::string>{"Body", "Picture", "Debris map", "Scene"}));
  EXPECT_EQ(page->Bar->actions()[2]->objectName(), "scene_0");
  EXPECT_EQ(page->Bar->actions()[3]->toolTip(), "Show object scene");
}
