#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "PagesFixture.h"
#include "tests/common/ErrorOf.h"
#include "tests/common/SampleData.h"
#include "txteditor/Turret.h"
#include "txteditor/model/TurretRules.h"
#include "zuzer/zuzer.h"

using testdata::Record;
using testdata::TreXml;
using testdata::TypeFile;

namespace {

// A cockpits record: scene file in field 7, laser mask in field 8.
std::vector<std::string> Cockpit(const std::string& scene, const std::string& mask, const std::string& id) {
  return Record(19, {"body", "0", "0", "0", "0", "0", "0", scene, mask}, id);
}

std::vector<std::string> Positions(QTreeWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) out.push_back(list->topLevelItem(i)->text(0).toStdString());
  return out;
}

void Select(QTreeWidget* list, const QString& position) {
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    if (list->topLevelItem(i)->text(0) == position) {
      list->setCurrentItem(list->topLevelItem(i));
      list->topLevelItem(i)->setSelected(true);
      return;
    }
  ADD_FAILURE() << "no row " << position.toStdString();
}

}  // namespace

class TurretPageTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    std::vector<std::vector<std::string>> lasers;
    for (int i = 0; i < 40; ++i)
      lasers.push_back(Record(23, {"body", "0", "0", "0", "0", "0", std::to_string(1100 + i)}, "SS_LASER_" + std::to_string(i)));
    data.Write("types/TLaser.txt", TypeFile(40, lasers));
    data.Write("t/440001.xml", TreXml(44, {{17, {{1100, "Ray"}, {1131, "Last Ray"}}}}));
    data.Write("types/TCockpits.txt", TypeFile(3, {Cockpit("scene_a", "5", "SS_COCKPIT_A"),
                                                   Cockpit("scene_b", "-2147483648", "NEW_OBJECT_3"),
                                                   Cockpit("scene_c", "4294967295", "SS_COCKPIT_C")}));
    Mount();
    cockpits = Archive->GetFile("TCockpits");
    ASSERT_TRUE(cockpits);
    page = std::make_unique<ucTurret>();
    page->resize(700, 500);
    TxtParserRef p = cockpits;
    ASSERT_TRUE(page->Init(p));
  }
  void TearDown() override {
    page.reset();
    PagesTest::TearDown();
  }
  void Show(int32_t position) {
    TXTObjectRef r = cockpits->FindIndex(position);
    int32_t t = 9;
    page->ShowObject(r, t);
  }

  TxtParserRef cockpits;
  std::unique_ptr<ucTurret> page;
};

TEST_F(TurretPageTest, HostMembers) {
  for (const char* name : {"MainTab", "PropView", "LaserView", "AvailView", "btnAddLaser", "btnRemoveLaser",
                           "lblAvailLasers"})
    EXPECT_TRUE(page->findChild<QWidget*>(name)) << name;
  for (int32_t t : {1, 8, 10, 19}) {
    int32_t type = t;
    EXPECT_FALSE(page->JvQueryInterfaceEx(type)) << t;
    EXPECT_EQ(page->PageName(type), "");
    EXPECT_EQ(page->ObjectTypeName(type), "");
    TxtParserRef p = cockpits;
    EXPECT_EQ(page->CreateObject(type, p, nullptr), nullptr);
  }
  int32_t nine = 9;
  EXPECT_TRUE(page->JvQueryInterfaceEx(nine));
  EXPECT_TRUE(page->JvQueryInterface(9));
  EXPECT_EQ(page->PageName(nine), "Turret info");
  EXPECT_EQ(page->ObjectTypeName(nine), "Turrets");
  EXPECT_EQ(page->JvQueryInfo(nine), 1);

  TXTObjectRef r = cockpits->FindIndex(0);
  struct Case {
    int32_t index;
    const char* caption;
    int32_t type;
  } cases[] = {{0, "Body file", 0}, {7, "Scene file", 2}, {8, "Possible lasers", 0}};
  for (const Case& c : cases) {
    int32_t i = c.index;
    EXPECT_EQ(page->JvGetPropertyName(r, i), c.caption) << c.index;
    EXPECT_EQ(page->JvGetValueType(r, i), c.type) << c.index;
    EXPECT_EQ(page->JvSupportValueTranslate(r, i), 0);
  }
  EXPECT_EQ(page->ObjectName(r), "SS_COCKPIT_A");
  EXPECT_EQ(page->GetResourceName(r), "");

  // The translation members carry other names: the value dialog's calls fail.
  int32_t i = 8;
  std::string text;
  kz::Variant v;
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvTranslateValue(r, i, text, true); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvTranslateValueBack(r, "1", i, v); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page->JvGetPropertyValues(r, i); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page->ReadOnly(); }), kz::kErrNotSupported);
  EXPECT_TRUE(page->TranslateValueBack(r, "2.5", i, v));
  EXPECT_EQ(v.Kind(), kz::VariantKind::Single);
  EXPECT_FALSE(page->TranslateValueBack(r, "abc", i, v));

  // A new record has 19 values; unique naming continues the NEW_OBJECT_ numbers.
  TxtParserRef p = cockpits;
  TXTObjectRef created = page->CreateObject(nine, p, nullptr);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->size(), 19);
  EXPECT_EQ(cockpits->Count(), 4);
  page->JvAssignUniqueObjectName(created);
  EXPECT_EQ(created->ObjectName(), "NEW_OBJECT_4");
}

TEST_F(TurretPageTest, PropertyRows) {
  Show(0);
  QTreeWidget* v = page->PropView;
  ASSERT_EQ(v->topLevelItemCount(), 3);
  EXPECT_EQ(v->topLevelItem(0)->text(0), "ID");
  EXPECT_EQ(v->topLevelItem(0)->text(1), "SS_COCKPIT_A");
  EXPECT_EQ(v->topLevelItem(1)->text(0), "Scene file");
  EXPECT_EQ(v->topLevelItem(1)->text(1), "scene_a");
  EXPECT_EQ(v->topLevelItem(1)->text(2), "7");
  EXPECT_EQ(v->topLevelItem(2)->text(0), "Possible lasers");
  EXPECT_EQ(v->topLevelItem(2)->text(1), "5");

  // Ctrl+Insert copies the selected row's value.
  v->setCurrentItem(v->topLevelItem(1));
  v->topLevelItem(1)->setSelected(true);
  QTest::keyClick(v, Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "scene_a");

  // No record: empty lists.
  TXTObjectRef none;
  int32_t t = 9;
  page->ShowObject(none, t);
  EXPECT_EQ(v->topLevelItemCount(), 0);
  EXPECT_EQ(page->LaserView->topLevelItemCount() + page->AvailView->topLevelItemCount(), 0);
}

TEST_F(TurretPageTest, ValueColumnShowsItsWidestTextAndTheLastColumnFillsTheList) {
  page->resize(1400, 500);
  page->show();
  QApplication::processEvents();
  cockpits->FindIndex(0)->SetValue(7, kz::Variant(std::string("cockpits\\turret_scenes\\front_turret_of_a_big_carrier")));
  Show(0);
  QTreeWidget* v = page->PropView;
  ASSERT_GT(static_cast<QAbstractItemView*>(v)->sizeHintForColumn(1), 150);  // wider than its first width
  ExpectColumnsFitted(v);
}

TEST_F(TurretPageTest, LaserListsFollowAllThirtyTwoBitsOfTheMask) {
  struct Case {
    int32_t position;
    std::vector<std::string> allowed;
  } cases[] = {
      {0, {"0", "2"}},   // 5
      {1, {"31"}},        // the sign bit
  };
  for (const Case& c : cases) {
    Show(c.position);
    EXPECT_EQ(Positions(page->LaserView), c.allowed) << c.position;
    EXPECT_EQ(page->LaserView->topLevelItemCount() + page->AvailView->topLevelItemCount(), 32)
        << "only the first 32 lasers";
  }
  // Stored unsigned: every bit is set, so every listed laser is allowed.
  Show(2);
  EXPECT_EQ(page->LaserView->topLevelItemCount(), 32);
  EXPECT_EQ(page->AvailView->topLevelItemCount(), 0);
  EXPECT_EQ(page->LaserView->topLevelItem(0)->text(1), "Ray");
  EXPECT_EQ(page->LaserView->topLevelItem(31)->text(1), "Last Ray");
  EXPECT_EQ(page->LaserView->topLevelItem(1)->text(1), "SS_LASER_1") << "no name: the ID";

  struct MaskCase {
    kz::Variant value;
    bool mask;
    int32_t bits;
  } masks[] = {
      {kz::Variant(4294967295.0), true, -1},          {kz::Variant("2147483648"), true, INT32_MIN},
      {kz::Variant(int32_t(-2)), true, -2},           {kz::Variant("abc"), false, 0},
      {kz::Variant(), false, 0},                      {kz::Variant(4294967296.0), false, 0},
      {kz::Variant(1.5), false, 0},                   {kz::Variant(-2147483649.0), false, 0},
  };
  for (const MaskCase& c : masks) {
    int32_t bits = 0;
    EXPECT_EQ(mdlTurret::MaskOf(c.value, bits), c.mask) << kz::CStr(c.value);
    if (c.mask) EXPECT_EQ(bits, c.bits) << kz::CStr(c.value);
  }
}

TEST_F(TurretPageTest, MovingLasersSetsAndClearsBits) {
  Show(0);
  TXTObjectRef r = cockpits->FindIndex(0);
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);

  Select(page->AvailView, "31");
  page->btnAddLaser->click();
  EXPECT_EQ(r->Value(8).Kind(), kz::VariantKind::Long);
  EXPECT_EQ(r->Value(8).AsLong(), static_cast<int32_t>(0x80000005u));
  EXPECT_EQ(Positions(page->LaserView), (std::vector<std::string>{"0", "2", "31"}));
  EXPECT_EQ(page->PropView->topLevelItem(2)->text(1), "-2147483643") << "the row shows the new mask";
  EXPECT_EQ(changed.count(), 1);

  Select(page->LaserView, "31");
  QTest::mouseDClick(page->LaserView->viewport(), Qt::LeftButton, {},
                     page->LaserView->visualItemRect(page->LaserView->currentItem()).center());
  Select(page->LaserView, "31");
  page->btnRemoveLaser->click();  // not there any more: no change
  EXPECT_EQ(kz::CLng(r->Value(8)), 5) << "back where it started";

  // Nothing selected: nothing happens.
  page->AvailView->clearSelection();
  page->btnAddLaser->click();
  EXPECT_EQ(kz::CLng(r->Value(8)), 5);

  // A field that holds no mask: every laser is available, and no move writes a bit.
  r->SetValue(8, kz::Variant("abc"));
  Show(0);
  EXPECT_EQ(page->AvailView->topLevelItemCount(), 32);
  Select(page->AvailView, "1");
  page->AllowLaser();
  EXPECT_EQ(kz::CStr(r->Value(8)), "abc");
  EXPECT_EQ(page->AvailView->topLevelItemCount(), 32);

  // An unsigned stored mask stays unsigned.
  Show(2);
  TXTObjectRef c = cockpits->FindIndex(2);
  Select(page->LaserView, "0");
  page->DisallowLaser();
  EXPECT_EQ(kz::CStr(c->Value(8)), "4294967294");
}

TEST_F(TurretPageTest, EditingAPropertyInTheValueDialog) {
  Show(0);
  QSignalSpy changed(page.get(), &EditorPage::OnObjectChanged);
  QTreeWidget* v = page->PropView;
  v->setCurrentItem(v->topLevelItem(1));
  v->topLevelItem(1)->setSelected(true);
  WhenEditShown([](frmEdit& d) {
    EXPECT_TRUE(d.PropNameEdit->text().startsWith("Scene file")) << d.PropNameEdit->text().toStdString();
    d.cmbValue->setEditText("scene_new");
    d.OK();
  });
  page->EditTurretProperty();
  EXPECT_EQ(kz::CStr(cockpits->FindIndex(0)->Value(7)), "scene_new");
  EXPECT_EQ(v->topLevelItem(1)->text(1), "scene_new");
  EXPECT_EQ(changed.count(), 1);

  // Cancelled: no change, no event.
  WhenEditShown([](frmEdit& d) { d.Cancel(); });
  page->EditTurretProperty();
  EXPECT_EQ(changed.count(), 1);

  // The ID row edits the record's name, refused when another record has it.
  v->setCurrentItem(v->topLevelItem(0));
  v->topLevelItem(0)->setSelected(true);
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("SS_COCKPIT_Z");
    d.OK();
  });
  page->EditTurretProperty();
  EXPECT_EQ(cockpits->FindIndex(0)->ObjectName(), "SS_COCKPIT_Z");
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(TurretPageTest, AChangedMaskKeepsTheFormItWasReadIn) {
  // A mask held as a 32-bit integer is stored signed; one held unsigned (above the
  // signed range, or any other non-negative number) stays unsigned, whatever its bits.
  const struct {
    kz::Variant held;
    int32_t bits;
    const char* stored;
    bool signedForm;
  } cases[] = {
      {kz::Variant(int32_t(-1)), -3, "-3", true},
      {kz::Variant(int32_t(-3)), -1, "-1", true},
      {kz::Variant(int32_t(5)), INT32_MIN, "-2147483648", true},
      {kz::Variant(4294967295.0), -3, "4294967293", false},
      {kz::Variant(4294967293.0), -1, "4294967295", false},
      {kz::Variant(4294967295.0), INT32_MAX, "2147483647", false},
      {kz::Variant(2147483647.0), -1, "4294967295", false},  // bit 31 cleared before: still unsigned
      {kz::Variant("4294967295"), 0, "0", false},
      {kz::Variant("4294967295"), -3, "4294967293", false},
      {kz::Variant("2147483647"), -1, "4294967295", false},
      {kz::Variant(-1.0), -2, "-2", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kz::CStr(c.held) + " -> " + c.stored);
    const kz::Variant v = mdlTurret::StoredMask(c.bits, c.held);
    EXPECT_EQ(kz::CStr(v), c.stored);
    EXPECT_EQ(v.Kind() == kz::VariantKind::Long, c.signedForm);
    if (!c.signedForm) EXPECT_EQ(v.Kind(), c.held.Kind()) << "the held kind";
    int32_t back = 0;
    ASSERT_TRUE(mdlTurret::MaskOf(v, back));
    EXPECT_EQ(back, c.bits);
  }
}

TEST_F(TurretPageTest, MovingALaserAwayAndBackRestoresTheMaskAsItWasSaved) {
  // The sample data's turret that allows every laser holds its mask unsigned.
  const std::string root = (data.Root() / "sample").string();
  ASSERT_TRUE(kztest::WriteSampleData(root));
  ZuZER_CreateVFS(root.c_str());
  Archive->Clear();
  ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  TxtParserRef sample = Archive->GetFile("TCockpits");
  ASSERT_TRUE(sample) << Archive->GetLastError();
  std::string before;
  ASSERT_TRUE(sample->FormatFile(before)) << sample->GetLastError();

  ucTurret fresh;
  TxtParserRef p = sample;
  ASSERT_TRUE(fresh.Init(p));
  struct Case {
    const char* id;
    const char* read;  // field 8 as the file has it
  } cases[] = {{"SS_COCKPIT_ALL", "4294967295"}, {"SS_COCKPIT_REAR", "-2147483643"}, {"SS_COCKPIT_FRONT", "5"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TXTObjectRef r = sample->FindID(c.id);
    ASSERT_TRUE(r);
    ASSERT_EQ(kz::CStr(r->Value(8)), c.read);
    int32_t t = 9;
    fresh.ShowObject(r, t);
    ASSERT_GT(fresh.LaserView->topLevelItemCount(), 0);
    // Every allowed laser in turn goes to the available list and back.
    const std::vector<std::string> allowed = Positions(fresh.LaserView);
    for (const std::string& position : allowed) {
      Select(fresh.LaserView, QString::fromStdString(position));
      fresh.DisallowLaser();
      EXPECT_NE(kz::CStr(r->Value(8)), c.read) << position;
      Select(fresh.AvailView, QString::fromStdString(position));
      fresh.AllowLaser();
      EXPECT_EQ(kz::CStr(r->Value(8)), c.read) << position;
    }
    EXPECT_EQ(Positions(fresh.LaserView), allowed);
  }
  // Saved, the file is what was read.
  std::string after;
  ASSERT_TRUE(sample->FormatFile(after)) << sample->GetLastError();
  EXPECT_EQ(after, before);
  EXPECT_NE(after.find(";4294967295;"), std::string::npos) << after;
}
