// The ship record as turrets, gun groups and guns: building the objects, adding and
// removing turrets and guns with the record's counts and offsets kept in step, the
// numbering, and the consistency check.
#include <gtest/gtest.h>

#include "ShipFixture.h"
#include <functional>

#include "core/AppError.h"

namespace {

constexpr int32_t kShipError = static_cast<int32_t>(0x80040064u);

TEST_F(ShipModelTest, NewShipHasOnlyTheFixedBlockAndTail) {
  auto ship = std::make_shared<clsShip>();
  ship->Construct();
  ASSERT_TRUE(ship->LoadObjects());
  EXPECT_EQ(ship->size(), 65);
  EXPECT_EQ(ship->Turrets.Count(), 0);
  EXPECT_EQ(ship->GunGroups.Count(), 0);
  EXPECT_EQ(ship->GGCountOffset(), 54);
  EXPECT_EQ(ship->DynamicDataOffset(), 55);
  EXPECT_EQ(ship->SectionTurrets(), 54);
  EXPECT_TRUE(ship->Validate()) << ship->GetLastError();
  EXPECT_EQ(ship->NextLaserNumber(), 1);
}

TEST_F(ShipModelTest, FirstTurretOnANewShipGetsEntryAndEmptyGroup) {
  auto ship = std::make_shared<clsShip>();
  ship->Construct();
  ASSERT_TRUE(ship->LoadObjects());
  TurretPtr t = ship->MakeNewTurret();
  EXPECT_EQ(ship->size(), 73);
  EXPECT_EQ(kz::CLng(ship->Value(53)), 1);
  EXPECT_EQ(kz::CLng(ship->Value(54)), 1);
  EXPECT_EQ(kz::CLng(ship->Value(55)), 0);
  EXPECT_TRUE(ship->Value(56).IsEmpty());
  EXPECT_TRUE(ship->Value(57).IsEmpty());
  EXPECT_EQ(kz::CLng(ship->Value(58)), 1);
  const int expectedHeader[] = {1, 0, 1, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kz::CLng(ship->Value(59 + i)), expectedHeader[i]) << i;
  EXPECT_EQ(t->offset, 54);
  EXPECT_FALSE(t->IsTurret());
  ASSERT_EQ(ship->GunGroups.Count(), 1);
  EXPECT_EQ(ship->GunGroups.Item(1)->offset, 59);
  EXPECT_EQ(ship->GunGroups.Item(1)->turret(), t);
  EXPECT_TRUE(ship->Object->Dirty);
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, AddingTurretsAndGunsMovesOnlyTheDataBehind) {
  auto ship = MakeShip(ShipValues(3, {{1, 2}, {3}, {1, 1, 1}}));
  ExpectConsistent(*ship);
  // Remember the values of every gun; they must follow their objects.
  auto gunTexts = [&] {
    std::vector<std::string> out;
    for (const auto& g : ship->GunGroups)
      for (const auto& gun : g->Guns) out.push_back(kz::CStr(gun->Value(2)));
    return out;
  };
  const auto before = gunTexts();
  std::vector<int32_t> groupOffsets, gunOffsets;
  for (const auto& g : ship->GunGroups) {
    groupOffsets.push_back(g->offset);
    for (const auto& gun : g->Guns) gunOffsets.push_back(gun->offset);
  }

  TurretPtr t = ship->MakeNewTurret();
  ASSERT_EQ(ship->Turrets.Count(), 4);
  EXPECT_EQ(kz::CLng(t->Value(0)), 4);
  EXPECT_EQ(kz::CLng(t->Value(1)), 3);
  size_t i = 0, j = 0;
  for (const auto& g : ship->GunGroups) {
    if (i < groupOffsets.size()) {
      EXPECT_EQ(g->offset, groupOffsets[i] + 4);
    }
    ++i;
    for (const auto& gun : g->Guns) EXPECT_EQ(gun->offset, gunOffsets[j++] + 4);
  }
  EXPECT_EQ(gunTexts(), before);
  // The new group starts after the last group's lasers: 1 + 3 + 3 = 7, plus 3 = 10.
  GunGroupPtr added = ship->GunGroups.Item(4);
  EXPECT_EQ(added->InitialLaserPos(), 10);
  EXPECT_EQ(added->SortIndex(), 4);
  ExpectConsistent(*ship);

  // A gun added to the first of the groups moves groups 2.. by 6, not group 1's guns.
  GunGroupPtr g1 = ship->GunGroups.Item(1);
  std::vector<int32_t> g1Guns;
  for (const auto& gun : g1->Guns) g1Guns.push_back(gun->offset);
  const int32_t g2 = ship->GunGroups.Item(2)->offset, g3 = ship->GunGroups.Item(3)->offset;
  const int32_t g3gun = ship->GunGroups.Item(3)->Guns.Item(1)->offset;
  GunPtr gun = g1->MakeNewGun();
  EXPECT_EQ(g1->Guns.Item(1)->offset, g1Guns[0]);
  EXPECT_EQ(g1->Guns.Item(2)->offset, g1Guns[1]);
  EXPECT_EQ(gun->offset, g1Guns[1] + 6);
  EXPECT_EQ(ship->GunGroups.Item(2)->offset, g2 + 6);
  EXPECT_EQ(ship->GunGroups.Item(3)->offset, g3 + 6);
  EXPECT_EQ(ship->GunGroups.Item(3)->Guns.Item(1)->offset, g3gun + 6);
  EXPECT_EQ(g1->GunCount(), 3);
  EXPECT_EQ(gun->key(), "3k");
  EXPECT_TRUE(gun->Value(2).IsEmpty());
  EXPECT_EQ(gun->index(), 3);  // the group's lasers 1, 2, then 3
  EXPECT_EQ(gunTexts()[3], before[2]);
  ExpectConsistent(*ship);

  // The new gun gets a count: the numbering of the later groups follows.
  gun->SetValue(1, Variant(int32_t(2)));
  g1->RefreshGunCount();
  EXPECT_EQ(g1->PseudoGunCount(), 5);
  EXPECT_EQ(ship->GunGroups.Item(2)->InitialLaserPos(), 6);
  EXPECT_EQ(ship->GunGroups.Item(3)->InitialLaserPos(), 9);
  EXPECT_EQ(ship->GunCount(), 11);
  EXPECT_EQ(ship->NextLaserNumber(), 12);  // group 3 holds 9, 10, 11; group 4 has none
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, SeventhEntryIsTheLast) {
  auto ship = MakeShip(ShipValues(5, {{1}, {}, {2}, {}, {1}}));
  ship->MakeNewTurret();
  ship->MakeNewTurret();
  ASSERT_EQ(ship->Turrets.Count(), 7);
  ExpectConsistent(*ship);
  const auto values = ship->Object->Values();
  auto e = ErrorOf([&] { ship->MakeNewTurret(); });
  EXPECT_EQ(e.Number, kShipError);
  EXPECT_EQ(e.Source, "clsShip");
  EXPECT_EQ(e.Description, "Maximum number of turrets reached.");
  EXPECT_EQ(ship->Object->Values().size(), values.size());
  EXPECT_TRUE(ship->Object->Values() == values);
  EXPECT_EQ(ship->Turrets.Count(), 7);
}

TEST_F(ShipModelTest, RemoveTurretTakesTheLastEntryAndGroup) {
  const auto original = ShipValues(2, {{2}, {1, 3}});
  auto ship = MakeShip(original);
  TurretPtr added = ship->MakeNewTurret();
  added->SetDescriptorValue(0, 2);
  added->SetDescriptorValue(1, 5);
  EXPECT_EQ(kz::CLng(ship->Value(33)), 2);
  EXPECT_EQ(kz::CLng(ship->Value(34)), 5);
  added->SetValue(2, Variant("body"));
  added->SetValue(3, Variant(int32_t(4)));
  ship->GunGroups.Item(3)->MakeNewGun()->SetValue(1, Variant(int32_t(1)));
  ship->GunGroups.Item(3)->RefreshGunCount();
  ExpectConsistent(*ship);

  ASSERT_TRUE(ship->RemoveTurret(added)) << ship->GetLastError();
  // The descriptor is cleared, everything else is as it was.
  EXPECT_EQ(kz::CLng(ship->Value(33)), 0);
  EXPECT_EQ(kz::CLng(ship->Value(34)), 0);
  EXPECT_TRUE(ship->Object->Values() == original);
  EXPECT_EQ(ship->Turrets.Count(), 2);
  EXPECT_EQ(ship->GunGroups.Count(), 2);
  ExpectConsistent(*ship);
  // The removed turret no longer reads the ship's data.
  EXPECT_EQ(added->ship(), nullptr);
  EXPECT_EQ(ErrorOf([&] { added->Value(0); }).Number, 91);

  // Down to none: the main cockpit entry has no descriptor to clear.
  ASSERT_TRUE(ship->RemoveTurret(ship->Turrets.Item(2)));
  ASSERT_TRUE(ship->RemoveTurret(ship->Turrets.Item(1)));
  EXPECT_EQ(ship->size(), 65);
  EXPECT_EQ(ship->GunCount(), 0);
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, RemoveTurretRefusals) {
  auto ship = MakeShip(ShipValues(3, {{1}, {1}, {1}}));
  auto other = MakeShip(ShipValues(3, {{1}, {1}, {1}}));
  const auto values = ship->Object->Values();
  struct Case {
    TurretPtr turret;
    const char* reason;
  } cases[] = {
      {ship->Turrets.Item(1), "Can only remove last turret."},
      {ship->Turrets.Item(2), "Can only remove last turret."},
      {other->Turrets.Item(3), "Invalid turret passed."},
      {nullptr, "Invalid turret passed."},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ship->RemoveTurret(c.turret));
    EXPECT_EQ(ship->GetLastError(), std::string("Error removing turret: \r\n") + c.reason);
  }
  EXPECT_TRUE(ship->Object->Values() == values);
  EXPECT_EQ(ship->GetTurretIndex(ship->Turrets.Item(3)), 3);
  auto e = ErrorOf([&] { ship->GetTurretIndex(other->Turrets.Item(1)); });
  EXPECT_EQ(e.Number, kShipError);
  EXPECT_EQ(e.Description, "Invalid turret passed.");
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, FailureHalfWayLeavesTheShipAsItWas) {
  auto ship = MakeShip(ShipValues(2, {{1}, {2, 1}}));
  // A pseudo count that is not a number fails RemoveTurret at its last step.
  ship->SetValue(ship->GunGroups.Item(1)->offset + 1, Variant("x"));
  const auto values = ship->Object->Values();
  TurretPtr last = ship->Turrets.Item(2);
  GunGroupPtr lastGroup = ship->GunGroups.Item(2);
  const int32_t lastGroupOffset = lastGroup->offset;
  EXPECT_FALSE(ship->RemoveTurret(last));
  EXPECT_EQ(ship->GetLastError(), "Error removing turret: \r\nType mismatch");
  EXPECT_TRUE(ship->Object->Values() == values);
  EXPECT_EQ(ship->Turrets.Count(), 2);
  EXPECT_EQ(ship->GunGroups.Count(), 2);
  EXPECT_EQ(last->ship(), ship);
  EXPECT_EQ(lastGroup->offset, lastGroupOffset);
  EXPECT_EQ(lastGroup->Guns.Item(2)->offset, lastGroupOffset + 10);

  // A field 19 that is not a number fails MakeNewGun after the group's count was raised.
  ship->SetValue(ship->GunGroups.Item(1)->offset + 1, Variant(int32_t(1)));
  ship->SetValue(19, Variant("y"));
  const auto values2 = ship->Object->Values();
  EXPECT_EQ(ErrorOf([&] { ship->GunGroups.Item(1)->MakeNewGun(); }).Number, kz::kErrTypeMismatch);
  EXPECT_TRUE(ship->Object->Values() == values2);
  EXPECT_EQ(ship->GunGroups.Item(1)->Guns.Count(), 1);
  EXPECT_EQ(ship->GunGroups.Item(2)->offset, lastGroupOffset);
  ship->SetValue(19, Variant(int32_t(4)));
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, StaleObjectsAreNotEdited) {
  // The counts changed directly (the raw field editor): the objects no longer describe
  // the record, and an edit through them would cut the data in the wrong places.
  struct Case {
    const char* what;
    int32_t field;  // -1: the gun group count, -2: the first group's gun count
    int32_t value;
  } cases[] = {{"turret count", 53, 3}, {"group count", -1, 1}, {"gun count", -2, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto ship = MakeShip(ShipValues(2, {{1}, {1, 1}}));
    int32_t field = c.field == -1 ? ship->GGCountOffset() : c.field == -2 ? ship->GunGroups.Item(1)->offset + 3 : c.field;
    ship->SetValue(field, Variant(c.value));
    const auto values = ship->Object->Values();
    GunGroupPtr g = ship->GunGroups.Item(2);
    for (auto op : std::initializer_list<std::function<void()>>{
             [&] { ship->MakeNewTurret(); }, [&] { g->MakeNewGun(); }, [&] { g->RemoveGun(g->Guns.Item(2)); }}) {
      auto e = ErrorOf(op);
      EXPECT_EQ(e.Number, kShipError);
      EXPECT_NE(e.Description.find("does not match"), std::string::npos) << e.Description;
    }
    EXPECT_FALSE(ship->RemoveTurret(ship->Turrets.Item(2)));
    EXPECT_TRUE(ship->Object->Values() == values);
    // The group count alone is not compared by Validate (it checks the objects' data).
    if (c.field != -1) {
      EXPECT_FALSE(ship->Validate());
    }
  }
}

TEST_F(ShipModelTest, RefreshGunCountChainsInitialPositions) {
  auto ship = MakeShip(ShipValues(3, {{2}, {0}, {3}}));
  for (auto& g : ship->GunGroups) g->SetValue(0, 77);
  ship->GunGroups.Item(1)->SetValue(0, 1);
  ship->SetValue(19, Variant(int32_t(0)));
  ship->RefreshGunCount();
  EXPECT_EQ(ship->GunGroups.Item(1)->InitialLaserPos(), 1);
  EXPECT_EQ(ship->GunGroups.Item(2)->InitialLaserPos(), 3);
  EXPECT_EQ(ship->GunGroups.Item(3)->InitialLaserPos(), 3);
  EXPECT_EQ(ship->GunCount(), 5);
  ship->ReindexGuns();
  EXPECT_EQ(ship->GunGroups.Item(3)->Guns.Item(1)->index(), 3);

  ship->ReindexTurrets();
  int n = 1;
  for (auto& t : ship->Turrets) EXPECT_EQ(t->index(), n++);
  n = 1;
  for (auto& g : ship->GunGroups) EXPECT_EQ(g->SortIndex(), n++);
  ExpectConsistent(*ship);
  EXPECT_EQ(ship->GunGroupGunsOffset(0), ship->GunGroups.Item(1)->offset + 4);
  EXPECT_EQ(ship->GunGroupGunsOffset(2), ship->GunGroups.Item(3)->offset + 4);
}

TEST_F(ShipModelTest, ValidateReports) {
  // A header that claims one gun more than the record holds: the extra gun would lie in
  // the tail, so the sizes disagree.
  {
    auto v = ShipValues(1, {{1, 1}});
    v[55 + 4 + 3] = Variant(int32_t(3));
    auto ship = MakeShip(v);
    EXPECT_FALSE(ship->Validate());
    EXPECT_EQ(ship->GetLastError(),
              "Calculated size of ship data does not match actual data size - should be 91 and it is 85.");
  }
  // Field 19 alone disagrees.
  {
    auto v = ShipValues(1, {{1, 2}});
    v[19] = Variant(int32_t(4));
    auto ship = MakeShip(v);
    EXPECT_FALSE(ship->Validate());
    EXPECT_EQ(ship->GetLastError(),
              "Calculated gun count does not match gun count stored in ship data - should be 3 and it is 4.");
  }
  // Negative gun counts do not count, as in the field the editor keeps.
  {
    auto ship = MakeShip(ShipValues(1, {{2, -1, 3}}));
    EXPECT_EQ(ship->GunCount(), 5);
    EXPECT_TRUE(ship->Validate()) << ship->GetLastError();
  }
  // Objects whose data is gone from the record: an overflow report before the size.
  {
    auto ship = MakeShip(ShipValues(1, {{1, 1}}));
    ship->Object->RemoveSpaceFromArray(63, 12);
    EXPECT_FALSE(ship->Validate());
    EXPECT_EQ(ship->GetLastError(),
              "Error while accessing data of gun (index 2) in gun group (index 0). Data overflow detected.\r\n"
              "Calculated size of ship data does not match actual data size - should be 85 and it is 73.");
  }
  // A stale error of an earlier operation does not leak into the report.
  {
    auto ship = MakeShip(ShipValues(2, {{1}, {1}}));
    EXPECT_FALSE(ship->RemoveTurret(ship->Turrets.Item(1)));
    EXPECT_TRUE(ship->Validate());
    EXPECT_EQ(ship->GetLastError(), "");
  }
}

TEST_F(ShipModelTest, CountsThatDoNotFitAreRefusedOnLoad) {
  struct Case {
    const char* what;
    int32_t field;  // -1: the gun group count; -2: first group's gun count
    Variant value;
    const char* expect;
  } cases[] = {
      {"turret count beyond the record", 53, Variant(int32_t(2000000000)), "Turret count 2000000000 does not fit"},
      {"negative turret count", 53, Variant(int32_t(-1)), "Turret count -1 does not fit"},
      {"turret count text", 53, Variant("many"), "Type mismatch"},
      {"negative group count", -1, Variant(int32_t(-3)), "Gun group count -3 is not valid."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto v = ShipValues(1, {{1}, {1}});
    int32_t field = c.field == -1 ? 58 : c.field == -2 ? 62 : c.field;
    v[static_cast<size_t>(field)] = c.value;
    auto record = std::make_shared<clsTXTObject>();
    record->AssignValues(std::move(v));
    auto ship = std::make_shared<clsShip>(record);
    EXPECT_FALSE(ship->LoadObjects());
    EXPECT_NE(ship->GetLastError().find(c.expect), std::string::npos) << ship->GetLastError();
  }
  // A record too short for a ship, and a ship object that is not shared.
  auto shortShip = std::make_shared<clsShip>();
  shortShip->Object->Construct(21);
  EXPECT_FALSE(shortShip->LoadObjects());
  clsShip unshared;
  unshared.Construct();
  EXPECT_FALSE(unshared.LoadObjects());
  EXPECT_EQ(ErrorOf([&] { unshared.MakeNewTurret(); }).Number, kShipError);
}

// A damaged file still opens: groups and guns that the counts claim beyond the record
// are not built, Validate names the first of them, and the ship refuses edits.
TEST_F(ShipModelTest, GroupsBeyondTheRecordLoadAndAreReported) {
  struct Case {
    const char* what;
    int32_t field;  // -1: the gun group count; -2: the second group's gun count
    int32_t value;
    int groups, guns;
    const char* report;
  } cases[] = {
      // The third header lies in the tail (its gun count reads -3), the rest beyond.
      {"group count beyond the record", -1, 1000, 3, 2,
       "Error while accessing data of gun group (index 3). Data overflow detected.\r\n"
       "Calculated size of ship data does not match actual data size - should be 4099 and it is 89."},
      // Two guns of the second group fit (the second in the tail), the others do not.
      {"gun count beyond the record", -2, 400000000, 2, 3,
       "Error while accessing data of gun (index 4) in gun group (index 1). Data overflow detected.\r\n"
       "Calculated size of ship data does not match actual data size - should be 2400000083 and it is 89."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto v = ShipValues(1, {{1}, {1}});
    v[static_cast<size_t>(c.field == -1 ? 58 : 72)] = Variant(c.value);
    auto ship = MakeShip(v);
    EXPECT_EQ(ship->GunGroups.Count(), c.groups);
    int guns = 0;
    for (const auto& g : ship->GunGroups) guns += g->Guns.Count();
    EXPECT_EQ(guns, c.guns);
    EXPECT_FALSE(ship->Validate());
    EXPECT_EQ(ship->GetLastError(), c.report);
    const auto values = ship->Object->Values();
    EXPECT_EQ(ErrorOf([&] { ship->MakeNewTurret(); }).Number, kShipError);
    EXPECT_EQ(ErrorOf([&] { ship->GunGroups.Item(1)->MakeNewGun(); }).Number, kShipError);
    EXPECT_TRUE(ship->Object->Values() == values);
  }
}

// The removed turret's own group goes with it, wherever it lies; a turret without a
// group of its own takes none.
TEST_F(ShipModelTest, RemoveTurretTakesItsOwnGroup) {
  {
    auto ship = MakeShip(ShipValues(2, {{2}}));  // one group, the main entry's
    const int32_t groupOffset = ship->GunGroups.Item(1)->offset;
    ASSERT_TRUE(ship->RemoveTurret(ship->Turrets.Item(2))) << ship->GetLastError();
    EXPECT_EQ(ship->GunGroups.Count(), 1);
    EXPECT_EQ(ship->GunGroups.Item(1)->SortIndex(), 1);
    EXPECT_EQ(ship->GunGroups.Item(1)->offset, groupOffset - 4);
    EXPECT_EQ(ship->GunCount(), 2);
    ExpectConsistent(*ship);
  }
  {
    // Groups in data order for turrets 3, 1, 2: removing turret 3 takes the first group.
    auto v = ShipValues(3, {{1}, {2}, {3}});
    const int32_t g1 = 55 + 12, g2 = g1 + 10, g3 = g2 + 10;
    v[g1 + 2] = Variant(int32_t(3));
    v[g2 + 2] = Variant(int32_t(1));
    v[g3 + 2] = Variant(int32_t(2));
    auto ship = MakeShip(v);
    ASSERT_TRUE(ship->RemoveTurret(ship->Turrets.Item(3))) << ship->GetLastError();
    ASSERT_EQ(ship->GunGroups.Count(), 2);
    EXPECT_EQ(ship->GunGroups.Item(1)->SortIndex(), 1);
    EXPECT_EQ(ship->GunGroups.Item(1)->Guns.Item(1)->Value(2).AsString(), "gun_1_0");
    EXPECT_EQ(ship->GunGroups.Item(2)->Guns.Item(1)->Value(2).AsString(), "gun_2_0");
    EXPECT_EQ(ship->GunCount(), 5);
    ExpectConsistent(*ship);
  }
}

TEST_F(ShipModelTest, LoadObjectsAgainDropsTheOldObjects) {
  auto ship = MakeShip(ShipValues(2, {{1}, {2}}));
  TurretPtr oldTurret = ship->Turrets.Item(1);
  GunPtr oldGun = ship->GunGroups.Item(2)->Guns.Item(1);
  const std::string oldKey = ship->Turrets.Item(2)->key();
  ASSERT_TRUE(ship->LoadObjects());
  EXPECT_EQ(oldTurret->ship(), nullptr);
  EXPECT_EQ(ErrorOf([&] { oldGun->Value(0); }).Number, 91);
  // Ids are never reused within one ship.
  EXPECT_EQ(oldKey, "2k");
  EXPECT_EQ(ship->Turrets.Item(1)->key(), "3k");
  EXPECT_EQ(ship->GunGroups.Item(1)->key(), "3k");
  ExpectConsistent(*ship);
}

TEST_F(ShipModelTest, RaceAndClassNames) {
  auto v = ShipValues(0, {});
  v[45] = Variant(int32_t(19));
  v[5] = Variant(int32_t(5));
  auto ship = MakeShip(v);
  EXPECT_EQ(ship->Race(), "Kessai");
  EXPECT_EQ(ship->Class(), "M3");
  ship->SetValue(45, Variant(int32_t(0)));
  ship->SetValue(5, Variant(int32_t(14)));
  EXPECT_EQ(ship->Race(), "N/A");
  EXPECT_EQ(ship->Class(), "N/A");
  EXPECT_EQ(ship->key(), "1k");
}

}  // namespace
