// Editing on the ship page: fields and the ID through the value dialog, the count-field
// warning, the cargo rule, rebuilding the objects after a count edit, adding and
// removing turrets and guns with their messages and questions.
#include <QComboBox>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QAbstractItemView>
#include <QTest>

#include "ShipPageFixture.h"

namespace {
// Runs `act`, failing the test (instead of hanging it) when a dialog opens.
template <class F>
void WithoutDialog(F&& act) {
  QTimer::singleShot(0, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      ADD_FAILURE() << "unexpected dialog " << d->objectName().toStdString();
      d->reject();
    }
  });
  act();
  QApplication::processEvents();
}
}  // namespace

TEST_F(ShipPageTest, CountFieldsAskFirst) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  const auto before = falcon->Values();
  for (int field : {19, 53, 70}) {
    SCOPED_TRACE(field);
    ui_->PushMsgBox(platform::vbNo);
    WithoutDialog([&] { EXPECT_FALSE(page->EditField(field)); });
    const platform::UiCall* ask = ui_->Last("MsgBox");
    ASSERT_TRUE(ask);
    EXPECT_EQ(ask->Text,
              "Warning:\r\nManually modifying this value can corrupt ship data.\r\nThis value is altered "
              "automatically by the editor.\r\n\r\nDo you really want to modify it?");
    EXPECT_EQ(ask->Flags, platform::vbYesNo | platform::vbExclamation | platform::vbDefaultButton2);
  }
  EXPECT_TRUE(falcon->Values() == before);
}

TEST_F(ShipPageTest, CountEditRebuildsTheObjects) {
  MakePage();
  Show("SS_SH_FALCON");
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  // The gun group count from 3 to 2: the page now sees two groups ...
  ui_->PushMsgBox(platform::vbYes);
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("2");
    d.OK();
  });
  SelectRow(page->WeaponView, 7);
  page->EditSelectedRow(page->WeaponView);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(page->CurrentShip()->GunGroups.Count(), 2);
  EXPECT_EQ(page->GunGroupView->topLevelItemCount(), 2);
  // ... whose record no longer adds up: turret and gun editing is refused with the
  // model's report, and nothing is written.
  const auto values = Rec("SS_SH_FALCON")->Values();
  page->SelectGunGroup(page->GunGroupView->topLevelItem(0));
  WithoutDialog([&] { page->AddGun(); });
  EXPECT_NE(LastMsg().find("Calculated size of ship data does not match"), std::string::npos) << LastMsg();
  EXPECT_TRUE(Rec("SS_SH_FALCON")->Values() == values);

  // A turret count whose entries do not fit: the objects cannot be built at all.
  ui_->PushMsgBox(platform::vbYes);
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("100");
    d.OK();
  });
  EXPECT_TRUE(page->EditField(53));
  EXPECT_EQ(page->CurrentShip()->Turrets.Count(), 0);
  page->CurrentTurret = nullptr;
  WithoutDialog([&] { page->AddTurret(); });
  EXPECT_NE(LastMsg().find("Turret count 100 does not fit"), std::string::npos) << LastMsg();
}

TEST_F(ShipPageTest, CargoRuleIsAChangeEvenAfterCancel) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  // Cargo max below min: min follows, and the message names min first.
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("5");
    d.OK();
  });
  SelectRow(page->InfoView, RowOfField(page->InfoView, 29));
  page->EditSelectedRow(page->InfoView);
  EXPECT_EQ(kz::CLng(falcon->Value(28)), 5);
  EXPECT_EQ(kz::CLng(falcon->Value(29)), 5);
  EXPECT_EQ(LastMsg(), "\"Cargo min (buy)\" was modified to be equal to new \"Cargo max\" value.");
  EXPECT_EQ(changed.count(), 1);

  // The two already out of order, the edit cancelled: the rule still applies, the list
  // shows it and the change event is raised.
  falcon->SetValue(28, kz::Variant(int32_t(50)));
  WhenShown<frmEdit>([](frmEdit& d) { d.Cancel(); });
  SelectRow(page->InfoView, RowOfField(page->InfoView, 28));
  page->EditSelectedRow(page->InfoView);
  EXPECT_EQ(kz::CLng(falcon->Value(29)), 50);
  EXPECT_EQ(LastMsg(), "\"Cargo max\" was modified to be equal to new \"Cargo min (buy)\" value.");
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(page->InfoView->topLevelItem(RowOfField(page->InfoView, 29))->text(1).toStdString(), "50");

  // A cancelled edit that changes nothing is no change.
  WhenShown<frmEdit>([](frmEdit& d) { d.Cancel(); });
  page->EditSelectedRow(page->InfoView);
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(ShipPageTest, IdAndWareListEdits) {
  MakePage();
  Show("SS_SH_FALCON");
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  // The ID row: another ship's ID is refused, a new one taken.
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("ss_sh_bare");
    d.OK();
    d.cmbValue->setEditText("SS_SH_HAWK");
    d.OK();
  });
  SelectRow(page->InfoView, 0);
  page->EditSelectedRow(page->InfoView);
  EXPECT_EQ(MsgTexts().back(), "This object ID is already used.");
  EXPECT_EQ(Rec("SS_SH_HAWK"), page->CurrentShip()->Object);
  EXPECT_EQ(page->InfoView->topLevelItem(0)->text(1).toStdString(), "SS_SH_HAWK");
  EXPECT_EQ(changed.count(), 1);

  // The ware list box: a double click edits field 30 and shows that list.
  WhenShown<frmEdit>([](frmEdit& d) {
    d.cmbValue->setEditText("0");
    d.OK();
  });
  QTest::mouseDClick(page->WareListIDEdit, Qt::LeftButton);
  EXPECT_EQ(page->WareListIDEdit->text().toStdString(), "0");
  EXPECT_EQ(viewer->shown.back(), 0);
  EXPECT_EQ(changed.count(), 2);

  // Read-only: rows and the ware list are not edited; nor is anything without a ship.
  page->SetReadOnly(true);
  WithoutDialog([&] { page->EditSelectedRow(page->InfoView); });
  WithoutDialog([&] { QTest::mouseDClick(page->WareListIDEdit, Qt::LeftButton); });
  page->SetReadOnly(false);
  Show("");
  WithoutDialog([&] { QTest::mouseDClick(page->WareListIDEdit, Qt::LeftButton); });
  EXPECT_EQ(changed.count(), 2);
}

TEST_F(ShipPageTest, TurretLimitsAndRemoval) {
  MakePage();
  // Seven entries: no dialog, the limit message.
  Show("SS_SH_FULL");
  WithoutDialog([&] { page->AddTurret(); });
  EXPECT_EQ(LastMsg(), "Maximum number of turrets is 6 (+ front gun)");
  EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbInformation);

  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  // Only the last turret may go.
  page->SelectTurret(page->TurView->topLevelItem(0));
  page->RemoveCurrentTurret();
  EXPECT_EQ(LastMsg(), "You can only delete the last turret in the list.");
  EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbExclamation);
  // The last one: the question; No keeps it.
  page->SelectTurret(page->TurView->topLevelItem(3));
  ui_->PushMsgBox(platform::vbNo);
  const auto values = falcon->Values();
  page->RemoveCurrentTurret();
  EXPECT_EQ(LastMsg(), "Do you really want to delete the turret idx=4 (position=left) ?");
  EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbYesNo | platform::vbQuestion);
  EXPECT_TRUE(falcon->Values() == values);
  EXPECT_EQ(changed.count(), 0);
  // Yes: the turret and its own gun group go.
  ui_->PushMsgBox(platform::vbYes);
  page->SelectTurret(page->TurView->topLevelItem(3));
  page->RemoveCurrentTurret();
  EXPECT_EQ(page->TurView->topLevelItemCount(), 3);
  EXPECT_EQ(page->GunGroupView->topLevelItemCount(), 2);
  EXPECT_EQ(kz::CLng(falcon->Value(19)), 6);
  EXPECT_EQ(changed.count(), 1);
  std::string report;
  EXPECT_TRUE(page->Validate(report)) << report;
}

TEST_F(ShipPageTest, GunRemovalAndNoTurretMessage) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  page->SelectGunGroup(page->GunGroupView->topLevelItem(1));
  page->SelectGun(page->GunView->topLevelItem(0));
  page->RemoveCurrentGun();
  EXPECT_EQ(LastMsg(), "You can only delete the last gun in the list.");
  page->SelectGun(page->GunView->topLevelItem(1));
  ui_->PushMsgBox(platform::vbNo);
  page->RemoveCurrentGun();
  EXPECT_EQ(LastMsg(), "Do you really want to delete the gun idx=4?");
  EXPECT_EQ(page->CurrentGunGroup->Guns.Count(), 2);
  ui_->PushMsgBox(platform::vbYes);
  page->RemoveCurrentGun();
  EXPECT_EQ(page->CurrentGunGroup->Guns.Count(), 1);
  EXPECT_EQ(page->GunView->topLevelItemCount(), 1);
  EXPECT_EQ(kz::CLng(falcon->Value(19)), 4);
  EXPECT_EQ(page->GunGroupView->topLevelItem(1)->text(5).toStdString(), "1");

  // A ship without any turret entry: adding a gun explains why not.
  int32_t type = 1;
  TXTObjectRef fresh = page->CreateObject(type, parser, nullptr);
  page->ShowObject(fresh, type);
  EXPECT_FALSE(page->NoShipShown());
  page->AddGun();
  EXPECT_EQ(LastMsg(), "There are no turrets on this ship. You must first create a turret with Add Turret button.");
  // With turrets but no gun group selected nothing happens.
  Show("SS_SH_BARE");
  const size_t calls = ui_->Calls("MsgBox").size();
  WithoutDialog([&] { page->AddGun(); });
  EXPECT_EQ(ui_->Calls("MsgBox").size(), calls);
}

TEST_F(ShipPageTest, EnterOpensTheEditorOfTheList) {
  MakePage();
  Show("SS_SH_FALCON");
  bool opened = false;
  SelectRow(page->PerformanceView, RowOfField(page->PerformanceView, 8));
  WhenShown<frmEdit>([&](frmEdit& d) {
    opened = d.PropNameEdit->text().startsWith("Acceleration");
    d.Cancel();
  });
  QTest::keyClick(page->PerformanceView, Qt::Key_Return);
  EXPECT_TRUE(opened);

  opened = false;
  page->MainTab->setCurrentIndex(4);
  SelectRow(page->TurView, 1);
  page->SelectTurret(page->TurView->topLevelItem(1));
  WhenShown<frmTurretEdit>([&](frmTurretEdit& d) {
    opened = d.IndexEdit->text() == "2";
    d.Cancel();
  });
  QTest::keyClick(page->TurView, Qt::Key_Return);
  EXPECT_TRUE(opened);

  opened = false;
  page->MainTab->setCurrentIndex(5);
  page->SelectGunGroup(page->GunGroupView->topLevelItem(1));
  WhenShown<frmGunEdit>([&](frmGunEdit& d) {
    opened = d.IndexEdit->text() == "3";
    d.Cancel();
  });
  QTest::keyClick(page->GunView, Qt::Key_Enter);
  EXPECT_TRUE(opened);
  // On the gun group list Enter does nothing.
  WithoutDialog([&] { QTest::keyClick(page->GunGroupView, Qt::Key_Return); });
}

namespace {
// The width the combo box's style gives its drop-down arrow.
int ArrowWidth(QComboBox* box) {
  QStyleOptionComboBox opt;
  opt.initFrom(box);
  opt.editable = box->isEditable();
  opt.subControls = QStyle::SC_All;
  return box->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, box).width();
}
}  // namespace

TEST_F(ShipPageTest, ValueBoxShowsItsArrowOnlyOverAList) {
  MakePage();
  Show("SS_SH_FALCON");
  // A number field: nothing to pick, so no arrow and no empty list on Alt+Down.
  WhenShown<frmEdit>([](frmEdit& d) {
    EXPECT_EQ(d.cmbValue->count(), 0);
    EXPECT_EQ(ArrowWidth(d.cmbValue), 0);
    QTest::keyClick(d.cmbValue, Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(d.cmbValue->view()->isVisible());
    d.Cancel();
  });
  SelectRow(page->InfoView, RowOfField(page->InfoView, 29));
  page->EditSelectedRow(page->InfoView);
  // A pick-list field keeps its arrow.
  WhenShown<frmEdit>([](frmEdit& d) {
    EXPECT_GT(d.cmbValue->count(), 0);
    EXPECT_GT(ArrowWidth(d.cmbValue), 0);
    d.Cancel();
  });
  page->EditField(22);
}
