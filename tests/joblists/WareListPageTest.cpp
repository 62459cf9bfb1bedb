#include <QRadioButton>
#include <QTreeWidget>

#include "PagesFixture.h"
#include "tests/common/ErrorOf.h"
#include "txteditor/TXTEditor.h"
#include "wareeditors/WareList.h"

using testdata::Record;
using testdata::TreXml;
using testdata::TypeFile;

class WareListPageTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    data.Write("types/TWareB.txt",
               TypeFile(5, {Record(17, {"body", "0", "0", "0", "0", "0", "2001"}, "SS_WARE_CELLS")}));
    data.Write("types/WareLists.txt", WareListsText({{"SS_WARE_CELLS", "SS_GONE"}, {}, {"SS_WARE_CELLS"}}));
    data.Write("t/440001.xml", TreXml(44, {{17, {{2001, "Energy Cells"}}}}));
    Mount();
    lists = Archive->GetFile("WareLists");
    ASSERT_TRUE(lists);
  }
  TxtParserRef lists;
};

TEST_F(WareListPageTest, HostMembersAndTheUnchangedRecordOnUniqueNaming) {
  ucWareList page;
  TxtParserRef p = lists;
  ASSERT_TRUE(page.Init(p));
  EXPECT_EQ(page.Wares(), mdlWareList::SharedWareCollection());
  int32_t t = 21, other = 19;
  EXPECT_TRUE(page.JvQueryInterfaceEx(t));
  EXPECT_FALSE(page.JvQueryInterfaceEx(other));
  EXPECT_EQ(page.PageName(t), "Ware List info");
  EXPECT_EQ(page.PageName(other), "");
  EXPECT_EQ(page.ObjectTypeName(t), "Ware List");
  EXPECT_EQ(page.JvQueryInfo(t), 0);
  EXPECT_EQ(page.GetLastError(), "");
  TXTObjectRef third = lists->FindIndex(2);
  EXPECT_EQ(page.ObjectName(third), "2");
  EXPECT_EQ(page.GetResourceName(third), "");
  EXPECT_EQ(page.CreateObject(t, p, nullptr), nullptr);
  EXPECT_EQ(page.GetLastError(), "Ware lists cannot be created on the ware list page.");
  EXPECT_EQ(lists->Count(), 3);

  // Unique naming leaves the list's wares alone (its last value is a ware ID).
  TXTObjectRef first = lists->FindIndex(0);
  page.JvAssignUniqueObjectName(first);
  EXPECT_EQ(first->ObjectName(), "SS_GONE");
  EXPECT_EQ(first->size(), 2);
  EXPECT_FALSE(first->Dirty);

  int32_t i = 0;
  EXPECT_EQ(page.JvGetPropertyName(first, i), "");
  EXPECT_EQ(page.JvGetValueType(first, i), 0);
  std::string text;
  kz::Variant v;
  EXPECT_EQ(kztest::ErrorOf([&] { page.JvTranslateValue(first, i, text, true); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page.JvTranslateValueBack(first, "1", i, v); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page.ReadOnly(); }), kz::kErrNotSupported);
  EXPECT_EQ(kztest::ErrorOf([&] { page.KzExportData(nullptr); }), kz::kErrNotSupported);
}

TEST_F(WareListPageTest, ShowsTheListOrTheNotFoundColumn) {
  ucWareList page;
  page.resize(500, 300);
  TxtParserRef p = lists;
  page.Init(p);
  TXTObjectRef first = lists->FindIndex(0);
  int32_t t = 21;
  page.ShowObject(first, t);
  QTreeWidget* v = page.WareView;
  ASSERT_EQ(v->topLevelItemCount(), 2);
  EXPECT_EQ(v->topLevelItem(0)->text(0), "Energy Cells");
  EXPECT_EQ(v->topLevelItem(0)->text(1), "SS_WARE_CELLS");
  EXPECT_EQ(v->topLevelItem(1)->text(0), "SS_GONE");
  EXPECT_EQ(v->headerItem()->text(0), "Name");

  // Another type code does nothing.
  TXTObjectRef none;
  int32_t other = 6;
  page.ShowObject(none, other);
  EXPECT_EQ(v->topLevelItemCount(), 2);
  // No record: the not-found column of list 0.
  page.ShowObject(none, t);
  EXPECT_EQ(v->topLevelItemCount(), 0);
  EXPECT_EQ(v->columnCount(), 1);
  EXPECT_EQ(v->headerItem()->text(0), "Ware list 0 not found");
}

TEST_F(WareListPageTest, TheEditorWindowListsAndShowsWareLists) {
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWareListPage, [](QWidget* parent) -> EditorPage* {
    return new ucWareList(parent);
  });
  frmTXTEditor window;
  window.setAttribute(Qt::WA_DeleteOnClose, false);
  window.MyShow();
  window.OpenFile((data.Root() / "types" / "WareLists.txt").string());
  auto* page = window.findChild<ucWareList*>("WareListEdit");
  ASSERT_TRUE(page);
  EXPECT_EQ(window.CurrentPage(), page);
  ASSERT_EQ(window.ObjectView->model()->rowCount(), 3);
  EXPECT_EQ(window.ObjectView->model()->index(2, 0).data().toString(), "2");
  window.SelectRecord(window.Parser()->FindIndex(0));
  ASSERT_EQ(page->WareView->topLevelItemCount(), 2);
  EXPECT_EQ(page->WareView->topLevelItem(0)->text(0), "Energy Cells");
  // The page gives no names: the list shows IDs, and the Name option is not left chosen.
  EXPECT_FALSE(window.rbName[0]->isEnabled());
  EXPECT_FALSE(window.rbName[0]->isChecked());
  EXPECT_TRUE(window.rbName[2]->isChecked());
  EXPECT_EQ(window.ObjectView->model()->headerData(0, Qt::Horizontal).toString(), "ID");
  // Add says why no ware list is made.
  ui_->PushMsgBox(platform::vbNo);  // at the end
  window.AddRecord();
  EXPECT_EQ(MsgTexts().back(), "Error creating object: \r\nWare lists cannot be created on the ware list page.");
  EXPECT_EQ(window.Parser()->Count(), 3);
  window.Parser()->FileName.clear();
  frmTXTEditor::SetPageFactory(frmTXTEditor::kWareListPage, nullptr);
}
