// Field captions, kinds, lists and the value translation of ware records, both ways.
#include <gtest/gtest.h>

#include "WareRecords.h"
#include "core/AppError.h"
#include "wareeditors/model/WareTranslation.h"

using waretest::Rec;

namespace {

class WareTranslation : public ::testing::Test {
 protected:
  void SetUp() override {
    waretest::InitTables();
    lists.cargoSizes = {"Tiny", "Small", "Medium", "Large", "Huge", "Vast"};
  }
  std::string Show(const std::shared_ptr<clsTXTObject>& r, int32_t i, bool forEdit = false) {
    std::string text = "(unset)";
    bool ok = ware::TranslateValue(*r, i, text, forEdit, lists);
    return ok ? text : "(none)";
  }
  // "value" as text, "(refused)" for False.
  std::string Back(const std::shared_ptr<clsTXTObject>& r, int32_t i, const std::string& text) {
    kz::Variant v;
    if (!ware::TranslateValueBack(*r, text, i, v, lists)) return "(refused)";
    return (v.IsString() ? "'" : "") + kz::CStr(v) + (v.IsString() ? "'" : "");
  }
  ware::WareLists lists;
};

}  // namespace

TEST_F(WareTranslation, ShownTextsWithUnitsAndEditForms) {
  struct Case {
    int32_t type, field;
    kz::Variant value;
    const char* shown;
    const char* edit;
  } cases[] = {
      // shields: kilowatts, and joules with the SI prefixes (index 0 is no prefix)
      {2, 7, int32_t{250}, "250 kW", "250"},
      {2, 8, int32_t{0}, "0 J", "0"},
      {2, 8, int32_t{1}, "1 KJ", "1"},
      {2, 8, int32_t{5000}, "5 MJ", "5000"},
      {2, 8, int32_t{1500}, "1.5 MJ", "1500"},
      {2, 8, int32_t{2000000000}, "2 TJ", "2000000000"},  // x 1000 passes 32 bits
      {2, 8, kz::Variant(2e12), "2000 TJ", "2E+12"},  // beyond the last prefix
      // lasers: rounds per minute
      {3, 7, int32_t{250}, "240 rnd/min", "240"},
      {3, 7, int32_t{0}, "0", "0"},
      // bullets: lifetime, speed, colour bytes
      {4, 10, int32_t{1250}, "1.3 s", "1.3"},
      {4, 10, int32_t{1000}, "1.0 s", "1.0"},
      {4, 11, int32_t{750}, "2 m/s", "2"},   // 1.5 -> 2 (even)
      {4, 11, int32_t{1250}, "2 m/s", "2"},  // 2.5 -> 2 (even)
      {4, 13, int32_t{255}, "0xFF", "FF"},
      {4, 14, int32_t{0}, "0x0", "0"},
      {4, 12, int32_t{5}, "(none)", "(none)"},
      // missiles
      {5, 7, int32_t{1750}, "4 m/s", "4"},  // 3.5 -> 4
      {5, 13, int32_t{500000}, "1000 m", "1000"},
      {5, 14, int32_t{2500}, "2 s", "2"},
      {5, 24, int32_t{6000}, "6.0 s", "6.0"},
      {5, 25, kz::Variant("ICON_X"), "(none)", "(none)"},
      // factories and docks
      {7, 12, int32_t{0}, "4300", "4300"},
      {7, 13, int32_t{2}, "Brenn", "Brenn"},
      {7, 13, int32_t{40}, "N/A", "N/A"},
      {7, 17, int32_t{5}, "Large (L)", "Large (L)"},
      {10, 12, int32_t{7}, "4307", "4307"},
      // distances
      {17, 24, int32_t{250000}, "500 m", "500"},
      {18, 8, int32_t{1000000}, "2.000 km", "2000"},
      // no translation
      {6, 8, int32_t{3}, "(none)", "(none)"},
      {13, 8, int32_t{3}, "(none)", "(none)"},
  };
  for (const Case& c : cases) {
    auto r = Rec(c.type, 40, {{c.field, c.value}});
    EXPECT_EQ(Show(r, c.field), c.shown) << c.type << "/" << c.field;
    EXPECT_EQ(Show(r, c.field, true), c.edit) << c.type << "/" << c.field;
  }
}

TEST_F(WareTranslation, CargoSizeOfEveryType) {
  for (int32_t type : {2, 3, 6, 13, 17}) {
    auto r = Rec(type, 21, {{15, int32_t{2}}});
    EXPECT_EQ(ware::SupportTranslate(*r, 15), 2) << type;
    EXPECT_EQ(Show(r, 15), "Medium") << type;
    EXPECT_EQ(Back(r, 15, "Huge"), "4") << type;
    EXPECT_EQ(ware::PropertyValues(*r, 15, lists).Count(), 6) << type;
  }
  EXPECT_EQ(Show(Rec(6, 21, {{15, int32_t{9}}}), 15), "N/A");
  lists.cargoSizes[1].clear();
  EXPECT_EQ(Show(Rec(6, 21, {{15, int32_t{1}}}), 15), "Unknown value");
}

TEST_F(WareTranslation, TypedTextsBackToStoredValues) {
  struct Case {
    int32_t type, field;
    const char* typed;
    const char* stored;
  } cases[] = {
      {2, 7, "300", "300"},
      {2, 8, "1.5", "(refused)"},  // a whole-number field never takes a fraction
      {2, 8, "7000", "7000"},
      {3, 7, "240", "250"},
      {3, 7, "0", "(refused)"},
      {3, 7, "fast", "(refused)"},
      {3, 12, "ICON_A", "'ICON_A'"},
      {4, 10, "1.25", "1250"},
      {4, 11, "3", "1500"},
      {4, 11, "1.5", "1000"},  // the number rounded (halves to even), then times 500
      {4, 11, "2.5", "1000"},
      {4, 11, "3.5", "2000"},
      {4, 11, "-2", "-1000"},
      {4, 11, "fast", "(refused)"},
      {4, 13, "ff", "255"},
      {4, 13, "#ff", "(refused)"},
      {4, 13, "fg", "(refused)"},
      {5, 7, "4", "2000"},
      {5, 14, "3", "3000"},
      {5, 24, "6.5", "6500"},
      {5, 25, "ICON_M", "'ICON_M'"},
      {7, 12, "4301", "1"},
      {7, 13, "Brenn", "2"},
      {7, 17, "Large (L)", "5"},
      {7, 18, "ICON_F", "'ICON_F'"},
      {10, 12, "4300", "0"},
      {10, 17, "ICON_D", "'ICON_D'"},
      {17, 25, "10", "5000"},
      {18, 9, "2000", "1000000"},
      {6, 8, "12", "12"},       // no case: a whole number into a whole-number field
      {6, 8, "2.5", "(refused)"},
      {13, 10, "0.25", "0.25"},  // the planets' field 10 takes fractions
  };
  for (const Case& c : cases) {
    auto r = Rec(c.type, 40);
    EXPECT_EQ(Back(r, c.field, c.typed), c.stored) << c.type << "/" << c.field << " " << c.typed;
  }
}

TEST_F(WareTranslation, HexadecimalPrefixIsReadButRefused) {
  auto r = Rec(4, 37);
  kz::Variant v;
  EXPECT_FALSE(ware::TranslateValueBack(*r, "#ff", 13, v, lists));
  EXPECT_EQ(kz::CLng(v), 255);
  EXPECT_FALSE(ware::TranslateValueBack(*r, "&HFF", 14, v, lists));
  EXPECT_EQ(kz::CLng(v), 255);
  EXPECT_EQ(ware::HexValueOf("C0FFEE"), 0xC0FFEE);
}

TEST_F(WareTranslation, OverflowAndNoNumberAreErrors) {
  auto r = Rec(5, 37);
  kz::Variant v;
  try {
    ware::TranslateValueBack(*r, "5000000", 7, v, lists);  // x 500 leaves 32 bits
    ADD_FAILURE() << "no overflow";
  } catch (const kz::AppError& e) {
    EXPECT_EQ(e.Number, kz::kErrOverflow);
  }
  EXPECT_THROW(ware::TranslateValueBack(*r, "soon", 24, v, lists), kz::AppError);
  auto text = Rec(5, 37, {{7, kz::Variant("fast")}});
  std::string shown;
  EXPECT_THROW(ware::TranslateValue(*text, 7, shown, false, lists), kz::AppError);
}

TEST_F(WareTranslation, BulletAndAmmunitionListsFollowFileOrder) {
  // The bullets file lists B before A: position 0 is SS_B whatever the sort order.
  auto bullets = std::make_shared<clsTxtParser>();
  for (const char* id : {"SS_B", "SS_A"}) {
    auto b = bullets->CreateObject();
    b->Construct(37);
    b->SetObjectName(id);
  }
  lists.bullets = bullets;
  auto laser = Rec(3, 23, {{9, int32_t{0}}});
  EXPECT_EQ(Show(laser, 9), "SS_B");
  kz::NameTable names = ware::PropertyValues(*laser, 9, lists);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names[0], "SS_B");
  EXPECT_EQ(Back(laser, 9, "SS_A"), "1");
  EXPECT_EQ(Back(laser, 9, "SS_NONE"), "(refused)");
  EXPECT_EQ(Back(laser, 9, "1"), "1");
  EXPECT_EQ(Show(Rec(3, 23, {{9, int32_t{5}}}), 9), "(none)");
  lists.bullets.reset();
  EXPECT_EQ(Show(laser, 9), "(none)");
  EXPECT_TRUE(ware::PropertyValues(*laser, 9, lists).Empty());

  auto wares = std::make_shared<clsTxtParser>();
  for (const char* id : {"SS_WARE_Z", "SS_WARE_A"}) {
    auto w = wares->CreateObject();
    w->Construct(17);
    w->SetValue(6, kz::Variant(int32_t{999999}));  // no such string: the ID
    w->SetObjectName(id);
  }
  lists.ammunition = ware::RecordNamesInFileOrder(wares.get());
  EXPECT_EQ(lists.ammunition, (std::vector<std::string>{"SS_WARE_Z", "SS_WARE_A"}));
  auto bullet = Rec(4, 37, {{27, int32_t{1}}});
  EXPECT_EQ(Show(bullet, 27), "SS_WARE_A");
  EXPECT_EQ(Back(bullet, 27, "SS_WARE_Z"), "0");
  EXPECT_EQ(Back(bullet, 27, "3"), "3");
  EXPECT_EQ(Show(Rec(4, 37, {{27, int32_t{2}}}), 27), "(none)");
}

TEST_F(WareTranslation, CaptionsKindsUnitsAndListKinds) {
  auto shield = Rec(2, 21);
  EXPECT_EQ(ware::PropertyName(*shield, 0), "Body file");
  EXPECT_EQ(ware::ValueUnit(*shield, 8), "kJ");
  EXPECT_EQ(ware::ValueUnit(*shield, 7), "kW");
  EXPECT_EQ(ware::ValueType(*shield, 0), 2);
  EXPECT_EQ(ware::ValueType(*shield, 2), 1);
  auto special = Rec(8, 30);
  EXPECT_EQ(ware::PropertyName(*special, 12), "Unknown value");
  EXPECT_EQ(ware::PropertyName(*special, 25), "Production RelVal (player)");  // a trailing caption
  EXPECT_EQ(ware::ValueType(*special, 7), 2);

  auto planet = Rec(13, 38);
  EXPECT_EQ(ware::ValueType(*planet, 11), 2);
  EXPECT_EQ(ware::ValueType(*planet, 12), 0);
  auto nebula = Rec(18, 37);
  EXPECT_EQ(ware::ValueType(*nebula, 27), 2);
  EXPECT_EQ(ware::ValueType(*nebula, 29), 0);

  auto bullet = Rec(4, 37);
  EXPECT_EQ(ware::SupportTranslate(*bullet, 35), 2);  // size-2: a list without entries
  EXPECT_TRUE(ware::PropertyValues(*bullet, 35, lists).Empty());
  EXPECT_EQ(ware::ValueUnit(*bullet, 13), "Hexadecimal");
  auto factory = Rec(7, 29);
  EXPECT_EQ(ware::PropertyValues(*factory, 13, lists).UBound(), 19);
  lists.iconNames = {"ICON_A", "ICON_B"};
  EXPECT_EQ(ware::PropertyValues(*factory, 18, lists).Count(), 2);
  EXPECT_EQ(ware::PropertyValues(*Rec(5, 37), 25, lists).Count(), 2);
  EXPECT_EQ(ware::PropertyValues(*Rec(10, 28), 17, lists).Count(), 2);
  EXPECT_EQ(ware::PropertyValues(*Rec(3, 23), 12, lists).Count(), 2);
}

TEST_F(WareTranslation, AnEntryStoresItsPositionWhereTheFieldHoldsPositionsElseItsText) {
  // Two bullets of one ID, two ammunition wares of one name, icons by name.
  auto bullets = std::make_shared<clsTxtParser>();
  for (const char* id : {"SS_B", "SS_SAME", "SS_SAME"}) {
    auto b = bullets->CreateObject();
    b->Construct(37);
    b->SetObjectName(id);
  }
  lists.bullets = bullets;
  lists.ammunition = {"Shells", "Cells", "Shells"};
  lists.iconNames = {"ICON_A", "ICON_B", "ICON_B"};
  struct Case {
    int32_t type, size, field, entry;
    const char* text;
    bool positions;
    const char* stored;  // as Back() writes it
  } cases[] = {
      {3, 23, 9, 2, "SS_SAME", true, "2"},       // the second SS_SAME, not the first
      {3, 23, 9, 1, "SS_SAME", true, "1"},
      {4, 37, 27, 2, "Shells", true, "2"},
      {4, 37, 27, 0, "Shells", true, "0"},
      {7, 25, 13, 5, "whatever", true, "5"},      // race
      {10, 25, 13, 3, "whatever", true, "3"},
      {7, 25, 17, 2, "whatever", true, "2"},      // factory size
      {2, 21, 15, 4, "Huge", true, "4"},          // cargo size (size - 6)
      {3, 23, 12, 2, "ICON_B", false, "'ICON_B'"},
      {5, 37, 25, 0, "ICON_A", false, "'ICON_A'"},
      {7, 25, 18, 1, "ICON_B", false, "'ICON_B'"},
      {10, 25, 17, 1, "ICON_B", false, "'ICON_B'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + ":" + std::to_string(c.field) + " entry " + std::to_string(c.entry));
    auto r = Rec(c.type, c.size);
    EXPECT_EQ(ware::StoresEntryPosition(*r, c.field), c.positions);
    kz::Variant v;
    ASSERT_TRUE(ware::TranslateEntryBack(*r, c.field, c.entry, c.text, v, lists));
    EXPECT_EQ((v.IsString() ? "'" : "") + kz::CStr(v) + (v.IsString() ? "'" : ""), c.stored);
    // An entry of a text of its own gives what the text gives.
    if (!c.positions) EXPECT_EQ(Back(r, c.field, c.text), c.stored);
  }
  // Where the text is the list's only one, the entry's position is the text's value.
  auto laser = Rec(3, 23);
  kz::Variant v;
  ASSERT_TRUE(ware::TranslateEntryBack(*laser, 9, 0, "SS_B", v, lists));
  EXPECT_EQ(kz::CStr(v), Back(laser, 9, "SS_B"));
  auto bullet = Rec(4, 37);
  ASSERT_TRUE(ware::TranslateEntryBack(*bullet, 27, 1, "Cells", v, lists));
  EXPECT_EQ(kz::CStr(v), Back(bullet, 27, "Cells"));
}
