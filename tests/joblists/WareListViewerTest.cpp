#include <QHeaderView>
#include <QTreeWidget>

#include "PagesFixture.h"
#include "typefiles/WareCollection.h"
#include "wareeditors/WareListViewer.h"
#include "wareeditors/model/WareListRules.h"

using testdata::Record;
using testdata::TreXml;
using testdata::TypeFile;
using testdata::Ware;

namespace {

std::vector<std::vector<QString>> Rows(QTreeWidget* view) {
  std::vector<std::vector<QString>> out;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    std::vector<QString> row;
    for (int c = 0; c < view->columnCount(); ++c) row.push_back(view->topLevelItem(i)->text(c));
    out.push_back(row);
  }
  return out;
}

std::vector<QString> Headers(QTreeWidget* view) {
  std::vector<QString> out;
  for (int c = 0; c < view->columnCount(); ++c) out.push_back(view->headerItem()->text(c));
  return out;
}

int Px(const QWidget* w, int twips) { return twips * w->logicalDpiX() / 1440; }

}  // namespace

class WareListViewerTest : public PagesTest {
 protected:
  void WriteWares() {
    data.Write("types/TWareB.txt", TypeFile(5, {Ware(17, "2001", "SS_WARE_CELLS"), Ware(17, "2002", "SS_WARE_ORE")}));
    data.Write("types/TLaser.txt", TypeFile(40, {Ware(23, "1101", "SS_LASER_A")}));
    data.Write("types/TShields.txt", TypeFile(25, {Ware(21, "1201", "SS_SHIELD_A"), Ware(21, "1202", "SS_WARE_CELLS")}));
    data.Write("t/440001.xml", TreXml(44, {{17, {{2001, "Energy Cells"}, {1101, "Ray"}, {1201, "Shield"},
                                                 {1202, "Duplicate"}}}}));
  }
};

TEST_F(WareListViewerTest, SharedCollectionIsBuiltOncePerArchiveAndIndexed) {
  WriteWares();
  Mount();
  WareCollectionPtr first = mdlWareList::SharedWareCollection();
  EXPECT_EQ(mdlWareList::SharedWareCollection(), first) << "one collection while the archive stands";
  EXPECT_EQ(first->Count(), 5);
  // An ID held twice finds the first record in file order, as a search of the file does.
  EXPECT_EQ(first->FindID("SS_WARE_CELLS"), first->Wares()->FindID("SS_WARE_CELLS"));
  EXPECT_EQ(first->FindID("SS_WARE_CELLS")->otype, 6);
  EXPECT_EQ(first->FindID("ss_ware_cells"), nullptr);
  for (const char* id : {"SS_WARE_CELLS", "SS_WARE_ORE", "SS_LASER_A", "SS_SHIELD_A", "SS_NONE", ""})
    EXPECT_EQ(first->GetWareName(id), mdlWareList::GetWareName(first->Wares(), id)) << id;
  EXPECT_EQ(first->GetWareName("SS_WARE_CELLS"), "Energy Cells");

  // A reload of the game data (the archive emptied) or a new archive gives a new one.
  data.Write("types/TWareB.txt", TypeFile(5, {Ware(17, "2001", "SS_WARE_NEW")}));
  Archive->Clear();
  WareCollectionPtr second = mdlWareList::SharedWareCollection();
  EXPECT_NE(second, first);
  EXPECT_TRUE(second->FindID("SS_WARE_NEW"));
  EXPECT_TRUE(first->FindID("SS_WARE_CELLS")) << "a collection handed out stays whole";
  Archive = std::make_shared<clsArchive>();
  EXPECT_NE(mdlWareList::SharedWareCollection(), second);
  Archive.reset();
  EXPECT_EQ(mdlWareList::SharedWareCollection()->Count(), 0);
}

TEST_F(WareListViewerTest, ShowsNamesAndIDsWithFittedColumns) {
  WriteWares();
  const std::string wide(60, 'W');
  data.Write("types/WareLists.txt", WareListsText({{"SS_WARE_CELLS", "SS_UNKNOWN", "SS_LASER_A"}, {}, {wide}}));
  Mount();
  WareListViewer viewer;
  viewer.resize(600, 400);
  ASSERT_TRUE(viewer.Init());
  EXPECT_EQ(viewer.Wares(), mdlWareList::SharedWareCollection()) << "the shared collection, not a copy";

  viewer.ShowWareList(0);
  QTreeWidget* view = viewer.WareView;
  EXPECT_EQ(view->objectName(), "WareView");
  EXPECT_EQ(Headers(view), (std::vector<QString>{"Name", "ID"}));
  EXPECT_EQ(Rows(view), (std::vector<std::vector<QString>>{{"Energy Cells", "SS_WARE_CELLS"},
                                                           {"SS_UNKNOWN", "SS_UNKNOWN"},
                                                           {"Ray", "SS_LASER_A"}}));
  // Short texts: both columns at the narrowest width.
  EXPECT_EQ(view->columnWidth(0), Px(view, 2000));
  EXPECT_EQ(view->columnWidth(1), Px(view, 2000));

  // An empty list: no rows, the two columns at their narrowest.
  viewer.ShowWareList(1);
  EXPECT_EQ(view->topLevelItemCount(), 0);
  EXPECT_EQ(Headers(view), (std::vector<QString>{"Name", "ID"}));
  EXPECT_EQ(view->columnWidth(0), Px(view, 2000));

  // A wide name: its width plus 200 twips.
  viewer.ShowWareList(2);
  const int text = view->fontMetrics().horizontalAdvance(QString::fromStdString(wide));
  ASSERT_GT(text, Px(view, 1800));
  EXPECT_NEAR(view->columnWidth(0), text + Px(view, 200), 2);

  // Clear keeps the columns.
  viewer.Clear();
  EXPECT_EQ(view->topLevelItemCount(), 0);
  EXPECT_EQ(view->columnCount(), 2);
}

TEST_F(WareListViewerTest, MissingListsShowTheNotFoundColumn) {
  WriteWares();
  data.Write("types/WareLists.txt", WareListsText({{"SS_WARE_CELLS"}}));
  Mount();
  WareListViewer viewer;
  viewer.resize(600, 400);
  ASSERT_TRUE(viewer.Init());
  for (int32_t index : {-1, 1, 1000}) {
    viewer.ShowWareList(0);
    viewer.ShowWareList(index);
    EXPECT_EQ(viewer.WareView->topLevelItemCount(), 0) << index;
    EXPECT_EQ(Headers(viewer.WareView), (std::vector<QString>{QString("Ware list %1 not found").arg(index)}));
  }
  viewer.ShowMissing("abc");
  EXPECT_EQ(Headers(viewer.WareView), (std::vector<QString>{"Ware list abc not found"}));

  // No ware-lists file at all: Init says so and every list is missing.
  data.Remove("types/WareLists.txt");
  Mount();
  WareListViewer without;
  EXPECT_FALSE(without.Init());
  ASSERT_TRUE(without.WareLists());
  without.ShowWareList(0);
  EXPECT_EQ(Headers(without.WareView), (std::vector<QString>{"Ware list 0 not found"}));
}

TEST(WareListRules, ColumnWidthsAndNames) {
  EXPECT_EQ(mdlWareListView::FittedColumnWidth(0), 2000);
  EXPECT_EQ(mdlWareListView::FittedColumnWidth(2000), 2000);
  EXPECT_EQ(mdlWareListView::FittedColumnWidth(2001), 2001);
  clsTXTObject list;
  list.PushText("SS_A");
  list.PushLong(7);
  list.index = 2;
  EXPECT_EQ(mdlWareListView::WareListObjectName(list), "2");
  clsWareCollection none(nullptr);
  auto rows = mdlWareListView::WareListRows(list, none);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].id, "7");
  EXPECT_EQ(rows[1].name, "7");
}
