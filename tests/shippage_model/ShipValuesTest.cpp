// Field rules of the ship page: display texts and their inverses, units, value types,
// captions, pick lists and the names of a ship.
#include <gtest/gtest.h>

#include "ShipPageData.h"
#include "core/Common.h"
#include "txteditor/model/ShipValues.h"

using namespace shiptest;
using namespace shippage;

namespace {

// A ship record of 70 values with the listed fields set.
std::shared_ptr<clsTXTObject> Ship70(std::vector<std::pair<int32_t, Variant>> fields) { return Rec(70, std::move(fields)); }

}  // namespace

TEST_F(ShipPageTest, DisplayTextsOfEveryTranslatedField) {
  struct Case {
    int32_t field;
    std::vector<std::pair<int32_t, Variant>> values;
    bool noUnit;
    const char* expect;  // nullptr: no translation
  } cases[] = {
      {8, {{8, Variant(int32_t(2500))}}, false, "5.000 m/s"},
      {8, {{8, Variant(int32_t(2500))}}, true, "5.000"},
      {7, {{7, Variant(int32_t(25000))}, {26, Variant(int32_t(5))}}, false, "50.00 - 75.00 m/s"},
      {7, {{7, Variant(int32_t(2650))}, {26, Variant(int32_t(0))}}, false, "5.30 - 05.30 m/s"},
      {7, {{7, Variant(int32_t(2650))}}, true, "5.30"},
      {2, {{2, Variant(0.5)}}, false, "30.0 rot/min"},
      {4, {{4, Variant(0.025)}}, true, "1.5"},
      {21, {{21, Variant(int32_t(2))}, {20, Variant(int32_t(1500))}}, false, "3000.000 W/s"},
      {13, {{13, Variant(int32_t(1500))}}, false, "1500 kW"},
      {13, {{13, Variant(int32_t(1500))}}, true, "1500"},
      {20, {{20, Variant(int32_t(700))}}, false, "700 W"},
      {22, {{22, Variant(int32_t(2))}}, false, "25 MW"},
      {22, {{22, Variant(int32_t(7))}}, false, "N/A"},
      {5, {{5, Variant(int32_t(5))}}, false, "M3"},
      {5, {{5, Variant(int32_t(14))}}, false, "N/A"},
      {45, {{45, Variant(int32_t(1))}}, false, "Aurel"},
      {45, {{45, Variant(int32_t(0))}}, false, "N/A"},
      {44, {{44, Variant(int32_t(3))}}, false, "large"},
      {64, {{64, Variant(int32_t(0))}}, false, "tiny"},  // size-6: the cargo size rule
      {64, {{64, Variant(int32_t(9))}}, false, "N/A"},
      {30, {{30, Variant(int32_t(3))}}, false, nullptr},
      {8, {{8, Variant("fast")}}, false, nullptr},  // a text in a number field: no translation
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    auto r = Ship70(c.values);
    std::string text = "untouched";
    bool ok = TranslateValue(*r, c.field, text, c.noUnit, support);
    if (c.expect) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(text, c.expect);
    } else {
      EXPECT_FALSE(ok);
      EXPECT_EQ(text, "untouched");
    }
  }
}

TEST_F(ShipPageTest, StoredValuesFromTexts) {
  struct Case {
    int32_t field;
    const char* text;
    bool ok;
    Variant expect;  // the value after the call (it starts as the text itself)
  } cases[] = {
      {8, "5", true, Variant(int32_t(2500))},
      {8, "5.0001", true, Variant(int32_t(2501))},
      {7, "1.001", true, Variant(int32_t(501))},
      {7, "2", true, Variant(int32_t(1000))},
      {7, "1e10", false, Variant("1e10")},
      {7, "fast", false, Variant("fast")},
      {2, "30", true, Variant(0.5)},
      {3, "1", true, Variant(0.01667)},
      {20, "12.5", true, Variant(int32_t(12))},
      {20, "13.5", true, Variant(int32_t(14))},
      {21, "3000", true, Variant(2.0)},
      // Field 13 takes only a whole number; no text reaches a number field.
      {13, "1500", true, Variant(int32_t(1500))},
      {13, "1.5", false, Variant("1.5")},
      {13, "lots", false, Variant("lots")},
      // Pick lists: an entry's position, else a whole number code, else refused.
      {5, "M3", true, Variant(int32_t(5))},
      {5, "9", true, Variant(int32_t(9))},
      {5, "M99", false, Variant("M99")},
      {45, "Brenn", true, Variant(int32_t(2))},
      {44, "extra large", true, Variant(int32_t(4))},
      {64, "medium", true, Variant(int32_t(2))},
      {22, "5 MW", true, Variant(int32_t(1))},
      {22, "2.5", false, Variant("2.5")},
      // A field without a rule keeps what the caller passed.
      {30, "abc", true, Variant("abc")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.field) + " " + c.text);
    auto r = Ship70({{20, Variant(int32_t(1500))}});
    Variant v(c.text);
    EXPECT_EQ(TranslateValueBack(*r, c.text, c.field, v, support), c.ok);
    if (c.expect.Kind() == kz::VariantKind::Double)
      EXPECT_NEAR(kz::CDbl(v), kz::CDbl(c.expect), 1e-9);
    else
      EXPECT_TRUE(v == c.expect) << kz::CStr(v);
    if (c.ok && c.field != 30) EXPECT_FALSE(v.IsString()) << "a text stored in a number field";
  }
  // The recharge rate cannot be made from a weapons energy of 0.
  auto r = Ship70({{20, Variant(int32_t(0))}});
  Variant v("3000");
  EXPECT_FALSE(TranslateValueBack(*r, "3000", 21, v, support));
  EXPECT_TRUE(v == Variant("3000"));
}

TEST_F(ShipPageTest, DisplayAndBackAgreeOnEveryTranslatedField) {
  // What a field shows (without unit) reads back to the value it came from.
  struct Case {
    int32_t field;
    Variant stored;
  } cases[] = {{8, Variant(int32_t(2500))}, {7, Variant(int32_t(2650))}, {2, Variant(0.5)},
               {20, Variant(int32_t(700))}, {13, Variant(int32_t(99))},  {5, Variant(int32_t(11))},
               {45, Variant(int32_t(19))},  {44, Variant(int32_t(5))},   {22, Variant(int32_t(3))}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    auto r = Ship70({{c.field, c.stored}, {20, Variant(int32_t(700))}});
    std::string text;
    ASSERT_TRUE(TranslateValue(*r, c.field, text, true, support));
    Variant back(text);
    ASSERT_TRUE(TranslateValueBack(*r, text, c.field, back, support));
    EXPECT_TRUE(back == c.stored) << text << " -> " << kz::CStr(back);
  }
}

TEST_F(ShipPageTest, SupportTypesAndUnits) {
  auto r = Ship70({});
  struct Case {
    int32_t field, support, type;
    const char* unit;
  } cases[] = {
      {0, 0, 2, ""},       {16, 0, 2, ""},      {17, 0, 2, ""},          {2, 1, 1, "rotations/min"},
      {4, 1, 1, "rotations/min"}, {7, 1, 0, "m/s"}, {8, 1, 0, "m/s"},    {13, 1, 0, "MW"},
      {20, 1, 0, "J"},     {21, 1, 1, "J/s"},   {5, 2, 0, ""},           {22, 2, 0, ""},
      {44, 2, 0, ""},      {45, 2, 0, ""},      {64, 2, 0, ""},          {30, 0, 0, ""},
      {18, 0, 0, ""},      {69, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(SupportValueTranslate(*r, c.field), c.support);
    EXPECT_EQ(ValueType(c.field), c.type);
    EXPECT_EQ(ValueUnit(c.field), c.unit);
    EXPECT_EQ(PropertyValues(*r, c.field, support).Empty(), c.support != 2);
  }
  EXPECT_EQ(PropertyValues(*r, 5, support).Count(), 14);
  EXPECT_EQ(PropertyValues(*r, 45, support).LBound(), 1);
  EXPECT_EQ(PropertyValues(*r, 22, support).At(3), "125 MW");
  EXPECT_EQ(ObjectTypeName(1, 26), "Ships v.26");
  EXPECT_EQ(ObjectTypeName(9, 26), "");
}

TEST_F(ShipPageTest, FieldCaptions) {
  auto ship = MakeShip(ShipValues(3, {{1}}));
  const clsTXTObject& r = *ship->Object;
  EXPECT_EQ(PropertyName(r, 66, ship.get()), "Gun groups count");
  EXPECT_EQ(PropertyName(r, 66, nullptr), "");
  EXPECT_EQ(PropertyName(r, 0, ship.get()), "Body file");
  EXPECT_EQ(PropertyName(r, 2, ship.get()), "Yaw");
  EXPECT_EQ(PropertyName(r, 53, ship.get()), "Turret count");
  EXPECT_EQ(PropertyName(r, 31, ship.get()), "");
  EXPECT_EQ(PropertyName(r, r.size() - 6, ship.get()), "Ware class");
}

TEST_F(ShipPageTest, NamesFromTheTextResources) {
  LoadTexts({{17, {{2001, "Falcon"}, {12003, "Raider"}, {1201, "Light Shield"}, {2002, "About the Falcon"}}},
             {1263, {{19306, "Fighter"}}},
             {1266, {{2, "Brennish"}}},
             {2006, {{7, "Heavy fighter"}}}});
  support.BuildLists();
  EXPECT_EQ(support.ClassList.At(5), "Fighter");
  EXPECT_EQ(support.ClassList.At(6), "M4");
  EXPECT_EQ(support.RaceList.At(2), "Brennish");
  EXPECT_EQ(support.RaceList.At(3), "Skarn");
  EXPECT_EQ(RaceName(Variant(int32_t(2))), "Brennish");

  // Display name: the object name of field 6, and the variation name when field 50 > 0.
  auto r = Rec(66, {{6, Variant(int32_t(2001))}, {50, Variant(int32_t(2003))}, {52, Variant(int32_t(7))}}, "SS_SH_F");
  EXPECT_EQ(ShipDisplayName(*r), "Falcon Raider");
  r->SetValue(50, Variant(int32_t(0)));
  EXPECT_EQ(ShipDisplayName(*r), "Falcon");
  // Without a name string: the ID; without a variation string nothing is appended.
  auto unnamed = Rec(66, {{6, Variant(int32_t(999))}, {50, Variant(int32_t(5))}}, "SS_SH_X");
  EXPECT_EQ(ShipDisplayName(*unnamed), "SS_SH_X");
  // Short records: 6 values have no name; 7 already show field 6; a record without
  // field 50 reads no variation.
  EXPECT_EQ(ShipDisplayName(*Rec(6, {{5, Variant(int32_t(2001))}})), "");
  EXPECT_EQ(ShipDisplayName(*Rec(7, {{6, Variant(int32_t(2001))}})), "Falcon");
  EXPECT_EQ(ShipDisplayName(*Rec(50, {{6, Variant(int32_t(2001))}})), "Falcon");

  r->SetValue(50, Variant(int32_t(2003)));
  EXPECT_EQ(ShipDescription(*r), "Ship type: Heavy fighter\r\nDescription: About the Falcon");
  EXPECT_EQ(ShipDescription(*Rec(20, {{6, Variant(int32_t(5))}})), "Description: [string 17:6]");
  EXPECT_EQ(ShipDescription(*Rec(5)), "");
}

TEST_F(ShipPageTest, ShieldNamesFromTheShieldFile) {
  LoadTexts({{17, {{1201, "Light Shield"}}}});
  auto shields = Parse(TypeText(25, {ShieldLine(1201, 10, 100, "1", "SS_SH_A"), ShieldLine(1299, 10, 100, "1", "SS_SH_B"),
                                     ShieldLine(1201, 10, 100, "1", "SS_SH_C")}),
                       2);
  kz::NameTable list = ShieldList(*shields);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(0), "Light Shield");
  EXPECT_EQ(list.At(1), "5 MW");  // no name string: the built-in name of that position
  EXPECT_EQ(list.At(2), "Light Shield");
  EXPECT_EQ(ShieldTypeText(*shields, Variant(int32_t(1))), "SS_SH_B");
  EXPECT_EQ(ShieldTypeText(*shields, Variant(int32_t(2))), "Light Shield");
  EXPECT_EQ(ShieldTypeText(*shields, Variant(int32_t(3))), "125 MW");
  EXPECT_EQ(ShieldTypeText(*shields, Variant(int32_t(4))), "N/A");
  EXPECT_EQ(MissileList(clsTxtParser()).At(-1), "none");
  // Two shields of one name: the typed name finds the first; a code finds either.
  support.Shields = shields;
  auto r = Ship70({});
  Variant v("Light Shield");
  ASSERT_TRUE(TranslateValueBack(*r, "Light Shield", 22, v, support));
  EXPECT_TRUE(v == Variant(int32_t(0)));
  v = Variant("2");
  ASSERT_TRUE(TranslateValueBack(*r, "2", 22, v, support));
  EXPECT_TRUE(v == Variant(int32_t(2)));
}

TEST_F(ShipPageTest, AChosenEntryOfAnyPickListStoresItsOwnPosition) {
  LoadTexts({{17, {{1201, "Light Shield"}}}});
  support.Shields = Parse(TypeText(25, {ShieldLine(1201, 10, 100, "1", "SS_SH_A"),
                                        ShieldLine(1201, 10, 100, "1", "SS_SH_C")}),
                          2);
  auto r = Ship70({});
  struct Case {
    int32_t field, entry;
    const char* text;
  } cases[] = {{22, 1, "Light Shield"}, {22, 0, "Light Shield"}, {70 - 6, 3, "any"}, {kFieldClass, 4, "any"},
               {kFieldRace, 2, "any"}, {kFieldCargoType, 5, "any"}};
  for (const Case& c : cases) {
    Variant v;
    ASSERT_TRUE(TranslateEntryBack(*r, c.field, c.entry, c.text, v, support)) << c.field;
    EXPECT_EQ(v.Kind(), kz::VariantKind::Long) << c.field;
    EXPECT_EQ(kz::CLng(v), c.entry) << c.field;
  }
  // A field without a list reads the text.
  Variant v, w;
  ASSERT_TRUE(TranslateEntryBack(*r, kFieldReactor, 0, "300", v, support));
  ASSERT_TRUE(TranslateValueBack(*r, "300", kFieldReactor, w, support));
  EXPECT_TRUE(v == w);
}

TEST(ShipFormatTest, FixedPointTexts) {
  struct Case {
    double value;
    int decimals, minInt;
    const char* expect;
  } cases[] = {
      {5.3f, 2, 2, "05.30"}, {5.3, 2, 1, "5.30"},  {75, 2, 2, "75.00"},    {0.05, 1, 1, "0.1"},
      {0.04, 1, 1, "0.0"},   {2.5, 0, 1, "3"},     {-2.5, 0, 1, "-3"},     {1.005, 2, 1, "1.01"},
      {-0.001, 2, 1, "0.00"}, {123456.789, 3, 1, "123456.789"}, {9.9999, 3, 1, "10.000"}, {0, 4, 1, "0.0000"},
      {1e-20, 2, 1, "0.00"}, {3000, 3, 1, "3000.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFixed(c.value, c.decimals, c.minInt), c.expect) << c.value;
}
