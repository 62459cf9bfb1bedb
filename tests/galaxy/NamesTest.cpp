// Names, IDs and subtypes of galaxy objects from the type files and text resources,
// with the placeholders where something is missing.
#include <gtest/gtest.h>

#include "DataFolder.h"
#include "MapFixture.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"

using galtest::MapTest;
using kz::Variant;
using testdata::Record;
using testdata::TypeFile;

namespace {

struct Names : MapTest {
  testdata::DataFolder data;

  void SetUp() override {
    mdlKzConst::InitArrays();
    // Suns: field 6 is the page-17 name; the second has no string, the third repeats
    // the first one's ID (the first in file order wins).
    data.Write("types/TSuns.txt", TypeFile(1, {Record(19, {"0", "0", "0", "0", "0", "0", "2101"}, "SS_SUN_A"),
                                               Record(19, {"0", "0", "0", "0", "0", "0", "2999"}, "SS_SUN_B"),
                                               Record(19, {"0", "0", "0", "0", "0", "0", "2102"}, "SS_SUN_A"),
                                               Record(19, {"0", "0", "0", "0", "0", "0", "2103"}, "SS_SUN_D")}));
    data.Write("types/TGates.txt", TypeFile(1, {Record(18, {"0", "0", "0", "0", "0", "0", "2201"}, "SS_GATE")}));
    data.Write("t/440001.xml",
               testdata::TreXml(44, {{17, {{2101, "Yellow Sun"}, {2102, "Other Sun"}, {2103, "Red Sun"},
                                           {2201, "Jump Gate"}, {2500, "Own Name"}}},
                                     {7, {{1020306, "Home of Light"}}}}));
    data.Mount();
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  }
  void TearDown() override {
    Archive.reset();
    DescServer.reset();
  }

  GalaxyObjectPtr Make(int32_t t, const Variant& s) {
    GalaxyObjectPtr o = doc->CreateGalObject(nullptr);
    o->SetOtype(t);
    if (!s.IsEmpty()) o->SetSubtype(s);
    return o;
  }
};

TEST_F(Names, SectorIdAndNameFromPageSeven) {
  doc->NewFile();
  GalaxyObjectPtr s = Make(1, Variant(int32_t{0}));
  s->SetX(5);
  s->SetY(2);
  EXPECT_EQ(doc->GetObjectID(s), "05, 02");
  EXPECT_EQ(doc->GetSectorStringID(s), 1020306);
  EXPECT_EQ(doc->GetObjectName(s), "Home of Light");
  s->SetX(3);
  s->SetY(11);
  EXPECT_EQ(doc->GetObjectID(s), "03, 11");
  EXPECT_EQ(doc->GetObjectName(s), "[string 7:1021204]");
  EXPECT_EQ(doc->GetObjectSubType(s, 1), "0");
}

TEST_F(Names, SectorStringIdBounds) {
  GalaxyObjectPtr s = Make(1, Variant());
  struct Case {
    int32_t x, y, id;
  } cases[] = {{0, 0, 1020101}, {23, 19, 1022024}, {-1, 0, 1020100}, {-2, 0, 0}, {0, -5, 0},
               {98, 98, 1029999}, {99, 0, 10201100}, {0, 99999, 0}, {2147483647, 0, 0}};
  for (const Case& c : cases) {
    s->SetX(c.x);
    s->SetY(c.y);
    EXPECT_EQ(doc->GetSectorStringID(s), c.id) << c.x << "," << c.y;
  }
}

TEST_F(Names, RecordsBySubtypeTextOrPosition) {
  struct Case {
    Variant s;
    std::string id, name, pageName;
  } cases[] = {
      {Variant("SS_SUN_D"), "SS_SUN_D", "Red Sun", "Red Sun"},
      {Variant(int32_t{3}), "SS_SUN_D", "Red Sun", "Red Sun"},
      {Variant(), "SS_SUN_A", "Yellow Sun", "Yellow Sun"},  // a missing s is the first record
      {Variant("SS_SUN_A"), "SS_SUN_A", "Yellow Sun", "Yellow Sun"},  // first in file order
      {Variant("SS_SUN_B"), "SS_SUN_B", "SS_SUN_B", "[string 17:2999]"},
  };
  for (const Case& c : cases) {
    GalaxyObjectPtr sun = Make(3, c.s);
    EXPECT_EQ(doc->GetObjectID(sun), c.id) << kz::CStr(c.s);
    EXPECT_EQ(doc->GetObjectName(sun), c.name) << kz::CStr(c.s);
    EXPECT_EQ(doc->GetObjectSubType(sun, 2), c.pageName) << kz::CStr(c.s);
    EXPECT_EQ(doc->GetObjectSubType(sun, 1), c.id);
  }
  // Naming again after records changed finds what the file holds now.
  auto suns = Archive->GetFile("TSuns");
  ASSERT_TRUE(suns);
  suns->FindIndex(3)->SetObjectName("SS_SUN_E");
  EXPECT_EQ(doc->GetObjectID(Make(3, Variant("SS_SUN_D"))), "[object t=3 s=SS_SUN_D]");
  EXPECT_EQ(doc->GetObjectName(Make(3, Variant("SS_SUN_E"))), "Red Sun");
  suns->RemoveObject(suns->FindIndex(0));
  EXPECT_EQ(doc->GetObjectName(Make(3, Variant("SS_SUN_A"))), "Other Sun");
}

TEST_F(Names, PlaceholdersWhereFileRecordOrStringIsMissing) {
  EXPECT_EQ(doc->GetObjectName(Make(3, Variant("SS_NONE"))), "[object t=3 s=SS_NONE]");
  EXPECT_EQ(doc->GetObjectID(Make(3, Variant(int32_t{9}))), "[object t=3 s=9]");
  EXPECT_EQ(doc->GetObjectName(Make(7, Variant("SS_SH"))), "[object t=7 s=SS_SH]");  // no TShips
  EXPECT_EQ(doc->GetObjectName(Make(21, Variant(int32_t{0}))), "[object t=21 s=0]");  // no TNebula
  EXPECT_EQ(doc->GetObjectName(Make(19, Variant())), "[object t=19 s=]");
  EXPECT_EQ(doc->GetObjectName(Make(30, Variant(int32_t{1}))), "[no file specified for 30]");
  EXPECT_EQ(doc->GetObjectName(Make(-2, Variant())), "[no file specified for -2]");
  // Before the tables are filled every type is outside them.
  mdlGalaxy::GalaxyTypeFiles.Clear();
  EXPECT_EQ(doc->GetObjectName(Make(3, Variant("SS_SUN_A"))), "[no file specified for 3]");
  mdlGalaxy::InitGalaxyTables();
}

TEST_F(Names, OwnNamesGroupsBackgroundsAndGates) {
  GalaxyObjectPtr ship = Make(3, Variant("SS_SUN_A"));
  ship->AddProperty("n", Variant(int32_t{2500}));
  EXPECT_EQ(doc->GetObjectName(ship), "Own Name");
  ship->AddProperty("n", Variant(int32_t{2501}));
  EXPECT_EQ(doc->GetObjectName(ship), "[string 17:2501]");
  ship->AddProperty("n", Variant(int32_t{40}));
  EXPECT_EQ(doc->GetObjectName(ship), "Yellow Sun");
  ship->AddProperty("n", Variant("lots"));
  EXPECT_EQ(doc->GetObjectName(ship), "Yellow Sun");

  GalaxyObjectPtr group = Make(23, Variant("7"));
  EXPECT_EQ(doc->GetObjectID(group), "SUB_OBJECTS");
  EXPECT_EQ(doc->GetObjectName(group), "Product");
  EXPECT_EQ(doc->GetObjectSubType(group, 1), "Product");
  EXPECT_EQ(doc->GetObjectName(Make(23, Variant(int32_t{10}))), "N/A");
  EXPECT_EQ(doc->GetObjectName(Make(2, Variant(int32_t{4}))), "Background");
  EXPECT_EQ(doc->GetObjectSubType(Make(2, Variant(int32_t{4})), 0), "4");
  EXPECT_EQ(doc->GetObjectName(nullptr), "");
  EXPECT_EQ(doc->GetObjectID(nullptr), "");

  Load(galtest::kTwoSectors);
  GalaxyObjectPtr gate = doc->Sectors.Item(1)->Childs.Item(1);
  EXPECT_EQ(doc->GetTargetSectorName(gate, true), "06, 02");
  EXPECT_EQ(doc->GetTargetSectorName(gate, false), "[string 7:1020307]");
  GalaxyObjectPtr back = doc->Sectors.Item(2)->Childs.Item(1);
  EXPECT_EQ(doc->GetObjectName(back), "[object t=18 s=1]");  // TGates has one record
  back->SetSubtype(Variant(int32_t{0}));
  EXPECT_EQ(doc->GetTargetSectorName(back, false), "Home of Light");
  EXPECT_EQ(doc->GetObjectName(back), "Jump Gate");
  back->SetSubtype(Variant("4"));
  EXPECT_EQ(doc->GetTargetSectorName(back, true), "");
  back->SetSubtype(Variant(int32_t{0}));
  back->AddProperty("gx", Variant(int32_t{20}));
  EXPECT_EQ(doc->GetTargetSectorName(back, true), "");
  EXPECT_EQ(doc->GetTargetSectorName(doc->Sectors.Item(1), true), "");
}

TEST_F(Names, SubtypeNameListsInFileOrder) {
  std::vector<std::string> ids = doc->GetSubTypeNames(3, 1);
  EXPECT_EQ(ids, (std::vector<std::string>{"SS_SUN_A", "SS_SUN_B", "SS_SUN_A", "SS_SUN_D"}));
  EXPECT_EQ(doc->GetSubTypeNames(3, 0),
            (std::vector<std::string>{"Yellow Sun", "SS_SUN_B", "Other Sun", "Red Sun"}));
  EXPECT_EQ(doc->GetSubTypeNames(3, 2)[1], "[string 17:2999]");
  EXPECT_TRUE(doc->GetSubTypeNames(1, 0).empty());
  EXPECT_TRUE(doc->GetSubTypeNames(23, 0).empty());
  EXPECT_TRUE(doc->GetSubTypeNames(30, 0).empty());
  EXPECT_TRUE(doc->GetSubTypeNames(-1, 0).empty());
}

TEST(NamesWithoutServices, PlaceholdersWithoutArchiveOrDescriptions) {
  mdlGalaxy::InitGalaxyTables();
  auto doc = std::make_shared<clsGalaxyParser>();
  GalaxyObjectPtr sun = doc->CreateGalObject(nullptr);
  sun->SetOtype(3);
  EXPECT_EQ(doc->GetObjectName(sun), "[object t=3 s=]");
  sun->AddProperty("n", Variant(int32_t{2000}));
  EXPECT_EQ(doc->GetObjectName(sun), "[string 17:2000]");
}

}  // namespace
