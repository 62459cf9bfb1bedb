// A planet's and a bullet's colour through the galaxy property dialog: the dialog shows
// the record's colour, an accepted value is split into the three colour fields, a
// cancelled one leaves the record alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

#include "app/Wiring.h"
#include "core/KzConst.h"
#include "core/ui/CommonUi.h"
#include "galaxy/GalEdit.h"
#include "platform/ScriptedUi.h"
#include "wareeditors/Ware.h"
#include "tests/common/QtTestKit.h"

namespace {

QApplication& App() { return kztest::TestApp("ware_colour_tests"); }

TXTObjectRef Record(int32_t type, int32_t size, int32_t first, int32_t lo, int32_t mid, int32_t hi) {
  auto r = std::make_shared<clsTXTObject>();
  r->Construct(size);
  r->SetValue(first, kz::Variant(lo));
  r->SetValue(first + 1, kz::Variant(mid));
  r->SetValue(first + 2, kz::Variant(hi));
  r->SetObjectName("SS_COLOURED");
  r->otype = type;
  r->Dirty = false;
  return r;
}

// Runs `act` on the property dialog once it is shown modally; cancels it afterwards
// when it is still open.
void WhenDialogShown(std::function<void(frmGalEdit&)> act) { kztest::WhenShown<frmGalEdit>(std::move(act)); }

class WareColourTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    mdlKzConst::InitArrays();
    kz::WireApplication(true);
    previous_ = platform::Ui::SetInstance(std::make_shared<platform::ScriptedUi>());
    ASSERT_TRUE(ucWare::ColourEditHook());
  }
  void TearDown() override {
    ucWare::ColourEditHook() = nullptr;
    platform::Ui::SetInstance(previous_);
  }
  // Shows the record and edits its "Color (RGB)" row.
  int EditColourRow(ucWare& page, TXTObjectRef record, int32_t type) {
    page.ShowObject(record, type);
    int row = -1;
    for (int i = 0; i < page.PropView->topLevelItemCount(); ++i)
      if (page.PropView->topLevelItem(i)->text(0) == "Color (RGB)") row = i;
    EXPECT_GE(row, 0);
    if (row < 0) return row;
    page.PropView->setCurrentItem(page.PropView->topLevelItem(row));
    page.PropView->topLevelItem(row)->setSelected(true);
    page.EditSelectedRow();
    return row;
  }
  std::shared_ptr<platform::Ui> previous_;
};

}  // namespace

TEST_F(WareColourTest, AcceptedColourIsSplitIntoThePlanetsFields) {
  ucWare page;
  TXTObjectRef planet = Record(13, 37, 7, 0x10, 0x20, 0x30);
  int changes = 0;
  QObject::connect(&page, &EditorPage::OnObjectChanged, [&changes](TXTObjectRef) { ++changes; });
  QString shown;
  WhenDialogShown([&shown](frmGalEdit& d) {
    shown = d.ValEdit->text();
    d.ValEdit->setText("CCBBAA");
    d.OK();
  });
  const int row = EditColourRow(page, planet, 13);
  EXPECT_EQ(shown.toUpper().right(6), "302010");
  EXPECT_EQ(kz::CLng(planet->Value(7)), 170);
  EXPECT_EQ(kz::CLng(planet->Value(8)), 187);
  EXPECT_EQ(kz::CLng(planet->Value(9)), 204);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(page.PropView->topLevelItem(row)->text(1), "0xCCBBAA");
}

TEST_F(WareColourTest, CancelledDialogLeavesTheBulletAlone) {
  ucWare page;
  int32_t t = 4;
  page.JvQueryInterfaceEx(t);
  TXTObjectRef bullet = Record(4, 37, 13, 0xFF, 0x00, 0x80);
  int changes = 0;
  QObject::connect(&page, &EditorPage::OnObjectChanged, [&changes](TXTObjectRef) { ++changes; });
  WhenDialogShown([](frmGalEdit& d) {
    d.ValEdit->setText("000000");
    d.Cancel();
  });
  EditColourRow(page, bullet, 4);
  EXPECT_EQ(kz::CLng(bullet->Value(13)), 0xFF);
  EXPECT_EQ(kz::CLng(bullet->Value(15)), 0x80);
  EXPECT_FALSE(bullet->Dirty);
  EXPECT_EQ(changes, 0);

  // Read-only: no dialog at all.
  page.SetReadOnly(true);
  EditColourRow(page, bullet, 4);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
