// Host answers, computed rows, colours, flags, the toolbar and export lines of the
// ware page's rules.
#include <gtest/gtest.h>

#include "WareRecords.h"
#include "wareeditors/model/WareRules.h"

using waretest::Rec;

TEST(WareRules, TypeNamesAndHostAnswers) {
  struct Case {
    int32_t type;
    bool handled;
    const char* page;
    const char* typeName;  // with version 7
    int32_t info;
    int32_t newSize;
  } cases[] = {
      {1, false, " info", "", 1, 0},
      {2, true, "Shield info", "Shields v.7", 1, 21},
      {3, true, "Laser info", "Lasers v.7", 1, 23},
      {4, true, "Bullet info", "Bullets v.7", 0, 37},
      {5, true, "Missile info", "Missiles v.7", 1, 37},
      {6, true, "Ware info", "Wares v.7", 1, 17},
      {7, true, "Factorie info", "Factories v.7", 3, 29},
      {8, true, "Special info", "Special v.7", 1, 18},
      {9, false, " info", "", 1, 0},
      {10, true, "Dock info", "Docks v.7", 1, 28},
      {11, true, "Wreck info", "Wrecks v.7", 1, 0},
      {16, true, " info", "", 1, 0},
      {17, true, "Background info", "Background v.7", 1, 0},
      {18, true, "Nebula info", "Nebula v.7", 1, 0},
      {19, false, " info", "", 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ware::HandlesType(c.type), c.handled) << c.type;
    EXPECT_EQ(ware::PageNameOf(c.type), c.page) << c.type;
    EXPECT_EQ(ware::ObjectTypeNameOf(c.type, 7), c.typeName) << c.type;
    EXPECT_EQ(ware::QueryInfoOf(c.type), c.info) << c.type;
    EXPECT_EQ(ware::NewRecordSize(c.type), c.newSize) << c.type;
  }
  EXPECT_EQ(ware::ValidateMessage(18, 13), "This is TNebula file for Jv. It's not fully supported.");
  EXPECT_EQ(ware::ValidateMessage(18, 14), "");
  EXPECT_EQ(ware::ValidateMessage(2, 1), "");
}

TEST(WareRules, ChargeTimeUnitsRoundingAndBadValues) {
  struct Case {
    kz::Variant capacity, rate;
    const char* text;
  } cases[] = {
      {int32_t{90}, int32_t{1}, "1.5 min"},
      {int32_t{120}, int32_t{1}, "2 min"},
      {int32_t{7200}, int32_t{1}, "2 h"},
      {int32_t{30}, int32_t{4}, "7.5 s"},
      {int32_t{59}, int32_t{1}, "59 s"},
      {int32_t{1000}, int32_t{0}, "[error]"},  // no rate: no division
      {"lots", int32_t{3}, "[error]"},
      {int32_t{0}, int32_t{5}, "0 s"},
  };
  for (const auto& c : cases) {
    auto r = Rec(2, 21, {{8, c.capacity}, {7, c.rate}});
    EXPECT_EQ(ware::ChargeTimeText(*r), c.text) << kz::CStr(c.capacity) << "/" << kz::CStr(c.rate);
  }
  EXPECT_EQ(ware::ChargeTimeText(*Rec(2, 8)), "[error]");  // field 8 is the ID here: a text
  EXPECT_EQ(ware::ChargeTimeText(*Rec(2, 5)), "[error]");  // no fields 7 and 8
}

TEST(WareRules, BulletRange) {
  struct Case {
    kz::Variant lifetime, speed;
    const char* text;
  } cases[] = {
      {int32_t{2000}, int32_t{250000}, "1 km"},
      {int32_t{1500}, int32_t{100000}, "300 m"},
      {int32_t{3000}, int32_t{375000}, "2.25 km"},
      {int32_t{0}, int32_t{100000}, "0 m"},
      {"x", int32_t{100000}, "[error]"},
      {2147483647, 2147483647, "[error]"},  // beyond any 32-bit distance
  };
  for (const auto& c : cases) {
    auto r = Rec(4, 37, {{10, c.lifetime}, {11, c.speed}});
    EXPECT_EQ(ware::RangeText(*r), c.text);
  }
  EXPECT_EQ(ware::RangeText(*Rec(4, 11)), "[error]");
}

TEST(WareRules, ColourOfBulletsAndPlanetsBothWays) {
  auto bullet = Rec(4, 37, {{13, int32_t{0xAA}}, {14, int32_t{0xBB}}, {15, int32_t{0xCC}}});
  EXPECT_EQ(ware::RecordColour(*bullet, 4), 0xCCBBAA);
  EXPECT_EQ(ware::ColourText(0xCCBBAA), "0xCCBBAA");
  EXPECT_EQ(ware::ColourText(0xFF), "0xFF");
  EXPECT_EQ(ware::ColourText(0x1FF), "0x01FF");
  EXPECT_EQ(ware::RecordColour(*Rec(6, 17), 6), 0);  // no colour: 0
  EXPECT_FALSE(ware::RecordColour(*Rec(4, 15), 4).has_value());  // field 15 is the ID text

  auto planet = Rec(13, 38);
  ASSERT_TRUE(ware::StoreColour(*planet, 13, 0xCCBBAA));
  EXPECT_EQ(kz::CLng(planet->Value(7)), 170);
  EXPECT_EQ(kz::CLng(planet->Value(8)), 187);
  EXPECT_EQ(kz::CLng(planet->Value(9)), 204);
  EXPECT_TRUE(planet->Dirty);
  EXPECT_EQ(ware::RecordColour(*planet, 13), 0xCCBBAA);
  auto ware6 = Rec(6, 17);
  EXPECT_FALSE(ware::StoreColour(*ware6, 6, 0x123456));
  EXPECT_FALSE(ware6->Dirty);
  auto shortPlanet = Rec(13, 9);
  EXPECT_FALSE(ware::StoreColour(*shortPlanet, 13, 1));
}

TEST(WareRules, FlagBitsCaptionsAndClicks) {
  ASSERT_EQ(ware::FlagCaptions(4).size(), 9u);
  ASSERT_EQ(ware::FlagTooltips(5).size(), 9u);
  EXPECT_EQ(ware::FlagCaptions(4)[5], "Ignore shields");
  EXPECT_EQ(ware::FlagTooltips(4)[5], "");
  EXPECT_EQ(ware::FlagCaptions(5)[4], "Multi warhaed");
  EXPECT_EQ(ware::FlagTooltips(5)[3], "");
  EXPECT_TRUE(ware::FlagCaptions(6).empty());

  auto bullet = Rec(4, 37, {{12, int32_t{5}}});
  std::optional<int32_t> flags = ware::FlagsOf(*bullet, 4);
  ASSERT_TRUE(flags.has_value());
  std::vector<bool> checked;
  for (int k = 0; k < 9; ++k) checked.push_back(ware::FlagChecked(*flags, k));
  EXPECT_EQ(checked, (std::vector<bool>{true, false, true, false, false, false, false, false, false}));
  ASSERT_TRUE(ware::ApplyFlagClick(*bullet, 4, 1, true));
  EXPECT_EQ(bullet->Value(12).Kind(), kz::VariantKind::Long);
  EXPECT_EQ(kz::CLng(bullet->Value(12)), 7);
  ASSERT_TRUE(ware::ApplyFlagClick(*bullet, 4, 0, false));
  EXPECT_EQ(kz::CLng(bullet->Value(12)), 6);

  auto missile = Rec(5, 37, {{23, int32_t{256}}});
  ASSERT_TRUE(ware::ApplyFlagClick(*missile, 5, 8, false));
  EXPECT_EQ(kz::CLng(missile->Value(23)), 0);

  // No flags field, no number in it, or a box outside 0..8: nothing changes.
  auto wareRec = Rec(6, 17);
  EXPECT_FALSE(ware::ApplyFlagClick(*wareRec, 6, 0, true));
  auto noNumber = Rec(4, 37, {{12, kz::Variant("abc")}});
  EXPECT_FALSE(ware::ApplyFlagClick(*noNumber, 4, 0, true));
  EXPECT_EQ(noNumber->Value(12).AsString(), "abc");
  EXPECT_FALSE(noNumber->Dirty);
  EXPECT_FALSE(ware::ApplyFlagClick(*bullet, 4, 9, true));
  EXPECT_FALSE(ware::ApplyFlagClick(*Rec(4, 12), 4, 0, true));  // short record
}

TEST(WareRules, FlagBoxesFlowIntoRows) {
  int32_t height = 0;
  auto places = ware::FlowFlagBoxes({1000, 1000, 1000}, 250, 2500, height);
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].left, 100);
  EXPECT_EQ(places[0].top, 300);
  EXPECT_EQ(places[1].left, 1200);
  EXPECT_EQ(places[1].top, 300);
  EXPECT_EQ(places[2].left, 100);  // 2300 + 1000 > 2450: next row
  EXPECT_EQ(places[2].top, 650);
  EXPECT_EQ(height, 650 + 350);
  places = ware::FlowFlagBoxes({500, 500, 500}, 250, 5000, height);
  EXPECT_EQ(places[2].left, 1300);
  EXPECT_EQ(places[2].top, 300);
  EXPECT_EQ(height, 650);
  // A box wider than the frame still starts on the first row.
  places = ware::FlowFlagBoxes({9000}, 250, 1000, height);
  EXPECT_EQ(places[0].top, 300);
}

TEST(WareRules, SceneButtonsPerType) {
  auto captions = [](int32_t type) {
    std::string s;
    for (const auto& b : ware::SceneButtonsOf(type)) s += b.caption + "@" + std::to_string(b.field) + ";";
    return s;
  };
  EXPECT_EQ(captions(5), "Scene@26;");
  EXPECT_EQ(captions(10), "Scene@11;");
  EXPECT_EQ(captions(12), "Scene@7;");
  EXPECT_EQ(captions(13), "Scene@10;");
  EXPECT_EQ(captions(15), "Debris map@10;Scene@7;");
  EXPECT_EQ(captions(16), "Scene 2@9;Scene@7;");
  for (int32_t t : {2, 3, 4, 6, 17, 18}) EXPECT_EQ(captions(t), "") << t;
  EXPECT_EQ(ware::SceneButtonsOf(15)[0].tooltip, "");
  EXPECT_EQ(ware::SceneButtonsOf(15)[1].tooltip, "Show object scene");
}

TEST(WareRules, ExportLinesAndFileName) {
  auto r = Rec(6, 3, {{0, kz::Variant("wares\\x")}, {1, kz::Variant(1.5)}}, "SS_W");
  auto lines = ware::ExportLines(*r, [](int32_t i) { return "C" + std::to_string(i); });
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "0: C0: wares\\x\r\n");
  EXPECT_EQ(lines[1], "1: C1: 1.5\r\n");
  EXPECT_EQ(lines[2], "2: C2: SS_W\r\n");
  EXPECT_EQ(ware::ExportFileName("/data/types/TShields.txt"), "/data/types/TShields_export.txt");
  EXPECT_EQ(ware::ExportFileName("/d/01.cat::types\\TLaser.pck"), "types/TLaser_export.txt");
}
