#pragma once
// Ship records built in memory for the ship model tests, and the invariant check that
// every test runs after an operation.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/KzConst.h"
#include "core/Variant.h"
#include "tests/common/ShipTestData.h"
#include "typefiles/Ship.h"
#include "typefiles/ShipTables.h"
#include "typefiles/TXTObject.h"

using kz::Variant;

// A consistent ship (see kztest::ConsistentShipValues) whose other fields 1..52 hold
// 1000 + their number, but for the turret descriptors 31..42 (0 where no turret is);
// the real turrets stand on sides 1, 2, 0, 1, ...
inline std::vector<Variant> ShipValues(int turrets, const std::vector<std::vector<int>>& groups,
                                       const std::string& id = "SS_SH_TEST") {
  static const kztest::ShipLook look = [] {
    kztest::ShipLook l{{}, "turret_body_", [](int t) { return t % 3; }, -1};
    for (int i = 0; i < 53; ++i) l.head.push_back(i == 0 ? Variant("ship_body") : Variant(int32_t(1000 + i)));
    for (int i = 31; i <= 42; ++i) l.head[i] = Variant(int32_t(0));
    return l;
  }();
  return kztest::ConsistentShipValues(look, turrets, groups, id);
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
