#pragma once
// Ship records built in memory for the ship model tests, and the invariant check that
// every test runs after an operation.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/Variant.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipTables.h"
#include "typefiles/TXTObject.h"

using kz::Variant;

// A consistent ship: `turrets` entries (the first the main cockpit entry), one gun
// group per entry of `groups` with the given gun counts (the value 1 of each gun).
// Field 19 and the initial laser positions agree with the counts.
inline std::vector<Variant> ShipValues(int turrets, const std::vector<std::vector<int>>& groups,
                                       const std::string& id = "SS_SH_TEST") {
  std::vector<Variant> v;
  for (int i = 0; i < 53; ++i) v.push_back(i == 0 ? Variant("ship_body") : Variant(int32_t(1000 + i)));
  int total = 0;
  for (const auto& g : groups)
    for (int c : g)
      if (c > 0) total += c;
  v[19] = Variant(int32_t(total));
  for (int i = 31; i <= 42; ++i) v[i] = Variant(int32_t(0));
  for (int t = 1; t < turrets; ++t) {  // descriptors of the real turrets
    v[31 + 2 * (t - 1)] = Variant(int32_t(t % 3));
    v[32 + 2 * (t - 1)] = Variant(int32_t(t));
  }
  v.push_back(Variant(int32_t(turrets)));  // 53
  for (int t = 0; t < turrets; ++t) {
    v.push_back(Variant(int32_t(t + 1)));
    v.push_back(Variant(int32_t(t)));
    v.push_back(Variant("turret_body_" + std::to_string(t)));
    v.push_back(Variant(int32_t(t * 10)));
  }
  v.push_back(Variant(int32_t(groups.size())));
  int laser = 1;
  for (size_t g = 0; g < groups.size(); ++g) {
    int pseudo = 0;
    for (int c : groups[g])
      if (c > 0) pseudo += c;
    v.push_back(Variant(int32_t(laser)));
    v.push_back(Variant(int32_t(pseudo)));
    v.push_back(Variant(int32_t(g + 1)));
    v.push_back(Variant(int32_t(groups[g].size())));
    int n = laser;
    for (size_t k = 0; k < groups[g].size(); ++k) {
      v.push_back(Variant(int32_t(n++)));
      v.push_back(Variant(int32_t(groups[g][k])));
      v.push_back(Variant("gun_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(k)));
      v.push_back(Variant("gun2_" + std::to_string(g) + "_" + std::to_string(k)));
      v.push_back(Variant(int32_t(-1)));
    }
    laser += pseudo;
  }
  for (int i = 0; i < 9; ++i) v.push_back(Variant(int32_t(-i)));
  v.push_back(Variant(id));
  return v;
}

// The record as one type-file line.
inline std::string ShipText(const std::vector<Variant>& values) {
  std::string line;
  for (const auto& v : values) line += kz::CStr(v) + ";";
  return line + "\r\n";
}

inline ShipPtr MakeShip(std::vector<Variant> values) {
  auto record = std::make_shared<clsTXTObject>();
  record->id = 1;
  record->AssignValues(std::move(values));
  auto ship = std::make_shared<clsShip>(record);
  EXPECT_TRUE(ship->LoadObjects()) << ship->GetLastError();
  return ship;
}

// Every invariant of the ship model: counts in the record equal the objects, offsets
// point at the objects' data back to back, the size adds up, and a fresh ship over a
// copy of the record builds the same objects at the same places.
inline void ExpectConsistent(clsShip& ship) {
  SCOPED_TRACE("consistency");
  const int T = ship.Turrets.Count();
  ASSERT_EQ(kz::CLng(ship.Value(53)), T);
  ASSERT_EQ(ship.GGCountOffset(), 54 + 4 * T);
  ASSERT_EQ(ship.GunSectionsCount(), ship.GunGroups.Count());
  int k = 0;
  for (const auto& t : ship.Turrets) {
    EXPECT_EQ(t->offset, 54 + 4 * k) << "turret " << k;
    EXPECT_EQ(t->ship().get(), &ship);
    ++k;
  }
  int p = 55 + 4 * T;
  int gunSum = 0;
  for (const auto& g : ship.GunGroups) {
    EXPECT_EQ(g->offset, p);
    EXPECT_EQ(g->GunCount(), g->Guns.Count());
    int q = p + 4;
    for (const auto& gun : g->Guns) {
      EXPECT_EQ(gun->offset, q);
      EXPECT_EQ(gun->gg(), g);
      int c = clsShip::WholeValue(gun->Value(1));
      if (c > 0) gunSum += c;
      q += 6;
    }
    p += g->SectionSize();
  }
  EXPECT_EQ(ship.DynamicDataOffset(), p);
  EXPECT_EQ(ship.size(), p + 10);
  EXPECT_TRUE(ship.Validate()) << ship.GetLastError();

  auto copy = std::make_shared<clsShip>(ship.Object->Clone());
  ASSERT_TRUE(copy->LoadObjects()) << copy->GetLastError();
  ASSERT_EQ(copy->Turrets.Count(), ship.Turrets.Count());
  ASSERT_EQ(copy->GunGroups.Count(), ship.GunGroups.Count());
  for (int i = 1; i <= copy->GunGroups.Count(); ++i) {
    EXPECT_EQ(copy->GunGroups.Item(i)->offset, ship.GunGroups.Item(i)->offset);
    EXPECT_EQ(copy->GunGroups.Item(i)->Guns.Count(), ship.GunGroups.Item(i)->Guns.Count());
  }
}

class ShipModelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mdlKzConst::InitArrays();
    kz::InitShipTables();
  }
};

// The error a call raises (number, source, description); fails the test when none.
template <class F>
kz::AppError ErrorOf(F&& f) {
  try {
    f();
  } catch (const kz::AppError& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return kz::AppError();
}
