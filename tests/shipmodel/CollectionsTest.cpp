// The ship and cockpit collections over loaded type files, the XML form of ships and
// cockpits, and a ship edited through the model, saved and read back.
#include <gtest/gtest.h>

#include "ShipFixture.h"
#include "core/XMLParser.h"
#include "tests/typefiles/TypeFileFixture.h"
#include "typefiles/CockpitParser.h"
#include "typefiles/ShipParser.h"

namespace {

using mdlKzConst::kTCockpits;
using mdlKzConst::kTShips;

class ShipFileTest : public TypeFileTest {
 protected:
  static void SetUpTestSuite() {
    mdlKzConst::InitArrays();
    kz::InitShipTables();
  }
  static std::string ShipFile(const std::vector<std::string>& lines) {
    std::string text = Header() + "24;" + std::to_string(lines.size()) + ";\r\n";
    for (const auto& l : lines) text += l;
    return text;
  }
  static std::vector<std::string> IdsOf(const kz::Collection<ShipPtr>& ships) {
    std::vector<std::string> ids;
    for (const auto& s : ships) ids.push_back(s->Object->ObjectName());
    return ids;
  }
};

TEST_F(ShipFileTest, ShipsInNameAndFileOrder) {
  clsTxtParser parser;
  ASSERT_TRUE(LoadText(parser,
                       ShipFile({ShipText(ShipValues(1, {{1}}, "B")), ShipText(ShipValues(2, {{1}, {2, 2}}, "A")),
                                 ShipText(ShipValues(0, {}, "C"))}),
                       kTShips))
      << parser.GetLastError();
  parser.FileName = "types\\TShips.txt";
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(parser)) << ships.GetLastError();
  EXPECT_EQ(IdsOf(ships.Ships), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(IdsOf(ships.UnsortedShips), (std::vector<std::string>{"B", "A", "C"}));
  EXPECT_EQ(ships.FileName, "types\\TShips.txt");
  EXPECT_EQ(ships.Ships.Item(1), ships.UnsortedShips.Item(2));
  EXPECT_EQ(ships.Find(2)->Object, parser.FindIndex(1));
  EXPECT_EQ(ships.Find(99), nullptr);
  EXPECT_EQ(ships.Find(2)->GunGroups.Item(2)->Guns.Count(), 2);
  for (auto& s : ships.Ships) ExpectConsistent(*s);

  TXTObjectPtr record = parser.CreateObject();
  ShipPtr created = ships.CreateShip(record);
  created->Construct();
  ASSERT_TRUE(created->LoadObjects());
  EXPECT_EQ(ships.Ships.Item(4), created);
  EXPECT_EQ(ships.UnsortedShips.Item(4), created);
  EXPECT_EQ(created->key(), "4k");
  EXPECT_EQ(ErrorOf([&] { ships.CreateShip(record); }).Number, kz::kErrDuplicateKey);
  EXPECT_EQ(ships.Ships.Count(), 4);
  EXPECT_EQ(ships.UnsortedShips.Count(), 4);

  clsTxtParser empty;
  ASSERT_TRUE(LoadText(empty, ShipFile({}), kTShips));
  ASSERT_TRUE(ships.Load(empty));
  EXPECT_EQ(ships.Ships.Count(), 0);
  EXPECT_EQ(ships.UnsortedShips.Count(), 0);
}

TEST_F(ShipFileTest, BrokenShipNamesItsFilePosition) {
  // The third record sorts first; its second turret's index is a text, which the file
  // reader takes but the turret order cannot compare.
  auto bad = ShipValues(2, {{1}, {1}}, "AAA");
  bad[58] = Variant("x");
  clsTxtParser parser;
  ASSERT_TRUE(LoadText(parser,
                       ShipFile({ShipText(ShipValues(1, {{1}}, "M")), ShipText(ShipValues(1, {{1}}, "N")),
                                 ShipText(bad)}),
                       kTShips))
      << parser.GetLastError();
  clsShipParser ships;
  EXPECT_FALSE(ships.Load(parser));
  EXPECT_EQ(ships.GetLastError(), "Error loading ship objects (ship idx=2): Type mismatch");
  EXPECT_EQ(ships.UnsortedShips.Count(), 0);
  EXPECT_EQ(ships.FileName, "");
}

// A ship whose counts do not add up to its line was read as that line: it loads without
// the objects its counts cannot give, the others load whole, and it keeps its name.
TEST_F(ShipFileTest, AShipReadAsItsLineLoadsAndIsNamed) {
  auto raised = ShipValues(1, {{1}}, "SS_SH_B");
  raised[53] = Variant(int32_t(9));
  auto text = ShipValues(1, {{1}}, "SS_SH_D");
  text[53] = Variant("abc");
  clsTxtParser parser;
  ASSERT_TRUE(LoadText(parser,
                       ShipFile({ShipText(ShipValues(1, {{1}}, "SS_SH_C")), ShipText(raised),
                                 ShipText(ShipValues(2, {{1}, {2}}, "SS_SH_A")), ShipText(text)}),
                       kTShips))
      << parser.GetLastError();
  ASSERT_EQ(parser.LineRecords().size(), 2u);
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(parser)) << ships.GetLastError();
  EXPECT_EQ(IdsOf(ships.UnsortedShips), (std::vector<std::string>{"SS_SH_C", "SS_SH_B", "SS_SH_A", "SS_SH_D"}));
  EXPECT_EQ(IdsOf(ships.Ships), (std::vector<std::string>{"SS_SH_A", "SS_SH_B", "SS_SH_C", "SS_SH_D"}));
  for (int32_t i : {1, 3}) {
    ShipPtr read = ships.UnsortedShips.Item(i + 1);
    ASSERT_NE(ships.LineRecordOf(read->Object->id), nullptr) << i;
    EXPECT_EQ(ships.LineRecordOf(read->Object->id)->line, 3 + i) << i;
    EXPECT_EQ(read->Turrets.Count(), 0) << i;
    EXPECT_EQ(read->GunGroups.Count(), 0) << i;
    EXPECT_FALSE(read->Validate()) << i;
  }
  for (int32_t i : {0, 2}) {
    ShipPtr whole = ships.UnsortedShips.Item(i + 1);
    EXPECT_EQ(ships.LineRecordOf(whole->Object->id), nullptr) << i;
    ExpectConsistent(*whole);
  }
  EXPECT_EQ(ships.UnsortedShips.Item(3)->GunGroups.Count(), 2);
  EXPECT_EQ(ships.FileName, parser.FileName);
  // A later load of a clean file names none.
  clsTxtParser clean;
  ASSERT_TRUE(LoadText(clean, ShipFile({ShipText(ShipValues(1, {{1}}, "SS_SH_C"))}), kTShips, "clean.txt"));
  ASSERT_TRUE(ships.Load(clean));
  EXPECT_EQ(ships.LineRecordOf(ships.UnsortedShips.Item(1)->Object->id), nullptr);
}

TEST_F(ShipFileTest, EditedShipSurvivesSaveAndReload) {
  clsTxtParser parser;
  ASSERT_TRUE(LoadText(parser, ShipFile({ShipText(ShipValues(2, {{1}, {2}}, "S1")),
                                         ShipText(ShipValues(1, {{3}}, "S2"))}),
                       kTShips));
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(parser));
  ShipPtr s = ships.UnsortedShips.Item(1);
  // What the turret and gun dialogs do: a new turret with its values, two guns.
  TurretPtr t = s->MakeNewTurret();
  t->SetValue(2, Variant("new_turret"));
  t->SetValue(3, Variant(int32_t(7)));
  t->SetDescriptorValue(0, 1);
  t->SetDescriptorValue(1, 5);
  GunGroupPtr g = s->GunGroups.Item(3);
  for (int k = 0; k < 2; ++k) {
    GunPtr gun = g->MakeNewGun();
    gun->SetValue(1, Variant(int32_t(k + 1)));
    gun->SetValue(2, Variant("pri"));
    gun->SetValue(3, Variant(int32_t(0)));
    gun->SetValue(4, Variant(""));
    gun->SetValue(5, Variant(int32_t(-1)));
    g->RefreshGunCount();
  }
  // A gun left unfilled in the second group (a cancelled dialog).
  s->GunGroups.Item(2)->MakeNewGun();
  ExpectConsistent(*s);
  const auto edited = s->Object->Values();

  std::string bytes;
  ASSERT_TRUE(SaveTo(parser, "saved.txt", bytes)) << parser.GetLastError();
  clsTxtParser again;
  ASSERT_TRUE(LoadText(again, bytes, kTShips, "saved.txt")) << again.GetLastError();
  clsShipParser reloaded;
  ASSERT_TRUE(reloaded.Load(again)) << reloaded.GetLastError();
  ShipPtr r = reloaded.UnsortedShips.Item(1);
  ExpectConsistent(*r);
  ASSERT_EQ(r->size(), static_cast<int32_t>(edited.size()));
  for (int32_t i = 0; i < r->size(); ++i)
    EXPECT_EQ(kz::CStr(r->Value(i)), kz::CStr(edited[static_cast<size_t>(i)])) << "value " << i;
  EXPECT_EQ(r->Turrets.Item(3)->PositionName(), "top");
  EXPECT_EQ(r->GunGroups.Item(3)->Guns.Count(), 2);
  EXPECT_EQ(r->GunCount(), 1 + 2 + 3);
  ExpectConsistent(*reloaded.UnsortedShips.Item(2));
}

TEST_F(ShipFileTest, CockpitCollection) {
  std::string text = Header() + "1;3;\r\n";
  const char* ids[] = {"Z_COCKPIT", "A_COCKPIT", "M_COCKPIT"};
  for (int k = 0; k < 3; ++k) {
    std::string line = "cockpit_body;";
    for (int i = 1; i < 18; ++i) line += (i == 8 ? std::to_string((1 << 24) + 1 + k) : std::to_string(i) + ".5") + ";";
    text += line + ids[k] + ";\r\n";
  }
  clsTxtParser parser;
  ASSERT_TRUE(LoadText(parser, text, kTCockpits)) << parser.GetLastError();
  clsCockpitParser cockpits;
  ASSERT_TRUE(cockpits.Load(parser));
  EXPECT_EQ(cockpits.Cockpits.Item(1)->Object->ObjectName(), "A_COCKPIT");
  EXPECT_EQ(cockpits.FindIndex(0)->Object->ObjectName(), "Z_COCKPIT");
  EXPECT_EQ(cockpits.FindIndex(2)->Object->ObjectName(), "M_COCKPIT");
  EXPECT_EQ(cockpits.FindIndex(-1), nullptr);
  EXPECT_EQ(cockpits.FindIndex(3), nullptr);
  EXPECT_EQ(cockpits.Find(2), cockpits.FindIndex(1));
  EXPECT_EQ(cockpits.Find(7), nullptr);

  CockpitPtr c = cockpits.FindIndex(0);
  EXPECT_EQ(c->CompatibleLasers(), (1 << 24) + 1);  // no bit lost to single precision
  EXPECT_FLOAT_EQ(c->Value(1), 1.5f);
  c->SetValue(1, 2.25f);
  EXPECT_FLOAT_EQ(c->Value(1), 2.25f);
  EXPECT_EQ(ErrorOf([&] { c->Value(0); }).Number, kz::kErrTypeMismatch);
  for (Variant v : {Variant(int32_t(INT32_MIN)), Variant(4294967295.0), Variant(int32_t(-1))}) {
    c->Object->SetValue(8, v);
    EXPECT_EQ(static_cast<uint32_t>(c->CompatibleLasers()) >> 31, 1u) << kz::CStr(v);
  }
  CockpitPtr made = cockpits.CreateCockpit(parser.CreateObject());
  EXPECT_EQ(cockpits.UnsortedCockpits.Item(4), made);
  EXPECT_EQ(cockpits.Cockpits.Item(4), made);
}

TEST_F(ShipFileTest, XmlForms) {
  auto ship = MakeShip(ShipValues(2, {{1}, {2, 1}}, "SHIP_X"));
  auto cockpit = std::make_shared<clsCockpit>();
  cockpit->Object->Construct(19);
  cockpit->Object->SetValue(1, Variant(int32_t(3)));
  cockpit->Object->SetObjectName("TURRET_T");
  auto named = [](const char* id) {
    auto r = std::make_shared<clsTXTObject>();
    r->Construct(2);
    r->SetObjectName(id);
    return r;
  };
  cockpit->Lasers.Add(named("LAS_A"));

  clsXMLParser xml;
  ASSERT_TRUE(xml.CreateDocument("root", ""));
  // Without its shield the ship cannot be written: False, nothing left behind.
  EXPECT_FALSE(ship->ToXML(xml));
  EXPECT_EQ(xml.GetNodeName(), "root");
  EXPECT_EQ(xml.GetXML().find("<ship"), std::string::npos);
  ship->Shield = named("SHIELD_1");
  ship->Missile = named("MISSILE_1");
  ship->Lasers.Add(named("LAS_A"));
  // A real turret without its cockpit record fails the same way.
  EXPECT_FALSE(ship->ToXML(xml));
  EXPECT_EQ(xml.GetNodeName(), "root");
  ship->Turrets.Item(2)->Cockpit = cockpit;
  ASSERT_TRUE(ship->ToXML(xml)) << ship->GetLastError();
  EXPECT_EQ(xml.GetNodeName(), "root");
  ASSERT_TRUE(cockpit->ToXML(xml)) << cockpit->GetLastError();
  const std::string out = xml.GetXML();
  for (const char* part :
       {"<ship id=\"SHIP_X\">", "<shield>SHIELD_1</shield>", "<missile>MISSILE_1</missile>",
        "<turret>", "<val>turret_body_0</val>", "<position>1</position>", "<cockpit_id>TURRET_T</cockpit_id>",
        "<val>2</val>", "<frontLasers>", "<las>LAS_A</las>", "<val i=\"0\">ship_body</val>", "<val i=\"30\">1030</val>",
        "<val i=\"43\">1043</val>", "<val i=\"98\">SHIP_X</val>", "<cockpit id=\"TURRET_T\">",
        "<compatibleLasers>", "<val>TURRET_T</val>"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
  }
  EXPECT_EQ(out.find("i=\"31\""), std::string::npos);
  EXPECT_EQ(out.find("i=\"53\""), std::string::npos);
  EXPECT_EQ(out.find("i=\"88\""), std::string::npos);  // the last gun value: not in data
  EXPECT_NE(out.find("i=\"89\""), std::string::npos);  // the first tail value

  // The collections wrap their elements and stay on them.
  clsShipParser ships;
  ships.UnsortedShips.Add(ship, ship->key());
  ASSERT_TRUE(ships.ToXML(xml));
  EXPECT_EQ(xml.GetNodeName(), "TShips");
}

}  // namespace
