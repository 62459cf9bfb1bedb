// Turrets, gun groups and guns: value access through the ship record, descriptors,
// position names, gun counts and the removal of guns.
#include <gtest/gtest.h>

#include "ShipFixture.h"
#include "core/AppError.h"

namespace {

constexpr int32_t kShipError = static_cast<int32_t>(0x80040064u);

TEST_F(ShipModelTest, IndexesOutsideTheObjectsAreRefused) {
  auto ship = MakeShip(ShipValues(2, {{1}, {1}}));
  TurretPtr t = ship->Turrets.Item(2);
  GunGroupPtr g = ship->GunGroups.Item(1);
  GunPtr gun = g->Guns.Item(1);
  const auto values = ship->Object->Values();
  struct Case {
    const char* what;
    std::function<void()> call;
    const char* source;
    const char* text;
  } cases[] = {
      {"turret get 4", [&] { t->Value(4); }, "clsTurret", "List index out of bounds."},
      {"turret set 4", [&] { t->SetValue(4, Variant(int32_t(1))); }, "clsTurret", "List index out of bounds."},
      {"turret get -1", [&] { t->Value(-1); }, "clsTurret", "List index out of bounds."},
      {"group get 4", [&] { g->Value(4); }, "clsGunGroup", "List index out of bounds."},
      {"group set 4", [&] { g->SetValue(4, 1); }, "clsGunGroup", "List index out of bounds."},
      {"gun get 6", [&] { gun->Value(6); }, "clsGun", "Index out of bounds"},
      {"gun set 6", [&] { gun->SetValue(6, Variant(int32_t(1))); }, "clsGun", "Index out of bounds"},
      {"gun set -1", [&] { gun->SetValue(-1, Variant(int32_t(1))); }, "clsGun", "Index out of bounds"},
      {"descriptor get 2", [&] { t->DescriptorValue(2); }, "clsTurret", "List index out of bounds."},
      {"descriptor set 2 of the cockpit entry",
       [&] { ship->Turrets.Item(1)->SetDescriptorValue(2, 1); }, "clsTurret", "List index out of bounds."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto e = ErrorOf(c.call);
    EXPECT_EQ(e.Number, kShipError);
    EXPECT_EQ(e.Source, c.source);
    EXPECT_EQ(e.Description, c.text);
  }
  EXPECT_TRUE(ship->Object->Values() == values);
}

TEST_F(ShipModelTest, TurretEntryAndDescriptor) {
  auto ship = MakeShip(ShipValues(7, {{}, {}, {}, {}, {}, {}, {}}));
  TurretPtr main = ship->Turrets.Item(1);
  EXPECT_FALSE(main->IsTurret());
  EXPECT_EQ(main->DescriptorValue(0), 0);
  EXPECT_EQ(main->Position(), 0);
  EXPECT_EQ(main->PositionName(), "front cockpit");
  auto e = ErrorOf([&] { main->SetDescriptorValue(1, 3); });
  EXPECT_EQ(e.Number, static_cast<int32_t>(0x80040065u));
  EXPECT_EQ(e.Source, "clsTurret");
  EXPECT_EQ(e.Description, "Guns don't have turret descriptors.");

  TurretPtr second = ship->Turrets.Item(2), last = ship->Turrets.Item(7);
  EXPECT_EQ(second->DescriptorOffset(), 31);
  EXPECT_EQ(last->DescriptorOffset(), 41);
  second->SetDescriptorValue(0, 12);
  second->SetDescriptorValue(1, 4);
  last->SetDescriptorValue(0, 13);
  last->SetDescriptorValue(1, 6);
  EXPECT_EQ(kz::CLng(ship->Value(31)), 12);
  EXPECT_EQ(kz::CLng(ship->Value(32)), 4);
  EXPECT_EQ(kz::CLng(ship->Value(41)), 13);
  EXPECT_EQ(kz::CLng(ship->Value(42)), 6);
  EXPECT_EQ(second->PositionName(), "right");
  EXPECT_EQ(last->PositionName(), "bottom");
  EXPECT_EQ(second->BodyID(), "turret_body_1");
  EXPECT_EQ(second->PathIdx(), 10);
  EXPECT_EQ(second->index(), 2);
  EXPECT_EQ(second->key(), "2k");

  std::string text = "untouched";
  EXPECT_FALSE(second->TranslateDescValue(0, text));
  second->SetDescriptorValue(1, 0);
  EXPECT_FALSE(second->TranslateDescValue(1, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_EQ(second->PositionName(), "0");
  second->SetDescriptorValue(1, 9);
  EXPECT_EQ(second->PositionName(), "N/A");
  EXPECT_TRUE(second->TranslateDescValue(1, text));
  EXPECT_EQ(text, "N/A");
}

TEST_F(ShipModelTest, TurretIndexWithoutADescriptorPlace) {
  // A real turret whose entry index lies outside 2..7 would find its descriptor on
  // other fields (27/28 for index 0, 43/44 for index 8): refused, nothing overwritten.
  for (int32_t index : {0, 1, 8}) {
    SCOPED_TRACE(index);
    auto ship = MakeShip(ShipValues(2, {{}, {}}));
    TurretPtr t = ship->Turrets.Item(2);
    t->SetValue(0, Variant(index));
    const auto values = ship->Object->Values();
    EXPECT_FALSE(t->HasDescriptor());
    EXPECT_EQ(ErrorOf([&] { t->SetDescriptorValue(0, 5); }).Number, kShipError);
    EXPECT_EQ(ErrorOf([&] { t->DescriptorValue(1); }).Number, kShipError);
    EXPECT_EQ(ErrorOf([&] { t->PositionName(); }).Number, kShipError);
    EXPECT_TRUE(ship->Object->Values() == values);
    // It can still be removed.
    EXPECT_TRUE(ship->RemoveTurret(t)) << ship->GetLastError();
    ExpectConsistent(*ship);
  }
}

TEST_F(ShipModelTest, GunGroupCounts) {
  auto ship = MakeShip(ShipValues(2, {{2, -1, 3}, {1}}));
  GunGroupPtr g = ship->GunGroups.Item(1);
  EXPECT_EQ(g->GunCount(), 3);
  EXPECT_EQ(g->PseudoGunCount(), 5);
  EXPECT_EQ(g->SectionSize(), 22);
  EXPECT_EQ(g->turret(), ship->Turrets.Item(1));
  std::string text;
  EXPECT_FALSE(g->TranslateValue(0, text));

  g->Guns.Item(2)->SetValue(1, Variant(int32_t(4)));
  g->RefreshGunCount();
  EXPECT_EQ(g->PseudoGunCount(), 9);
  EXPECT_EQ(ship->GunGroups.Item(2)->InitialLaserPos(), 10);
  EXPECT_EQ(ship->GunGroups.Item(2)->Guns.Item(1)->index(), 10);
  EXPECT_EQ(ship->GunCount(), 10);
  ExpectConsistent(*ship);

  // A stored gun count of -2 spans two guns' room; the turret of a group whose turret
  // index names no entry is none.
  g->SetValue(3, -2);
  EXPECT_EQ(g->SectionSize(), 16);
  g->SetValue(2, 9);
  EXPECT_EQ(g->turret(), nullptr);
  g->SetValue(2, 0);
  EXPECT_EQ(g->turret(), nullptr);
}

TEST_F(ShipModelTest, GunIndexIsById) {
  auto ship = MakeShip(ShipValues(2, {{1, 1}, {1, 1, 1}}));
  GunGroupPtr a = ship->GunGroups.Item(1), b = ship->GunGroups.Item(2);
  EXPECT_EQ(a->GetGunIndex(a->Guns.Item(2)), 2);
  EXPECT_EQ(a->GetGunIndex(b->Guns.Item(3)), -1);  // id 3: group a has ids 1 and 2
  EXPECT_EQ(a->GetGunIndex(b->Guns.Item(1)), 1);   // the same id 1
  EXPECT_EQ(a->GetGunIndex(nullptr), -1);
}

TEST_F(ShipModelTest, RemoveGunTakesOnlyTheLastGun) {
  const auto original = ShipValues(3, {{1}, {2, 3}, {1}});
  auto ship = MakeShip(original);
  GunGroupPtr g = ship->GunGroups.Item(2);
  GunGroupPtr other = ship->GunGroups.Item(3);
  GunPtr gun = g->MakeNewGun();
  gun->SetValue(1, Variant(int32_t(2)));
  g->RefreshGunCount();
  EXPECT_EQ(ship->GunCount(), 9);
  EXPECT_EQ(other->InitialLaserPos(), 9);
  ExpectConsistent(*ship);

  const auto values = ship->Object->Values();
  struct Case {
    GunGroupPtr group;
    GunPtr gun;
    const char* text;
  } refusals[] = {
      {g, g->Guns.Item(1), "Can only remove last gun."},
      {g, other->Guns.Item(1), "Invalid gun passed."},
      {g, nullptr, "Invalid gun passed."},
  };
  for (const auto& c : refusals) {
    auto e = ErrorOf([&] { c.group->RemoveGun(c.gun); });
    EXPECT_EQ(e.Number, kShipError);
    EXPECT_EQ(e.Description, c.text);
  }
  auto foreign = MakeShip(original);
  auto e = ErrorOf([&] { ship->RemoveGun(foreign->GunGroups.Item(1), foreign->GunGroups.Item(1)->Guns.Item(1)); });
  EXPECT_EQ(e.Description, "Invalid gun group passed.");
  EXPECT_EQ(ErrorOf([&] { ship->MakeNewGun(foreign->GunGroups.Item(1), std::make_shared<clsGun>()); }).Description,
            "Invalid gun group passed.");
  EXPECT_TRUE(ship->Object->Values() == values);

  EXPECT_TRUE(g->RemoveGun(gun));
  EXPECT_EQ(gun->gg(), nullptr);
  EXPECT_TRUE(ship->Object->Values() == original);
  ExpectConsistent(*ship);
  // Down to an empty group; a group without guns has nothing to remove.
  EXPECT_TRUE(g->RemoveGun(g->Guns.Item(2)));
  EXPECT_TRUE(g->RemoveGun(g->Guns.Item(1)));
  EXPECT_EQ(g->GunCount(), 0);
  EXPECT_EQ(g->PseudoGunCount(), 0);
  EXPECT_EQ(ErrorOf([&] { g->RemoveGun(other->Guns.Item(1)); }).Description, "Invalid gun passed.");
  EXPECT_EQ(ship->GunCount(), 2);
  ExpectConsistent(*ship);
}

}  // namespace
