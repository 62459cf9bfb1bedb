// The universe map's behaviour without a window: the members the galaxy editor calls,
// keys, mouse, Alt+drag, and adding, removing, copying and pasting sectors, with the
// events they raise and their messages.
#include "UniverseFixture.h"

using unitest::GateXml;
using unitest::SectorXml;
using Button = clsUniverseEditor::Button;

namespace {

// Home (0,0) -- Far Away (1,0); Home -- Third (2,1); Corner (5,5) alone. Third also
// holds a ship, so it is not loaded after opening.
const std::string kMap = SectorXml(0, 0, "Home", GateXml(1, 0) + GateXml(2, 1, 1), " r=\"1\"") +
                         SectorXml(1, 0, "Far Away", GateXml(0, 0), " r=\"2\"") +
                         SectorXml(2, 1, "Third", GateXml(0, 0, 3) + "<o t=\"7\" s=\"SS_SH_A\" x=\"1\"/>\n") +
                         SectorXml(5, 5, "Corner");

struct UniverseEdit : unitest::UniverseTest {
  void SetUp() override {
    UniverseTest::SetUp();
    Open(kMap);
  }
  GalaxyObjectPtr SectorNamed(const std::string& name) {
    for (const GalaxyObjectPtr& s : doc->Sectors)
      if (unitest::NameAttr(s) == name) return s;
    return nullptr;
  }
  GalaxyObjectPtr FirstGate(const GalaxyObjectPtr& sector) {
    for (const GalaxyObjectPtr& c : sector->Childs)
      if (c->otype() == 18) return c;
    return nullptr;
  }
  void Press(int col, int row, Button b = Button::Left) {
    auto [x, y] = Centre(col, row);
    map.MousePress(x, y, b);
  }
  // Alt+drag of the sector at one place to another.
  void AltDrag(std::pair<int, int> from, std::pair<int, int> to) {
    Press(from.first, from.second);
    auto [fx, fy] = Centre(from.first, from.second);
    map.MouseMove(fx + 1, fy, true, true);
    auto [tx, ty] = Centre(to.first, to.second);
    map.MouseMove(tx, ty, true, true);
    events.clear();
    map.MouseRelease(tx, ty, Button::Left, true);
  }
  std::string Xml() { return doc->XML().GetXML(); }
};

}  // namespace

TEST_F(UniverseEdit, ShowingBuildsOneRecordPerSectorWithItsTargets) {
  ASSERT_EQ(map.Layout.Count(), 4);
  EXPECT_EQ(map.Layout.Records[0].gateTargets, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(map.Selected(), -1);
  EXPECT_EQ(map.CaptionText(), "Universe Map [" + doc->FileName + "]");
  EXPECT_TRUE(events.empty());
}

TEST_F(UniverseEdit, ClearForgetsRecordsSelectionDragAndTheCopiedSector) {
  Press(1, 0);
  MoveTo(1, 0);
  map.CopySector();
  map.MouseMove(Centre(1, 0).first, Centre(1, 0).second, true, true);  // an Alt+drag starts
  ASSERT_EQ(map.Dragged(), 1);
  ASSERT_TRUE(map.CopiedSector());
  map.Clear();
  EXPECT_EQ(map.Layout.Count(), 0);
  EXPECT_EQ(map.Layout.IndexAt(1, 0), -1);
  EXPECT_EQ(map.Layout.HitTest(Centre(1, 0).first, Centre(1, 0).second), -1);
  EXPECT_EQ(map.Selected(), -1);
  EXPECT_EQ(map.Dragged(), -1);
  EXPECT_FALSE(map.CopiedSector());
  EXPECT_EQ(map.SectorStatus(), "");

  // Another map: nothing of the old one is pasted into it.
  Load(unitest::Universe(SectorXml(0, 0, "New")), "other.xml");
  map.RefreshUniverse(doc);
  events.clear();
  MoveTo(3, 3);
  EXPECT_FALSE(map.Popup().paste);
  map.PasteSector();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(doc->Sectors.Count(), 1);
}

// A new map refills the same document without a Clear: a sector copied from the old
// content is dropped at the refresh.
TEST_F(UniverseEdit, ACopiedSectorOfAReplacedDocumentIsNeverPasted) {
  MoveTo(2, 1);
  map.CopySector();
  ASSERT_TRUE(map.CopiedSector());
  ASSERT_TRUE(doc->NewFile());
  map.RefreshUniverse(doc);
  EXPECT_FALSE(map.CopiedSector());
  MoveTo(0, 0);
  EXPECT_FALSE(map.Popup().paste);
  map.PasteSector();
  EXPECT_EQ(doc->Sectors.Count(), 0);
  EXPECT_EQ(Xml().find("Third"), std::string::npos);
}

TEST_F(UniverseEdit, SelectSectorSelectsTheHoldingSectorWithoutAnEvent) {
  GalaxyObjectPtr far = SectorNamed("Far Away");
  map.SelectSector(FirstGate(far));
  EXPECT_EQ(map.Selected(), 1);
  EXPECT_EQ(map.SectorStatus(), "Far Away (1, 0)");
  EXPECT_EQ(map.RaceStatus(), "Brenn");
  const int before = repaints;
  map.SelectSector(far);  // already selected: nothing at all
  EXPECT_EQ(repaints, before);
  map.SelectSector(nullptr);
  EXPECT_EQ(map.Selected(), -1);
  EXPECT_EQ(map.SectorStatus(), "");
  EXPECT_TRUE(events.empty());
}

// The selection stays through a rebuild; it is announced again only when its index now
// names another sector (announcing the same one would pull the owner off a gate it shows).
TEST_F(UniverseEdit, RebuildsKeepTheSelectionAndAnnounceOnlyAnotherSector) {
  map.Select(3, false);
  GalaxyObjectPtr third = SectorNamed("Third");
  ASSERT_TRUE(doc->LoadSectorChildren(third));
  GalaxyObjectPtr ship = third->Childs.Item(2);
  map.ObjectModified(ship);  // neither sector nor gate: ignored
  EXPECT_TRUE(events.empty());
  map.ObjectModified(third);
  map.ObjectModified(FirstGate(third));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(map.Selected(), 3);
  EXPECT_EQ(map.SectorStatus(), "Corner (5, 5)");
  // Removed sectors leave the selection beyond the records: it is dropped.
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(doc->DeleteObject(doc->Sectors.Item(doc->Sectors.Count())));
  events.clear();
  map.ObjectRemoved(third);
  EXPECT_EQ(map.Selected(), -1);
  EXPECT_TRUE(events.empty());
}

TEST_F(UniverseEdit, ArrowKeysEnterAndShiftPan) {
  EXPECT_TRUE(map.KeyDown(clsUniverseEditor::kRight, false));
  EXPECT_EQ(map.Selected(), 0);  // the first record, quietly
  EXPECT_TRUE(events.empty());
  map.KeyDown(clsUniverseEditor::kRight, false);
  map.KeyDown(clsUniverseEditor::kRight, false);  // nothing further right on row 0
  map.KeyDown(clsUniverseEditor::kDown, false);   // (1,1) empty, nothing below in column 1
  map.KeyDown(clsUniverseEditor::kLeft, false);
  map.KeyDown(clsUniverseEditor::kEnter, false);
  EXPECT_EQ(events, (std::vector<std::string>{"click:Far Away", "click:Home", "display:Home"}));
  const double panX = map.Layout.PanX, panY = map.Layout.PanY;
  map.KeyDown(clsUniverseEditor::kLeft, true);
  EXPECT_DOUBLE_EQ(map.Layout.PanX, panX + 20);
  map.KeyDown(clsUniverseEditor::kDown, true);
  EXPECT_DOUBLE_EQ(map.Layout.PanY, panY - 20);
  EXPECT_EQ(map.Selected(), 0);
  EXPECT_FALSE(map.KeyDown(65, false));
}

TEST_F(UniverseEdit, ArrowKeysScrollTheSelectionIntoView) {
  map.Layout.PanX = -1000;
  map.KeyDown(clsUniverseEditor::kDown, false);
  EXPECT_EQ(map.Selected(), 0);
  const auto [x, y] = Centre(0, 0);
  EXPECT_GE(x, 0);
  EXPECT_LE(x, 400);
}

TEST_F(UniverseEdit, MouseSelectsPansAndAsksForThePopup) {
  Press(1, 0);
  EXPECT_EQ(map.Selected(), 1);
  Press(3, 3);  // left on an empty cell: the selection stays
  EXPECT_EQ(map.Selected(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"click:Far Away"}));
  events.clear();
  Press(3, 3, Button::Right);  // right on an empty cell: cleared, quietly
  EXPECT_EQ(map.Selected(), -1);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(map.MouseRelease(Centre(3, 3).first, Centre(3, 3).second, Button::Right, false));
  EXPECT_FALSE(map.MouseRelease(0, 0, Button::Left, false));

  // A left drag keeps the grab point under the mouse.
  map.MousePress(10, 10, Button::Left);
  map.MouseMove(50, 30, true, false);
  EXPECT_DOUBLE_EQ(map.Layout.PanX, 40);
  EXPECT_DOUBLE_EQ(map.Layout.PanY, 20);
  map.MouseMove(40 + 2 * map.Layout.CellWidth + 1, 20 + 1, false, false);
  EXPECT_EQ(map.PlaceStatus(), "X: 2, Y: 0");
  map.MouseMove(39, 19, false, false);
  EXPECT_EQ(map.PlaceStatus(), "X: -1, Y: -1");

  events.clear();
  MoveTo(0, 0);
  map.DoubleClick();
  MoveTo(4, 4);
  map.DoubleClick();  // nothing there
  EXPECT_EQ(events, (std::vector<std::string>{"display:Home"}));
}

TEST_F(UniverseEdit, PopupStateFollowsTheCellUnderTheMouse) {
  struct Case {
    std::pair<int, int> at;
    bool copied;
    bool add, remove, copy, paste;
  };
  const Case cases[] = {{{0, 0}, false, false, true, true, false},
                        {{3, 3}, false, true, false, false, false},
                        {{3, 3}, true, true, false, false, true},
                        {{0, 0}, true, false, true, true, false}};
  for (const Case& c : cases) {
    if (c.copied) {
      MoveTo(5, 5);
      map.CopySector();
    }
    MoveTo(c.at.first, c.at.second);
    clsUniverseEditor::PopupState s = map.Popup();
    EXPECT_EQ(s.addSector, c.add);
    EXPECT_EQ(s.removeSector, c.remove);
    EXPECT_EQ(s.copy, c.copy);
    EXPECT_EQ(s.paste, c.paste);
    EXPECT_TRUE(s.names);
    EXPECT_TRUE(s.grid);
  }
  doc->Good = false;  // no document loaded: nothing to edit
  clsUniverseEditor::PopupState s = map.Popup();
  EXPECT_FALSE(s.addSector || s.removeSector || s.copy || s.paste);
  map.ToggleGrid();
  map.ToggleNames();
  EXPECT_FALSE(map.Popup().grid);
  EXPECT_FALSE(map.Popup().names);
  EXPECT_EQ(map.Layout.CellWidth, 24);
  EXPECT_EQ(map.Layout.CellHeight, 26);
}

TEST_F(UniverseEdit, AltDragMovesTheSectorAndRepointsEveryGateThatLedThere) {
  GalaxyObjectPtr far = SectorNamed("Far Away");
  GalaxyObjectPtr home = SectorNamed("Home");
  GalaxyObjectPtr gate = FirstGate(home);
  AltDrag({1, 0}, {3, 4});
  EXPECT_EQ(far->x(), 3);
  EXPECT_EQ(far->y(), 4);
  EXPECT_EQ(gate->NamedProperty("gx"), kz::Variant(3));
  EXPECT_EQ(gate->NamedProperty("gy"), kz::Variant(4));
  // The sector first, then each re-pointed gate; the selection stays on the moved sector.
  EXPECT_EQ(events, (std::vector<std::string>{"modified:Far Away", "modified:gate" + gate->key()}));
  EXPECT_EQ(map.Selected(), 1);
  EXPECT_EQ(map.Dragged(), -1);
  EXPECT_EQ(map.Layout.IndexAt(3, 4), 1);
  EXPECT_EQ(map.Layout.IndexAt(1, 0), -1);
  EXPECT_EQ(map.Layout.Records[0].gateTargets, (std::vector<int32_t>{1, 2}));
  // Written at once: the gate, and the sector whose children were never read.
  const std::string xml = Xml();
  EXPECT_NE(xml.find("x=\"3\" y=\"4\" name=\"Far Away\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("gx=\"3\" gy=\"4\""), std::string::npos) << xml;
  EXPECT_EQ(xml.find("gx=\"1\" gy=\"0\""), std::string::npos) << xml;
}

TEST_F(UniverseEdit, AltDragOntoASectorOrOutsideTheGridMovesNothing) {
  AltDrag({1, 0}, {5, 5});
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(ui->Calls("MsgBox").empty());
  EXPECT_EQ(SectorNamed("Far Away")->x(), 1);

  AltDrag({1, 0}, {24, 0});
  EXPECT_TRUE(events.empty());
  ASSERT_EQ(ui->Calls("MsgBox").size(), 1u);
  EXPECT_EQ(ui->Last("MsgBox")->Text, "Allowed coordinates values are X<0; 23>, Y<0; 19>");
  EXPECT_EQ(ui->Last("MsgBox")->Title, "Galaxy Editor - Universe Map");
  EXPECT_EQ(ui->Last("MsgBox")->Flags, platform::vbExclamation);
  EXPECT_EQ(SectorNamed("Far Away")->x(), 1);
  EXPECT_EQ(map.Dragged(), -1);

  // A drag begun on an empty cell moves nothing; Alt let go ends a drag.
  AltDrag({4, 4}, {6, 6});
  EXPECT_TRUE(events.empty());
  Press(1, 0);
  map.MouseMove(Centre(1, 0).first, Centre(1, 0).second, true, true);
  MoveTo(7, 7);
  map.MouseRelease(Centre(7, 7).first, Centre(7, 7).second, Button::Right, true);  // Alt still held
  EXPECT_EQ(map.Dragged(), 1);
  map.KeyUpWithoutAlt();
  EXPECT_EQ(map.Dragged(), -1);
  EXPECT_EQ(SectorNamed("Far Away")->x(), 7);
}

TEST_F(UniverseEdit, AddSectorWritesTheSectorWithItsBackgroundAndSelectsIt) {
  const int32_t objects = doc->objects.Count();
  MoveTo(4, 2);
  map.AddSector();
  ASSERT_EQ(doc->Sectors.Count(), 5);
  GalaxyObjectPtr added = doc->Sectors.Item(5);
  EXPECT_EQ(added->x(), 4);
  EXPECT_EQ(added->y(), 2);
  EXPECT_TRUE(added->Loaded);
  ASSERT_EQ(added->Childs.Count(), 1);
  EXPECT_EQ(added->Childs.Item(1)->otype(), 2);
  EXPECT_EQ(events, (std::vector<std::string>{"created:", "click:"}));
  EXPECT_EQ(map.Selected(), 4);
  EXPECT_EQ(doc->objects.Count(), objects + 2);
  // In the document: the sector with its background inside it.
  const std::string xml = Xml();
  const size_t at = xml.find("x=\"4\" y=\"2\"");
  ASSERT_NE(at, std::string::npos) << xml;
  EXPECT_NE(xml.find("<o t=\"2\"", at), std::string::npos) << xml;

  // On a sector: nothing; outside the grid: the range message and no object made.
  events.clear();
  MoveTo(0, 0);
  map.AddSector();
  MoveTo(30, 2);
  map.AddSector();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(doc->objects.Count(), objects + 2);
  ASSERT_EQ(ui->Calls("MsgBox").size(), 1u);
  EXPECT_EQ(ui->Last("MsgBox")->Text, mdlUniverseMap::RangeMessage());
}

// A new sector's attributes stand in the order of a sector made anywhere else: the
// type, the race its defaults give, the position, then the colours.
TEST_F(UniverseEdit, AddSectorWritesItsAttributesInTheOrderOfANewSector) {
  MoveTo(4, 2);
  map.AddSector();
  ASSERT_EQ(doc->Sectors.Count(), 5);
  GalaxyObjectPtr added = doc->Sectors.Item(5);
  std::vector<std::string> names;
  for (const auto& p : *added) names.push_back(p->Name);
  const std::vector<std::string> order = {"t", "r", "x", "y", "color", "ff", "fc", "fn"};
  EXPECT_EQ(names, order);
  const std::string xml = Xml();
  EXPECT_NE(xml.find("<o t=\"1\" r=\"1\" x=\"4\" y=\"2\" color=\"0\" ff=\"0\" fc=\"0\" fn=\"0\""),
            std::string::npos)
      << xml;
}

TEST_F(UniverseEdit, RemoveSectorAsksFirst) {
  GalaxyObjectPtr far = SectorNamed("Far Away");
  map.KeyDown(clsUniverseEditor::kDelete, false);  // nothing selected: no question
  EXPECT_TRUE(ui->Calls("MsgBox").empty());
  Press(1, 0);
  events.clear();
  ui->PushMsgBox(platform::vbNo);
  map.KeyDown(clsUniverseEditor::kDelete, false);
  ASSERT_EQ(ui->Calls("MsgBox").size(), 1u);
  EXPECT_EQ(ui->Last("MsgBox")->Text, "Do you really want to remove sector Far Away (" + doc->GetObjectID(far) + ") ?");
  EXPECT_EQ(ui->Last("MsgBox")->Flags, platform::vbYesNo | platform::vbQuestion);
  EXPECT_EQ(doc->Sectors.Count(), 4);
  EXPECT_TRUE(events.empty());

  ui->PushMsgBox(platform::vbYes);
  map.RemoveSector();
  EXPECT_EQ(doc->Sectors.Count(), 3);
  EXPECT_FALSE(doc->objects.Find(far->key()));
  EXPECT_EQ(Xml().find("Far Away"), std::string::npos);
  EXPECT_EQ(map.Layout.IndexAt(1, 0), -1);
  // The kept selection now names the next sector; then the deletion.
  EXPECT_EQ(events, (std::vector<std::string>{"click:Third", "deleted:Far Away"}));
  EXPECT_EQ(map.Layout.Records[0].gateTargets, (std::vector<int32_t>{-1, 1}));
}

TEST_F(UniverseEdit, PasteLoadsTheCopiedSectorFirstAndPlacesAWholeCopy) {
  GalaxyObjectPtr third = SectorNamed("Third");
  ASSERT_FALSE(third->Loaded);
  MoveTo(2, 1);
  map.CopySector();
  MoveTo(0, 0);
  map.PasteSector();  // onto a sector: nothing
  EXPECT_TRUE(events.empty());
  MoveTo(6, 7);
  map.PasteSector();
  EXPECT_TRUE(third->Loaded);
  ASSERT_EQ(doc->Sectors.Count(), 5);
  GalaxyObjectPtr copy = doc->Sectors.Item(5);
  EXPECT_NE(copy, third);
  EXPECT_EQ(copy->x(), 6);
  EXPECT_EQ(copy->y(), 7);
  EXPECT_EQ(third->x(), 2);
  ASSERT_EQ(copy->Childs.Count(), 2);
  EXPECT_EQ(copy->Childs.Item(2)->otype(), 7);
  EXPECT_EQ(events, (std::vector<std::string>{"created:Third"}));
  EXPECT_EQ(map.Layout.IndexAt(6, 7), 4);
  EXPECT_EQ(map.Layout.Records[4].gateTargets, (std::vector<int32_t>{0}));
  const std::string xml = Xml();
  const size_t at = xml.find("x=\"6\" y=\"7\"");
  ASSERT_NE(at, std::string::npos) << xml;
  EXPECT_NE(xml.find("s=\"SS_SH_A\"", at), std::string::npos) << xml;

  // Outside the grid: the range message, no copy made.
  const int32_t objects = doc->objects.Count();
  MoveTo(-1, 3);
  map.PasteSector();
  EXPECT_EQ(doc->objects.Count(), objects);
  EXPECT_EQ(ui->Last("MsgBox")->Text, mdlUniverseMap::RangeMessage());
}
