#include <gtest/gtest.h>

#include "DataFolder.h"
#include "core/KzConst.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/Ware.h"
#include "typefiles/WareCollection.h"
#include "videdoded/videdoded.h"

using testdata::DataFolder;
using testdata::Record;
using testdata::TreXml;
using testdata::TypeFile;
using testdata::Ware;

class WareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mdlKzConst::InitArrays();
    Kz_TREDescServerUnload();
    data.Write("types/TWareB.txt", TypeFile(5, {Ware(17, "2001", "SS_WARE_B1"), Ware(17, "2002", "SS_WARE_B2")}));
    data.Write("types/TWareE.txt", TypeFile(5, {Ware(17, "2003", "SS_WARE_E1")}));
    // TWareN is missing.
    data.Write("types/TWareT.pck", TypeFile(5, {Ware(17, "abc", "SS_WARE_T1"), Ware(17, "2.5", "SS_WARE_T2")}), true);
    data.Write("types/TShields.txt", TypeFile(25, {Ware(21, "1234", "SS_SHIELD_A")}));
    data.Write("types/TMissiles.txt", TypeFile(48, {Ware(37, "1301", "SS_MISSILE_A")}));
    data.Write("types/TLaser.txt", TypeFile(40, {Ware(23, "5000000000", "SS_LASER_A"), Ware(23, "1101", "SS_LASER_B")}));
    data.Write("t/440001.xml", TreXml(44, {{17, {{1234, "Shield of 1234"}, {2001, "Energy Cells"}, {1101, "Ray"},
                                                 {2003, ""}}}}));
    data.Mount();
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    ASSERT_TRUE(DescServer->LoadResources(44)) << DescServer->GetLastError();
  }
  void TearDown() override {
    Archive.reset();
    DescServer.reset();
    Kz_TREDescServerUnload();
  }
  DataFolder data;
};

TEST_F(WareTest, CollectionOrderAndKeysWithAFileMissing) {
  TxtParserPtr wares = mdlWareList::BuildWareCollection();
  ASSERT_TRUE(wares);
  std::vector<std::string> ids, keys;
  std::vector<int32_t> types, indices;
  for (const TXTObjectPtr& r : wares->UnsortedObjects) {
    ids.push_back(r->ObjectName());
    keys.push_back(r->key());
    types.push_back(r->otype);
    indices.push_back(r->index);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"SS_WARE_B1", "SS_WARE_B2", "SS_WARE_E1", "SS_WARE_T1", "SS_WARE_T2",
                                           "SS_SHIELD_A", "SS_MISSILE_A", "SS_LASER_A", "SS_LASER_B"}));
  EXPECT_EQ(keys, (std::vector<std::string>{"1k", "2k", "3k", "4k", "5k", "6k", "7k", "8k", "9k"}))
      << "numbered without a gap";
  EXPECT_EQ(types, (std::vector<int32_t>{6, 6, 6, 6, 6, 2, 5, 3, 3}));
  EXPECT_EQ(indices, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(wares->objects.Count(), 0);
  EXPECT_EQ(wares->UnsortedObjects.Item("7k")->ObjectName(), "SS_MISSILE_A");
  EXPECT_NE(Archive->NotLoadedFiles().find("types\\TWareN"), std::string::npos);

  // Copies: editing the collection leaves the archive's records alone.
  wares->FindID("SS_SHIELD_A")->SetValue(1, kz::Variant(int32_t(99)));
  EXPECT_FALSE(kz::VariantEquals(Archive->GetFile("TShields")->FindIndex(0)->Value(1), kz::Variant(int32_t(99))));
}

TEST_F(WareTest, CollectionWithoutArchiveIsEmpty) {
  Archive.reset();
  TxtParserPtr wares = mdlWareList::BuildWareCollection();
  ASSERT_TRUE(wares);
  EXPECT_EQ(wares->Count(), 0);
}

TEST_F(WareTest, WareNames) {
  TxtParserPtr wares = mdlWareList::BuildWareCollection();
  struct Case {
    const char* id;
    const char* name;
  } cases[] = {
      {"SS_SHIELD_A", "Shield of 1234"},  // a shield named by page 17, string 1234
      {"SS_WARE_B1", "Energy Cells"},
      {"SS_WARE_B2", "SS_WARE_B2"},      // no such string
      {"SS_WARE_E1", "SS_WARE_E1"},      // an empty string
      {"SS_WARE_T1", "SS_WARE_T1"},      // field 6 is a text
      {"SS_WARE_T2", "SS_WARE_T2"},      // field 6 has a fraction
      {"SS_LASER_A", "SS_LASER_A"},      // field 6 beyond 32 bits
      {"SS_LASER_B", "Ray"},
      {"SS_NOT_THERE", "SS_NOT_THERE"},
      {"ss_shield_a", "ss_shield_a"},    // IDs compare exactly
  };
  for (const Case& c : cases) EXPECT_EQ(mdlWareList::GetWareName(wares, c.id), c.name) << c.id;

  // Other types read field 0; type 0 names none.
  auto other = std::make_shared<clsTXTObject>();
  other->Construct(8);
  other->SetValue(0, kz::Variant(int32_t(2001)));
  other->SetObjectName("SS_JOB_WARE");
  other->otype = 19;
  other->id = wares->NextKeyNumber();
  wares->UnsortedObjects.Add(other, other->key());
  EXPECT_EQ(mdlWareList::GetWareName(wares, "SS_JOB_WARE"), "Energy Cells");
  other->otype = 0;
  EXPECT_EQ(mdlWareList::GetWareName(wares, "SS_JOB_WARE"), "SS_JOB_WARE");
  EXPECT_EQ(mdlWareList::GetWareName(TxtParserPtr(), "X"), "X");
}

TEST(Ware, RaceOfFactoriesAndDocks) {
  mdlKzConst::InitArrays();
  struct Case {
    int32_t otype;
    kz::Variant race;
    const char* name;
  } cases[] = {
      {7, kz::Variant(int32_t(1)), "Aurel"},  {7, kz::Variant(int32_t(19)), "Kessai"},
      {10, kz::Variant(int16_t(8)), "Pirate"}, {7, kz::Variant(int32_t(0)), "N/A"},
      {7, kz::Variant(int32_t(25)), "N/A"},   {7, kz::Variant(-1), "N/A"},
      {7, kz::Variant("abc"), "N/A"},         {7, kz::Variant(2.5), "N/A"},
      {7, kz::Variant(3.0), "Skarn"},         {7, kz::Variant("4"), "Pellan"},
      {7, kz::Variant(1e12), "N/A"},          {7, kz::Variant(), "N/A"},
      {6, kz::Variant(int32_t(1)), ""},       {2, kz::Variant(int32_t(1)), ""},
  };
  for (const Case& c : cases) {
    auto r = std::make_shared<clsTXTObject>();
    r->Construct(29);
    r->otype = c.otype;
    r->SetValue(13, c.race);
    clsWare w(r);
    EXPECT_EQ(w.Race(), c.name) << c.otype << " " << kz::CStr(c.race.IsString() || c.race.IsNumeric() ? c.race : kz::Variant(""));
    EXPECT_EQ(w.size(), 29);
  }
  auto shortRecord = std::make_shared<clsTXTObject>();
  shortRecord->Construct(5);
  shortRecord->otype = 10;
  EXPECT_EQ(clsWare(shortRecord).Race(), "N/A");
  EXPECT_EQ(clsWare().Race(), "");
  EXPECT_EQ(clsWare().size(), 0);

  clsWare w(shortRecord);
  shortRecord->Dirty = false;
  w.SetValue(1, kz::Variant(int32_t(7)));
  EXPECT_TRUE(shortRecord->Dirty);
  EXPECT_EQ(kz::CLng(w.Value(1)), 7);
  EXPECT_THROW(w.Value(5), kz::AppError);
}

TEST(WholeNumberTest, WholeValuesWithinTheirRangeOnly) {
  struct Case {
    kz::Variant value;
    bool whole64;
    int64_t n;
    bool whole32;
  } cases[] = {
      {kz::Variant(int32_t(-7)), true, -7, true},
      {kz::Variant(" 12 "), true, 12, true},
      {kz::Variant(2147483647.0), true, 2147483647, true},
      {kz::Variant(-2147483648.0), true, INT32_MIN, true},
      {kz::Variant(2147483648.0), true, 2147483648LL, false},
      {kz::Variant("5000000000"), true, 5000000000LL, false},
      {kz::Variant(9223372036854775808.0), false, 0, false},
      {kz::Variant(2.5), false, 0, false},
      {kz::Variant("abc"), false, 0, false},
      {kz::Variant(), false, 0, false},
  };
  for (const Case& c : cases) {
    int64_t n = 0;
    int32_t m = 0;
    EXPECT_EQ(WholeValueOf(c.value, n), c.whole64) << kz::CStr(c.value);
    if (c.whole64) EXPECT_EQ(n, c.n) << kz::CStr(c.value);
    EXPECT_EQ(WholeNumberOf(c.value, m), c.whole32) << kz::CStr(c.value);
    if (c.whole32) EXPECT_EQ(m, c.n) << kz::CStr(c.value);
  }
}
