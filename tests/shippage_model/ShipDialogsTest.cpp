// Checks and writes of the turret and gun dialogs.
#include <gtest/gtest.h>

#include "ShipPageData.h"
#include "core/Common.h"
#include "txteditor/model/ShipDialogs.h"

using namespace shiptest;
using namespace shippage;

TEST_F(ShipPageTest, TurretChecksAndConversions) {
  const std::vector<std::pair<std::string, int32_t>> entries = {{"SS_COCKPIT_A", 0}, {"SS_COCKPIT_B", 1},
                                                                {"SS_COCKPIT_B", 2}};
  struct Case {
    const char* what;
    TurretInput in;
    DialogCheck::Kind kind;
    const char* message;
    int32_t path, position, type;
  } cases[] = {
      {"path empty", {"", "b", "front", "", -1, entries}, DialogCheck::Message, "Path index not specified"},
      {"path no number", {"x", "b", "front", "", -1, entries}, DialogCheck::Message, "Path index must be whole number"},
      {"body empty", {"1", "", "front", "", -1, entries}, DialogCheck::Message, "Body ID not specified"},
      {"position by name", {"1", "b", "rear", "", 1, entries}, DialogCheck::Passed, "", 1, 2, 1},
      {"position as number", {"1", "b", "9", "", 1, entries}, DialogCheck::Passed, "", 1, 9, 1},
      {"unknown position", {"1", "b", "back", "", 1, entries}, DialogCheck::InvalidNumber, ""},
      {"path rounded", {"3.6", "b", "top", "", 0, entries}, DialogCheck::Passed, "", 4, 5, 0},
      {"path beyond 32 bits", {"1e12", "b", "top", "", 0, entries}, DialogCheck::InvalidNumber, ""},
      {"position beyond 32 bits", {"1", "b", "5000000000", "", 0, entries}, DialogCheck::InvalidNumber, ""},
      {"type as typed number", {"1", "b", "top", "17", -1, entries}, DialogCheck::Passed, "", 1, 5, 17},
      {"type by its text", {"1", "b", "top", "SS_COCKPIT_B", -1, entries}, DialogCheck::Passed, "", 1, 5, 1},
      {"unknown type", {"1", "b", "top", "SS_NONE", -1, entries}, DialogCheck::Passed, "", 1, 5, -1},
      // The chosen entry of two with one text keeps its own position.
      {"chosen entry", {"1", "b", "top", "SS_COCKPIT_B", 2, entries}, DialogCheck::Passed, "", 1, 5, 2},
      {"type beyond 32 bits", {"1", "b", "top", "9e99", -1, entries}, DialogCheck::InvalidNumber, ""},
      // The main cockpit entry has no descriptor to check.
      {"main entry", {"2", "b", "back", "x", -1, entries, false}, DialogCheck::Passed, "", 2, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TurretValues v;
    v.path = -99;
    DialogCheck check = CheckTurret(c.in, v);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.text, c.message);
    if (check.ok()) {
      EXPECT_EQ(v.path, c.path);
      EXPECT_EQ(v.position, c.position);
      EXPECT_EQ(v.type, c.type);
      EXPECT_EQ(v.body, "b");
    } else {
      EXPECT_EQ(v.path, -99);  // nothing converted is handed out
    }
  }
}

TEST_F(ShipPageTest, TurretWrites) {
  auto ship = MakeShip(ShipValues(0, {}));
  TurretValues v{"cockpit_main", 3, 1, 2};
  // The first new turret is the main cockpit entry: no descriptor.
  TurretPtr main = ApplyTurret(*ship, nullptr, v);
  EXPECT_FALSE(main->IsTurret());
  EXPECT_EQ(main->BodyID(), "cockpit_main");
  EXPECT_EQ(main->PathIdx(), 3);
  EXPECT_EQ(kz::CLng(ship->Value(31)), 0);
  // The next one is a real turret and takes type and position.
  TurretPtr second = ApplyTurret(*ship, nullptr, TurretValues{"t2", 4, 1, 2});
  EXPECT_TRUE(second->IsTurret());
  EXPECT_EQ(kz::CLng(ship->Value(31)), 1);
  EXPECT_EQ(kz::CLng(ship->Value(32)), 2);
  EXPECT_EQ(ship->Turrets.Count(), 2);
  EXPECT_EQ(ship->GunGroups.Count(), 2);
  EXPECT_TRUE(ship->Validate()) << ship->GetLastError();
  // Editing writes into the given turret only.
  ApplyTurret(*ship, second, TurretValues{"t2b", 5, 0, 6});
  EXPECT_EQ(second->BodyID(), "t2b");
  EXPECT_EQ(second->Position(), 6);
  EXPECT_EQ(ship->Turrets.Count(), 2);

  // A ship that refuses new turrets (7 entries) creates nothing.
  auto full = MakeShip(ShipValues(7, {}));
  const auto values = full->Object->Values();
  EXPECT_THROW(ApplyTurret(*full, nullptr, v), kz::AppError);
  EXPECT_TRUE(full->Object->Values() == values);
}

TEST_F(ShipPageTest, GunChecksAndConversions) {
  struct Case {
    const char* what;
    GunInput in;
    DialogCheck::Kind kind;
    const char* message;
    int32_t count, path0, path1;
  } cases[] = {
      {"count empty", {"", "b", "1", "", ""}, DialogCheck::Message, "Count not specified"},
      {"count no number", {"x", "b", "1", "", ""}, DialogCheck::Message, "Count must be whole number"},
      {"primary body empty", {"2", "", "1", "", ""}, DialogCheck::Message, "Primary Body ID not specified"},
      {"primary path empty", {"2", "b", "", "", ""}, DialogCheck::Message, "Primary Path index not specified"},
      {"primary path no number", {"2", "b", "p", "", ""}, DialogCheck::Message,
       "Primary Path index must be whole number"},
      {"secondary empty", {"2", "b", "3.6", "", ""}, DialogCheck::Passed, "", 2, 4, -1},
      {"secondary given", {"2", "b", "1", "b2", "7"}, DialogCheck::Passed, "", 2, 1, 7},
      // Both path boxes take a number the same way: rounded, halves to the even neighbour.
      {"primary path with a fraction", {"2", "b", "2.5", "", ""}, DialogCheck::Passed, "", 2, 2, -1},
      {"secondary path with a fraction", {"2", "b", "1", "b2", "3.5"}, DialogCheck::Passed, "", 2, 1, 4},
      {"both paths with a fraction", {"2", "b", "2.5", "b2", "2.5"}, DialogCheck::Passed, "", 2, 2, 2},
      {"secondary 7.5", {"2", "b", "1", "b2", "7.5"}, DialogCheck::Passed, "", 2, 1, 8},
      {"secondary no number", {"2", "b", "1", "b2", "x"}, DialogCheck::Message,
       "Secondary Path index must be whole number"},
      {"secondary beyond 32 bits", {"2", "b", "1", "b2", "5e9"}, DialogCheck::InvalidNumber, ""},
      {"count beyond 32 bits", {"99999999999", "b", "1", "", ""}, DialogCheck::InvalidNumber, ""},
      {"path beyond 32 bits", {"1", "b", "-3e9", "", ""}, DialogCheck::InvalidNumber, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GunValues v;
    v.count = -99;
    DialogCheck check = CheckGun(c.in, v);
    EXPECT_EQ(check.kind, c.kind);
    EXPECT_EQ(check.text, c.message);
    if (check.ok()) {
      EXPECT_EQ(v.count, c.count);
      EXPECT_EQ(v.path0, c.path0);
      EXPECT_EQ(v.path1, c.path1);
    } else {
      EXPECT_EQ(v.count, -99);
    }
  }
}

TEST_F(ShipPageTest, GunWrites) {
  auto ship = MakeShip(ShipValues(2, {{2}, {1}}));
  auto group = ship->GunGroups.Item(1);
  GunValues v;
  ASSERT_TRUE(CheckGun({"3", "lasers\\mount", "2", "", ""}, v).ok());
  GunPtr gun = ApplyGun(*group, nullptr, v);
  EXPECT_EQ(group->Guns.Count(), 2);
  EXPECT_EQ(group->GunCount(), 2);
  EXPECT_EQ(group->PseudoGunCount(), 5);
  EXPECT_EQ(ship->GunCount(), 6);  // field 19 follows the pseudo counts
  EXPECT_EQ(ship->GunGroups.Item(2)->InitialLaserPos(), 6);
  EXPECT_EQ(kz::CLng(gun->Value(5)), -1);
  EXPECT_EQ(gun->Value(4).AsString(), "");
  EXPECT_EQ(gun->Value(2).AsString(), "lasers\\mount");
  EXPECT_TRUE(ship->Validate()) << ship->GetLastError();

  // Editing: the counts follow the new count.
  v.count = 1;
  ApplyGun(*group, group->Guns.Item(1), v);
  EXPECT_EQ(group->PseudoGunCount(), 4);
  EXPECT_EQ(ship->GunCount(), 5);
  EXPECT_EQ(group->Guns.Count(), 2);
}
