// The icon table read from an "IconData" file: the GUI group, its sheet, counts that
// run past the file, and the archive's records left as they are.
#include <gtest/gtest.h>

#include "DataFolder.h"
#include "rudu/rudu.h"
#include "typefiles/TxtParser.h"
#include "wareeditors/model/WareIconTable.h"

namespace {

std::shared_ptr<clsTxtParser> LoadIconData(const std::string& text) {
  testdata::DataFolder data;
  data.Write("types/IconData.txt", text);
  const std::string path = (data.Root() / "types/IconData.txt").string();
  int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  EXPECT_NE(f, 0);
  auto p = std::make_shared<clsTxtParser>();
  EXPECT_TRUE(p->Load(f, 22)) << p->GetLastError();
  RuDU_CloseFile(f);
  return p;
}

std::string Icon(const char* name, int x, int y, int w, int h) {
  return std::string(name) + ";0;" + std::to_string(x) + ";" + std::to_string(y) + ";" + std::to_string(w) + ";" +
         std::to_string(h) + ";\r\n";
}

}  // namespace

TEST(WareIconTable, TheGuiGroupAfterTheCountsOfTheGroupsBeforeIt) {
  auto file = LoadIconData("ICONTYPE_WARES;interface\\wares.dds;32;32;1;\r\n" + Icon("W1", 0, 0, 32, 32) +
                           "ICONTYPE_SHIPS;interface\\ships.dds;64;64;2;\r\n" + Icon("S1", 0, 0, 64, 64) +
                           Icon("S2", 64, 0, 64, 64) + "ICONTYPE_GUI;interface\\a\\gui_icons.dds;24;24;3;\r\n" +
                           Icon("ICON_B", 0, 0, 24, 24) + Icon("ICON_A", 24, 0, 24, 24) + Icon("ICON_B", 48, 24, 10, 12));
  // The archive's records keep their file positions whatever the table does.
  std::vector<int32_t> before;
  for (const auto& r : file->UnsortedObjects) before.push_back(r->index);

  ware::WareIconTable table;
  table.Load(file.get());
  EXPECT_EQ(table.SheetName(), "interface\\a\\gui_icons");
  ASSERT_EQ(table.Icons().size(), 3u);
  const ware::WareIcon* b = table.Find("ICON_B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->x, 0);  // the first of that name
  ware::IconRect rect = ware::RectOf(*b);
  EXPECT_EQ(rect.x, 1);
  EXPECT_EQ(rect.y, 1);
  EXPECT_EQ(rect.width, 24);
  EXPECT_EQ(table.Find("S1"), nullptr);
  EXPECT_EQ(table.Names(), (std::vector<std::string>{"ICON_A", "ICON_B", "ICON_B"}));
  EXPECT_EQ(table.SheetPatterns(), (std::vector<std::string>{"textures\\interface\\a\\gui_icons", "dds\\gui_icons"}));

  std::vector<int32_t> after;
  for (const auto& r : file->UnsortedObjects) after.push_back(r->index);
  EXPECT_EQ(after, before);
  EXPECT_FALSE(file->CheckDirty());
}

TEST(WareIconTable, MissingGroupShortFileAndNoFile) {
  ware::WareIconTable table;
  table.Load(LoadIconData("ICONTYPE_WARES;w.dds;32;32;1;\r\n" + Icon("W1", 0, 0, 32, 32)).get());
  EXPECT_TRUE(table.Icons().empty());
  EXPECT_TRUE(table.SheetPatterns().empty());
  EXPECT_TRUE(table.Loaded());

  // The header's count (5) runs past the file's two icons: the two are taken.
  auto p = std::make_shared<clsTxtParser>();
  auto header = p->CreateObject();
  header->AssignValues({kz::Variant("ICONTYPE_GUI"), kz::Variant("gui.dds"), kz::Variant(int32_t{24}),
                        kz::Variant(int32_t{24}), kz::Variant(int32_t{5})});
  for (const char* name : {"I1", "I2"}) {
    auto r = p->CreateObject();
    r->AssignValues({kz::Variant(int32_t{1}), kz::Variant(int32_t{2}), kz::Variant(int32_t{3}),
                     kz::Variant(int32_t{4}), kz::Variant(name)});
  }
  table.Load(p.get());
  EXPECT_EQ(table.Icons().size(), 2u);
  EXPECT_EQ(table.SheetName(), "gui");
  EXPECT_EQ(table.SheetPatterns(), (std::vector<std::string>{"textures\\gui", "dds\\gui"}));

  table.Load(nullptr);
  EXPECT_TRUE(table.Icons().empty());
  EXPECT_TRUE(table.Names().empty());
}

// The rectangle drawn is one pixel in from the record's corner; a damaged record's
// numbers never pass the range of a pixel position, and a side larger than any
// picture the page shows is cut to the largest.
TEST(WareIconTable, RectanglesStayInTheRangeOfAPicture) {
  constexpr int32_t kMax = 2147483647, kMin = -2147483647 - 1;
  struct Case {
    ware::WareIcon icon;
    ware::IconRect rect;
  };
  const std::vector<Case> cases = {
      {{"A", 0, 0, 30, 30}, {1, 1, 30, 30}},
      {{"A", kMax, kMax - 1, 30, 30}, {kMax, kMax, 30, 30}},
      {{"A", -1, kMin, 30, 30}, {0, kMin + 1, 30, 30}},
      {{"A", 5, 5, 40000, kMax}, {6, 6, ware::kLargestIconSide, ware::kLargestIconSide}},
      {{"A", 5, 5, ware::kLargestIconSide, ware::kLargestIconSide - 1},
       {6, 6, ware::kLargestIconSide, ware::kLargestIconSide - 1}},
      {{"A", 5, 5, -3, 0}, {6, 6, -3, 0}},  // no picture at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.icon.x) + "," + std::to_string(c.icon.y) + " " + std::to_string(c.icon.width) +
                 "x" + std::to_string(c.icon.height));
    const ware::IconRect r = ware::RectOf(c.icon);
    EXPECT_EQ(r.x, c.rect.x);
    EXPECT_EQ(r.y, c.rect.y);
    EXPECT_EQ(r.width, c.rect.width);
    EXPECT_EQ(r.height, c.rect.height);
  }
}

// An icon is cut from its sheet: a record whose sides pass the sheet's gets a picture
// of at most the sheet's own size (the corner stays where the record puts it, so what
// lies past the sheet's edge is still shown black). Without a sheet the rectangle is the
// record's.
TEST(WareIconTable, RectanglesOnASheetAreNoLargerThanTheSheet) {
  constexpr int32_t kMax = 2147483647;
  const int32_t side = ware::kLargestIconSide;
  struct Case {
    ware::WareIcon icon;
    int32_t sheetWidth, sheetHeight;
    ware::IconRect rect;
  };
  const std::vector<Case> cases = {
      {{"A", 0, 0, 8, 6}, 32, 16, {1, 1, 8, 6}},
      {{"A", 29, 0, 5, 2}, 32, 16, {30, 1, 5, 2}},         // past the right edge, narrower than the sheet
      {{"A", 0, 0, 40000, 40000}, 32, 16, {1, 1, 32, 16}},
      {{"A", 0, 0, kMax, kMax}, 300, 1, {1, 1, 300, 1}},
      {{"A", 2, 2, kMax, 3}, 32, 16, {3, 3, 32, 3}},
      {{"A", kMax, 3, 5, 5}, 32, 16, {kMax, 4, 5, 5}},
      {{"A", 0, 0, 32, 16}, 32, 16, {1, 1, 32, 16}},
      {{"A", 0, 0, 40000, 40000}, 8192, 8192, {1, 1, side, side}},  // the largest side still holds
      {{"A", 5, 5, -3, 0}, 32, 16, {6, 6, -3, 0}},
      {{"A", 0, 0, 40000, 20}, 0, 0, {1, 1, side, 20}},  // no sheet
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.icon.x) + "," + std::to_string(c.icon.y) + " " + std::to_string(c.icon.width) +
                 "x" + std::to_string(c.icon.height) + " on " + std::to_string(c.sheetWidth) + "x" +
                 std::to_string(c.sheetHeight));
    const ware::IconRect r = ware::RectOnSheet(c.icon, c.sheetWidth, c.sheetHeight);
    EXPECT_EQ(r.x, c.rect.x);
    EXPECT_EQ(r.y, c.rect.y);
    EXPECT_EQ(r.width, c.rect.width);
    EXPECT_EQ(r.height, c.rect.height);
  }
}
