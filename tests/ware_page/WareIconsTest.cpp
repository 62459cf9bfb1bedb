// Ware icons: the GUI group of "IconData", the sheet found through the virtual file
// system (also inside a catalog, never hidden by a folder), drawn through the image
// library; and no icon, and no failure, without the library.
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "WarePageFixture.h"
#include "rudu/rudu.h"

namespace {

// A width x height 24-bit TGA, rows top-down; pixel (x, y) has blue 4x, green 4y, red 0x80.
std::string Sheet(int width, int height) {
  std::string t(18, '\0');
  t[2] = 2;
  t[12] = static_cast<char>(width & 255);
  t[13] = static_cast<char>(width >> 8);
  t[14] = static_cast<char>(height & 255);
  t[15] = static_cast<char>(height >> 8);
  t[16] = 24;
  t[17] = 0x20;  // top-down
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      t += static_cast<char>(x * 4);
      t += static_cast<char>(y * 4);
      t += static_cast<char>(0x80);
    }
  return t;
}

std::string IconLine(const char* name, int x, int y, int w, int h) {
  return std::string(name) + ";0;" + std::to_string(x) + ";" + std::to_string(y) + ";" + std::to_string(w) + ";" +
         std::to_string(h) + ";\r\n";
}

// IconData whose GUI group is the third, on the sheet `sheet`.
std::string IconData(const std::string& sheet) {
  return "ICONTYPE_WARES;interface\\wares.dds;32;32;1;\r\n" + IconLine("W1", 0, 0, 32, 32) +
         "ICONTYPE_SHIPS;interface\\ships.dds;64;64;1;\r\n" + IconLine("S1", 0, 0, 64, 64) + "ICONTYPE_GUI;" +
         sheet + ";8;8;2;\r\n" + IconLine("ICON_B", 0, 0, 8, 6) + IconLine("ICON_A", 10, 4, 5, 5);
}

void WriteInCatalog(const std::filesystem::path& cat, const std::string& inner, const std::string& bytes) {
  const std::string path = cat.string() + "::" + inner;
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
  ASSERT_NE(f, 0);
  ASSERT_EQ(RuDU_WriteFile(f, bytes.data(), static_cast<int32_t>(bytes.size())), static_cast<int32_t>(bytes.size()));
  ASSERT_NE(RuDU_CloseFile(f), 0);
}

uint32_t PixelOf(int x, int y) { return 0xff800000u | (static_cast<uint32_t>(y * 4) << 8) | static_cast<uint32_t>(x * 4); }

}  // namespace

TEST_F(WarePageTest, IconsComeFromTheSheetInACatalogNotFromAFolderOfItsName) {
  data_.Write("types/IconData.txt", IconData("interface\\gui\\gui_icons.dds"));
  WriteType("TLaser", 40, {Line(23, {{12, "ICON_A"}}, "SS_LASER_A"), Line(23, {{12, "ICON_NONE"}}, "SS_LASER_B")});
  WriteInCatalog(data_.Root() / "01.cat", "textures\\interface\\gui\\gui_icons.tga", Sheet(32, 16));
  // A folder of the sheet's name comes first in a search; it must not hide the file.
  std::filesystem::create_directories(data_.Root() / "textures/interface/gui/gui_icons");
  data_.Write("textures/interface/gui/gui_icons/readme.txt", "x");
  Mount();

  TxtParserRef lasers = Parse("TLaser", 3);
  const std::vector<int32_t> positions = {Archive->GetFile("IconData")->FindIndex(4)->index};
  ucWare* page = PageFor(lasers, 3);
  ASSERT_TRUE(page->Icons().SheetLoaded());
  EXPECT_NE(page->Icons().SheetPath().find("01.cat::"), std::string::npos) << page->Icons().SheetPath();
  ASSERT_FALSE(page->Icons().Sheet().isNull());
  EXPECT_EQ(page->Icons().Sheet().width(), 32);
  EXPECT_EQ(page->Lists().iconNames, (std::vector<std::string>{"ICON_A", "ICON_B"}));
  // The archive's shared records keep their positions.
  EXPECT_EQ(Archive->GetFile("IconData")->FindIndex(4)->index, positions[0]);

  Show(page, lasers->FindIndex(0), 3);
  ASSERT_FALSE(page->IconImage->isHidden());
  QImage shown = page->IconImage->pixmap().toImage();
  ASSERT_EQ(shown.width(), 5);
  EXPECT_EQ(shown.pixel(0, 0), PixelOf(11, 5));  // one pixel in from x 10, y 4
  EXPECT_EQ(shown.pixel(4, 4), PixelOf(15, 9));

  // An icon the table does not have hides the picture box.
  Show(page, lasers->FindIndex(1), 3);
  EXPECT_TRUE(page->IconImage->isHidden());

  // The icon names are the list of field 12.
  TXTObjectRef laser = lasers->FindIndex(0);
  int32_t twelve = 12;
  kz::NameTable names = page->JvGetPropertyValues(laser, twelve);
  EXPECT_EQ(names.Count(), 2);
}

// Icon records with numbers no sheet holds (a corner past the range of a pixel
// position, sides of tens of thousands of pixels) show a picture no larger than the
// sheet, black where the sheet has no pixels, in good time; the picture box takes the
// picture's size.
TEST_F(WarePageTest, IconRectanglesPastTheSheetShowBoundedBlackPictures) {
  const std::string far = std::to_string(2147483647);
  data_.Write("types/IconData.txt",
              "ICONTYPE_GUI;interface\\gui\\gui_icons.dds;8;8;4;\r\n" + IconLine("ICON_FAR", 2147483647, 3, 5, 5) +
                  IconLine("ICON_HUGE", 0, 0, 40000, 40000) + IconLine("ICON_WIDEST", 2, 2, 2147483647, 3) +
                  IconLine("ICON_EDGE", 29, 0, 5, 2));
  WriteType("TLaser", 40,
            {Line(23, {{12, "ICON_FAR"}}, "SS_LASER_A"), Line(23, {{12, "ICON_HUGE"}}, "SS_LASER_B"),
             Line(23, {{12, "ICON_WIDEST"}}, "SS_LASER_C"), Line(23, {{12, "ICON_EDGE"}}, "SS_LASER_D")});
  data_.Write("textures/interface/gui/gui_icons.tga", Sheet(32, 16));
  Mount();
  TxtParserRef lasers = Parse("TLaser", 3);
  ucWare* page = PageFor(lasers, 3);
  ASSERT_TRUE(page->Icons().SheetLoaded());
  ASSERT_FALSE(page->Icons().Sheet().isNull());
  struct Case {
    int record, width, height;
  };
  for (const Case& c : std::vector<Case>{{0, 5, 5}, {1, 32, 16}, {2, 32, 3}, {3, 5, 2}}) {
    SCOPED_TRACE(c.record);
    Show(page, lasers->FindIndex(c.record), 3);
    ASSERT_FALSE(page->IconImage->isHidden());
    const QImage shown = page->IconImage->pixmap().toImage();
    ASSERT_EQ(shown.width(), c.width);
    ASSERT_EQ(shown.height(), c.height);
    EXPECT_EQ(page->IconRectShown().width, c.width);
    EXPECT_EQ(page->IconRectShown().height, c.height);
    if (c.record == 1) {
      EXPECT_EQ(shown.pixel(0, 0), PixelOf(1, 1));
      EXPECT_EQ(shown.pixel(31, 15) & 0xffffffu, 0u);  // past the sheet's corner: black
    } else if (c.record == 3) {
      EXPECT_EQ(shown.pixel(0, 0), PixelOf(30, 1));  // x 29 + 1: two columns on the sheet
      EXPECT_EQ(shown.pixel(1, 1), PixelOf(31, 2));
      EXPECT_EQ(shown.pixel(2, 0) & 0xffffffu, 0u);  // past its right edge: black
    } else if (c.record == 0) {
      EXPECT_EQ(shown.pixel(4, 4) & 0xffffffu, 0u);
    }
  }
}

TEST_F(WarePageTest, SheetFoundByItsLastPartInTheDdsFolder) {
  data_.Write("types/IconData.txt", IconData("interface\\gui\\gui_icons.dds"));
  WriteType("TMissiles", 48, {Line(37, {{25, "ICON_B"}}, "SS_MISSILE")});
  data_.Write("dds/gui_icons.tga", Sheet(16, 8));
  Mount();
  TxtParserRef missiles = Parse("TMissiles", 5);
  ucWare* page = PageFor(missiles, 5);
  EXPECT_NE(page->Icons().SheetPath().find("dds/gui_icons.tga"), std::string::npos) << page->Icons().SheetPath();
  Show(page, missiles->FindIndex(0), 5);
  ASSERT_FALSE(page->IconImage->isHidden());
  QImage shown = page->IconImage->pixmap().toImage();
  EXPECT_EQ(shown.pixel(0, 0), PixelOf(1, 1));
  EXPECT_EQ(page->IconRectShown().width, 8);
  EXPECT_EQ(page->IconRectShown().height, 6);
}

TEST_F(WarePageTest, WithoutTheImageLibraryThereIsNoIconAndNothingFails) {
  data_.Write("types/IconData.txt", IconData("gui_icons.dds"));
  data_.Write("dds/gui_icons.tga", Sheet(16, 8));
  WriteType("TLaser", 40, {Line(23, {{12, "ICON_A"}}, "SS_LASER_A")});
  Mount();
  int inits = 0;
  WareImageLibrary missing;
  missing.Init = [&inits] {
    ++inits;
    return false;
  };
  WareImageLibrary::Current() = missing;
  TxtParserRef lasers = Parse("TLaser", 3);
  ucWare* page = PageFor(lasers, 3);
  EXPECT_FALSE(page->Icons().SheetLoaded());
  Show(page, lasers->FindIndex(0), 3);
  EXPECT_TRUE(page->IconImage->isHidden());
  EXPECT_GT(page->PropView->topLevelItemCount(), 20);
  EXPECT_EQ(page->Lists().iconNames.size(), 2u);  // the names still come from the table

  // The library is tried again at the next query, and then the icon shows.
  WareImageLibrary::Current() = WareImageLibrary::Vup();
  int32_t t = 3;
  page->JvQueryInterfaceEx(t);
  EXPECT_EQ(inits, 1);
  EXPECT_TRUE(page->Icons().SheetLoaded());
  Show(page, lasers->FindIndex(0), 3);
  EXPECT_FALSE(page->IconImage->isHidden());
}

TEST_F(WarePageTest, NoIconDataMeansNoIconsAndAnEmptyList) {
  WriteType("TFactories", 20, {Line(29, {{13, "2"}, {18, "ICON_A"}}, "SS_FACTORY")});
  Mount();
  TxtParserRef factories = Parse("TFactories", 7);
  ucWare* page = PageFor(factories, 7);
  Show(page, factories->FindIndex(0), 7);
  EXPECT_TRUE(page->IconImage->isHidden());
  TXTObjectRef f = factories->FindIndex(0);
  int32_t eighteen = 18;
  EXPECT_TRUE(page->JvGetPropertyValues(f, eighteen).Empty());
  EXPECT_EQ(page->GetRace(f), "Brenn");
}
