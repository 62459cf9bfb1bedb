#include <gtest/gtest.h>

#include "DataFolder.h"
#include "videdoded/videdoded.h"
#include "core/Common.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"
#include "typefiles/ShipTables.h"

using namespace kz;

namespace {

struct Range {
  const char* name;
  const NameTable* table;
  int32_t lo, hi;
};

}  // namespace

TEST(FieldTables, LabelTablesHaveThePartsRanges) {
  InitAllFieldTables();
  const Range ranges[] = {
      {"TShields", &TShieldsFieldLabels, 0, 20},   {"TLaser", &TLaserFieldLabels, 0, 22},
      {"TMissiles", &TMissilesFieldLabels, 0, 36}, {"TBullets", &TBulletsFieldLabels, 0, 36},
      {"TWare", &TWareFieldLabels, 5, 5},          {"TFactories", &TFactoriesFieldLabels, 0, 28},
      {"TDocks", &TDocksFieldLabels, 0, 27},       {"TCockpits", &TCockpitsFieldLabels, 7, 8},
      {"TDebris", &TDebrisFieldLabels, 0, 20},     {"TAsteroids", &TAsteroidsFieldLabels, 0, 21},
      {"TPlanets", &TPlanetsFieldLabels, 0, 37},   {"TSuns", &TSunsFieldLabels, 7, 8},
      {"TNebula", &TNebulaFieldLabels, 0, 36},     {"Default", &DefaultFieldLabels, 5, 7},
      {"Jobs", &JobsFieldLabels, 0, 120},          {"WareFileNames", &WareFileNames, 0, 5},
      {"WareSizeNames", &WareSizeNames, 0, 5},     {"FactorySizeNames", &FactorySizeNames, 0, 10},
      {"TShips", &TShipsFieldLabels, 0, 65},       {"ShipClassNames", &ShipClassNames, 0, 13},
      {"ShieldTypeNames", &ShieldTypeNames, 0, 3}, {"MissileNames", &MissileNames, -1, 7},
      {"TurretPositionNames", &TurretPositionNames, 1, 6},
  };
  InitShipTables();
  for (const Range& r : ranges) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.table->LBound(), r.lo);
    EXPECT_EQ(r.table->UBound(), r.hi);
    EXPECT_EQ(LookupName(*r.table, r.hi + 1, true), "N/A");
    EXPECT_EQ(LookupName(*r.table, r.lo - 1, true), "N/A");
  }
}

TEST(FieldTables, SelectedCaptionsExactly) {
  InitAllFieldTables();
  struct Case {
    const NameTable* table;
    int32_t index;
    const char* text;
  } cases[] = {
      {&TMissilesFieldLabels, 25, "HUD Icon"},  {&TLaserFieldLabels, 12, "HUD icon"},
      {&TShieldsFieldLabels, 10, "Efficiency"}, {&TShieldsFieldLabels, 6, ""},
      {&TFactoriesFieldLabels, 15, "Body exlosion def"}, {&TFactoriesFieldLabels, 17, "Size"},
      {&TDocksFieldLabels, 17, "HUD icon"},     {&TDocksFieldLabels, 13, "Race"},
      {&TCockpitsFieldLabels, 8, "Possible lasers"}, {&TCockpitsFieldLabels, 7, ""},
      {&TAsteroidsFieldLabels, 9, "Body explosion effect?"}, {&TNebulaFieldLabels, 12, "Hull reduction"},
      {&JobsFieldLabels, 106, "Agression level"}, {&JobsFieldLabels, 75, "Engine tunning"},
      {&JobsFieldLabels, 120, ""},             {&TBulletsFieldLabels, 27, "Ammo"},
      {&WareFileNames, 4, "TWareN"},           {&WareSizeNames, 4, "extra large"},
      {&FactorySizeNames, 3, ""},              {&FactorySizeNames, 10, "Extra large (XL)"},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupNameRaw(*c.table, c.index), c.text) << c.index << " " << c.text;
  EXPECT_EQ(LookupName(FactorySizeNames, 3, true), "Unknown value");
}

TEST(FieldTables, KindTables) {
  InitAllFieldTables();
  struct Case {
    const KindTable* table;
    int32_t lo, hi;
    std::vector<std::pair<int32_t, int32_t>> set;
  } cases[] = {
      {&TLaserFieldKinds, 11, 12, {{11, 1}}},
      {&TMissilesFieldKinds, 25, 26, {{25, 2}, {26, 2}}},
      {&TBulletsFieldKinds, 16, 18, {{16, 1}, {17, 1}, {18, 1}}},
      {&TFactoriesFieldKinds, 8, 18, {{8, 1}, {9, 1}, {11, 2}, {18, 2}}},
      {&TDocksFieldKinds, 8, 17, {{8, 1}, {11, 2}}},
      {&TAsteroidsFieldKinds, 6, 10, {{6, 2}, {7, 2}, {10, 2}}},
      {&TPlanetsFieldKinds, 10, 10, {{10, 2}}},
      {&DefaultFieldKinds, 7, 7, {{7, 2}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.table->LBound(), c.lo);
    EXPECT_EQ(c.table->UBound(), c.hi);
    for (int32_t i = c.lo - 2; i <= c.hi + 2; ++i) {
      int32_t want = 0;
      for (auto [idx, kind] : c.set)
        if (idx == i) want = kind;
      EXPECT_EQ(c.table->At(i), want) << "field " << i;
    }
  }
}

TEST(FieldTables, TablesByTypeAndRefill) {
  EXPECT_EQ(FieldLabelsFor(2), &TShieldsFieldLabels);
  EXPECT_EQ(FieldKindsFor(2), &DefaultFieldKinds);
  EXPECT_EQ(FieldLabelsFor(12), &DefaultFieldLabels);
  EXPECT_EQ(FieldKindsFor(15), &TAsteroidsFieldKinds);
  EXPECT_EQ(FieldLabelsFor(1), nullptr);
  EXPECT_EQ(FieldKindsFor(19), nullptr);
  EXPECT_EQ(FieldKindsFor(9), nullptr);
  EXPECT_EQ(LookupNameRaw(*FieldLabelsFor(18), 8), "Outer range");
  InitLaserTables();
  InitLaserTables();
  EXPECT_EQ(TLaserFieldLabels.UBound(), 22) << "refilled, not appended";
  EXPECT_EQ(LookupNameRaw(TLaserFieldLabels, 11), "Charge rate");
}

TEST(FieldTables, WareSizeNamesFromResourcesOrBuiltIn) {
  Kz_TREDescServerUnload();
  EXPECT_EQ(GetWareSizeNames(),
            (std::vector<std::string>{"tiny", "small", "medium", "large", "extra large", "stations"}));
  testdata::DataFolder data;
  data.Write("t/440001.xml", testdata::TreXml(44, {{1999, {{10, "XS"}, {12, "M"}, {13, ""}}}}));
  data.Mount();
  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();
  EXPECT_EQ(GetWareSizeNames(), (std::vector<std::string>{"XS", "small", "M", "large", "extra large", "stations"}))
      << "an empty string falls back to the built-in name";
  server.Unload();
}

TEST(ShipTables, ClassNamesWithAndWithoutDescriptions) {
  Kz_TREDescServerUnload();
  EXPECT_EQ(GetShipClassName(5), "M3");
  EXPECT_EQ(GetShipClassName(10), "UFO/Pilgrim");
  EXPECT_EQ(GetShipClassName(14), "N/A");
  EXPECT_EQ(GetShipClassName(-1), "N/A");
  EXPECT_EQ(GetShipClassName(INT32_MAX), "N/A") << "no overflow past the last string ID";

  testdata::DataFolder data;
  data.Write("t/440001.xml", testdata::TreXml(44, {{1263, {{19306, "Heavy Fighter"}, {19320, "Carrier"}}}}));
  data.Mount();
  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();
  EXPECT_EQ(GetShipClassName(5), "Heavy Fighter");
  EXPECT_EQ(GetShipClassName(4), "M2");
  EXPECT_EQ(GetShipClassName(19), "Carrier") << "the text resources may name classes the table lacks";
  server.Unload();
}

TEST(ShipTables, FixedTexts) {
  InitShipTables();
  EXPECT_EQ(LookupName(MissileNames, -1, true), "none");
  EXPECT_EQ(LookupName(MissileNames, 0, true), "Gnatt");
  EXPECT_EQ(LookupNameRaw(TShipsFieldLabels, 31), "");
  EXPECT_EQ(LookupNameRaw(TShipsFieldLabels, 26), "Max # of engine tunning");
  EXPECT_EQ(LookupNameRaw(TShipsFieldLabels, 49), "Particle emmiter");
  EXPECT_EQ(LookupNameRaw(TShipsFieldLabels, 53), "Turret count");
  EXPECT_EQ(LookupNameRaw(ShieldTypeNames, 3), "125 MW");
  EXPECT_EQ(LookupNameRaw(TurretPositionNames, 6), "bottom");
  EXPECT_EQ(LookupName(TurretPositionNames, 0, true), "N/A");
  int labelled = 0;
  for (int32_t i = 0; i <= 65; ++i) labelled += !TShipsFieldLabels.At(i).empty();
  EXPECT_EQ(labelled, 40);
}
