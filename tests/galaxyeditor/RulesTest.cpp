// The galaxy editor's decisions that need no window.
#include <gtest/gtest.h>

#include <algorithm>

#include "galaxy/model/GalaxyEditorRules.h"

using namespace mdlGalaxyEditorRules;

TEST(GalaxyEditorRules, CaptionAndSectorCount) {
  EXPECT_EQ(EditorCaption("", true), "Galaxy Editor");
  EXPECT_EQ(EditorCaption("New Map File", true), "Galaxy Editor [New Map File] *");
  EXPECT_EQ(EditorCaption("/m/u.xml", false), "Galaxy Editor [/m/u.xml]");
  struct Case {
    int32_t n;
    const char* text;
  } cases[] = {{0, "0 sectors"}, {1, "1 sector"}, {2, "2 sectors"}, {5, "5 sectors"}, {21, "21 sectors"}};
  for (const Case& c : cases) EXPECT_EQ(SectorCountText(c.n), c.text);
}

TEST(GalaxyEditorRules, NodeTextJoinsTheChosenPartsInFixedOrder) {
  struct Case {
    int32_t mask;
    const char* id;
    const char* text;
  } cases[] = {{0, "03, 11", ""},
               {1, "03, 11", "Aurel Prime"},
               {2, "03, 11", "[Sector]"},
               {4, "03, 11", "03, 11"},
               {7, "03, 11", "[Sector] - 03, 11 - Aurel Prime"},
               {5, "03, 11", "03, 11 - Aurel Prime"},
               {6, "", "[Sector]"}};  // an empty part adds no separator
  for (const Case& c : cases) EXPECT_EQ(NodeText(c.mask, "Sector", c.id, "Aurel Prime"), c.text) << c.mask;
}

TEST(GalaxyEditorRules, ImageKeysByTypeAndGroup) {
  using kz::Variant;
  EXPECT_EQ(NodeImageKey(1, Variant(), true), "sector");
  EXPECT_EQ(NodeImageKey(1, Variant(), false), "sector_noload");
  EXPECT_EQ(NodeImageKey(13, Variant(), false), "ware");
  EXPECT_EQ(NodeImageKey(18, Variant("SS_GATE"), true), "gate");
  EXPECT_EQ(NodeImageKey(19, Variant(), true), "");
  EXPECT_EQ(NodeImageKey(23, Variant(int32_t{7}), true), "product");
  EXPECT_EQ(NodeImageKey(23, Variant(int32_t{8}), true), "p_res");
  EXPECT_EQ(NodeImageKey(23, Variant(int32_t{3}), true), "");
  EXPECT_EQ(NodeImageKey(23, Variant("x"), true), "");  // a group with a text subtype
  for (int32_t t = 0; t <= 30; ++t) {
    const std::string key = NodeImageKey(t, Variant(int32_t{1}), true);
    if (!key.empty()) {
      EXPECT_NE(std::find(ImageKeys().begin(), ImageKeys().end(), key), ImageKeys().end()) << key;
    }
  }
}

TEST(GalaxyEditorRules, DragPointer) {
  struct Case {
    bool dragging, over, same;
    int32_t dragged, target;
    bool alt;
    const char* key;
  } cases[] = {
      {false, true, false, 7, 5, false, "nop"},          // nothing dragged
      {true, false, false, 7, 5, false, "nop"},          // no target
      {true, true, true, 7, 7, false, "nop"},            // over itself
      {true, true, false, 1, 1, true, "nop"},            // a sector with Alt
      {true, true, false, 7, 5, true, "moveparent"},     // a ship into a dock
      {true, true, false, 7, 1, false, "nop"},           // a ship beside a sector
      {true, true, false, 7, 5, false, "movesiblink"},   // a ship beside a dock
      {true, true, false, 1, 1, false, "movesiblink"},   // a sector beside a sector
      {true, true, false, 1, 7, false, "nop"},           // a sector beside a ship
  };
  for (const Case& c : cases)
    EXPECT_EQ(DragPointerKey(c.dragging, c.over, c.same, c.dragged, c.target, c.alt), c.key)
        << c.dragged << " " << c.target << " " << c.alt;
}

TEST(GalaxyEditorRules, PasteRefusals) {
  EXPECT_EQ(PasteRefusal(1, 7), "Cannot paste non-sector object as siblink of sector.");
  EXPECT_EQ(PasteRefusal(7, 1), "Cannot paste sector as a child.");
  EXPECT_EQ(PasteRefusal(1, 1), "");
  EXPECT_EQ(PasteRefusal(5, 7), "");
}

TEST(GalaxyEditorRules, TypedSubtype) {
  struct Case {
    const char* text;
    TypedSubtype kind;
    int32_t value;
  } cases[] = {{"", TypedSubtype::None, 0},          {"3", TypedSubtype::Value, 3},
               {"-1", TypedSubtype::Value, -1},      {" 2.5 ", TypedSubtype::Value, 2},
               {"&H10", TypedSubtype::Value, 16},    {"2147483647", TypedSubtype::Value, 2147483647},
               {"a", TypedSubtype::Invalid, 0},      {"4294967296", TypedSubtype::Invalid, 0},
               {"-2147483649", TypedSubtype::Invalid, 0}, {"1e20", TypedSubtype::Invalid, 0}};
  for (const Case& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(ParseTypedSubtype(c.text, v), c.kind) << c.text;
    if (c.kind == TypedSubtype::Value) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

TEST(GalaxyEditorRules, SubtypeEntriesAndLimitedTypes) {
  EXPECT_EQ(SubtypeEntryText("Alpha", "A_1"), "Alpha - A_1");
  EXPECT_EQ(SubtypeEntryText("A_1", "A_1"), "A_1");
  std::vector<int32_t> codes = LimitedTypeCodes();
  EXPECT_EQ(codes.size(), 26u);
  EXPECT_EQ(codes.front(), 3);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 23), 0);
  EXPECT_EQ(codes.back(), 29);
}

TEST(GalaxyEditorRules, PropertyValueTexts) {
  using kz::Variant;
  struct Case {
    Variant value;
    int32_t unit;
    const char* text;
  } distances[] = {{Variant(int32_t{1000000}), kMeters, "2.000 km"},
                   {Variant(int32_t{499000}), kMeters, "998.000 m"},
                   {Variant(int32_t{-1000000}), kMeters, "-2.000 km"},
                   {Variant(int32_t{1000000}), kGameUnits, "1000000"},
                   {Variant(int32_t{1000000}), kMiles, "1.080 nm"},
                   {Variant(1250.0), kMeters, "2.000 m"},  // 2.5 m: halves go to the even neighbour
                   {Variant("far"), kMeters, "far"}};
  for (const Case& c : distances) EXPECT_EQ(FormatDistanceValue(c.value, c.unit), c.text) << c.text;

  EXPECT_EQ(FormatColourValue(Variant(int32_t{0xFF8000}), false), "RGB 255 128 0");
  EXPECT_EQ(FormatColourValue(Variant(int32_t{0xFF8000}), true), "RGB FF 80 0");
  EXPECT_EQ(FormatColourValue(Variant("blue"), true), "blue");
  EXPECT_EQ(FormatAngleValue(Variant(int32_t{255}), true), "0xFF");
  EXPECT_EQ(FormatAngleValue(Variant(int32_t{255}), false), "255");
  EXPECT_EQ(DeletePropertyQuestion("Race"), "Do you really want to delete property \"Race\" ?");
}

// What a save writes follows the type chosen in the dialog; a catalog entry is written
// plain or packed as its own name's type says, never packed regardless.
TEST(GalaxyEditorRules, SaveModeFollowsTheChosenType) {
  struct Case {
    int32_t filterIndex;
    const char* path;
    int32_t mode;
  } cases[] = {
      {1, "/m/u.xml", 1},
      {2, "/m/u.pck", 2},
      {1, "/m/c.cat::maps/u.xml", 1},   // plain type into a catalog stays plain
      {2, "/m/c.cat::maps/u.pck", 2},
      {3, "/m/c.cat::maps/u.xml", 1},   // the catalog type: the entry's own type
      {3, "/m/c.cat::maps/u.PCK", 2},
      {3, "/m/c.cat::maps/u", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveModeFor(c.filterIndex, c.path), c.mode) << c.filterIndex << " " << c.path;
}
