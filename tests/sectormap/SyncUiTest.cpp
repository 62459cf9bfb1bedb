// The galaxy editor and the sector map follow each other.
#include <QAction>
#include <QCheckBox>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GalaxyFixture.h"
#include "core/Common.h"
#include "core/ui/GenericUi.h"
#include "galaxy/MapSurface.h"
#include "galaxy/SectorMap.h"

namespace {
void AltDrag(frmSectorMap* map, QPointF to) {
  QMouseEvent e(QEvent::MouseMove, to, map->Map->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  QApplication::sendEvent(map->Map, &e);
}
}  // namespace

class MapSyncUi : public GalaxyTest {
 protected:
  frmGalaxyEditor* w = nullptr;
  GalaxyObjectPtr s1, s2, sun, dock, gate, asteroid;
  void SetUp() override {
    GalaxyTest::SetUp();
    w = Editor(PathOf("maps/u.xml"));
    s1 = w->Parser()->Sectors.Item(1);
    s2 = w->Parser()->Sectors.Item(2);
    w->ExpandNode(w->NodeOf(s1));
    ASSERT_TRUE(s1->Loaded);
    sun = s1->Childs.Item(2);
    dock = s1->Childs.Item(3);
    gate = s1->Childs.Item(4);
    asteroid = s1->Childs.Item(5);
  }
  frmSectorMap* OpenMap() {
    w->ToolbarAction("map");
    EXPECT_NE(w->SectorMap(), nullptr);
    return w->SectorMap();
  }
  std::string Selected(frmSectorMap* m) {
    const auto* r = m->Model().SelectedRecord();
    return r ? r->ID : std::string("none");
  }
};

TEST_F(MapSyncUi, OpeningShowsTheCurrentObjectAndSelectionsFollowBothWays) {
  w->SelectObjectNode(dock);
  frmSectorMap* m = OpenMap();
  ASSERT_TRUE(m);
  EXPECT_TRUE(w->Button("map")->isChecked());
  EXPECT_TRUE(m->isVisible());
  EXPECT_EQ(m->Model().ShownSector(), s1);
  EXPECT_EQ(m->Model().Count(), 4);  // sun, dock, gate, asteroid
  EXPECT_EQ(Selected(m), dock->key());

  // The editor's selection reaches the map.
  w->SelectObjectNode(sun);
  EXPECT_EQ(Selected(m), sun->key());
  w->SelectObjectNode(asteroid);
  EXPECT_EQ(Selected(m), asteroid->key());
  // A click on the map selects the tree node and the page; the map keeps its selection.
  const int32_t i = m->Model().FindRecord(sun);
  const auto p = m->Model().RecordPixel(m->Model().Records()[static_cast<size_t>(i)]);
  QTest::mouseClick(m->Map, Qt::LeftButton, Qt::NoModifier, QPoint(p.x, p.y));
  EXPECT_EQ(w->CurrentObject(), sun);
  EXPECT_EQ(w->Tree->currentItem(), w->NodeOf(sun));
  EXPECT_EQ(Selected(m), sun->key());

  // The other sector: shown when selected (auto sync), its gate selected.
  w->SelectObjectNode(s2);
  EXPECT_EQ(m->Model().ShownSector(), s2);
  EXPECT_FALSE(m->Model().ShownLoaded());
  // Expanding it while it is current reads its children, and the map picks them up.
  w->ExpandNode(w->NodeOf(s2));
  EXPECT_TRUE(m->Model().ShownLoaded());

  // Closing from the editor's button: the map goes, the button is released.
  w->ToolbarAction("map");
  EXPECT_EQ(w->SectorMap(), nullptr);
  EXPECT_FALSE(w->Button("map")->isChecked());
}

TEST_F(MapSyncUi, SyncButtonShowsTheCurrentObjectEvenWithoutAutoSync) {
  frmGalaxyEditor* editor = w;
  editor->SelectNode(nullptr);
  frmSectorMap* m = OpenMap();
  m->chkAutoSync->click();
  ASSERT_FALSE(m->Model().AutoSync);
  m->Clear();
  editor->SelectObjectNode(gate);
  EXPECT_EQ(m->Model().ShownSector(), nullptr);  // no auto sync
  m->ToolbarAction("sync");
  EXPECT_EQ(m->Model().ShownSector(), s1);
  EXPECT_EQ(Selected(m), gate->key());
  // With nothing current, sync leaves the map as it is.
  w->SelectObjectNode(nullptr);
  ASSERT_EQ(w->CurrentObject(), nullptr);
  m->ToolbarAction("sync");
  EXPECT_EQ(m->Model().ShownSector(), s1);
  EXPECT_EQ(Selected(m), gate->key());
}

TEST_F(MapSyncUi, UnsavedMovesAreAskedAboutWhenTheMapOrTheEditorCloses) {
  w->SelectObjectNode(sun);
  frmSectorMap* m = OpenMap();
  AltDrag(m, QPointF(20, 20));
  ASSERT_TRUE(m->Model().Modified());
  // Cancel at the editor's button keeps the map and the button pressed.
  ui_->PushMsgBox(platform::vbCancel);
  w->ToolbarAction("map");
  EXPECT_EQ(w->SectorMap(), m);
  EXPECT_TRUE(w->Button("map")->isChecked());
  // Closing the editor asks there first; Cancel keeps the editor open.
  ui_->PushMsgBox(platform::vbCancel);
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(LastMsg(), "You have modified object coordinates.\r\nDo you want to update them in Galaxy Editor?");
  EXPECT_EQ(w->SectorMap(), m);
  // Yes writes the moves back: the editor is modified and the page shows the object again.
  const int32_t oldX = sun->x();
  ui_->PushMsgBox(platform::vbYes);
  w->ToolbarAction("map");
  EXPECT_EQ(w->SectorMap(), nullptr);
  EXPECT_NE(sun->x(), oldX);
  EXPECT_TRUE(w->Modified());
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
}

TEST_F(MapSyncUi, ChangesOnEitherSideReachTheOther) {
  w->SelectObjectNode(sun);
  frmSectorMap* m = OpenMap();
  // Deleting on the map removes the node; the current object moves on.
  w->SelectObjectNode(asteroid);
  ui_->PushMsgBox(platform::vbYes);
  m->DeleteObject();
  EXPECT_EQ(w->NodeOf(asteroid), nullptr);
  EXPECT_NE(w->CurrentObject(), asteroid);
  EXPECT_TRUE(w->Modified());
  EXPECT_EQ(m->Model().Count(), 3);

  // Deleting in the editor removes the record.
  w->SelectObjectNode(dock);
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_EQ(m->Model().FindRecord(dock), -1);
  EXPECT_EQ(m->Model().Count(), 2);

  // An object added on the map appears in the tree.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), m->Map->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(m->Map, &press);
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 6);
    d.FillSubtypes();
    d.AcceptDialog();
  });
  m->PreparePopup();
  m->mnuPopAddObj->trigger();
  GalaxyObjectPtr added = s1->Childs.Item(s1->Childs.Count());
  EXPECT_EQ(added->otype(), 6);
  EXPECT_NE(w->NodeOf(added), nullptr);
  EXPECT_EQ(w->CurrentObject(), added);
  EXPECT_EQ(Selected(m), added->key());

  // An object added in the editor gets a record when it has coordinates.
  w->SelectObjectNode(s1);
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 6);
    d.FillSubtypes();
    d.AcceptDialog();
  });
  const int before = m->Model().Count();
  const int children = s1->Childs.Count();
  w->AddNewObject(false);
  ASSERT_EQ(s1->Childs.Count(), children + 1);
  GalaxyObjectPtr ship = s1->Childs.Item(s1->Childs.Count());
  EXPECT_EQ(m->Model().Count(), before + (ship->Property(std::string_view("x")) ? 1 : 0));

  // A property change on the page reaches the record.
  sun->AddProperty("x", kz::Variant(int32_t{-5000000}));
  w->ObjectChanged(sun, true);
  EXPECT_EQ(m->Model().Records()[static_cast<size_t>(m->Model().FindRecord(sun))].X, -5000000);

  // Opening a file clears the map; the next selection shows the new document.
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(w->SectorMap(), m);
  w->SelectObjectNode(w->Parser()->Sectors.Item(1));
  EXPECT_EQ(m->Model().ShownSector(), w->Parser()->Sectors.Item(1));
}

// After a paste on the map the tree, the object page and the map all select the copy,
// and Delete in the tree deletes the copy.
TEST_F(MapSyncUi, APasteOnTheMapSelectsTheCopyInEveryView) {
  w->SelectObjectNode(sun);
  frmSectorMap* m = OpenMap();
  ASSERT_EQ(Selected(m), sun->key());
  m->CopySelected();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), m->Map->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(m->Map, &press);
  const int children = s1->Childs.Count();
  m->PreparePopup();
  m->mnuPopPaste->trigger();
  ASSERT_EQ(s1->Childs.Count(), children + 1);
  GalaxyObjectPtr copy = s1->Childs.Item(s1->Childs.Count());
  EXPECT_EQ(Selected(m), copy->key());
  EXPECT_EQ(w->CurrentObject(), copy);
  ASSERT_NE(w->NodeOf(copy), nullptr);
  EXPECT_EQ(w->Tree->currentItem(), w->NodeOf(copy));
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_FALSE(s1->Childs.Exists(copy->key()));
  EXPECT_TRUE(s1->Childs.Exists(sun->key()));
}

TEST_F(MapSyncUi, ClosingTheMapFromItsFrameReleasesTheButtonAndTheEditorUnloadsIt) {
  w->SelectObjectNode(sun);
  frmSectorMap* m = OpenMap();
  QPointer<frmSectorMap> guard(m);
  EXPECT_TRUE(m->close());
  EXPECT_EQ(w->SectorMap(), nullptr);
  EXPECT_FALSE(w->Button("map")->isChecked());
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
  // Open again, then close the editor: the map goes with it.
  m = OpenMap();
  guard = m;
  EXPECT_TRUE(w->close());
  EXPECT_EQ(w->SectorMap(), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

TEST_F(MapSyncUi, GateLinksReachTheEditorAndDeletingTheShownSectorClearsTheMap) {
  w->ExpandNode(w->NodeOf(s2));
  GalaxyObjectPtr back = s2->Childs.Item(1);
  ASSERT_EQ(back->otype(), 18);
  back->SetX(0);  // a gate with coordinates, so it is on the map
  w->SelectObjectNode(gate);
  frmSectorMap* m = OpenMap();
  m->SelectGate();
  w->SelectObjectNode(back);
  ASSERT_EQ(m->Model().ShownSector(), s2);
  // Point the far gate somewhere else first, then link it back one way.
  back->AddProperty("gx", kz::Variant(int32_t{7}));
  w->ObjectChanged(back, true);
  EXPECT_EQ(m->Model().Records()[0].GateTargetID, "");
  ui_->PushMsgBox(platform::vbNo);
  m->LinkGates();
  EXPECT_EQ(kz::CStr(back->NamedProperty("gx")), "0");
  EXPECT_EQ(m->Model().Records()[0].GateTargetID, w->Parser()->GetObjectID(s1));  // rebuilt by the editor's answer
  EXPECT_TRUE(w->Modified());
  EXPECT_EQ(w->CurrentObject(), back);

  // Deleting the shown sector in the editor empties the map.
  ui_->PushMsgBox(platform::vbYes);
  w->SelectObjectNode(s2);
  w->DeleteCurrentObject();
  EXPECT_EQ(m->Model().ShownSector(), w->CurrentObject() ? kz::GetSectorOf(w->CurrentObject()) : nullptr);
  EXPECT_NE(m->Model().ShownSector(), s2);
  for (const auto& r : m->Model().Records()) EXPECT_NE(m->Model().ObjectOf(r), nullptr);
}
