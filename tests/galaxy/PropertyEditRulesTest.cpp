// The property dialog's decisions: editing forms, value lists, and value texts both ways.
#include <gtest/gtest.h>

#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/PropertyEditRules.h"

using kz::Variant;
using namespace mdlGalEdit;

namespace {

TEST(PropertyEditRules, KindsByNameAndType) {
  struct Case {
    const char* name;
    int32_t otype;
    int32_t kind;
  } cases[] = {
      {"color", 1, kColour}, {"FF", 1, kColour},   {"fn", 0, kColour},   {"fc", 0, kColour},
      {"x", 7, kDistance},   {"Y", 0, kDistance},  {"z", 1, kNumber},    {"x", 1, kNumber},
      {"r", 5, kList},       {"t", 5, kList},      {"gid", 18, kList},   {"gtid", 18, kList},
      {"atype", 17, kList},  {"s", 7, kList},      {"s", 23, kList},     {"s", 1, kList},
      {"s", 2, kNumber},     {"a", 3, kAngle},     {"B", 3, kAngle},     {"g", 3, kAngle},
      {"n", 3, kNumber},     {"m", 1, kNumber},    {"foo", 3, kNumber},  {"", 3, kNumber},
  };
  for (const Case& c : cases) EXPECT_EQ(ValueKindOf(c.name, c.otype), c.kind) << c.name << " " << c.otype;
}

TEST(PropertyEditRules, ListsAndTheirStoredValues) {
  mdlGalaxy::InitGalaxyTables();
  kz::NameTable shown, stored;
  ASSERT_TRUE(BuildValueList("t", 7, nullptr, false, shown, stored));
  EXPECT_EQ(shown.At(1), "");  // "Sector" is never offered
  EXPECT_EQ(shown.At(7), "Ship");
  EXPECT_EQ(stored.At(7), "7");
  ASSERT_TRUE(BuildValueList("gid", 18, nullptr, false, shown, stored));
  EXPECT_EQ(shown.LBound(), -1);
  EXPECT_EQ(stored.At(-1), "-1");
  EXPECT_EQ(ListPositionOf(Variant(int32_t{-1}), stored), -1);
  EXPECT_EQ(ListPositionOf(Variant("-1"), stored), -1);
  EXPECT_EQ(ListPositionOf(Variant("3"), stored), 3);
  EXPECT_EQ(ListPositionOf(Variant("3A"), stored), -1);
  ASSERT_TRUE(BuildValueList("r", 5, nullptr, false, shown, stored));
  EXPECT_EQ(shown.LBound(), 1);
  EXPECT_EQ(stored.At(5), "5");
  EXPECT_EQ(ListPositionOf(Variant(int16_t{5}), stored), 5);
  ASSERT_TRUE(BuildValueList("s", 23, nullptr, false, shown, stored));
  EXPECT_EQ(shown.At(7), "Product");
  // A subtype of a type-file object needs the document and the file.
  EXPECT_FALSE(BuildValueList("s", 7, nullptr, true, shown, stored));
  EXPECT_FALSE(BuildValueList("n", 7, nullptr, true, shown, stored));
}

TEST(PropertyEditRules, ValueTextsInEachUnitAndFormat) {
  struct Case {
    int32_t kind;
    const char* name;
    bool sector;
    int32_t unit;
    bool hexa;
    Variant value;
    const char* text;
  } cases[] = {
      {kColour, "color", true, 0, false, Variant(int32_t{0xFF8000}), "FF8000"},
      {kColour, "color", true, 0, false, Variant(int32_t{0}), "000000"},
      {kNumber, "x", true, 0, false, Variant(int32_t{7}), "7"},
      {kDistance, "x", false, kMetres, false, Variant(int32_t{1234}), "2.468"},
      {kDistance, "x", false, kGameUnits, false, Variant(int32_t{1234}), "1234"},
      {kDistance, "x", false, kMiles, false, Variant(int32_t{926000}), "1.000"},
      {kDistance, "z", false, kMetres, false, Variant(int32_t{-500}), "-1.000"},
      {kAngle, "a", false, 0, true, Variant(int32_t{255}), "FF"},
      {kAngle, "a", false, 0, false, Variant(int32_t{255}), "255"},
      {kNumber, "n", false, 0, false, Variant("abc"), "abc"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatValueText(c.kind, c.name, c.sector, c.unit, c.hexa, c.value), c.text) << c.text;
}

TEST(PropertyEditRules, ParsingTextsAndTheirRefusals) {
  struct Case {
    int32_t kind;
    const char* name;
    bool sector;
    int32_t unit;
    bool hexa;
    const char* text;
    bool ok;
    int32_t value;
    const char* message;
  } cases[] = {
      {kColour, "color", false, 0, false, "FF8000", true, 0xFF8000, ""},
      {kColour, "color", false, 0, false, "", true, 0, ""},
      {kColour, "color", false, 0, false, "#FF8000", false, 0, ""},
      {kColour, "color", false, 0, false, "FFFFFFFF", true, -1, ""},
      {kColour, "color", false, 0, false, "1FFFFFFFF", false, 0, ""},  // more than eight digits
      {kNumber, "x", true, 0, false, "23", true, 23, ""},
      {kNumber, "x", true, 0, false, "24", false, 0, "Allowed coordinates values are X<0; 23>, Y<0; 19>"},
      {kNumber, "y", true, 0, false, "20", false, 0, "Allowed coordinates values are X<0; 23>, Y<0; 19>"},
      {kNumber, "z", true, 0, false, "-1", false, 0, "Allowed coordinates values are X<0; 23>, Y<0; 19>"},
      {kNumber, "z", true, 0, false, "40", true, 40, ""},
      {kNumber, "x", true, 0, false, "abc", false, 0, ""},
      {kDistance, "x", false, kMetres, false, "2.468", true, 1234, ""},
      {kDistance, "x", false, kMetres, false, "0.0013", true, 1, ""},  // 0.65 units: whole units
      {kDistance, "x", false, kMiles, false, "1", true, 926000, ""},
      {kDistance, "x", false, kGameUnits, false, "12.5", true, 12, ""},
      {kDistance, "x", false, kMetres, false, "1e9", false, 0, ""},   // beyond 32 bits
      {kDistance, "x", false, kMetres, false, "far", false, 0, ""},
      {kAngle, "a", false, 0, true, "FF", true, 255, ""},
      {kAngle, "a", false, 0, true, "0xFF", false, 0, ""},
      {kAngle, "a", false, 0, true, "G1", false, 0, ""},
      {kAngle, "a", false, 0, false, "255", true, 255, ""},
      {kNumber, "n", false, 0, false, "2.5", true, 2, ""},
      {kNumber, "n", false, 0, false, "", false, 0, ""},
      {kNumber, "n", false, 0, false, "inf", false, 0, ""},
  };
  for (const Case& c : cases) {
    Variant v;
    std::string message;
    EXPECT_EQ(ParseValueText(c.kind, c.name, c.sector, c.unit, c.hexa, c.text, v, message), c.ok) << c.text;
    EXPECT_EQ(message, c.message) << c.text;
    if (c.ok) {
      EXPECT_EQ(v.Kind(), kz::VariantKind::Long) << c.text;
      EXPECT_EQ(v, Variant(c.value)) << c.text;
    }
  }
}

TEST(PropertyEditRules, ChangedAsTheFileWouldTell) {
  EXPECT_FALSE(ValueChanged(Variant(int32_t{5}), Variant("5")));
  EXPECT_FALSE(ValueChanged(Variant(int16_t{5}), Variant(int32_t{5})));
  EXPECT_TRUE(ValueChanged(Variant(int32_t{3}), Variant("SS_X")));
  EXPECT_TRUE(ValueChanged(Variant(), Variant("")));
  EXPECT_FALSE(ValueChanged(Variant(), Variant()));
  EXPECT_TRUE(ValueChanged(Variant(int32_t{1}), Variant(int32_t{2})));
  mdlGalaxy::InitGalaxyTables();
  EXPECT_EQ(GetAttrCaption("gtid"), "Gate - target gate ID");
  EXPECT_EQ(GetAttrCaption("foo"), "");
}

}  // namespace
