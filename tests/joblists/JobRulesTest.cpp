#include "JobFixture.h"
#include "wareeditors/model/JobRules.h"

using namespace mdlJob;
using testdata::TreXml;

namespace {

// A record of `size` values whose value i is the number i.
clsTXTObject Numbered(int32_t size) {
  clsTXTObject o;
  for (int32_t i = 0; i < size; ++i) o.PushLong(i);
  return o;
}

}  // namespace

TEST(JobRules, MapJobFieldOverTheLayouts) {
  struct Case {
    int32_t size;
    int32_t logical;
    int32_t field;  // -1: absent
  } cases[] = {
      {120, 0, 0},    {120, 54, 54},  {120, 55, 55},  {120, 86, 86},  {120, 119, 119}, {120, 120, -1},
      {119, 53, 53},  {119, 54, -1},  {119, 55, 54},  {119, 118, 117}, {119, 119, 118},
      {117, 36, 36},  {117, 37, -1},  {117, 38, 37},  {117, 53, 52},  {117, 54, -1},  {117, 55, 53},
      {117, 85, 83},  {117, 86, -1},  {117, 87, 84},  {117, 106, 103}, {117, 119, 116},
      {50, 49, 49},   {50, 50, -1},   {50, 86, -1},   {0, 0, -1},     {130, 125, 125}, {120, -1, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(MapJobField(c.size, c.logical), c.field) << c.size << " " << c.logical;

  // Every logical field of a short layout reaches its own record field: no two share one.
  for (int32_t size : {117, 119, 120}) {
    std::vector<int> used(static_cast<size_t>(size), 0);
    int present = 0;
    for (int32_t n = 0; n < 120; ++n)
      if (int32_t f = MapJobField(size, n); f >= 0) {
        ++used[static_cast<size_t>(f)];
        ++present;
      }
    EXPECT_EQ(present, size) << size;
    EXPECT_EQ(std::count(used.begin(), used.end(), 1), size) << size;
  }
}

TEST(JobRules, AbsentFieldsAreNeverReadOrWritten) {
  clsTXTObject o = Numbered(119);
  EXPECT_TRUE(GetJobField(o, 54).IsEmpty());
  EXPECT_FALSE(SetJobField(o, 54, kz::Variant(int32_t(1))));  // variant 16 of an older layout
  EXPECT_EQ(o.LongAt(54), 54) << "Color - Hue is untouched";
  EXPECT_FALSE(o.Dirty);
  EXPECT_TRUE(SetJobField(o, 55, kz::Variant(int32_t(7))));
  EXPECT_EQ(o.LongAt(54), 7);

  clsTXTObject old = Numbered(117);
  EXPECT_FALSE(SetJobField(old, 37, kz::Variant(int32_t(1))));
  EXPECT_FALSE(SetJobField(old, 86, kz::Variant(int32_t(1))));
  EXPECT_EQ(old.LongAt(36), 36);
  EXPECT_EQ(old.LongAt(83), 83);
  EXPECT_FALSE(JobFlag(old, 37));

  clsTXTObject shortOne = Numbered(20);
  EXPECT_FALSE(SetJobField(shortOne, 20, kz::Variant(int32_t(1))));
  EXPECT_TRUE(GetJobField(shortOne, 100).IsEmpty());
}

TEST(JobRules, FlagsAndNumbersOfStoredValues) {
  struct Case {
    kz::Variant value;
    bool flag;
    bool whole;
    int32_t number;
  } cases[] = {
      {kz::Variant(int32_t(0)), false, true, 0},  {kz::Variant(int32_t(2)), true, true, 2},
      {kz::Variant(2.5), true, true, 2},          {kz::Variant("3"), true, true, 3},
      {kz::Variant("0"), false, true, 0},         {kz::Variant("abc"), false, false, 0},
      {kz::Variant(""), false, false, 0},         {kz::Variant(5e12), true, false, 0},
  };
  for (const Case& c : cases) {
    clsTXTObject o;
    o.PushValue(c.value);
    EXPECT_EQ(JobFlag(o, 0), c.flag) << kz::CStr(c.value);
    int32_t n = -1;
    EXPECT_EQ(JobFieldLong(o, 0, n), c.whole) << kz::CStr(c.value);
    if (c.whole) EXPECT_EQ(n, c.number);
  }
}

TEST(JobRules, RecordSizesNamesAndTypes) {
  EXPECT_EQ(JobRecordSize(8), 117);
  EXPECT_EQ(JobRecordSize(9), 119);
  EXPECT_EQ(JobRecordSize(10), 120);
  EXPECT_EQ(JobRecordSize(7), 0);
  EXPECT_EQ(UnknownSizeError(7), "Unkown object size for Job version 7");
  EXPECT_EQ(JobPropertyName(106), "Agression level");
  EXPECT_EQ(JobPropertyName(103), "Unknown value");
  EXPECT_EQ(JobPropertyName(121), "N/A");
  EXPECT_EQ(JobValueType(1), 2);
  EXPECT_EQ(JobValueType(5), 2);
  EXPECT_EQ(JobValueType(6), 0);
  EXPECT_EQ(VariantCount(119), 16);
  EXPECT_EQ(VariantCount(120), 17);
}

TEST(JobRules, NextJobIDInSixtyFourBits) {
  auto jobsWith = [](std::vector<kz::Variant> ids) {
    auto jobs = std::make_shared<clsTxtParser>();
    for (const kz::Variant& id : ids) {
      auto r = jobs->CreateObject();
      r->Construct(120);
      r->SetValue(0, id);
    }
    return jobs;
  };
  int32_t id = 0;
  std::string error;
  ASSERT_TRUE(NextJobID(*jobsWith({kz::Variant(int32_t(3)), kz::Variant(int32_t(12)), kz::Variant("99")}), id, error));
  EXPECT_EQ(id, 13) << "a text ID does not count";
  ASSERT_TRUE(NextJobID(*jobsWith({}), id, error));
  EXPECT_EQ(id, 1);
  ASSERT_TRUE(NextJobID(*jobsWith({kz::Variant(int32_t(2147483646))}), id, error));
  EXPECT_EQ(id, 2147483647);
  id = 5;
  EXPECT_FALSE(NextJobID(*jobsWith({kz::Variant(int32_t(2147483647))}), id, error));
  EXPECT_EQ(id, 5);
  EXPECT_NE(error.find("2147483647"), std::string::npos) << error;
}

class JobNamesTest : public PagesTest {};

TEST_F(JobNamesTest, DisplayNamesOfJobsAndShips) {
  data.Write("t/440001.xml",
             TreXml(44, {{17, {{2001, "Merchant Star"}, {3100, "Mercury"}, {10002, "Vanguard"}, {10020, "Mk.II"}}},
                         {1000, {{101, "Aurel"}, {109, "Pilgrim"}, {3001, "Traders"}}}}));
  Mount();
  auto job = [](int size) {
    auto o = std::make_shared<clsTXTObject>();
    o->Construct(size);
    SetJobField(*o, 0, kz::Variant(int32_t(7)));
    SetJobField(*o, 1, kz::Variant("Raw name"));
    SetJobField(*o, 6, kz::Variant(int32_t(3001)));
    return o;
  };
  auto o = job(120);
  EXPECT_EQ(JobObjectName(*o), "7 - Raw name");
  EXPECT_EQ(JobResourceName(*o), "7 - Traders");
  SetJobField(*o, 9, kz::Variant(int32_t(1)));  // show race
  SetJobField(*o, 78 + 7, kz::Variant(int32_t(1)));  // Pilgrim: race 9
  EXPECT_EQ(JobResourceName(*o), "7 - Pilgrim Traders");
  SetJobField(*o, 78, kz::Variant(int32_t(1)));  // two owners: no race
  EXPECT_EQ(JobResourceName(*o), "7 - Traders");
  SetJobField(*o, 12, kz::Variant(int32_t(1)));  // show variant
  SetJobField(*o, 38 + 16, kz::Variant(int32_t(1)));
  EXPECT_EQ(JobResourceName(*o), "7 - Traders Mk.II");
  SetJobField(*o, 6, kz::Variant(int32_t(4444)));  // no description: the raw name
  EXPECT_EQ(JobResourceName(*o), "7 - Raw name Mk.II");
  SetJobField(*o, 6, kz::Variant("abc"));
  EXPECT_EQ(JobResourceName(*o), "7 - Raw name Mk.II") << "a text as description ID";
  SetJobField(*o, 8, kz::Variant(int32_t(2001)));
  EXPECT_EQ(JobResourceName(*o), "7 - Merchant Star");

  // An older record counts 16 variants: its only ticked one is variant 2.
  auto old = job(119);
  SetJobField(*old, 12, kz::Variant(int32_t(1)));
  SetJobField(*old, 40, kz::Variant(int32_t(1)));
  EXPECT_EQ(JobResourceName(*old), "7 - Traders Vanguard");

  // Ships: race, name, variant and ID; the ID alone without descriptions.
  clsTXTObject ship;
  ship.Construct(65);
  ship.SetValue(45, kz::Variant(int32_t(2)));
  ship.SetValue(6, kz::Variant(int32_t(3100)));
  ship.SetValue(50, kz::Variant(int32_t(2)));
  ship.SetObjectName("SS_SH_A");
  EXPECT_EQ(ShipDisplayName(ship, true), "Brenn Mercury Vanguard (SS_SH_A)");
  EXPECT_EQ(ShipDisplayName(ship, false), "SS_SH_A");
  ship.SetValue(50, kz::Variant(int32_t(3)));
  ship.SetValue(6, kz::Variant(int32_t(1)));
  ship.SetValue(45, kz::Variant(int32_t(40)));
  EXPECT_EQ(ShipDisplayName(ship, true), "[string 17:10003] (SS_SH_A)");
  EXPECT_EQ(VariantCaption(16), "Mk.II");
  EXPECT_EQ(VariantCaption(3), "[string 17:10003]");
}

TEST(JobRules, WingRowsThroughAKeptIndexFollowTheFile) {
  auto jobs = std::make_shared<clsTxtParser>();
  auto add = [&](kz::Variant id, const char* name) {
    auto r = jobs->CreateObject();
    r->Construct(120);
    r->SetValue(0, id);
    r->SetValue(1, kz::Variant(name));
    return r;
  };
  add(kz::Variant(int32_t(1)), "One");
  auto two = add(kz::Variant(int32_t(2)), "Two");
  add(kz::Variant("T"), "Text");
  add(kz::Variant(int32_t(2)), "Second two");

  auto wings = std::make_shared<clsTxtParser>();
  auto wing = wings->CreateObject();
  wing->PushLong(4);
  wing->PushLong(2);
  wing->PushText("T");
  wing->PushLong(7);
  wing->PushLong(1);

  clsTXTObject job;
  job.Construct(120);
  SetJobField(job, kWingGroup, kz::Variant(int32_t(4)));
  JobIndex index;
  auto ids = [&] {
    std::vector<std::string> out;
    for (const WingRow& r : WingRows(job, wings.get(), jobs.get(), &index).rows) out.push_back(r.id);
    return out;
  };
  EXPECT_EQ(ids(), (std::vector<std::string>{"2 - Two", "T - Text", "7 (not found)", "1 - One"}))
      << "the first job of an ID in file order";

  // An ID changed after the index was built.
  two->SetValue(0, kz::Variant(int32_t(7)));
  EXPECT_EQ(ids(), (std::vector<std::string>{"2 - Second two", "T - Text", "7 - Two", "1 - One"}));

  // A job taken out and another put in: the same count, no stale record.
  jobs->RemoveObject(two);
  two.reset();
  add(kz::Variant(int32_t(7)), "New seven");
  EXPECT_EQ(ids(), (std::vector<std::string>{"2 - Second two", "T - Text", "7 - New seven", "1 - One"}));
}
