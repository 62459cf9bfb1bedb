// The turret and gun dialogs through the ship page: filling, every message, new and
// edited turrets and guns, Cancel and the close box.
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>

#include "ShipPageFixture.h"

TEST_F(ShipPageTest, TurretDialogOnTheMainCockpitEntry) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  const auto before = falcon->Values();
  page->SelectTurret(page->TurView->topLevelItem(0));
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    EXPECT_EQ(d.IndexEdit->text().toStdString(), "1");
    EXPECT_EQ(d.TurIdxEdit->text().toStdString(), "0");
    EXPECT_EQ(d.BodyIDEdit->text().toStdString(), "tbody_0");
    EXPECT_EQ(d.PathEdit->text().toStdString(), "0");
    EXPECT_EQ(d.cmbTType->currentText().toStdString(), "");
    EXPECT_FALSE(d.cmbTType->isEnabled());
    EXPECT_EQ(d.cmbPosition->currentText().toStdString(), "front cockpit");
    EXPECT_FALSE(d.cmbPosition->isEnabled());
    EXPECT_EQ(d.cmbTType->count(), 3);
    EXPECT_EQ(d.cmbPosition->count(), 6);
    d.BodyIDEdit->setText("cockpit_new");
    d.PathEdit->setText("7");
    d.OK();
  });
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  page->EditCurrentTurret();
  EXPECT_EQ(changed.count(), 1);
  auto after = falcon->Values();
  EXPECT_EQ(kz::CStr(after[56]), "cockpit_new");
  EXPECT_EQ(kz::CLng(after[57]), 7);
  after[56] = before[56];
  after[57] = before[57];
  EXPECT_TRUE(after == before);  // only body ID and path index changed
  EXPECT_EQ(page->TurView->topLevelItem(0)->text(4).toStdString(), "cockpit_new");
}

TEST_F(ShipPageTest, TurretDialogChecksEveryValue) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  const auto before = falcon->Values();
  page->SelectTurret(page->TurView->topLevelItem(3));  // type 7: no such cockpit
  struct Step {
    const char* path;
    const char* body;
    const char* position;
    const char* message;
  } steps[] = {
      {"", "b", "rear", "Path index not specified"},
      {"x", "b", "rear", "Path index must be whole number"},
      {"1", "", "rear", "Body ID not specified"},
      {"1", "b", "back", "Entered value is incorrect. It must be whole number."},
      {"1e12", "b", "rear", "Entered value is incorrect. It must be whole number."},
  };
  WhenShown<frmTurretEdit>([&](frmTurretEdit& d) {
    EXPECT_EQ(d.cmbTType->currentText().toStdString(), "7");
    EXPECT_EQ(d.cmbPosition->currentText().toStdString(), "left");
    for (const auto& s : steps) {
      d.PathEdit->setText(s.path);
      d.BodyIDEdit->setText(s.body);
      d.cmbPosition->setEditText(s.position);
      d.OK();
      EXPECT_TRUE(d.isVisible()) << s.message;
      EXPECT_EQ(MsgTexts().back(), s.message);
    }
    EXPECT_TRUE(falcon->Values() == before);  // nothing written by a refused value
    d.PathEdit->setText("3.6");
    d.BodyIDEdit->setText("tb");
    d.cmbPosition->setEditText("9");
    d.OK();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.ModalResult, 1);
  });
  page->EditCurrentTurret();
  // The type written back as it was; the position 9 as typed; the path rounded.
  EXPECT_EQ(kz::CLng(falcon->Value(35)), 7);
  EXPECT_EQ(kz::CLng(falcon->Value(36)), 9);
  EXPECT_EQ(kz::CLng(falcon->Value(54 + 12 + 3)), 4);

  // A position typed by its name stores its number.
  page->SelectTurret(page->TurView->topLevelItem(3));
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    d.cmbPosition->setEditText("rear");
    d.OK();
  });
  page->EditCurrentTurret();
  EXPECT_EQ(kz::CLng(falcon->Value(36)), 2);
}

TEST_F(ShipPageTest, NewTurretCancelAndClose) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  const auto before = falcon->Values();
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  // A refused value, then Cancel: nothing created.
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    d.PathEdit->setText("1");
    d.BodyIDEdit->setText("b");
    d.cmbPosition->setEditText("nowhere");
    d.OK();
    d.Cancel();
  });
  page->AddTurret();
  EXPECT_TRUE(falcon->Values() == before);
  EXPECT_EQ(page->CurrentShip()->Turrets.Count(), 4);
  EXPECT_EQ(changed.count(), 0);
  // Closed with the close box: ModalResult 0, nothing written.
  int32_t result = -1;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<frmTurretEdit*>(QApplication::activeModalWidget());
    ASSERT_TRUE(d);
    d->PathEdit->setText("1");
    d->close();
    result = d->ModalResult;
  });
  frmTurretEdit closed(page);
  closed.NewTurret(page->CurrentShip(), page->Support().Cockpits, true, page);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(falcon->Values() == before);

  // OK: a new turret with its own empty gun group and its descriptor; the chosen type
  // entry's own position is stored.
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    EXPECT_EQ(d.IndexEdit->text().toStdString(), "");
    d.PathEdit->setText("12");
    d.BodyIDEdit->setText("turret_top");
    d.cmbPosition->setCurrentIndex(d.cmbPosition->findText("top"));
    d.cmbTType->setCurrentIndex(d.cmbTType->findText("SS_COCKPIT_C"));
    d.OK();
  });
  page->AddTurret();
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(page->TurView->topLevelItemCount(), 5);
  EXPECT_EQ(page->CurrentShip()->GunGroups.Count(), 4);
  EXPECT_EQ(kz::CLng(falcon->Value(37)), 2);
  EXPECT_EQ(kz::CLng(falcon->Value(38)), 5);
  EXPECT_EQ(page->TurView->topLevelItem(4)->text(7).toStdString(), "top (5)");
  std::string report;
  EXPECT_TRUE(page->Validate(report)) << report;
}

TEST_F(ShipPageTest, GunDialog) {
  MakePage();
  Show("SS_SH_FALCON");
  TXTObjectRef falcon = Rec("SS_SH_FALCON");
  page->SelectGunGroup(page->GunGroupView->topLevelItem(0));
  QSignalSpy changed(page, &EditorPage::OnObjectChanged);
  struct Step {
    const char* count;
    const char* body;
    const char* path;
    const char* path2;
    const char* message;
  } steps[] = {
      {"", "b", "1", "", "Count not specified"},
      {"2", "", "1", "", "Primary Body ID not specified"},
      {"2", "b", "", "", "Primary Path index not specified"},
      {"2", "b", "p", "", "Primary Path index must be whole number"},
      {"2", "b", "1", "q", "Secondary Path index must be whole number"},
      {"2", "b", "1", "9e9", "Entered value is incorrect. It must be whole number."},
  };
  const auto before = falcon->Values();
  WhenShown<frmGunEdit>([&](frmGunEdit& d) {
    for (const auto& s : steps) {
      d.CountEdit->setText(s.count);
      d.BodyIdEdit[0]->setText(s.body);
      d.PathIdxEdit[0]->setText(s.path);
      d.PathIdxEdit[1]->setText(s.path2);
      d.OK();
      EXPECT_TRUE(d.isVisible());
      EXPECT_EQ(MsgTexts().back(), s.message);
    }
    EXPECT_TRUE(falcon->Values() == before);
    d.CountEdit->setText("3");
    d.PathIdxEdit[0]->setText("3.6");
    d.PathIdxEdit[1]->setText("");
    d.OK();
  });
  page->AddGun();
  EXPECT_EQ(changed.count(), 1);
  GunGroupPtr group = page->CurrentGunGroup;
  ASSERT_EQ(group->Guns.Count(), 2);
  GunPtr gun = group->Guns.Item(2);
  EXPECT_EQ(kz::CLng(gun->Value(1)), 3);
  EXPECT_EQ(kz::CLng(gun->Value(3)), 4);
  EXPECT_EQ(kz::CLng(gun->Value(5)), -1);
  EXPECT_EQ(kz::CStr(gun->Value(4)), "");
  EXPECT_EQ(kz::CLng(falcon->Value(19)), 10);  // field 19 follows the pseudo counts
  EXPECT_EQ(page->GunView->topLevelItemCount(), 2);
  EXPECT_EQ(page->GunGroupView->topLevelItem(0)->text(3).toStdString(), "5");

  // Editing a gun; Cancel leaves it.
  page->SelectGun(page->GunView->topLevelItem(0));
  WhenShown<frmGunEdit>([](frmGunEdit& d) {
    EXPECT_EQ(d.IndexEdit->text().toStdString(), "1");
    EXPECT_EQ(d.CountEdit->text().toStdString(), "2");
    EXPECT_EQ(d.BodyIdEdit[0]->text().toStdString(), "gbody_0_0");
    EXPECT_EQ(d.PathIdxEdit[1]->text().toStdString(), "-1");
    d.Cancel();
  });
  const auto kept = falcon->Values();
  page->EditCurrentGun();
  EXPECT_TRUE(falcon->Values() == kept);
  EXPECT_EQ(changed.count(), 1);
  WhenShown<frmGunEdit>([](frmGunEdit& d) {
    d.CountEdit->setText("1");
    d.BodyIdEdit[1]->setText("twin");
    d.PathIdxEdit[1]->setText("7.5");  // rounded as the primary path is: halves to even
    d.OK();
  });
  page->EditCurrentGun();
  EXPECT_EQ(kz::CLng(page->CurrentGunGroup->Guns.Item(1)->Value(5)), 8);
  EXPECT_EQ(kz::CLng(falcon->Value(19)), 9);
  EXPECT_EQ(kz::CStr(page->CurrentGunGroup->Guns.Item(1)->Value(4)), "twin");
  EXPECT_EQ(changed.count(), 2);
}

namespace {
// A box that only shows a value: read-only, out of the focus order, greyed like its dialog.
void ExpectShownReadOnly(const QDialog& d, const QLineEdit* box) {
  SCOPED_TRACE(box->objectName().toStdString());
  EXPECT_TRUE(box->isReadOnly());
  EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(box->palette().color(QPalette::Base), d.palette().color(QPalette::Window));
}
}  // namespace

TEST_F(ShipPageTest, TurretAndGunDialogsStartInTheirFirstEditableBox) {
  MakePage();
  Show("SS_SH_FALCON");
  page->SelectTurret(page->TurView->topLevelItem(1));
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    EXPECT_EQ(d.focusWidget(), d.BodyIDEdit);
    EXPECT_FALSE(d.IndexEdit->text().isEmpty());
    ExpectShownReadOnly(d, d.IndexEdit);
    ExpectShownReadOnly(d, d.TurIdxEdit);
    EXPECT_FALSE(d.BodyIDEdit->isReadOnly());
    EXPECT_NE(d.BodyIDEdit->palette().color(QPalette::Base), d.palette().color(QPalette::Window));
    d.Cancel();
  });
  page->EditCurrentTurret();
  // A new turret: its numbers are not known yet, so the boxes stay empty.
  WhenShown<frmTurretEdit>([](frmTurretEdit& d) {
    EXPECT_EQ(d.focusWidget(), d.BodyIDEdit);
    EXPECT_EQ(d.IndexEdit->text(), "");
    EXPECT_EQ(d.TurIdxEdit->text(), "");
    ExpectShownReadOnly(d, d.IndexEdit);
    ExpectShownReadOnly(d, d.TurIdxEdit);
    d.Cancel();
  });
  page->AddTurret();

  page->SelectGunGroup(page->GunGroupView->topLevelItem(0));
  page->SelectGun(page->GunView->topLevelItem(0));
  WhenShown<frmGunEdit>([](frmGunEdit& d) {
    EXPECT_EQ(d.focusWidget(), d.CountEdit);
    EXPECT_EQ(d.IndexEdit->text(), "1");
    ExpectShownReadOnly(d, d.IndexEdit);
    d.Cancel();
  });
  page->EditCurrentGun();
  WhenShown<frmGunEdit>([](frmGunEdit& d) {
    EXPECT_EQ(d.focusWidget(), d.CountEdit);
    EXPECT_EQ(d.IndexEdit->text(), "");
    ExpectShownReadOnly(d, d.IndexEdit);
    d.Cancel();
  });
  page->AddGun();
}
