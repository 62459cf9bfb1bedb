// The rows of every record view, their tags, the description and the faults one bad
// value must not spread.
#include <gtest/gtest.h>

#include "DataFolder.h"
#include "WareRecords.h"
#include "typefiles/DescServer.h"
#include "videdoded/videdoded.h"
#include "wareeditors/model/WareViews.h"

using waretest::Rec;

namespace {

// "caption=tag" for every row, tags: a number, 'name', 'color' or '-' for none.
std::string Shape(const ware::WareView& v) {
  std::string s;
  for (const auto& r : v.rows) {
    s += r.caption + "=";
    if (r.tag.IsEmpty())
      s += "-";
    else
      s += kz::CStr(r.tag);
    s += ";";
  }
  return s;
}

std::string Tags(const ware::WareView& v) {
  std::string s;
  for (const auto& r : v.rows) s += (r.tag.IsEmpty() ? std::string("-") : kz::CStr(r.tag)) + ",";
  return s;
}

const ware::WareRow* RowOf(const ware::WareView& v, const std::string& caption) {
  for (const auto& r : v.rows)
    if (r.caption == caption) return &r;
  return nullptr;
}

class WareViews : public ::testing::Test {
 protected:
  void SetUp() override {
    waretest::InitTables();
    lists.cargoSizes = {"S0", "S1", "S2", "S3", "S4", "S5"};
  }
  ware::WareLists lists;
};

}  // namespace

TEST_F(WareViews, ShieldViewOrderAndChargeTime) {
  auto r = Rec(2, 12, {{7, int32_t{1}}, {8, int32_t{90}}}, "SS_SH");
  ware::WareView v = ware::BuildView(r.get(), 2, lists);
  EXPECT_EQ(Tags(v), "name,-,0,1,2,3,4,5,6,8,7,-,9,10,");
  const ware::WareRow* charge = RowOf(v, "Charge time");
  ASSERT_NE(charge, nullptr);
  EXPECT_EQ(charge->value, "1.5 min");
  EXPECT_EQ(v.rows[0].value, "SS_SH");
  EXPECT_EQ(v.rows[9].offset, "8");
  EXPECT_EQ(v.rows[9].value, "90 KJ (90)");
  EXPECT_TRUE(v.descVisible);
  EXPECT_EQ(v.description, "Description: [string 17:1]");
}

TEST_F(WareViews, BulletViewOrderRangeColourAndNoDescription) {
  auto r = Rec(4, 37, {{10, int32_t{2000}}, {11, int32_t{250000}}, {13, int32_t{0x10}}, {14, int32_t{0x20}},
                       {15, int32_t{0x30}}});
  ware::WareView v = ware::BuildView(r.get(), 4, lists);
  EXPECT_EQ(Tags(v),
            "name,0,1,2,3,4,5,6,22,7,8,10,11,-,12,27,24,25,26,9,20,21,19,23,15,14,13,color,16,17,18,28,29,30,31,32,33,34,"
            "35,");
  EXPECT_EQ(RowOf(v, "Range")->value, "1 km");
  EXPECT_EQ(RowOf(v, "Color (RGB)")->value, "0x302010");
  EXPECT_FALSE(v.descVisible);
  EXPECT_EQ(v.description, "");
}

TEST_F(WareViews, PlanetAndNebulaDustRows) {
  auto planet = Rec(13, 38, {{11, kz::Variant("dust_a")}, {12, int32_t{40}}, {26, int32_t{9}}});
  ware::WareView v = ware::BuildView(planet.get(), 13, lists);
  EXPECT_EQ(Shape(v).substr(0, 16), "ID=name;Name=-;B");
  const ware::WareRow* body1 = RowOf(v, "Dust body (1)");
  ASSERT_NE(body1, nullptr);
  EXPECT_EQ(body1->value, "dust_a");
  EXPECT_EQ(kz::CLng(body1->tag), 11);
  EXPECT_EQ(RowOf(v, "Dust density (1)")->value, "40");
  EXPECT_EQ(RowOf(v, "Dust density (8)")->offset, "26");
  EXPECT_EQ(Tags(v),
            "name,-,0,1,2,3,4,5,6,7,8,9,color,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,"
            "34,35,36,");

  auto nebula = Rec(18, 37);
  v = ware::BuildView(nebula.get(), 18, lists);
  EXPECT_EQ(Tags(v),
            "name,-,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,");
  EXPECT_EQ(RowOf(v, "Dust body (7)")->offset, "25");
  EXPECT_EQ(RowOf(v, "Dust body (8)"), nullptr);
}

TEST_F(WareViews, GenericViewTheIdIsNeverAFieldRowAndIconsAreNamed) {
  auto laser = Rec(3, 23, {{12, kz::Variant("ICON_L")}}, "SS_L");
  ware::WareView v = ware::BuildView(laser.get(), 3, lists);
  ASSERT_EQ(v.rows.size(), 2u + 22u);
  EXPECT_EQ(kz::CStr(v.rows.back().tag), "21");
  EXPECT_TRUE(v.hasIcon);
  EXPECT_EQ(v.iconName, "ICON_L");
  for (int32_t type : {5, 7, 10}) EXPECT_TRUE(ware::BuildView(Rec(type, 37).get(), type, lists).hasIcon) << type;
  for (int32_t type : {2, 6, 8, 13}) EXPECT_FALSE(ware::BuildView(Rec(type, 37).get(), type, lists).hasIcon) << type;

  for (int32_t type : {2, 6, 13, 18}) {
    auto empty = std::make_shared<clsTXTObject>();
    ware::WareView e = ware::BuildView(empty.get(), type, lists);
    EXPECT_TRUE(e.rows.empty()) << type;
    EXPECT_EQ(e.description, "") << type;
  }
  EXPECT_TRUE(ware::BuildView(nullptr, 6, lists).rows.empty());
}

TEST_F(WareViews, OneBadValueShowsRawAndTheRestFills) {
  // A text in a translated field, a number beyond what its translation takes, a zero
  // charge rate and a huge description ID.
  auto shield = Rec(2, 21, {{6, 2147483647}, {7, int32_t{0}}, {8, kz::Variant("much")}});
  ware::WareView v = ware::BuildView(shield.get(), 2, lists);
  EXPECT_EQ(RowOf(v, "Charge time")->value, "[error]");
  EXPECT_EQ(v.rows[9].value, "much");
  EXPECT_EQ(v.rows[10].value, "0 kW (0)");
  EXPECT_EQ(v.rows.size(), 2u + 20u + 1u);
  EXPECT_EQ(v.description, "Description: [string 17:2147483648]");

  auto missile = Rec(5, 37, {{7, kz::Variant(1e15)}, {8, int32_t{1000}}});
  v = ware::BuildView(missile.get(), 5, lists);
  EXPECT_EQ(v.rows[2 + 7].value, "1E+15");
  EXPECT_EQ(v.rows[2 + 8].value, "2 m/s (1000)");

  // A bullet record of 12 fields: only the rows it has, range and colour left out.
  auto shortBullet = Rec(4, 12, {{10, int32_t{1000}}});
  v = ware::BuildView(shortBullet.get(), 4, lists);
  EXPECT_EQ(Tags(v), "name,0,1,2,3,4,5,6,7,8,10,-,9,");
  EXPECT_EQ(RowOf(v, "Range")->value, "[error]");
}

TEST_F(WareViews, NamesAndDescriptionsFromTheTextStore) {
  testdata::DataFolder data;
  data.Write("t/440001.xml", testdata::TreXml(44, {{17, {{1101, "Impulse Ray"}, {1102, "Fires pulses"}}}}));
  data.Mount();
  clsDescServer server;
  ASSERT_TRUE(server.LoadResources(44)) << server.GetLastError();
  auto laser = Rec(3, 23, {{6, int32_t{1101}}}, "SS_LASER");
  ware::WareView v = ware::BuildView(laser.get(), 3, lists);
  EXPECT_EQ(RowOf(v, "Name")->value, "Impulse Ray");
  EXPECT_EQ(v.description, "Description: Fires pulses");
  EXPECT_EQ(ware::ResourceNameOf(*Rec(3, 23, {{6, int32_t{5}}}, "SS_X")), "SS_X");
  EXPECT_EQ(ware::ResourceNameOf(*Rec(3, 6)), "");
  Kz_TREDescServerUnload();
}
