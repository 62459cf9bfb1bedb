// The sample data folder has a record of every ware type that the page shows: the
// icon sheet resolves through catalog 06, and colours, flags, ammunition and names
// come out translated.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "WarePageFixture.h"
#include "tests/common/SampleData.h"

TEST_F(WarePageTest, SampleDataShowsEveryWareView) {
  const std::string root = (data_.Root() / "sample").string();
  ASSERT_TRUE(kztest::WriteSampleData(root));
  ZuZER_CreateVFS(root.c_str());
  Archive->Clear();
  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();

  const struct {
    const char* file;
    int32_t type;
    const char* id;
    const char* row;    // a caption the view has
    const char* value;  // its value text
  } cases[] = {
      {"TShields", 2, "SS_SHIELD_A", "Charge time", "0 s"},
      {"TLaser", 3, "SS_LASER_IRE", "Name", "Impulse Ray Emitter"},
      {"TBullets", 4, "SS_BULLET_IRE", "Color (RGB)", "0x2040FF"},
      {"TMissiles", 5, "SS_MISSILE_MOSQUITO", "Name", "Mosquito Missile"},
      {"TWareT", 6, "SS_WARE_ENERGY", "Name", "Energy Cells"},
      {"TFactories", 7, "SS_FACTORY_TECH", "Name", "Technology Plant"},
      {"TSpecial", 8, "SS_SPECIAL_BEACON", "Name", "Navigation Beacon"},
      {"TDocks", 10, "SS_DOCK_EQUIP", "Name", "Equipment Dock"},
      {"Wrecks", 11, "SS_WRECK_FREIGHTER", "Name", "Derelict Freighter"},
      {"TGates", 12, "SS_GATE_NORTH", "Name", "North Gate"},
      {"TPlanets", 13, "SS_PLANET_OCEAN", "Color (RGB)", "0xD26E28"},
      {"TSuns", 14, "SS_SUN_YELLOW", "Name", "Yellow Sun"},
      {"TAsteroids", 15, "SS_ASTEROID_ORE", "Name", "Ore Asteroid"},
      {"TDebris", 16, "SS_DEBRIS_HULL", "Name", "Hull Fragment"},
      {"TBackgrounds", 17, "SS_BACKGROUND_STARS", "Name", "Starfield"},
      {"TNebula", 18, "SS_NEBULA_RED", "Dust body (1)", "dust\\red"},
  };
  ucWare* page = NewPage();
  for (const auto& c : cases) {
    TxtParserRef parser = Archive->GetFile(c.file);
    ASSERT_TRUE(parser) << c.file << ": " << Archive->GetLastError();
    int32_t t = c.type;
    ASSERT_TRUE(page->JvQueryInterfaceEx(t)) << c.file;
    TxtParserRef p = parser;
    page->Init(p);
    std::string message;
    EXPECT_TRUE(page->Validate(message)) << c.file << message;
    TXTObjectRef record = parser->FindID(c.id);
    ASSERT_TRUE(record) << c.file << " " << c.id;
    Show(page, record, c.type);
    const int row = RowOf(page->PropView, c.row);
    ASSERT_GE(row, 0) << c.file << " " << c.row;
    EXPECT_EQ(page->PropView->topLevelItem(row)->text(1).toStdString(), c.value) << c.file;
  }

  // Bullets: flags, ammunition from the wares file, range.
  TxtParserRef bullets = Archive->GetFile("TBullets");
  int32_t t = 4;
  page->JvQueryInterfaceEx(t);
  Show(page, bullets->FindID("SS_BULLET_PAC"), 4);
  EXPECT_TRUE(page->chkFlag[6]->isChecked());
  TXTObjectRef pac = bullets->FindID("SS_BULLET_PAC");
  int32_t ammo = 27;
  const int ammoRow = RowOf(page->PropView, page->JvGetPropertyName(pac, ammo));
  ASSERT_GE(ammoRow, 0);
  EXPECT_EQ(page->PropView->topLevelItem(ammoRow)->text(1).toStdString(), "Accelerator Shells (1)");
  EXPECT_EQ(page->PropView->topLevelItem(RowOf(page->PropView, "Range"))->text(1).toStdString(), "300 m");

  // Icons of factories, docks and missiles, cut from the sheet in catalog 06.
  if (!WareImageLibrary::Vup().Init()) GTEST_SKIP() << "the image library is not there";
  for (const auto& [file, type, id] : {std::tuple{"TFactories", 7, "SS_FACTORY_FOOD"},
                                       std::tuple{"TDocks", 10, "SS_DOCK_EQUIP"},
                                       std::tuple{"TMissiles", 5, "SS_MISSILE_WASP"}}) {
    ucWare* fresh = NewPage();
    TxtParserRef parser = Archive->GetFile(file);
    int32_t type2 = type;
    fresh->JvQueryInterfaceEx(type2);
    ASSERT_TRUE(fresh->Icons().SheetLoaded()) << file;
    EXPECT_NE(fresh->Icons().SheetPath().find("06.cat::"), std::string::npos) << fresh->Icons().SheetPath();
    Show(fresh, parser->FindID(id), type);
    ASSERT_FALSE(fresh->IconImage->isHidden()) << file;
    QImage icon = fresh->IconImage->pixmap().toImage();
    EXPECT_EQ(icon.width(), 30);
    EXPECT_EQ(icon.pixel(15, 15), 0xfff0f0f0u) << file;  // the disc at the icon's centre
  }
}
