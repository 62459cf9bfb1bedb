// The figures, rows, masks, toolbar, cargo rule, report and layout of the ship page.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "ShipPageData.h"
#include "core/Common.h"
#include "core/Generic.h"
#include "txteditor/model/ShipFigures.h"
#include "videdoded.h"

using namespace shiptest;
using namespace shippage;

namespace {

// The recharge figure as a plain loop, round by round (the reference for the fast one).
std::string RechargeByRounds(int count, int power, int strength0, double eff, int reactor, const std::string& name) {
  int64_t k = reactor / power;
  if (k == 0) k = 1;
  if (k > count) k = count;
  int64_t used = k * power;
  if (used > reactor) used = reactor;
  int64_t remaining = count;
  double total = 0;
  int32_t strength = strength0;
  while (remaining > 0) {
    double t = (double(k) * strength) / (double(used) * eff);
    strength = strength0;
    int64_t spare = reactor - used;
    if (spare > 0) strength = kz::round32(strength - spare * eff * t);
    total += kz::RoundUp(t);
    remaining -= k;
  }
  return std::to_string(count) + " x " + name + " = " + std::to_string(int64_t(total)) + " s";
}

TxtParserPtr OneShield(int power, int strength, const std::string& efficiency) {
  return Parse(TypeText(25, {ShieldLine(999, power, strength, efficiency, "SS_SH_TEST_SHIELD")}), 2);
}

}  // namespace

TEST_F(ShipPageTest, MaxRechargeTime) {
  struct Case {
    const char* what;
    int count, power, strength;
    const char* efficiency;
    int reactor, shieldPos;
    const char* expect;
  } cases[] = {
      // Power above the reactor output: one shield a round, the whole output each time.
      {"power above output", 3, 500, 1000, "1", 200, 0, "3 x SS_SH_TEST_SHIELD = 15 s"},
      {"efficiency 0", 3, 100, 1000, "0", 200, 0, ""},
      {"reactor 0", 3, 100, 1000, "1", 0, 0, ""},
      {"no shield at that position", 3, 100, 1000, "1", 200, 1, ""},
      {"power 0", 3, 0, 1000, "1", 200, 0, ""},
      {"negative power", 3, -5, 1000, "1", 200, 0, ""},
      {"negative reactor", 3, 100, 1000, "1", -200, 0, ""},
      {"no shields", 0, 100, 1000, "1", 200, 0, "0 x SS_SH_TEST_SHIELD = 0 s"},
      {"a total beyond 32 bits", 2000000000, 1, 2000000000, "1", 1, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto shields = OneShield(c.power, c.strength, c.efficiency);
    auto ship = Rec(70, {{13, Variant(int32_t(c.reactor))}, {22, Variant(int32_t(c.shieldPos))},
                         {23, Variant(int32_t(c.count))}});
    EXPECT_EQ(MaxRechargeTime(*ship, *shields), c.expect);
  }
}

TEST_F(ShipPageTest, RechargeRoundsAreCountedOnceTheyRepeat) {
  // Spare output shortens the following rounds; the figure equals the round-by-round
  // loop, and a huge count is answered at once.
  struct Case {
    int power, strength;
    double eff;
    int reactor;
  } cases[] = {{300, 1000, 0.5, 1000}, {300, 12345, 0.9, 1000}, {70, 999, 1.3, 100}, {3, 100000, 2.0, 10},
               {999, 77777, 0.33, 1000}};
  for (const auto& c : cases) {
    for (int count : {1, 2, 3, 5, 17, 1000, 99999}) {
      SCOPED_TRACE(std::to_string(c.power) + "/" + std::to_string(count));
      auto shields = Parse(TypeText(25, {ShieldLine(999, c.power, c.strength, kz::CStr(Variant(c.eff)), "SH")}), 2);
      auto ship = Rec(70, {{13, Variant(int32_t(c.reactor))}, {22, Variant(int32_t(0))},
                           {23, Variant(int32_t(count))}});
      std::string expect = RechargeByRounds(count, c.power, c.strength, c.eff, c.reactor, "SH");
      EXPECT_EQ(MaxRechargeTime(*ship, *shields), expect);
    }
  }
  auto shields = Parse(TypeText(25, {ShieldLine(999, 300, 1000, "0.5", "SH")}), 2);
  auto ship = Rec(70, {{13, Variant(int32_t(1000))}, {22, Variant(int32_t(0))}, {23, Variant(int32_t(2000000000))}});
  const auto start = std::chrono::steady_clock::now();
  const std::string huge = MaxRechargeTime(*ship, *shields);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  // 3 shields a round; every round after the first takes the same time.
  EXPECT_EQ(huge, "");  // the total passes 32 bits
  ship->SetValue(23, Variant(int32_t(200000000)));
  EXPECT_EQ(MaxRechargeTime(*ship, *shields), RechargeByRounds(200000000, 300, 1000, 0.5, 1000, "SH"));
}

TEST_F(ShipPageTest, ValidationReportOfADamagedFile) {
  auto good = ShipValues(2, {{1}, {2}}, "SS_SH_GOOD");
  auto broken = ShipValues(1, {{1, 1}}, "SS_SH_BROKEN");
  broken[55 + 4 + 3] = Variant(int32_t(3));  // claims a third gun the record has not
  auto gunsOff = ShipValues(1, {{2}}, "SS_SH_GUNS");
  gunsOff[19] = Variant(int32_t(7));
  auto parser = Records({good, broken, gunsOff}, "/data/types/TShips.txt");
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(*parser)) << ships.GetLastError();
  std::string report = "kept;";
  EXPECT_FALSE(ValidationReport(ships, report));
  EXPECT_EQ(report,
            "kept;Data in file /data/types/TShips.txt are probably corrupted.\r\n\r\n"
            "Ship index 1, name \"SS_SH_BROKEN\":\r\n"
            "Calculated size of ship data does not match actual data size - should be 91 and it is 85.\r\n"
            "Section numbers in file: turrets: 1, gun groups: 1, guns: 2.\r\n\r\n"
            "Ship index 2, name \"SS_SH_GUNS\":\r\n"
            "Calculated gun count does not match gun count stored in ship data - should be 2 and it is 7.\r\n"
            "Section numbers in file: turrets: 1, gun groups: 1, guns: 7.\r\n\r\n");

  // A file without faults: True and the text unchanged.
  auto clean = Records({good});
  clsShipParser cleanShips;
  ASSERT_TRUE(cleanShips.Load(*clean));
  std::string none;
  EXPECT_TRUE(ValidationReport(cleanShips, none));
  EXPECT_EQ(none, "");
}

// A ship whose counts do not add up to its line was read as that line: the report names
// its line and what does not add up, beside what the ship's own check finds.
TEST_F(ShipPageTest, ValidationReportNamesAShipReadAsItsLine) {
  auto raised = ShipValues(1, {{1}}, "SS_SH_RAISED");
  raised[53] = Variant(int32_t(9));
  std::string text = "// ships\r\n30;2;\r\n";
  for (const auto& values : {ShipValues(2, {{1}, {2}}, "SS_SH_GOOD"), raised}) {
    for (const auto& v : values) text += kz::CStr(v) + ";";
    text += "\r\n";
  }
  clsTxtParser parser;
  ASSERT_TRUE(parser.LoadFromHandle(Kz_LoadFromBuffer(text.data(), text.size(), 1), mdlKzConst::kTShips))
      << parser.GetLastError();
  parser.FileName = "/data/types/TShips.txt";
  clsShipParser ships;
  ASSERT_TRUE(ships.Load(parser)) << ships.GetLastError();
  std::string report;
  EXPECT_FALSE(ValidationReport(ships, report));
  const std::string size = std::to_string(raised.size());
  const std::string head =
      "Data in file /data/types/TShips.txt are probably corrupted.\r\n\r\n"
      "Ship index 1, name \"SS_SH_RAISED\":\r\n"
      "Line 4 of the file is kept as it stands: its line ends after " + size +
      " values, within the 9 turret entries that field 53 counts.\r\n"
      "Calculated size of ship data does not match actual data size - should be 101 and it is " + size + ".\r\n"
      "Section numbers in file: turrets: 9, gun groups: ";
  EXPECT_EQ(report.substr(0, head.size()), head) << report;
  EXPECT_EQ(report.find("SS_SH_GOOD"), std::string::npos) << report;
}

TEST_F(ShipPageTest, MasksReadAll32BitsAndComeBackInTheFormTheyWereRead) {
  struct Case {
    Variant stored;
    bool ok;
    int32_t mask;
  } cases[] = {
      {Variant(int32_t(5)), true, 5},
      {Variant(int32_t(-1)), true, -1},
      {Variant(2147483648.0), true, INT32_MIN},
      {Variant(4294967295.0), true, -1},
      {Variant("3221225472"), true, int32_t(0xC0000000u)},
      {Variant(4294967296.0), false, 0},
      {Variant("lasers"), false, 0},
  };
  for (const auto& c : cases) {
    int32_t mask = 0;
    EXPECT_EQ(ReadMask(c.stored, mask), c.ok) << kz::CStr(c.stored);
    if (c.ok) EXPECT_EQ(mask, c.mask) << kz::CStr(c.stored);
  }

  auto ship = Rec(70, {{18, Variant(int32_t(0))}, {24, Variant(4294967295.0)}});
  ASSERT_TRUE(ChangeMask(*ship, 18, 31, true));
  EXPECT_EQ(ship->Value(18).Kind(), kz::VariantKind::Long);
  EXPECT_EQ(ship->Value(18).AsLong(), INT32_MIN);
  // An unsigned mask stays unsigned: a laser moved away and back leaves it as read.
  ASSERT_TRUE(ChangeMask(*ship, 24, 0, false));
  EXPECT_EQ(ship->Value(24).Kind(), kz::VariantKind::Double);
  EXPECT_EQ(kz::CStr(ship->Value(24)), kz::CStr(Variant(4294967294.0)));
  ASSERT_TRUE(ChangeMask(*ship, 24, 0, true));
  EXPECT_TRUE(ship->Value(24) == Variant(4294967295.0)) << kz::CStr(ship->Value(24));
  // The same through bit 31, and for a mask read as text.
  ASSERT_TRUE(ChangeMask(*ship, 24, 31, false));
  ASSERT_TRUE(ChangeMask(*ship, 24, 31, true));
  EXPECT_TRUE(ship->Value(24) == Variant(4294967295.0)) << kz::CStr(ship->Value(24));
  ship->SetValue(24, Variant("4294967295"));
  ASSERT_TRUE(ChangeMask(*ship, 24, 3, false));
  ASSERT_TRUE(ChangeMask(*ship, 24, 3, true));
  EXPECT_TRUE(ship->Value(24) == Variant("4294967295")) << kz::CStr(ship->Value(24));
  // A signed mask stays signed.
  ship->SetValue(24, Variant(int32_t(-1)));
  ASSERT_TRUE(ChangeMask(*ship, 24, 0, false));
  EXPECT_EQ(ship->Value(24).AsLong(), -2);
  EXPECT_FALSE(ChangeMask(*ship, 24, 32, true));
  ship->SetValue(18, Variant("none"));
  EXPECT_FALSE(ChangeMask(*ship, 18, 1, true));
  EXPECT_TRUE(ship->Value(18) == Variant("none"));
}

TEST_F(ShipPageTest, MaskRowsByFilePosition) {
  LoadTexts({{17, {{1101, "Impulse Ray"}}}});
  std::vector<std::vector<std::string>> lasers;
  for (int i = 0; i < 40; ++i) lasers.push_back(WareLine(23, i == 2 ? 1101 : 5000 + i, "SS_LASER_" + std::to_string(i)));
  auto five = Parse(TypeText(40, {lasers.begin(), lasers.begin() + 5}), 3);
  auto rows = MaskRows(*five, 5);
  ASSERT_EQ(rows.size(), 5u);
  std::vector<int> installed, available;
  for (const auto& r : rows) (r.installed ? installed : available).push_back(r.position);
  EXPECT_EQ(installed, (std::vector<int>{0, 2}));
  EXPECT_EQ(available, (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(rows[2].name, "Impulse Ray");
  EXPECT_EQ(rows[1].name, "SS_LASER_1");  // no name string: its ID
  EXPECT_EQ(rows[3].key, five->FindIndex(3)->key());

  auto forty = Parse(TypeText(40, lasers), 3);
  rows = MaskRows(*forty, -1);
  ASSERT_EQ(rows.size(), 32u);
  EXPECT_EQ(rows.back().position, 31);
  EXPECT_TRUE(rows.back().installed);
  EXPECT_TRUE(MaskRows(clsTxtParser(), -1).empty());
}

TEST_F(ShipPageTest, PropertyListRows) {
  auto ship = MakeShip(ShipValues(3, {{1}, {2}}, "SS_SH_ROWS"));
  ship->SetValue(8, Variant(int32_t(2500)));
  ship->SetValue(10, Variant(1.5));
  auto info = InfoRows(*ship, support);
  ASSERT_EQ(info.size(), 1u + 9u + 9u);
  EXPECT_EQ(info[0].caption, "ID");
  EXPECT_EQ(info[0].value, "SS_SH_ROWS");
  EXPECT_EQ(info[0].tag, "name");
  EXPECT_EQ(info[1].caption, "Class");
  EXPECT_EQ(info[1].value, "TL (0)");
  EXPECT_EQ(info.back().offset, std::to_string(ship->size() - 2));

  auto performance = PerformanceRows(*ship, support);
  ASSERT_EQ(performance.size(), 12u);
  EXPECT_EQ(performance[4].caption, "Acceleration");
  EXPECT_EQ(performance[4].value, "5.000 m/s (2500)");
  EXPECT_EQ(performance[10].value, "1.5000");  // a double as 0.0000
  EXPECT_EQ(performance[11].caption, "Max recharge time");
  EXPECT_EQ(performance[11].tag, "");

  auto weapons = WeaponRows(*ship, support);
  ASSERT_EQ(weapons.size(), 10u);
  EXPECT_EQ(weapons[7].caption, "Gun group count");
  EXPECT_EQ(weapons[7].value, "2");
  EXPECT_EQ(weapons[7].tag, std::to_string(54 + 4 * 3));
  EXPECT_EQ(weapons[8].caption, "Possible lasers");
  EXPECT_EQ(ModelRows(*ship, support).back().caption, "Body file");

  clsShip empty;
  EXPECT_TRUE(InfoRows(empty, support).empty());
  EXPECT_TRUE(WeaponRows(empty, support).empty());
}

TEST_F(ShipPageTest, TurretCockpitGroupAndGunRows) {
  auto cockpits = std::make_shared<clsCockpitParser>();
  auto cockpitFile = Parse(TypeText(9, {CockpitLine("SS_COCKPIT_A"), CockpitLine("SS_COCKPIT_B")}), 9);
  cockpits->Load(*cockpitFile);
  auto ship = MakeShip(ShipValues(4, {{1}, {2, 3}}));
  ship->SetValue(35, Variant(int32_t(7)));  // the fourth entry's type: no such cockpit
  EXPECT_EQ(TurretDescriptorLine(*ship->Object), "Turrets descriptor: 0;1;1;2;7;3;0;0;0;0;0;0;");

  auto main = TurretCells(*ship->Turrets.Item(1));
  EXPECT_EQ(main, (std::vector<std::string>{"54", "1", "0", "turret_0", "0"}));
  auto second = TurretCells(*ship->Turrets.Item(2));
  EXPECT_EQ(second, (std::vector<std::string>{"58", "2", "1", "turret_1", "10", "0", "front (1)"}));
  // A turret numbered outside 2..7 has no descriptor: its type and position stay empty.
  ship->Turrets.Item(3)->SetValue(0, Variant(int32_t(9)));
  auto odd = TurretCells(*ship->Turrets.Item(3));
  ASSERT_EQ(odd.size(), 7u);
  EXPECT_EQ(odd[5], "");
  EXPECT_EQ(odd[6], "");

  auto rows = CockpitRows(*ship, *cockpits);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::array<std::string, 3>{"2", "0", "SS_COCKPIT_A"}));
  EXPECT_EQ(rows[1], (std::array<std::string, 3>{"3", "1", "SS_COCKPIT_B"}));
  EXPECT_EQ(rows[2], (std::array<std::string, 3>{"4", "7", "[cockpit not found]"}));
  EXPECT_TRUE(CockpitRows(*MakeShip(ShipValues(1, {})), *cockpits).empty());

  auto group = ship->GunGroups.Item(2);
  EXPECT_EQ(GunGroupCells(*group), (std::vector<std::string>{std::to_string(group->offset), "2", "5", "2", "2",
                                                              "front"}));
  auto gun = group->Guns.Item(2);
  EXPECT_EQ(GunCells(*gun, true), (std::vector<std::string>{"3", "gun_1_1", "1", "gun2_1_1", "-1"}));
  EXPECT_EQ(GunCells(*gun, false), (std::vector<std::string>{std::to_string(gun->offset), "3", "3", "gun_1_1", "1",
                                                              "gun2_1_1", "-1"}));
  EXPECT_EQ(GunColumns(true).size(), 6u);
  EXPECT_EQ(GunColumns(false)[1], (std::pair<std::string, int32_t>{"[offset]", 700}));
}

TEST(ShipToolbarTest, ButtonsByTab) {
  struct Case {
    int tab;
    bool readOnly, shown;
    std::vector<std::string> keys;
    bool enabled;
  } cases[] = {
      {0, true, false, {"showbody", "showmodel", "showcockpit"}, true},
      {3, false, true, {"showbody", "showmodel", "showcockpit"}, true},
      {4, false, true, {"newturret", "delturret"}, true},
      {4, true, true, {"newturret", "delturret"}, false},
      {4, false, false, {"newturret", "delturret"}, false},
      {5, false, true, {"newgun", "delgun"}, true},
      {5, true, true, {"newgun", "delgun"}, false},
      {6, false, true, {}, true},
      {8, false, true, {}, true},
  };
  for (const auto& c : cases) {
    auto buttons = ToolbarButtons(c.tab, c.readOnly, c.shown);
    std::vector<std::string> keys;
    for (const auto& b : buttons) {
      keys.push_back(b.key);
      EXPECT_EQ(b.enabled, c.enabled) << c.tab << " " << b.key;
    }
    EXPECT_EQ(keys, c.keys) << c.tab;
  }
  EXPECT_EQ(ToolbarButtons(4, false, true)[0].caption, "Add Turret");
  EXPECT_EQ(ToolbarButtons(0, false, true)[2].tip, "Show Cockpit");
}

TEST_F(ShipPageTest, CargoRuleKeepsMinAtOrBelowMax) {
  struct Case {
    int32_t edited, min, max;
    int32_t newMin, newMax;
    const char* message;
  } cases[] = {
      {29, 10, 5, 5, 5, "\"Cargo min (buy)\" was modified to be equal to new \"Cargo max\" value."},
      {28, 10, 5, 10, 10, "\"Cargo max\" was modified to be equal to new \"Cargo min (buy)\" value."},
      {29, 3, 5, 3, 5, ""},
      {28, 5, 5, 5, 5, ""},
      {30, 10, 5, 10, 5, ""},  // another field: no rule
  };
  for (const auto& c : cases) {
    auto r = Rec(70, {{28, Variant(c.min)}, {29, Variant(c.max)}});
    EXPECT_EQ(ApplyCargoRule(*r, c.edited), c.message);
    EXPECT_EQ(kz::CLng(r->Value(28)), c.newMin);
    EXPECT_EQ(kz::CLng(r->Value(29)), c.newMax);
    EXPECT_EQ(r->Dirty, std::string(c.message) != "");
  }
}

TEST_F(ShipPageTest, EditingTexts) {
  auto ship = MakeShip(ShipValues(3, {{1}, {1}, {2, 1}}));
  EXPECT_TRUE(IsCountField(*ship, 19));
  EXPECT_TRUE(IsCountField(*ship, 53));
  EXPECT_TRUE(IsCountField(*ship, 66));
  EXPECT_FALSE(IsCountField(*ship, 54));
  EXPECT_EQ(MaxTurretsMessage(), "Maximum number of turrets is 6 (+ front gun)");
  EXPECT_EQ(RemoveTurretQuestion(*ship->Turrets.Item(3)), "Do you really want to delete the turret idx=3 (position=rear) ?");
  EXPECT_EQ(RemoveTurretQuestion(*ship->Turrets.Item(1)),
            "Do you really want to delete the turret idx=1 (position=front cockpit) ?");
  EXPECT_EQ(RemoveGunQuestion(*ship->GunGroups.Item(3)->Guns.Item(2)), "Do you really want to delete the gun idx=4?");
}

TEST(ShipLayoutTest, TabsInTwips) {
  Box info{100, 100, 0, 0}, desc{100, 0, 0, 900};
  ArrangeInfoTab(6000, 5000, info, desc);
  EXPECT_EQ(desc.top, 4000);
  EXPECT_EQ(desc.width, 5800);
  EXPECT_EQ(info.width, 5800);
  EXPECT_EQ(info.height, 3800);

  Box single{120, 450, 0, 0};
  ArrangeSingle(6000, 5000, single);
  EXPECT_EQ(single.width, 5780);
  EXPECT_EQ(single.height, 4450);

  Box turrets{100, 450, 0, 0}, label{100, 0, 1000, 255}, cockpits{100, 0, 0, 0};
  ArrangeTurretTab(6000, 5000, 350, turrets, label, cockpits);
  EXPECT_EQ(turrets.height, 1892);  // (5000 - 350 - 100 - 765) / 2 = 1892.5, halves to even
  EXPECT_EQ(label.top, 450 + 1892 + 50);
  EXPECT_EQ(cockpits.top, label.top + 255 + 50);
  EXPECT_EQ(cockpits.height, 5000 - cockpits.top - 100);
  EXPECT_EQ(cockpits.width, 5800);

  Box groups{100, 700, 0, 0}, gunsLabel{100, 0, 1500, 250}, user{0, 0, 1200, 250}, debug{0, 0, 1300, 250},
      guns{100, 0, 0, 0};
  ArrangeGunTab(6000, 5000, 350, 6100, groups, gunsLabel, user, debug, guns);
  EXPECT_EQ(groups.height, 1900);  // (4550 - 750) / 2
  EXPECT_EQ(guns.height, 1900);
  EXPECT_EQ(gunsLabel.top, 700 + 1900 + 50);
  EXPECT_EQ(user.top, gunsLabel.top);
  EXPECT_EQ(debug.left, 6100 - 1300 - 100);
  EXPECT_EQ(user.left, debug.left - 1200);
  EXPECT_EQ(guns.top, gunsLabel.top + 250 + 50);
  EXPECT_EQ(guns.width, 5800);

  Box installed{100, 400, 0, 0}, add{0, 1000, 501, 300}, remove{0, 1500, 501, 300}, available{0, 400, 0, 0},
      availLabel{0, 100, 800, 250};
  ArrangeMaskTab(6000, 5000, installed, add, remove, available, availLabel);
  EXPECT_EQ(installed.width, 2649);  // trunc(5499 / 2 - 100)
  EXPECT_EQ(installed.height, 4500);
  EXPECT_EQ(available.height, 4500);
  EXPECT_EQ(add.left, 100 + 2649 + 25);
  EXPECT_EQ(remove.left, add.left);
  EXPECT_EQ(available.left, add.left + 501 + 25);
  EXPECT_EQ(availLabel.left, available.left + 100);
}
