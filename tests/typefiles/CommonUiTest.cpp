// The widget helpers of the common procedures (offscreen).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QTreeWidget>
#include <QWidget>

#include "core/KzConst.h"
#include "core/ui/CommonUi.h"
#include "core/ui/GenericUi.h"
#include "typefiles/TXTObject.h"

namespace {
QApplication& App() {
  static int argc = 1;
  static char name[] = "typefiles_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}
}  // namespace

TEST(CommonUiTest, FillComboSkipsEmptyEntriesAndKeepsPositions) {
  App();
  QWidget parent;
  auto* combo = new QComboBox(&parent);
  combo->resize(40, 20);
  combo->addItem("old");
  kz::NameTable names(1, {"Aurel", "", "A rather long race name that does not fit"});
  kz::FillCombo(combo, names);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), "Aurel");
  EXPECT_EQ(combo->itemData(0).toInt(), 1);
  EXPECT_EQ(combo->itemData(1).toInt(), 3);
}

TEST(CommonUiTest, ListViewRowsSelectionAndBasicFields) {
  App();
  mdlKzConst::InitArrays();
  QTreeWidget list;
  list.setColumnCount(3);
  EXPECT_EQ(kz::GetListViewSelIndex(&list), -1);
  EXPECT_FALSE(kz::SelectListViewItem(&list, 1));

  clsTXTObject r;
  r.Construct(20);
  r.SetValue(0, kz::Variant("ships\\body"));
  r.SetValue(2, kz::Variant(1.5));
  kz::ListBasicFields(&list, r);
  ASSERT_EQ(list.topLevelItemCount(), 7);
  QTreeWidgetItem* first = list.topLevelItem(0);
  EXPECT_EQ(first->text(0), "Body file");
  EXPECT_EQ(first->text(1), "ships\\body");
  EXPECT_EQ(first->text(2), "0");
  EXPECT_EQ(first->data(0, kz::kItemDataRole).toInt(), 0);
  EXPECT_EQ(list.topLevelItem(2)->text(1), "1.5");
  EXPECT_EQ(list.topLevelItem(6)->text(0), "Description");
  EXPECT_EQ(list.topLevelItem(6)->data(0, kz::kItemDataRole).toInt(), 6);

  EXPECT_TRUE(kz::SelectListViewItem(&list, 3));
  EXPECT_EQ(kz::GetListViewSelIndex(&list), 3);
  EXPECT_FALSE(kz::SelectListViewItem(&list, 8));
  EXPECT_EQ(kz::GetListViewSelIndex(&list), 3);

  // A record shorter than the common fields lists what it has.
  QTreeWidget shortList;
  clsTXTObject s;
  s.Construct(3);
  kz::ListBasicFields(&shortList, s);
  EXPECT_EQ(shortList.topLevelItemCount(), 3);
}
