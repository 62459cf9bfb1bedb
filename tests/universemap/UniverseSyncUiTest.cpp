// The galaxy editor, the universe map and the sector map kept in step.
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "GalaxyFixture.h"
#include "galaxy/MapSurface.h"
#include "galaxy/SectorMap.h"
#include "galaxy/UniverseMap.h"

namespace {

class UniverseSync : public GalaxyTest {
 protected:
  frmGalaxyEditor* w = nullptr;
  GalaxyObjectPtr s1, s2;

  void SetUp() override {
    GalaxyTest::SetUp();
    w = Editor(PathOf("maps/u.xml"));
    s1 = w->Parser()->Sectors.Item(1);
    s2 = w->Parser()->Sectors.Item(2);
  }
  frmUniverseMap* Open() {
    w->ToolbarAction("universe");
    EXPECT_NE(w->UniverseMap(), nullptr);
    return w->UniverseMap();
  }
  QPoint Centre(frmUniverseMap* u, int col, int row) const {
    const auto& l = u->Model().Layout;
    return QPoint(static_cast<int>(l.PixelX(col) + l.CellWidth / 2), static_cast<int>(l.PixelY(row) + l.CellHeight / 2));
  }
  void Send(frmUniverseMap* u, QEvent::Type type, QPoint at, Qt::MouseButton b, Qt::MouseButtons bs,
            Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent e(type, QPointF(at), QPointF(u->Map->mapToGlobal(at)), b, bs, mods);
    QApplication::sendEvent(u->Map, &e);
  }
  GalaxyObjectPtr GateOf(const GalaxyObjectPtr& sector) {
    for (const GalaxyObjectPtr& c : sector->Childs)
      if (c->otype() == 18) return c;
    return nullptr;
  }
};

}  // namespace

TEST_F(UniverseSync, TheButtonOpensAndClosesTheMapAndSelectionsFollowBothWays) {
  w->ExpandNode(w->NodeOf(s1));
  GalaxyObjectPtr dock = s1->Childs.Item(3);
  w->SelectObjectNode(dock);
  frmUniverseMap* u = Open();
  ASSERT_TRUE(u);
  EXPECT_TRUE(w->Button("universe")->isChecked());
  EXPECT_TRUE(u->isVisible());
  EXPECT_EQ(u->Model().Layout.Count(), 2);
  EXPECT_EQ(u->Model().Selected(), 0);  // the dock's sector, without taking the dock away
  EXPECT_EQ(w->CurrentObject(), dock);
  EXPECT_EQ(u->PanelText(3), "Home (0, 0)");

  // A click on the map selects the sector in the tree.
  Send(u, QEvent::MouseButtonPress, Centre(u, 1, 0), Qt::LeftButton, Qt::LeftButton);
  Send(u, QEvent::MouseButtonRelease, Centre(u, 1, 0), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(w->CurrentObject(), s2);
  EXPECT_EQ(w->Tree->currentItem(), w->NodeOf(s2));
  // The tree's selection reaches the map.
  w->SelectObjectNode(s1->Childs.Item(2));
  EXPECT_EQ(u->Model().Selected(), 0);
  QTest::keyClick(u->Map, Qt::Key_Right);
  EXPECT_EQ(w->CurrentObject(), s2);

  w->ToolbarAction("universe");
  QApplication::processEvents();
  EXPECT_EQ(w->UniverseMap(), nullptr);
  EXPECT_FALSE(w->Button("universe")->isChecked());
  // Closed by the user: the button is released as well.
  u = Open();
  u->close();
  QApplication::processEvents();
  EXPECT_EQ(w->UniverseMap(), nullptr);
  EXPECT_FALSE(w->Button("universe")->isChecked());
}

// A changed gate rebuilds the map; the editor stays on the gate it shows.
TEST_F(UniverseSync, EditingAGateKeepsItTheCurrentObject) {
  w->ExpandNode(w->NodeOf(s1));
  GalaxyObjectPtr gate = GateOf(s1);
  w->SelectObjectNode(gate);
  frmUniverseMap* u = Open();
  ASSERT_EQ(u->Model().Layout.Records[0].gateTargets, (std::vector<int32_t>{1}));
  gate->AddProperty("gx", kz::Variant(7));
  w->ObjectChanged(gate, true);
  EXPECT_EQ(w->CurrentObject(), gate);
  EXPECT_EQ(u->Model().Layout.Records[0].gateTargets, (std::vector<int32_t>{-1}));
  EXPECT_EQ(u->Model().Selected(), 0);
}

TEST_F(UniverseSync, DisplayingAnUnloadedSectorLoadsItSelectsItAndOpensTheSectorMap) {
  ASSERT_FALSE(s2->Loaded);
  frmUniverseMap* u = Open();
  Send(u, QEvent::MouseMove, Centre(u, 1, 0), Qt::NoButton, Qt::NoButton);
  Send(u, QEvent::MouseButtonDblClick, Centre(u, 1, 0), Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(s2->Loaded);
  EXPECT_EQ(w->CurrentObject(), s2);
  ASSERT_NE(w->SectorMap(), nullptr);
  EXPECT_TRUE(w->Button("map")->isChecked());
  EXPECT_EQ(w->SectorMap()->Model().ShownSector(), s2);
  EXPECT_TRUE(w->SectorMap()->Model().ShownLoaded());
  // Again with the sector map open: it stays the one window, showing the sector.
  frmSectorMap* m = w->SectorMap();
  u->Model().Select(0, false);
  QTest::keyClick(u->Map, Qt::Key_Return);
  EXPECT_EQ(w->SectorMap(), m);
  EXPECT_EQ(w->CurrentObject(), s1);
  EXPECT_EQ(m->Model().ShownSector(), s1);
}

TEST_F(UniverseSync, ASectorRemovedOnTheUniverseMapLeavesTheTreeAndTheSectorMap) {
  w->SelectObjectNode(s2);
  w->ToolbarAction("map");
  ASSERT_NE(w->SectorMap(), nullptr);
  ASSERT_EQ(w->SectorMap()->Model().ShownSector(), s2);
  // The sector map stays on its sector whatever the tree selects.
  w->SectorMap()->chkAutoSync->setChecked(false);
  ASSERT_FALSE(w->SectorMap()->Model().AutoSync);
  frmUniverseMap* u = Open();
  ASSERT_EQ(u->Model().Selected(), 1);
  ui_->PushMsgBox(platform::vbYes);
  QTest::keyClick(u->Map, Qt::Key_Delete);
  EXPECT_EQ(LastMsg(), "Do you really want to remove sector Far Away (" + w->Parser()->GetObjectID(s2) + ") ?");
  EXPECT_EQ(w->NodeOf(s2), nullptr);
  EXPECT_EQ(w->Tree->topLevelItemCount(), 1);
  EXPECT_EQ(w->StatusText(), "1 sector");
  EXPECT_TRUE(w->Modified());
  // The sector map dropped it: it shows nothing of the deleted sector.
  EXPECT_NE(w->CurrentObject(), s2);
  EXPECT_EQ(w->SectorMap()->Model().ShownSector(), nullptr);
  EXPECT_EQ(w->SectorMap()->Model().Count(), 0);
  EXPECT_EQ(u->Model().Layout.Count(), 1);
}

TEST_F(UniverseSync, AltDragMovesTheSectorItsGatesAndReachesTheSavedFile) {
  frmUniverseMap* u = Open();
  const QPoint from = Centre(u, 1, 0), to = Centre(u, 3, 2);
  Send(u, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::AltModifier);
  Send(u, QEvent::MouseMove, from, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  Send(u, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
  Send(u, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::AltModifier);
  EXPECT_EQ(s2->x(), 3);
  EXPECT_EQ(s2->y(), 2);
  EXPECT_TRUE(w->Modified());
  EXPECT_EQ(w->CurrentObject(), s2);
  EXPECT_EQ(u->Model().Layout.Records[0].gateTargets, (std::vector<int32_t>{1}));

  const std::string saved = PathOf("maps/moved.xml");
  ui_->PushFile(saved, 1);
  ASSERT_TRUE(w->SaveMap());
  const std::string bytes = ReadPlain(saved);
  EXPECT_NE(bytes.find("gx=\"3\" gy=\"2\" gtid=\"3\""), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("<o t=\"1\" s=\"0\" x=\"3\" y=\"2\" r=\"1\">"), std::string::npos) << bytes;

  // Opened again: the map follows the file, and it moved nothing else.
  w->OpenFile(saved);
  ASSERT_EQ(w->UniverseMap(), u);
  ASSERT_EQ(u->Model().Layout.Count(), 2);
  EXPECT_EQ(u->Model().Layout.IndexAt(3, 2), 1);
  EXPECT_EQ(u->Model().Layout.IndexAt(0, 0), 0);
  EXPECT_EQ(u->Model().Layout.Records[0].gateTargets, (std::vector<int32_t>{1}));
}

TEST_F(UniverseSync, SectorsAddedOnTheMapAndDeletedInTheEditorStayInStep) {
  frmUniverseMap* u = Open();
  Send(u, QEvent::MouseMove, Centre(u, 4, 4), Qt::NoButton, Qt::NoButton);
  u->PreparePopup();
  u->mnuPopupAddSec->trigger();
  ASSERT_EQ(w->Parser()->Sectors.Count(), 3);
  GalaxyObjectPtr added = w->Parser()->Sectors.Item(3);
  EXPECT_NE(w->NodeOf(added), nullptr);
  EXPECT_EQ(w->CurrentObject(), added);
  EXPECT_EQ(w->StatusText(), "3 sectors");
  EXPECT_TRUE(w->Modified());

  // Deleted from the tree: gone from the map.
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_EQ(u->Model().Layout.Count(), 2);
  EXPECT_EQ(u->Model().Layout.IndexAt(4, 4), -1);
}

// A sector never opened, copied and pasted on the map: the paste reads its children,
// and the tree shows both it and the copy loaded, with their objects under them.
TEST_F(UniverseSync, APastedSectorAndItsSourceShowTheirObjectsInTheTree) {
  ASSERT_FALSE(s2->Loaded);
  frmUniverseMap* u = Open();
  Send(u, QEvent::MouseMove, Centre(u, 1, 0), Qt::NoButton, Qt::NoButton);
  u->PreparePopup();
  u->mnuPopCopy->trigger();
  Send(u, QEvent::MouseMove, Centre(u, 4, 4), Qt::NoButton, Qt::NoButton);
  u->PreparePopup();
  u->mnuPopPaste->trigger();
  ASSERT_EQ(w->Parser()->Sectors.Count(), 3);
  GalaxyObjectPtr copy = w->Parser()->Sectors.Item(3);
  ASSERT_TRUE(s2->Loaded);
  const QColor grey = w->NodeOf(s1)->foreground(0).color();
  for (const GalaxyObjectPtr& sector : {s2, copy}) {
    SCOPED_TRACE(sector->key());
    QTreeWidgetItem* node = w->NodeOf(sector);
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(node->foreground(0).style() != Qt::NoBrush && node->foreground(0).color() == grey);
    w->Tree->expandItem(node);
    EXPECT_FALSE(Texts(w->Tree, node).contains("not loaded")) << Texts(w->Tree, node).join("|").toStdString();
    ASSERT_EQ(node->childCount(), sector->Childs.Count());
    for (int i = 0; i < node->childCount(); ++i)
      EXPECT_EQ(node->child(i), w->NodeOf(sector->Childs.Item(i + 1)));
  }
}

// A sector copied on the map is never pasted into the next map opened.
TEST_F(UniverseSync, OpeningAnotherMapClearsTheMapAndItsCopiedSector) {
  frmUniverseMap* u = Open();
  Send(u, QEvent::MouseMove, Centre(u, 0, 0), Qt::NoButton, Qt::NoButton);
  u->PreparePopup();
  u->mnuPopCopy->trigger();
  ASSERT_TRUE(u->Model().CopiedSector());
  w->NewMap();
  EXPECT_EQ(u->Model().Layout.Count(), 0);
  EXPECT_FALSE(u->Model().CopiedSector());
  u->PreparePopup();
  EXPECT_FALSE(u->mnuPopPaste->isEnabled());
  ui_->PushMsgBox(platform::vbNo);  // the new map is not saved
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(u->Model().Layout.Count(), 2);
  EXPECT_EQ(u->windowTitle().toStdString(), "Universe Map [" + w->Parser()->FileName + "]");
}

TEST_F(UniverseSync, ClosingTheEditorClosesTheMap) {
  QPointer<frmUniverseMap> u = Open();
  ASSERT_TRUE(u);
  w->close();
  QApplication::processEvents();
  EXPECT_FALSE(u);
}
