// The shared tables and GetTFileType.
#include <gtest/gtest.h>

#include "core/KzConst.h"

using namespace mdlKzConst;

TEST(TFileTypeTest, EveryNameOfTheTableGivesItsCode) {
  InitArrays();
  const std::pair<const char*, int32_t> table[] = {
      {"JobWings", 20}, {"Jobs", 19},      {"WareLists", 21},    {"Wrecks", 11},      {"TBullets", 4},
      {"TCockpits", 9}, {"TDocks", 10},    {"TFactories", 7},    {"TLaser", 3},       {"TMissiles", 5},
      {"TShields", 2},  {"TShips", 1},     {"TSpecial", 8},      {"TWare", 6},        {"TGates", 12},
      {"TAsteroids", 15}, {"TSuns", 14},   {"TPlanets", 13},     {"TDebris", 16},     {"IconData", 22},
      {"TBackgrounds", 17}, {"TNebula", 18}};
  ASSERT_EQ(TFileNames.size(), 22u);
  for (size_t i = 0; i < 22; ++i) {
    EXPECT_EQ(TFileNames[i], table[i].first) << i;
    EXPECT_EQ(TFileTypes[i], table[i].second) << i;
    EXPECT_EQ(GetTFileType(std::string(table[i].first) + ".txt"), table[i].second) << table[i].first;
  }
}

TEST(TFileTypeTest, PathsFoldersExtensionsAndOverlaps) {
  InitArrays();
  const std::pair<const char*, int32_t> cases[] = {
      {"C:\\data\\types\\TLaser.txt", 3},
      {"/games/kz/types/TLaser.pck", 3},
      {"jobwings", 20},
      {"JOBS.txt", 19},
      {"readme.txt", 0},
      {"TShips\\foo.txt", 0},
      {"TShips/foo.txt", 0},
      {"TShips.old.txt", 1},
      {"tships.pck", 1},
      {"MyTShipsBackup.txt", 1},
      {"TWareB.txt", 6},
      {"TWareT.pck", 6},
      {"/d/03.cat::types\\TDocks.txt", 10},
      {"/d/TShips.cat::types\\readme.txt", 0},
      {"", 0},
  };
  for (const auto& [path, code] : cases) EXPECT_EQ(GetTFileType(path), code) << path;
}

TEST(TFileTypeTest, TablesHoldTheirPositions) {
  InitArrays();
  InitArrays();  // a second fill does not duplicate anything
  EXPECT_EQ(TFileNames.size(), 22u);
  EXPECT_EQ(RecordSizeOf(1), 65);
  EXPECT_EQ(RecordSizeOf(18), 36);
  EXPECT_EQ(RecordSizeOf(19), 0);
  EXPECT_EQ(RecordSizeOf(-1), 0);
  EXPECT_EQ(RaceNames.LBound(), 1);
  EXPECT_EQ(RaceNames.UBound(), 19);
  EXPECT_EQ(RaceNames[1], "Aurel");
  EXPECT_EQ(RaceNames[19], "Kessai");
  EXPECT_EQ(LanguageIDs, (std::vector<int32_t>{44, 49, 33}));
  EXPECT_EQ(LanguageNames[2], "French");
  EXPECT_EQ(CommonFieldLabels[6], "Description");
  EXPECT_EQ(CommonFieldTypes, (std::vector<int32_t>{2, 0, 1, 1, 1, 0, 0}));
  EXPECT_EQ(WareTailLabels[0], "Skin index");
  EXPECT_EQ(WareTailLabels[8], "Volume");
  EXPECT_EQ(SizeSuffixes[1], "K");
  EXPECT_EQ(SizeSuffixes[4], "T");
}
