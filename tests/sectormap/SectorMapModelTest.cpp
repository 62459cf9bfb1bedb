// The sector map's state: records, layout, transform, zoom, selection, hit test,
// dragging, write-back, ruler and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "SectorMapFixture.h"
#include "galaxy/model/MapSurfaceRules.h"

using namespace mdlSectorMap;
using smtest::SectorMapTest;

TEST_F(SectorMapTest, RecordsAreTheShownSectorsObjectsWithCoordinatesDepthFirst) {
  m.ShowSector(s1, false);
  ASSERT_EQ(m.Count(), 4);
  // sun, gate, dock, then the ship inside the dock's group (which has no coordinates)
  std::vector<int32_t> types;
  for (const MapRecord& r : m.Records()) types.push_back(r.Type);
  EXPECT_EQ(types, (std::vector<int32_t>{3, 18, 5, 7}));
  const MapRecord& sun = m.Records()[0];
  EXPECT_EQ(sun.ID, s1->Childs.Item(1)->key());
  EXPECT_EQ(sun.X, 1000000);
  EXPECT_EQ(sun.NegY, 0);
  EXPECT_EQ(sun.NegZ, -2000000);
  EXPECT_EQ(m.Records()[3].NegY, -6);
  EXPECT_FALSE(sun.Moved);
  // The gate knows its target.
  EXPECT_EQ(m.Records()[1].GateTargetID, doc->GetObjectID(s2));
  EXPECT_EQ(m.Records()[1].GateTargetName, doc->GetObjectName(s2));
  EXPECT_EQ(m.ShownSector(), s1);
  EXPECT_TRUE(m.ShownLoaded());
  EXPECT_EQ(m.Selected(), -1);
  EXPECT_FALSE(m.Modified());

  // AutoSync off: only a forced show acts.
  m.AutoSync = false;
  m.ShowSector(s2, false);
  EXPECT_EQ(m.ShownSector(), s1);
  m.ShowSector(s2, true);
  EXPECT_EQ(m.ShownSector(), s2);
  EXPECT_FALSE(m.CanEdit());  // the second sector's children are not read
  EXPECT_EQ(m.Count(), 1);    // its gate (read with the map) is known
  m.ShowSector(nullptr, true);
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(m.ShownSector(), nullptr);
}

TEST_F(SectorMapTest, NegatingTheLeastCoordinateAndZoomedPixelsAreClamped) {
  GalaxyObjectPtr sun = s1->Childs.Item(1);
  sun->AddProperty("y", kz::Variant(std::numeric_limits<int32_t>::min()));
  sun->AddProperty("z", kz::Variant(std::numeric_limits<int32_t>::max()));
  m.ShowSector(s1, false);
  EXPECT_EQ(m.Records()[0].NegY, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(m.Records()[0].NegZ, -std::numeric_limits<int32_t>::max());
  for (int i = 0; i < 21; ++i) m.ZoomMap(true);
  const MapPointL p = m.RecordPixel(m.Records()[0]);
  EXPECT_LE(std::abs(double(p.y)), mdlMapSurface::kPixelLimit);
  EXPECT_LE(std::abs(double(p.x)), mdlMapSurface::kPixelLimit);
  // Writing a dragged least value back gives the greatest, not an overflow.
  m.SetTopView(false);
  m.SelectRecord(0, true);
  m.MouseDown(true, 0, 0);
  m.MouseMove(true, true, 250, 1e12);  // far below: the world coordinate clamps
  EXPECT_EQ(m.Records()[0].NegY, std::numeric_limits<int32_t>::max());
  ASSERT_TRUE(m.WriteBackCoords());
  EXPECT_EQ(sun->y(), -std::numeric_limits<int32_t>::max());
}

TEST_F(SectorMapTest, BoxesAndLabelLinesFollowTheLabelMask) {
  struct Case {
    int32_t type;
    std::string name, id, gateName, gateID;
    int32_t mask;
    MapRect box;
    std::vector<std::string> lines;  // bottom up
  };
  const std::vector<Case> cases = {
      {4, "Planet", "PL", "", "", 0, {-5, -5, 5, 5}, {}},
      {4, "Planet", "PL", "", "", kLabelID, {-7, -5, 7, 18}, {"PL"}},
      {4, "Planet", "PL", "", "", kLabelName, {-21, -5, 21, 18}, {"Planet"}},
      {4, "Planet", "PL", "", "", kLabelID | kLabelName, {-21, -5, 21, 31}, {"PL", "Planet"}},
      // ID text equal to the name: one line, the box grows by one line
      {4, "Same", "Same", "", "", kLabelID | kLabelName, {-14, -5, 14, 18}, {"Same"}},
      // a gate: its target as the lowest line
      {18, "Gate", "G1", "Home", "00, 01", kLabelID | kLabelName, {-46, -10, 46, 49}, {"Home [00, 01]", "G1", "Gate"}},
      {18, "Gate", "G1", "Home", "00, 01", kLabelName, {-14, -10, 14, 36}, {"Home", "Gate"}},
      {18, "Gate", "G1", "Home", "00, 01", kLabelID, {-21, -10, 21, 36}, {"00, 01", "G1"}},
      {18, "Gate", "G1", "Home", "00, 01", 0, {-10, -10, 10, 10}, {}},
      // a narrow text keeps the symbol's width; odd widths round halves to even
      {5, "A", "B", "", "", kLabelName, {-7, -7, 7, 20}, {"A"}},
      {6, "ABCDE", "B", "", "", kLabelName, {-18, -4, 18, 17}, {"ABCDE"}},  // 35 / 2 = 17.5 -> 18
      {7, "ABC", "B", "", "", kLabelName, {-10, -4, 10, 17}, {"ABC"}},      // 21 / 2 = 10.5 -> 10
      {99, "x", "y", "", "", 0, {-3, -3, 3, 3}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " type " + std::to_string(c.type) + " mask " + std::to_string(c.mask));
    m.SetLabelMask(c.mask);
    MapRecord r;
    r.Type = c.type;
    r.Name = c.name;
    r.IDText = c.id;
    r.GateTargetName = c.gateName;
    r.GateTargetID = c.gateID;
    m.LayOut(r);
    EXPECT_EQ(r.Box, c.box);
    std::vector<std::string> lines;
    for (int32_t i = 0; i < r.LineCount; ++i) lines.push_back(LineText(r, r.Lines[static_cast<size_t>(i)]));
    EXPECT_EQ(lines, c.lines);
    // Lines stack from the box's bottom up, each centred.
    int32_t bottom = r.Box.bottom;
    for (int32_t i = 0; i < r.LineCount; ++i) {
      const MapLabelLine& l = r.Lines[static_cast<size_t>(i)];
      EXPECT_EQ(l.dy, bottom - 13);
      EXPECT_EQ(l.dx, -(static_cast<int32_t>(LineText(r, l).size()) * 7 / 2));
      bottom -= 13;
    }
  }
  // A new mask measures every record again.
  m.SetLabelMask(kLabelName);
  m.ShowSector(s1, false);
  const MapRect before = m.Records()[0].Box;
  m.SetLabelMask(0);
  EXPECT_EQ(m.Records()[0].Box, (MapRect{-5, -5, 5, 5}));
  EXPECT_NE(before, m.Records()[0].Box);
}

TEST_F(SectorMapTest, ZoomStepsStopAtTheirLimitsAndKeepTheCentre) {
  m.SetPan(10, -4);
  EXPECT_EQ(m.ZoomPanel(), "100.0%");
  int out = 0;
  while (m.ZoomMap(false)) ++out;
  EXPECT_EQ(out, 4);
  EXPECT_NEAR(m.Zoom(), 0.1975, 1e-4);
  EXPECT_EQ(m.ZoomPanel(), "19.8%");
  EXPECT_NEAR(m.PanX(), 10 / std::pow(1.5, 4), 1e-9);
  for (int i = 0; i < 4; ++i) m.ZoomMap(true);
  EXPECT_NEAR(m.Zoom(), 1.0, 1e-12);
  int in = 0;
  while (m.ZoomMap(true)) ++in;
  EXPECT_EQ(in, 21);
  EXPECT_NEAR(m.Zoom(), 4987.885, 0.001);
  EXPECT_EQ(m.ZoomPanel(), "498788.5%");
  EXPECT_NEAR(m.PanY(), -4 * std::pow(1.5, 21), 1e-3);
}

TEST_F(SectorMapTest, ScaleIsTakenFromTheFirstNonZeroHeightAndKept) {
  SectorMapModel fresh;
  fresh.SetBoxSize(300, 0);
  EXPECT_EQ(fresh.Scale(), 0);
  // No division by a zero scale.
  const MapPointD w = fresh.ScreenToWorld(10, 10);
  EXPECT_TRUE(std::isfinite(w.x));
  fresh.MouseDown(true, 10, 10);
  EXPECT_EQ(fresh.MouseDownPoint(), (MapPointL{0, 0}));
  fresh.SetBoxSize(300, 400);
  EXPECT_DOUBLE_EQ(fresh.Scale(), 400 / 50000000.0);
  fresh.SetBoxSize(800, 100);  // a resize does not rescale
  EXPECT_DOUBLE_EQ(fresh.Scale(), 400 / 50000000.0);
  EXPECT_EQ(fresh.MapOrigin(), (MapPointL{400, 50}));
}

TEST_F(SectorMapTest, TransformBothWays) {
  // 500 x 500: origin (250, 250), 1e-5 pixels per unit.
  m.SetPan(0.5, -0.5);
  EXPECT_EQ(m.MapOrigin(), (MapPointL{250, 249}));
  const MapPointD p = m.WorldToScreen(1000000, -2000000);
  EXPECT_DOUBLE_EQ(p.x, 260);
  EXPECT_DOUBLE_EQ(p.y, 229);
  const MapPointD w = m.ScreenToWorld(260, 229);
  EXPECT_NEAR(w.x, 1000000, 1e-6);
  EXPECT_NEAR(w.y, -2000000, 1e-6);
  const MapPointD l = m.LineToScreen(150000, -150000);  // Int(1.5) and Int(-1.5)
  EXPECT_DOUBLE_EQ(l.x, 251);
  EXPECT_DOUBLE_EQ(l.y, 247);
  m.ShowSector(s1, false);
  m.SelectRecord(0, true);
  ASSERT_TRUE(m.CenterOnSelected());
  EXPECT_EQ(m.RecordPixel(m.Records()[0]), (MapPointL{250, 250}));
  m.Center();
  EXPECT_EQ(m.MapOrigin(), (MapPointL{250, 250}));
}

TEST_F(SectorMapTest, HitTestTakesTheFirstBoxEdgesIncluded) {
  m.SetLabelMask(0);
  m.ShowSector(s1, false);
  // sun at (260, 230) box 5; gate at (250, 300) box 10; dock at (220, 250) box 7;
  // ship at (250, 250) box 4
  struct Case {
    double x, y;
    int32_t hit;
  };
  const std::vector<Case> cases = {
      {260, 230, 0}, {265, 235, 0}, {266, 230, -1}, {240, 300, 1}, {260, 310, 1}, {250, 311, -1},
      {213, 250, 2}, {250, 250, 3}, {254, 254, 3},  {255, 250, -1}, {0, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(m.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
  // Overlapping boxes: the first record wins.
  GalaxyObjectPtr ship = Obj(3);
  ship->AddProperty("x", kz::Variant(int32_t{1000000}));
  ship->AddProperty("z", kz::Variant(int32_t{2000000}));
  m.ObjectModified(ship);
  EXPECT_EQ(m.HitTest(260, 230), 0);
}

TEST_F(SectorMapTest, SelectingFollowsTheEditorAndNoObjectDoesNothing) {
  m.ShowSector(s1, false);
  // No object: nothing happens, nothing is read.
  EXPECT_FALSE(m.SelectGalObject(nullptr));
  EXPECT_EQ(m.Selected(), -1);
  EXPECT_TRUE(clicks.empty());

  GalaxyObjectPtr dock = s1->Childs.Item(3);
  // The owner answers OnObjectClick by selecting the same object back: no second event.
  m.OnObjectClick = [&](const GalaxyObjectPtr& o) {
    clicks.push_back(o->key());
    m.SelectGalObject(o);
  };
  EXPECT_TRUE(m.SelectGalObject(dock));
  EXPECT_EQ(m.Selected(), 2);
  EXPECT_EQ(clicks, (std::vector<std::string>{dock->key()}));
  EXPECT_FALSE(m.SelectGalObject(dock));
  EXPECT_EQ(clicks.size(), 1u);
  // An object without a record (the sector itself) leaves the selection.
  EXPECT_FALSE(m.SelectGalObject(s1));
  EXPECT_EQ(m.Selected(), 2);

  // Another sector with AutoSync off: nothing changes.
  m.AutoSync = false;
  GalaxyObjectPtr gate2 = s2->Childs.Item(1);
  EXPECT_FALSE(m.SelectGalObject(gate2));
  EXPECT_EQ(m.ShownSector(), s1);
  EXPECT_EQ(m.Selected(), 2);
  // With AutoSync on, the sector is shown and the object selected.
  m.AutoSync = true;
  m.CopiedID = dock->key();
  EXPECT_TRUE(m.SelectGalObject(gate2));
  EXPECT_EQ(m.ShownSector(), s2);
  EXPECT_EQ(m.Selected(), 0);
  EXPECT_EQ(m.CopiedID, "");  // another sector forgets the copy
  // The sector is read later: selecting again shows its new children.
  ASSERT_TRUE(doc->LoadSectorChildren(s2));
  EXPECT_TRUE(m.SelectGalObject(s2));
  EXPECT_TRUE(m.ShownLoaded());
  EXPECT_EQ(m.Count(), 2);
}

TEST_F(SectorMapTest, RemovingARecordKeepsTheSelectionInside) {
  struct Case {
    int32_t count, selected, remove;
    int32_t selectedAfter;
    std::vector<std::string> ids;
  };
  const std::vector<Case> cases = {
      {1, 0, 0, -1, {}},
      {1, -1, 0, -1, {}},
      {4, 1, 1, -1, {"a", "d", "c"}},
      {4, 3, 1, 1, {"a", "d", "c"}},   // the last one moves into the gap and stays selected
      {4, 3, 3, -1, {"a", "b", "c"}},  // the last one removed while selected: cleared
      {4, 2, 0, 2, {"d", "b", "c"}},
      {4, 0, 7, 0, {"a", "b", "c", "d"}},
      {4, 0, -1, 0, {"a", "b", "c", "d"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.count) + " " + std::to_string(c.selected) + " " + std::to_string(c.remove));
    SectorMapModel r;
    // Records without objects: the ids stand alone.
    for (int32_t i = 0; i < c.count; ++i) {
      GalaxyObjectPtr o = doc->NewGalObject(s1);
      o->SetX(i);
      r.AddRecord(o);
    }
    std::vector<std::string> names = {"a", "b", "c", "d"};
    std::vector<std::string> keys;
    for (const MapRecord& rec : r.Records()) keys.push_back(rec.ID);
    r.SelectRecord(c.selected, true);
    r.RemoveRecord(c.remove, true);
    EXPECT_EQ(r.Selected(), c.selectedAfter);
    EXPECT_LT(r.Selected(), r.Count());
    std::vector<std::string> left;
    for (const MapRecord& rec : r.Records())
      left.push_back(names[static_cast<size_t>(std::find(keys.begin(), keys.end(), rec.ID) - keys.begin())]);
    EXPECT_EQ(left, c.ids);
  }
}

TEST_F(SectorMapTest, AltDragMovesTheSelectionAndOnlyMovedRecordsAreWrittenBack) {
  m.ShowSector(s1, false);
  GalaxyObjectPtr sun = Obj(0), ship = Obj(3);
  m.MouseDown(true, 260, 230);  // on the sun
  EXPECT_EQ(m.Selected(), 0);
  // Alt-drag started anywhere moves the selected object to the pointer.
  EXPECT_TRUE(m.MouseMove(true, true, 300, 200));
  EXPECT_TRUE(m.Modified());
  EXPECT_EQ(m.Records()[0].X, 5000000);
  EXPECT_EQ(m.Records()[0].NegZ, -5000000);
  EXPECT_EQ(m.Records()[0].NegY, 0);
  EXPECT_TRUE(m.Records()[0].Moved);
  EXPECT_EQ(m.SelectionPanel().find("X: 10.000 km, Y: 0.000 km, Z: 10.000 km") != std::string::npos, true)
      << m.SelectionPanel();
  EXPECT_EQ(sun->x(), 1000000);  // nothing written yet
  EXPECT_EQ(m.Caption().substr(m.Caption().size() - 2), " *");

  // Meanwhile the object page edits the nested ship and the sun's y.
  ship->AddProperty("x", kz::Variant(int32_t{77}));
  sun->AddProperty("y", kz::Variant(int32_t{123}));
  sun->AddProperty("x", kz::Variant(int32_t{1}));
  m.ObjectModified(sun);
  // The dragged x and z survive, the edited y follows the object.
  EXPECT_EQ(m.Records()[0].X, 5000000);
  EXPECT_EQ(m.Records()[0].NegZ, -5000000);
  EXPECT_EQ(m.Records()[0].NegY, -123);

  int updates = 0;
  m.OnCoordsUpdated = [&] { ++updates; };
  ASSERT_TRUE(m.WriteBackCoords());
  EXPECT_EQ(updates, 1);
  EXPECT_FALSE(m.Modified());
  EXPECT_EQ(sun->x(), 5000000);
  EXPECT_EQ(sun->y(), 123);
  EXPECT_EQ(sun->z(), 5000000);
  EXPECT_EQ(ship->x(), 77);  // the stale record did not overwrite the page's edit
  EXPECT_FALSE(m.Records()[0].Moved);
  // Nothing moved: nothing written, the event still comes.
  sun->AddProperty("x", kz::Variant(int32_t{9}));
  ASSERT_TRUE(m.WriteBackCoords());
  EXPECT_EQ(sun->x(), 9);
  EXPECT_EQ(updates, 2);
  // No sector shown: nothing.
  m.ShowSector(nullptr, true);
  EXPECT_FALSE(m.WriteBackCoords());
  EXPECT_EQ(updates, 2);
}

TEST_F(SectorMapTest, SideViewDragsYAndPanningKeepsTheGrabbedPoint) {
  m.SetTopView(false);
  m.ShowSector(s1, false);
  m.SelectRecord(2, true);
  m.MouseDown(true, 10, 10);  // empty map
  EXPECT_EQ(m.Selected(), 2);
  m.MouseMove(true, true, 250, 260);
  EXPECT_EQ(m.Records()[2].NegY, 1000000);
  EXPECT_EQ(m.Records()[2].NegZ, 0);
  EXPECT_EQ(m.Records()[2].MovedAxes, kMovedX | kMovedY);
  // Without Alt the left button pans: the point under the press follows the pointer.
  m.MouseDown(true, 100, 100);
  const MapPointD grabbed = m.ScreenToWorld(100, 100);
  EXPECT_TRUE(m.MouseMove(true, false, 130, 90));
  EXPECT_DOUBLE_EQ(m.PanX(), 30);
  EXPECT_DOUBLE_EQ(m.PanY(), -10);
  const MapPointD now = m.ScreenToWorld(130, 90);
  EXPECT_NEAR(now.x, grabbed.x, 1e-6);
  EXPECT_NEAR(now.y, grabbed.y, 1e-6);
  // A plain move only updates the position panel.
  EXPECT_FALSE(m.MouseMove(false, false, 250, 250 - 30));
  EXPECT_EQ(m.MousePanel(), "X: -6.000 km, Y: 4.000 km");  // origin now (280, 240)
}

TEST_F(SectorMapTest, PanelTextsInEveryUnit) {
  m.ShowSector(s1, false);
  m.SelectRecord(0, true);
  struct Case {
    int32_t units;
    std::string mouse, selection;
  };
  const std::string name = m.Records()[0].Name;
  const std::string head = name + (m.Records()[0].IDText != name ? " (" + m.Records()[0].IDText + ")" : "");
  const std::vector<Case> cases = {
      {0, "X: 10.000 km, Z: 20.000 km", head + "   X: 2.000 km, Y: 0.000 km, Z: 4.000 km"},
      {1, "X: 5000000.000 , Z: 10000000.000 ", head + "   X: 1000000.000, Y: 0.000, Z: 2000000.000"},
      {2, "X: 5.400 nm, Z: 10.799 nm", head + "   X: 1.080 nm, Y: 0.000 nm, Z: 2.160 nm"},
  };
  for (const Case& c : cases) {
    m.SetUnits(c.units);
    m.MouseMove(false, false, 300, 150);
    EXPECT_EQ(m.MousePanel(), c.mouse);
    EXPECT_EQ(m.SelectionPanel(), c.selection);
  }
  m.SelectRecord(-1, true);
  EXPECT_EQ(m.SelectionPanel(), "");
}

TEST_F(SectorMapTest, RulerMeasuresFromItsAnchorInEveryUnit) {
  m.MouseDown(false, 250, 250);  // middle press at the origin
  m.ToggleRuler();
  EXPECT_TRUE(m.RulerOn());
  EXPECT_EQ(m.RulerAnchor(), (MapPointL{0, 0}));
  EXPECT_TRUE(m.MouseMove(false, false, 280, 290));  // the ruler repaints on every move
  EXPECT_NEAR(m.RulerDistance(), 5000000, 1e-3);  // 3e6 by 4e6
  struct Case {
    int32_t units;
    std::string text;
  };
  for (const Case& c : std::vector<Case>{{0, "Distance: 10.000 km"}, {1, "Distance: 5000000"}, {2, "Distance: 5.400  nm"}}) {
    m.SetUnits(c.units);
    EXPECT_EQ(m.RulerText(), c.text);
  }
  m.SetUnits(0);
  m.MouseMove(false, false, 250, 250 - 0.5);
  EXPECT_EQ(m.RulerText(), "Distance: 100 m");
  // The anchor is set only when the ruler turns on.
  m.MouseDown(false, 0, 0);
  m.ToggleRuler();
  EXPECT_FALSE(m.RulerOn());
  m.ToggleRuler();
  EXPECT_EQ(m.RulerAnchor(), (MapPointL{-25000000, -25000000}));
}

TEST_F(SectorMapTest, OwnerChangesReachTheRecords) {
  m.ShowSector(s1, false);
  // An object of another sector, or without x, is no record.
  m.ObjectAdded(s2->Childs.Item(1));
  EXPECT_EQ(m.Count(), 4);
  GalaxyObjectPtr bare = doc->CreateGalObject(s1);
  s1->Childs.Add(bare, bare->key());
  m.ObjectAdded(bare);
  EXPECT_EQ(m.Count(), 4);
  bare->SetX(1);
  m.ObjectAdded(bare);
  m.ObjectAdded(bare);  // once only
  EXPECT_EQ(m.Count(), 5);
  // Losing x removes the record without an event.
  m.SelectRecord(4, true);
  bare->RemoveProperty("x");
  m.ObjectModified(bare);
  EXPECT_EQ(m.Count(), 4);
  EXPECT_EQ(m.Selected(), -1);
  // A record appears when an object gains x.
  bare->SetX(2);
  m.ObjectModified(bare);
  EXPECT_EQ(m.Count(), 5);

  // Deleting the dock removes its record and the record of the ship inside it.
  GalaxyObjectPtr dock = Obj(2);
  ASSERT_TRUE(doc->DeleteObject(dock)) << doc->GetLastError();
  m.ObjectRemoved(dock);
  EXPECT_EQ(m.Count(), 3);
  for (const MapRecord& r : m.Records()) EXPECT_NE(m.ObjectOf(r), nullptr);

  // Deleting the shown sector clears the map.
  m.CopiedID = "1k";
  m.RememberedGate = Obj(1);
  ASSERT_TRUE(doc->DeleteObject(s1));
  m.ObjectRemoved(s1);
  EXPECT_EQ(m.ShownSector(), nullptr);
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(m.CopiedID, "");
  EXPECT_EQ(m.RememberedGate, nullptr);
  EXPECT_EQ(m.Caption(), "Sector Map");
}

TEST_F(SectorMapTest, CaptionNamesTheSectorAndTheUnsavedMoves) {
  EXPECT_EQ(m.Caption(), "Sector Map");
  m.ShowSector(s1, false);
  EXPECT_EQ(m.Caption(), "Sector Map [" + doc->GetObjectName(s1) + "]");
  m.SelectRecord(0, true);
  m.MouseMove(true, true, 1, 1);
  EXPECT_EQ(m.Caption(), "Sector Map [" + doc->GetObjectName(s1) + "] *");
  m.Clear();
  EXPECT_EQ(m.Caption(), "Sector Map");
}
