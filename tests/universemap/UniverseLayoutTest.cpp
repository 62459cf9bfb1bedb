// The universe map's layout rules: cell size from the names, name lines, the index of
// places, hit tests, gate targets, races, keyboard neighbours and scrolling.
#include "UniverseFixture.h"

#include <cmath>

#include "galaxy/model/UniverseLayout.h"

using namespace mdlUniverseMap;
using unitest::FakeMeasure;

namespace {

std::vector<std::string> LineTexts(const SectorRecord& r) {
  std::vector<std::string> out;
  for (const NameLine& l : r.lines) out.push_back(l.text);
  return out;
}

UniverseLayout LayOut(const std::vector<std::string>& names, bool showNames = true) {
  UniverseLayout l;
  l.ShowNames = showNames;
  int x = 0;
  for (const std::string& n : names) l.AddRecord(std::to_string(x + 1) + "k", x++, 0, n);
  l.IndexRecords();
  l.LayOutCells(FakeMeasure);
  return l;
}

}  // namespace

// Widths are 6 pixels a byte, lines 13 high.
TEST(UniverseLayoutRules, CellSizeAndNameLinesFromTheNames) {
  struct Case {
    std::vector<std::string> names;
    bool show;
    int32_t width, height;
    std::vector<std::vector<std::string>> lines;  // per record
  };
  const Case cases[] = {
      // Names hidden: every cell is 24 x 26 and there are no lines.
      {{"Protectorate", "Home of Light"}, false, 24, 26, {{}, {}}},
      // One short word (12 px, narrower than 20): 24 wide.
      {{"Ab"}, true, 24, 39, {{"Ab"}}},
      // A word of at least 20 px makes the cells 4 px wider than the word.
      {{"Abcd"}, true, 28, 39, {{"Abcd"}}},
      // The widest word sets every cell; words share a line while it fits the widest word.
      {{"Protectorate", "Argon Prime"}, true, 76, 39, {{"Protectorate"}, {"Argon Prime"}}},
      {{"Home of Light"}, true, 34, 65, {{"Home", "of", "Light"}}},
      {{"Home of Light", "Supernova"}, true, 58, 52, {{"Home of", "Light"}, {"Supernova"}}},
      // Runs of blanks separate like one blank; a name without words has one empty line.
      {{"  Abcdef   a b ", "", "   "}, true, 40, 52, {{"Abcdef", "a b"}, {""}, {""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names.front());
    UniverseLayout l = LayOut(c.names, c.show);
    EXPECT_EQ(l.CellWidth, c.width);
    EXPECT_EQ(l.CellHeight, c.height);
    for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(LineTexts(l.Records[i]), c.lines[i]) << i;
    for (size_t i = 0; i < l.Records.size(); ++i) {
      EXPECT_EQ(l.Records[i].cell, (CellRect{int64_t(i) * l.CellWidth, 0, int64_t(i + 1) * l.CellWidth, l.CellHeight}));
      for (const NameLine& line : l.Records[i].lines) EXPECT_EQ(line.size, FakeMeasure(line.text));
    }
  }
}

TEST(UniverseLayoutRules, CellsGrowAcrossRebuildsUntilReset) {
  UniverseLayout l = LayOut({"Protectorate", "Home of Light"});
  ASSERT_EQ(l.CellWidth, 76);
  const int32_t tall = l.CellHeight;
  // The long name is shortened: the cells keep their size.
  l.Records[0].name = "Ab";
  l.Records[1].name = "Cd";
  l.LayOutCells(FakeMeasure);
  EXPECT_EQ(l.CellWidth, 76);
  EXPECT_EQ(l.CellHeight, tall);
  // Shown again: measured from scratch.
  l.ResetMeasures();
  l.LayOutCells(FakeMeasure);
  EXPECT_EQ(l.CellWidth, 24);
  EXPECT_EQ(l.CellHeight, 39);
  // Hiding the names resets them as well.
  l.Records[0].name = "Protectorate";
  l.LayOutCells(FakeMeasure);
  ASSERT_EQ(l.CellWidth, 76);
  l.ShowNames = false;
  l.LayOutCells(FakeMeasure);
  l.ShowNames = true;
  l.Records[0].name = "Ab";
  l.LayOutCells(FakeMeasure);
  EXPECT_EQ(l.CellWidth, 24);
}

TEST(UniverseLayoutRules, MeasuringNothingNeverGivesAZeroCell) {
  UniverseLayout l = LayOut({"Any name"});
  l.LayOutCells(nullptr);
  l.ResetMeasures();
  l.LayOutCells([](std::string_view) { return TextSize{0, 0}; });
  EXPECT_EQ(l.CellWidth, 24);
  EXPECT_EQ(l.CellHeight, 26);
  EXPECT_EQ(l.HitTest(30, 30), -1);  // (1, 1): no sector, and no division by zero
}

TEST(UniverseLayoutRules, IndexKeepsTheFirstSectorOfAPlaceAndHitTestsRoundDown) {
  UniverseLayout l;
  l.AddRecord("1k", 3, 12, "a");
  l.AddRecord("2k", 3, 12, "b");  // same place: not indexed
  l.AddRecord("3k", -1, 0, "c");
  l.AddRecord("4k", 0, 0, "d");
  l.IndexRecords();
  l.LayOutCells(nullptr);  // 24 x 26
  EXPECT_EQ(l.IndexAt(3, 12), 0);
  EXPECT_EQ(l.IndexAt(12, 3), -1);
  EXPECT_EQ(l.IndexAt(int64_t{1} << 40, 0), -1);
  struct Hit {
    double x, y, panX, panY;
    int32_t record;
  };
  const Hit hits[] = {
      {0, 0, 0, 0, 3},        {23.9, 25.9, 0, 0, 3}, {24, 0, 0, 0, -1},      {-0.5, 1, 0, 0, 2},
      {-24, 25, 0, 0, 2},     {-24.5, 0, 0, 0, -1},  {3 * 24 + 1, 12 * 26 + 1, 0, 0, 0},
      {10, 10, 24, 0, 2},     {10, 10, -72, -312, 0}, {1e300, -1e300, 0, 0, -1}, {NAN, 5, 0, 0, -1},
  };
  for (const Hit& h : hits) {
    l.PanX = h.panX;
    l.PanY = h.panY;
    EXPECT_EQ(l.HitTest(h.x, h.y), h.record) << h.x << "," << h.y << " pan " << h.panX << "," << h.panY;
  }
}

TEST(UniverseLayoutRules, RaceColoursFallBackToRaceZero) {
  struct Case {
    int64_t race;
    int32_t colour;
    bool own;
  };
  const Case cases[] = {{0, 0xFFFFFF, true},   {1, 0x5AD3FF, true}, {2, 0xFF0000, true},   {6, 0x0000FF, true},
                        {9, 0x3C9F00, true},   {10, 0xFFFFFF, true}, {11, 0xFFFFFF, false}, {19, 0xFFFFFF, false},
                        {20, 0xFFFFFF, false}, {-1, 0xFFFFFF, false}, {int64_t{1} << 40, 0xFFFFFF, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(RaceColour(c.race), c.colour) << c.race;
    EXPECT_EQ(RaceHasColour(c.race), c.own) << c.race;
  }
}

TEST(UniverseLayoutRules, StatusTextsAndRangeMessage) {
  mdlKzConst::InitArrays();
  UniverseLayout l;
  l.AddRecord("1k", 4, 7, "Far Away", 2);
  l.AddRecord("2k", 0, 0, "Home", 0);
  l.IndexRecords();
  EXPECT_EQ(UniverseLayout::PlaceText(-1, 19), "X: -1, Y: 19");
  EXPECT_EQ(l.SectorText(0), "Far Away (4, 7)");
  EXPECT_EQ(l.RaceText(0), "Brenn");
  EXPECT_EQ(l.RaceText(1), "");
  EXPECT_EQ(l.RaceText(-1), "");
  EXPECT_EQ(l.SectorText(2), "");
  EXPECT_EQ(RangeMessage(), "Allowed coordinates values are X<0; 23>, Y<0; 19>");
  EXPECT_TRUE(InGridRange(23, 19));
  EXPECT_FALSE(InGridRange(24, 0));
  EXPECT_FALSE(InGridRange(0, 20));
  EXPECT_FALSE(InGridRange(-1, 0));
}

// A grid of sectors:   row 0: (0,0) (1,0)       (4,0)
//                      row 1:       (1,1)
//                      row 3: (0,3)             (4,3)
TEST(UniverseLayoutRules, ArrowNeighbours) {
  UniverseLayout l;
  const std::pair<int, int> places[] = {{0, 0}, {1, 0}, {4, 0}, {1, 1}, {0, 3}, {4, 3}};
  for (auto [x, y] : places) l.AddRecord(std::to_string(x) + "-" + std::to_string(y), x, y, "");
  l.IndexRecords();
  auto at = [&](int x, int y) { return l.IndexAt(x, y); };
  struct Case {
    std::pair<int, int> from;
    Step step;
    int32_t to;
  };
  const Case cases[] = {
      {{0, 0}, Step::Right, at(1, 0)},  // the adjacent cell
      {{1, 0}, Step::Right, at(4, 0)},  // jumps over the gap on the same row
      {{4, 0}, Step::Right, -1},        // nothing further
      {{4, 0}, Step::Left, at(1, 0)},
      {{0, 0}, Step::Left, -1},
      {{1, 0}, Step::Down, at(1, 1)},
      {{1, 1}, Step::Down, -1},         // nothing below in column 1
      {{0, 0}, Step::Down, at(0, 3)},   // over two empty rows
      {{0, 3}, Step::Up, at(0, 0)},
      {{4, 3}, Step::Left, at(0, 3)},
      {{1, 1}, Step::Left, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(l.Neighbour(at(c.from.first, c.from.second), c.step), c.to)
        << c.from.first << "," << c.from.second << " step " << static_cast<int>(c.step);
  EXPECT_EQ(l.Neighbour(-1, Step::Right), -1);
}

TEST(UniverseLayoutRules, ScrollIntoViewCentresOnlyTheAxisThatSticksOut) {
  UniverseLayout l;
  l.AddRecord("1k", 20, 1, "");
  l.AddRecord("2k", 1, 1, "");
  l.IndexRecords();
  l.LayOutCells(nullptr);  // 24 x 26: record 0 at x 480..504, y 26..52
  EXPECT_FALSE(l.ScrollIntoView(1, 400, 300));
  EXPECT_TRUE(l.ScrollIntoView(0, 400, 300));
  EXPECT_DOUBLE_EQ(l.PanX, -480 + 200 - 12);  // cell centred horizontally
  EXPECT_DOUBLE_EQ(l.PanY, 0);                // fits vertically: left alone
  EXPECT_DOUBLE_EQ(l.PixelX(20) + 12, 200);
  EXPECT_FALSE(l.ScrollIntoView(0, 400, 300));
  EXPECT_TRUE(l.ScrollIntoView(1, 400, 300));  // now left of the box
  EXPECT_DOUBLE_EQ(l.PixelX(1) + 12, 200);
  EXPECT_FALSE(l.ScrollIntoView(5, 400, 300));
}

// ---- from a document ------------------------------------------------------------------

using unitest::GateXml;
using unitest::SectorXml;
using unitest::Universe;

struct LayoutFromMap : galtest::MapTest {
  UniverseLayout layout;
  void Build(const std::vector<GalaxyObjectPtr>* gates = nullptr) {
    layout.Rebuild(*doc, unitest::NameAttr, FakeMeasure, gates);
  }
};

TEST_F(LayoutFromMap, GateTargetsRacesAndPlacesFromTheSectors) {
  Load(Universe(SectorXml(0, 0, "Home",
                          GateXml(1, 0) +                         // to Far
                              GateXml(5, 5) +                     // nobody there
                              GateXml(1, 0, -1) +                 // no target: not counted
                              "<o t=\"5\" s=\"0\" gx=\"1\" gy=\"0\"/>\n" +  // no gate
                              GateXml(0, 0, 2, " gx2=\"x\""),     // back to itself
                          " r=\"6\"") +
                SectorXml(1, 0, "Far", GateXml(0, 0), " r=\"abc\"") +
                SectorXml(2, 0, "Odd", "<o t=\"18\" gx=\"one\" gy=\"\" />\n", " r=\"-3\"") +
                SectorXml(0, 0, "Twin", {}, " r=\"1\"") +
                "<o t=\"1\" x=\"left\" y=\"3\" name=\"Text place\"/>\n"));
  Build();
  ASSERT_EQ(layout.Count(), 5);
  const auto& r = layout.Records;
  EXPECT_EQ(r[0].gateTargets, (std::vector<int32_t>{1, -1, 0}));
  EXPECT_EQ(r[1].gateTargets, (std::vector<int32_t>{0}));
  EXPECT_EQ(r[2].gateTargets, (std::vector<int32_t>{0}));  // a place that is no number reads as 0
  EXPECT_EQ(r[0].race, 6);
  EXPECT_EQ(r[1].race, 0);  // not a number: missing
  EXPECT_EQ(r[2].race, -3);
  EXPECT_EQ(RaceColour(r[2].race), RaceColour(0));
  EXPECT_EQ(layout.IndexAt(0, 0), 0);  // the first of the two at 0-0
  EXPECT_EQ(r[4].X, 0);
  EXPECT_EQ(r[4].Y, 3);
  EXPECT_EQ(layout.IndexAt(0, 3), 4);
  EXPECT_EQ(r[0].key, doc->Sectors.Item(1)->key());

  // The same targets from a list of every gate of the document, in any order.
  std::vector<GalaxyObjectPtr> gates;
  for (const GalaxyObjectPtr& o : doc->objects)
    if (o->otype() == 18) gates.insert(gates.begin(), o);
  UniverseLayout walked = layout;
  Build(&gates);
  for (size_t i = 0; i < r.size(); ++i) EXPECT_EQ(r[i].gateTargets, walked.Records[i].gateTargets) << i;
}
