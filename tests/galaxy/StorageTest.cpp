// What an object read from a map keeps of its properties, whatever happens to the
// document it was read from: deleted, moved, read again, replaced or closed, the object
// gives the values it was read with; properties handed out stay the object's own; a
// value the map cannot hold still fails the load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapFixture.h"

using galtest::MapTest;
using kz::Variant;

namespace {

// The properties of an object as "name=value,...", read through every way the object offers.
std::string Props(const clsGalaxyObject& o) {
  std::string out;
  for (const PropertyPtr& p : o) out += (out.empty() ? "" : ",") + p->Name + "=" + kz::CStr(p->Value);
  std::string byPosition;
  for (int32_t i = 1; i <= o.PropertyCount(); ++i) {
    PropertyPtr p = o.Property(i);
    byPosition += (byPosition.empty() ? "" : ",") + p->Name + "=" + kz::CStr(o.NamedProperty(p->Name));
  }
  EXPECT_EQ(out, byPosition);
  return out;
}

const char* kShip = "t=7,s=SS_SH_A,x=10,y=20,z=30,foo=bar,Foo=baz";
const char* kDock = "t=5,s=1,x=1,y=2,z=3,r=1";
const char* kGroup = "t=23,s=8";

struct StorageTest : MapTest {
  GalaxyObjectPtr sector, dock, group, ship;
  void LoadFirstSector() {
    Load(galtest::kTwoSectors);
    sector = Sector(1);
    ASSERT_TRUE(doc->LoadSectorChildren(sector)) << doc->GetLastError();
    dock = Child(sector, 3);
    group = Child(dock, 1);
    ship = Child(sector, 4);
  }
};

TEST_F(StorageTest, ReadObjectsGiveTheirAttributesInEveryWay) {
  LoadFirstSector();
  EXPECT_EQ(Props(*ship), kShip);
  EXPECT_EQ(ship->PropertyCount(), 7);
  EXPECT_EQ(ship->otype(), 7);
  EXPECT_EQ(ship->subtype(), Variant("SS_SH_A"));
  EXPECT_EQ(ship->x(), 10);
  EXPECT_EQ(ship->y(), 20);
  EXPECT_EQ(ship->z(), 30);
  EXPECT_EQ(ship->NamedProperty("Foo"), Variant("baz"));
  EXPECT_EQ(ship->NamedProperty("x"), Variant(int32_t{10}));
  EXPECT_EQ(ship->Property(std::string_view("foo"))->Value, Variant("bar"));
  EXPECT_EQ(ship->Property(std::string_view("FOO")), nullptr);
  EXPECT_EQ(ship->Property(8), nullptr);
  EXPECT_EQ(Props(*sector), "t=1,s=0,x=5,y=2,r=1,color=255");
  EXPECT_EQ(doc->FindSector(5, 2), sector);
  EXPECT_FALSE(ship->Dirty);
}

TEST_F(StorageTest, AHeldPropertyIsTheOneTheObjectChanges) {
  LoadFirstSector();
  PropertyPtr x = ship->Property(std::string_view("x"));
  ASSERT_NE(x, nullptr);
  ship->AddProperty("x", Variant(int32_t{99}));
  EXPECT_EQ(x->Value, Variant(int32_t{99}));
  EXPECT_EQ(ship->x(), 99);
  ship->AddProperty("w", Variant("new"));
  ship->RemoveProperty("foo");
  EXPECT_EQ(x->Value, Variant(int32_t{99}));
  EXPECT_EQ(Props(*ship), "t=7,s=SS_SH_A,x=99,y=20,z=30,Foo=baz,w=new");
  ASSERT_TRUE(doc->UpdateObjectXML(ship)) << doc->GetLastError();
  EXPECT_NE(doc->XML().GetXML().find("<o t=\"7\" s=\"SS_SH_A\" x=\"99\" y=\"20\" z=\"30\" Foo=\"baz\" w=\"new\" />"),
            std::string::npos)
      << doc->XML().GetXML();
}

TEST_F(StorageTest, ADeletedObjectKeepsItsPropertiesAndItsChildrenTheirs) {
  LoadFirstSector();
  ASSERT_TRUE(doc->DeleteObject(dock)) << doc->GetLastError();
  EXPECT_EQ(Props(*dock), kDock);
  EXPECT_EQ(Props(*group), kGroup);
  EXPECT_EQ(Props(*Child(group, 1)), "t=11,s=0,n=40");
  // Written back, it comes whole.
  dock->SetParent(sector);
  ASSERT_TRUE(doc->AddObject(dock));
  sector->Childs.Add(dock, dock->key());
  ASSERT_TRUE(doc->UpdateObjectXML(dock)) << doc->GetLastError();
  EXPECT_NE(doc->XML().GetXML().find("<o t=\"11\" s=\"0\" n=\"40\" />"), std::string::npos);
}

TEST_F(StorageTest, ASectorDeletedWhileItsChildrenAreHeldKeepsThemWhole) {
  LoadFirstSector();
  ASSERT_TRUE(doc->DeleteObject(sector)) << doc->GetLastError();
  EXPECT_EQ(Props(*ship), kShip);
  EXPECT_EQ(Props(*group), kGroup);
  EXPECT_EQ(doc->XML().GetXML().find("SS_SH_A\" x=\"10\""), std::string::npos);
}

TEST_F(StorageTest, ObjectsOutliveTheirDocumentReadAgainReplacedOrClosed) {
  LoadFirstSector();
  GalaxyObjectPtr second = Sector(2);
  GalaxyObjectPtr backGate = Child(second, 1);
  // The gates read with the sectors are replaced when the sector is read whole.
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr oldGate = Child(Sector(1), 1);
  ASSERT_TRUE(doc->LoadSectorChildren(Sector(1)));
  GalaxyObjectPtr newGate = Child(Sector(1), 2);
  newGate->AddProperty("gx", Variant(int32_t{77}));
  newGate->RemoveProperty("gtid");
  ASSERT_TRUE(doc->UpdateObjectXML(newGate));
  EXPECT_EQ(Props(*oldGate), "t=18,s=0,x=100,y=0,z=-500,gid=0,gx=6,gy=2,gtid=1");
  // Another map read into the same document, then a new one, then the document gone.
  Load("<universe><o t=\"1\" x=\"0\" y=\"0\"/></universe>", "other.xml");
  EXPECT_EQ(Props(*ship), kShip);
  doc->NewFile();
  EXPECT_EQ(Props(*group), kGroup);
  doc.reset();
  EXPECT_EQ(Props(*dock), kDock);
  EXPECT_EQ(Props(*backGate), "t=18,s=1,gid=1,gx=5,gy=2,gtid=0");
  EXPECT_EQ(Props(*second), "t=1,s=0,x=6,y=2");
  EXPECT_EQ(Props(*oldGate), "t=18,s=0,x=100,y=0,z=-500,gid=0,gx=6,gy=2,gtid=1");
  // A copy made after the document is gone is a copy of what was read.
  GalaxyObjectPtr copy = dock->Copy();
  EXPECT_EQ(Props(*copy), kDock);
  EXPECT_EQ(Props(*copy->Childs.Item(1)), kGroup);
}

TEST_F(StorageTest, MovedObjectsKeepTheirProperties) {
  LoadFirstSector();
  ASSERT_TRUE(doc->MoveObject(ship, group, true)) << doc->GetLastError();
  EXPECT_EQ(Props(*ship), kShip);
  ASSERT_TRUE(doc->MoveObject(dock, Child(sector, 1), false)) << doc->GetLastError();
  EXPECT_EQ(Props(*dock), kDock);
  EXPECT_EQ(Props(*ship), kShip);
}

TEST_F(StorageTest, AValueTheMapCannotHoldFailsTheLoadWhereverItStands) {
  struct Case {
    const char* map;
    bool opens;
  } cases[] = {
      {"<universe><o t=\"1\" x=\"99999999999\"/></universe>", false},
      {"<universe><o t=\"1\"><o t=\"18\" gx=\"1e12\"/></o></universe>", false},
      {"<universe><o t=\"1\"><o t=\"7\" z=\"-3000000000\"/></o></universe>", true},
      {"<universe><o t=\"1\"><o t=\"7\"><o t=\"23\" s=\"1E+10\"/></o></o></universe>", true},
  };
  for (const Case& c : cases) {
    doc = std::make_shared<clsGalaxyParser>();
    const std::string path = galtest::TempPath("big.xml");
    galtest::WriteBytes(path, c.map);
    ASSERT_EQ(doc->ParseFile(path), c.opens) << c.map;
    if (!c.opens) {
      EXPECT_EQ(doc->GetLastError(), "Failed to load object: Overflow") << c.map;
      continue;
    }
    EXPECT_FALSE(doc->LoadSectorChildren(Sector(1))) << c.map;
    EXPECT_NE(doc->GetLastError().find("Overflow"), std::string::npos) << doc->GetLastError();
  }
}

// At open a sector's child is a gate when its `t` reads as 18, in whatever form the
// number is written.
TEST_F(StorageTest, AGateIsFoundAtOpenByTheNumberItsTypeReadsAs) {
  struct Case {
    const char* type;
    bool gate;
  } cases[] = {
      {"18", true},    {"018", true},   {"000000018", true}, {"0000000018", true}, {"18.0", true},
      {" 18 ", true},  {"+18", true},   {"&amp;H12", true},  {"1.8e1", true},      {"180", false},
      {"1", false},    {"8", false},    {"-18", false},      {"", false},          {"SS_18", false},
      {"18x", false},  {"118", false},  {"999999999", false},
  };
  for (const Case& c : cases) {
    doc = std::make_shared<clsGalaxyParser>();
    Load(std::string("<universe><o t=\"1\"><o t=\"") + c.type + "\" s=\"SS_X\"/><o t=\"7\"/></o></universe>");
    ASSERT_EQ(doc->Sectors.Count(), 1) << c.type;
    EXPECT_EQ(Sector(1)->Childs.Count(), c.gate ? 1 : 0) << c.type;
  }
}

TEST_F(StorageTest, NumbersAndTextsReadAsBefore) {
  Load("<universe><o t=\"1\" x=\" 12 \" y=\"&amp;H10\" n=\"-7\" m=\"1.5\" q=\"\" s=\"007\" w=\"+3\" v=\"2.5e1\"/>"
       "</universe>");
  GalaxyObjectPtr s = Sector(1);
  EXPECT_EQ(s->NamedProperty("x"), Variant(int32_t{12}));
  EXPECT_EQ(s->x(), 12);
  EXPECT_EQ(s->NamedProperty("y"), Variant(int32_t{16}));
  EXPECT_EQ(s->NamedProperty("n"), Variant(int32_t{-7}));
  EXPECT_EQ(s->NamedProperty("m"), Variant(int32_t{2}));
  EXPECT_EQ(s->NamedProperty("q"), Variant(""));
  EXPECT_EQ(s->subtype(), Variant(int32_t{7}));
  EXPECT_EQ(s->NamedProperty("w"), Variant(int32_t{3}));
  EXPECT_EQ(s->NamedProperty("v"), Variant(int32_t{25}));
  EXPECT_EQ(s->Property(std::string_view("q"))->Value, Variant(""));
}

TEST(GalaxyObjectIndexById, AddingByIdIsAddingUnderItsKey) {
  GalaxyObjectIndex index;
  auto a = std::make_shared<clsGalaxyObject>(), b = std::make_shared<clsGalaxyObject>();
  EXPECT_TRUE(index.AddId(a, 3));
  EXPECT_EQ(index.Find("3k"), a);
  EXPECT_FALSE(index.AddId(b, 3));
  EXPECT_FALSE(index.Add(b, "3k"));
  EXPECT_EQ(index.Find("3k"), a);
  // An id far past the others, and one whose key stands in the other keys already.
  EXPECT_TRUE(index.AddId(b, 2000000000));
  EXPECT_EQ(index.Find("2000000000k"), b);
  EXPECT_FALSE(index.AddId(a, 2000000000));
  EXPECT_TRUE(index.Add(a, "x"));
  EXPECT_TRUE(index.AddId(b, 4));
  EXPECT_EQ(index.Find("4k"), b);
  EXPECT_EQ(index.Count(), 4);
  EXPECT_TRUE(index.Remove("3k"));
  EXPECT_TRUE(index.AddId(b, 3));
  EXPECT_EQ(index.Count(), 4);
}

}  // namespace
