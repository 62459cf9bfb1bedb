#include "core/ui/GenericUi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

using namespace kz;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "core_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

class GenericUi : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
};

QTreeWidgetItem* AddItem(QTreeWidget* list, const QString& text, const QString& key, QTreeWidgetItem* parent = nullptr) {
  auto* it = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(list);
  it->setText(0, text);
  SetItemKey(it, key);
  return it;
}

TEST_F(GenericUi, ListItemsByKeyAndSelection) {
  QTreeWidget list;
  list.setColumnCount(2);
  EXPECT_EQ(GetSelectedListItem(&list), nullptr);
  auto* a = AddItem(&list, "A", "1k");
  auto* b = AddItem(&list, "B", "2k");
  AddItem(&list, "C", "3k");
  EXPECT_EQ(GetListItemByKey(&list, QStringLiteral("2k")), b);
  EXPECT_EQ(GetListItemByKey(&list, std::string("9k")), nullptr);
  EXPECT_EQ(ItemKey(b), "2k");
  // Nothing selected: the first item becomes selected and current.
  EXPECT_EQ(GetSelectedListItem(&list), a);
  EXPECT_TRUE(a->isSelected());
  EXPECT_EQ(list.currentItem(), a);
  list.clearSelection();
  b->setSelected(true);
  EXPECT_EQ(GetSelectedListItem(&list), b);
  EXPECT_TRUE(RemoveListItemByKey(&list, QStringLiteral("2k")));
  EXPECT_FALSE(RemoveListItemByKey(&list, QStringLiteral("2k")));
  EXPECT_EQ(list.topLevelItemCount(), 2);
}

TEST_F(GenericUi, TreeNodeByKeyFindsNestedNodes) {
  QTreeWidget tree;
  auto* sector = AddItem(&tree, "Sector", "s1");
  auto* ship = AddItem(&tree, "Ship", "o7", sector);
  auto* dock = AddItem(&tree, "Dock", "o8", ship);
  EXPECT_EQ(GetTreeNodeByKey(&tree, QStringLiteral("o8")), dock);
  EXPECT_EQ(GetTreeNodeByKey(&tree, QStringLiteral("s1")), sector);
  EXPECT_EQ(GetTreeNodeByKey(&tree, QStringLiteral("x")), nullptr);
  // A list lookup sees top-level items only.
  EXPECT_EQ(GetListItemByKey(&tree, QStringLiteral("o8")), nullptr);
}

TEST_F(GenericUi, FitLastColumn) {
  QTreeWidget list;
  list.setColumnCount(3);
  list.header()->setStretchLastSection(false);
  list.resize(400, 200);
  list.show();
  list.setColumnWidth(0, 100);
  list.setColumnWidth(1, 50);
  FitLastColumn(&list, false);
  EXPECT_EQ(list.columnWidth(2), list.viewport()->width() - 150 - 6);
  FitLastColumn(&list, true);
  EXPECT_EQ(list.columnWidth(2), list.viewport()->width() - 150 - 23);
  list.setColumnWidth(1, 1000);
  int before = list.columnWidth(2);
  FitLastColumn(&list, true);  // no room: left alone
  EXPECT_EQ(list.columnWidth(2), before);
}

TEST_F(GenericUi, ComboItemData) {
  QComboBox combo;
  EXPECT_EQ(GetComboItemData(&combo), -1);
  combo.addItem("English", 44);
  combo.addItem("German", 49);
  combo.addItem("French", 33);
  EXPECT_TRUE(SelectComboByItemData(&combo, 49));
  EXPECT_EQ(combo.currentIndex(), 1);
  EXPECT_EQ(GetComboItemData(&combo), 49);
  EXPECT_FALSE(SelectComboByItemData(&combo, 7));
  EXPECT_EQ(combo.currentIndex(), -1);
  EXPECT_EQ(GetComboItemData(&combo), -1);

  QListWidget box;
  auto* item = new QListWidgetItem("x", &box);
  item->setData(Qt::UserRole, 5);
  EXPECT_EQ(GetComboItemData(&box), -1);
  EXPECT_TRUE(SelectComboByItemData(&box, 5));
  EXPECT_EQ(GetComboItemData(&box), 5);
  EXPECT_FALSE(SelectComboByItemData(&box, 6));
  EXPECT_EQ(box.currentRow(), -1);
}

TEST_F(GenericUi, TextBoxes) {
  QLineEdit edit;
  edit.setText("12345");
  SelectAllText(&edit);
  EXPECT_EQ(edit.selectedText(), "12345");
  SetNumbersOnly(&edit);
  ASSERT_NE(edit.validator(), nullptr);
  QString bad = "12a", good = "0042";
  int pos = 0;
  EXPECT_EQ(edit.validator()->validate(bad, pos), QValidator::Invalid);
  EXPECT_EQ(edit.validator()->validate(good, pos), QValidator::Acceptable);
  QComboBox editable;
  editable.setEditable(true);
  editable.setEditText("abc");
  SelectAllText(&editable);
  EXPECT_EQ(editable.lineEdit()->selectedText(), "abc");
  SelectAllText(nullptr, true);  // harmless

  QWidget src, dst;
  src.setGeometry(10, 20, 300, 40);
  CopyPosition(&dst, &src);
  EXPECT_EQ(dst.geometry(), src.geometry());
}

TEST_F(GenericUi, DataHasFiles) {
  QMimeData none;
  EXPECT_FALSE(DataHasFiles(&none));
  EXPECT_FALSE(DataHasFiles(nullptr));
  QMimeData web;
  web.setUrls({QUrl("https://example.invalid/x")});
  EXPECT_FALSE(DataHasFiles(&web));
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/tmp/a.txt")});
  EXPECT_TRUE(DataHasFiles(&files));
}

}  // namespace
