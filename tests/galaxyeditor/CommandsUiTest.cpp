// The galaxy editor's commands: add, delete, copy, paste, move by dragging, with their
// messages and the rules that keep the tree and the document in step.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include "GalaxyFixture.h"
#include "core/ui/GenericUi.h"

namespace {

// The sector "Home" expanded and its node.
QTreeWidgetItem* OpenHome(frmGalaxyEditor* w) {
  QTreeWidgetItem* home = w->Tree->topLevelItem(0);
  home->setExpanded(true);
  return home;
}

// Each object's type in document order, as a text ("1(2 3 5(23(7)) 18 17)").
std::string Shape(const GalaxyObjectPtr& o) {
  std::string s = std::to_string(o->otype());
  if (o->Childs.Count() > 0) {
    s += "(";
    bool first = true;
    for (const GalaxyObjectPtr& c : o->Childs) {
      if (!first) s += " ";
      first = false;
      s += Shape(c);
    }
    s += ")";
  }
  return s;
}

// The same from the tree.
std::string NodeShape(frmGalaxyEditor* w, QTreeWidgetItem* n) {
  GalaxyObjectPtr o = w->Parser()->objects.Find(w->NodeKey(n));
  std::string s = o ? std::to_string(o->otype()) : "?";
  if (n->childCount() > 0) {
    s += "(";
    for (int i = 0; i < n->childCount(); ++i) s += (i ? " " : "") + NodeShape(w, n->child(i));
    s += ")";
  }
  return s;
}

}  // namespace

TEST_F(GalaxyTest, PopupEntriesFollowTheNodeAndTheDocument) {
  frmGalaxyEditor* w = Editor();
  w->PreparePopup(nullptr);
  EXPECT_FALSE(w->mnuPopAddSector->isEnabled());
  EXPECT_FALSE(w->mnuPopAddObj->isEnabled());
  EXPECT_FALSE(w->mnuPopDelete->isEnabled());
  w->OpenFile(PathOf("maps/u.xml"));
  w->PreparePopup(w->Tree->topLevelItem(0));
  EXPECT_TRUE(w->mnuPopAddSector->isEnabled());
  EXPECT_TRUE(w->mnuPopAddObj->isEnabled());
  EXPECT_TRUE(w->mnuPopCopy->isEnabled());
  EXPECT_FALSE(w->mnuPopPaste->isEnabled());
  w->CopyObject();
  w->PreparePopup(w->Tree->topLevelItem(0));
  EXPECT_TRUE(w->mnuPopPaste->isEnabled());
}

TEST_F(GalaxyTest, AddSectorAndObjectThroughTheDialog) {
  frmGalaxyEditor* w = Editor();
  w->ToolbarAction("new");
  WhenNewObjectShown([](frmNewGalObject& d) {
    EXPECT_FALSE(d.cmbType->isEnabled());
    EXPECT_EQ(d.cmbType->currentText(), "Sector");
    d.SubtypeEdit->setText("3");
    d.AcceptDialog();
  });
  w->AddNewObject(true);
  ASSERT_EQ(w->Parser()->Sectors.Count(), 1);
  EXPECT_EQ(w->StatusText(), "1 sector");
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  EXPECT_EQ(kz::CStr(sector->subtype()), "3");
  EXPECT_EQ(Shape(sector), "1(2)");  // the default background
  ASSERT_EQ(w->Tree->topLevelItemCount(), 1);
  EXPECT_EQ(NodeShape(w, w->Tree->topLevelItem(0)), "1(2)");
  EXPECT_NE(w->Parser()->XML().GetXML().find("<o t=\"1\" s=\"3\""), std::string::npos) << w->Parser()->XML().GetXML();

  // A factory inside it gets its three groups, also in the tree.
  w->SelectObjectNode(sector);
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 6);
    d.FillSubtypes();
    d.AcceptDialog();
  });
  w->AddNewObject(false);
  EXPECT_EQ(Shape(sector), "1(2 6(23 23 23))");
  EXPECT_EQ(NodeShape(w, w->NodeOf(sector)), "1(2 6(23 23 23))");
  EXPECT_EQ(w->CurrentObject(), sector);  // the new node is not selected

  // Cancel leaves the document as it was.
  const int before = w->Parser()->objects.Count();
  WhenNewObjectShown([](frmNewGalObject& d) { d.CancelDialog(); });
  w->AddNewObject(false);
  EXPECT_EQ(w->Parser()->objects.Count(), before);
  EXPECT_EQ(Shape(sector), "1(2 6(23 23 23))");
}

TEST_F(GalaxyTest, AddObjectLoadsAnUnloadedSectorFirstAndNeedsACurrentObject) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  GalaxyObjectPtr far = w->Parser()->Sectors.Item(2);
  w->SelectObjectNode(far);
  ASSERT_FALSE(far->Loaded);
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 7);
    d.FillSubtypes();
    ASSERT_FALSE(d.cmbSubtype->isHidden());
    EXPECT_EQ(d.cmbSubtype->count(), 3);
    EXPECT_EQ(d.cmbSubtype->itemText(0), "Alpha - SS_SH_A");
    d.cmbSubtype->setCurrentIndex(2);
    d.AcceptDialog();
  });
  w->AddNewObject(false);
  EXPECT_TRUE(far->Loaded);
  EXPECT_EQ(Shape(far), "1(18 7 7)");
  GalaxyObjectPtr ship = far->Childs.Item(3);
  EXPECT_EQ(kz::CStr(ship->subtype()), "SS_SH_C");
  EXPECT_EQ(NodeShape(w, w->NodeOf(far)), "1(18 7 7)");
  EXPECT_TRUE(w->Modified());
}

TEST_F(GalaxyTest, DeleteAsksAndRemovesTheSubtree) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = OpenHome(w);
  GalaxyObjectPtr dock = w->Parser()->objects.Find(w->NodeKey(home->child(2)));
  ASSERT_EQ(dock->otype(), 5);
  w->SelectObjectNode(dock);
  ui_->PushMsgBox(platform::vbNo);
  w->DeleteCurrentObject();
  EXPECT_EQ(LastMsg(), "Do you really want to delete selected object Trading Dock (SS_DOCK_A) ?");
  EXPECT_EQ(home->childCount(), 5);

  const std::string groupKey = dock->Childs.Item(1)->key();
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_EQ(home->childCount(), 4);
  EXPECT_EQ(w->NodeByKey(dock->key()), nullptr);
  EXPECT_EQ(w->NodeByKey(groupKey), nullptr);
  EXPECT_FALSE(w->Parser()->objects.Exists(groupKey));
  EXPECT_EQ(w->Parser()->XML().GetXML().find("SS_DOCK_A"), std::string::npos);
  EXPECT_EQ(w->windowTitle().toStdString(), "Galaxy Editor [" + PathOf("maps/u.xml") + "] *");
  EXPECT_NE(w->CurrentObject(), dock);

  // The Delete key does the same.
  w->SelectObjectNode(w->Parser()->objects.Find(w->NodeKey(home->child(0))));
  ui_->PushMsgBox(platform::vbYes);
  w->Tree->setFocus();
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(w->Tree, &del);
  EXPECT_EQ(home->childCount(), 3);
}

TEST_F(GalaxyTest, AFailedDeleteLeavesTreeAndDocumentAsTheyWere) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = OpenHome(w);
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  GalaxyObjectPtr sun = sector->Childs.Item(2);
  ASSERT_EQ(sun->otype(), 3);
  sun->XMLBookmark = 0;  // the document can no longer find its element
  w->SelectObjectNode(sun);
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_EQ(LastMsg(), "Error deleting object:\r\nUnable to select object bookmark.");
  EXPECT_EQ(Shape(sector), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(sector->Childs.Item(2), sun);
  EXPECT_EQ(sun->Parent(), sector);
  EXPECT_EQ(w->Parser()->objects.Find(sun->key()), sun);
  EXPECT_EQ(NodeShape(w, home), "1(2 3 5(23(7)) 18 17)");
  EXPECT_FALSE(w->Modified());
}

TEST_F(GalaxyTest, PasteRulesAndPlacement) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = OpenHome(w);
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  GalaxyObjectPtr sun = sector->Childs.Item(2);
  GalaxyObjectPtr dock = sector->Childs.Item(3);

  // Nothing copied: paste does nothing.
  w->SelectObjectNode(sun);
  w->PasteObject();
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());

  // A non-sector beside a sector, and a sector beside a non-sector, are refused.
  w->CopyObject();
  w->SelectObjectNode(sector);
  w->PasteObject();
  EXPECT_EQ(LastMsg(), "Cannot paste non-sector object as siblink of sector.");
  w->CopyObject();
  w->SelectObjectNode(sun);
  w->PasteObject();
  EXPECT_EQ(LastMsg(), "Cannot paste sector as a child.");
  EXPECT_EQ(Shape(sector), "1(2 3 5(23(7)) 18 17)");

  // A dock pasted beside the sun: a deep copy, placed before the sun in the document
  // and in the tree.
  w->SelectObjectNode(dock);
  w->CopyObject();
  w->SelectObjectNode(sun);
  w->PasteObject();
  EXPECT_EQ(NodeShape(w, home), "1(2 5(23(7)) 3 5(23(7)) 18 17)");
  const std::string xml = w->Parser()->XML().GetXML();
  EXPECT_LT(xml.find("SS_DOCK_A"), xml.find("SS_SUN_A"));
  EXPECT_TRUE(w->Modified());

  // A sector copy lands beside the selected sector.
  w->SelectObjectNode(sector);
  w->CopyObject();
  GalaxyObjectPtr far = w->Parser()->Sectors.Item(2);
  w->SelectObjectNode(far);
  w->PasteObject();
  EXPECT_EQ(w->Parser()->Sectors.Count(), 3);
  EXPECT_EQ(w->Tree->topLevelItemCount(), 3);
  EXPECT_EQ(w->StatusText(), "3 sectors");
}

TEST_F(GalaxyTest, ADeletedCopiedObjectIsNeitherPastedNorKept) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  OpenHome(w);
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  GalaxyObjectPtr dock = sector->Childs.Item(3);
  GalaxyObjectPtr ship = dock->Childs.Item(1)->Childs.Item(1);

  // Copy the ship, delete its dock (an ancestor): the copy is forgotten.
  w->SelectObjectNode(ship);
  w->CopyObject();
  ASSERT_EQ(w->CopiedObject(), ship);
  w->SelectObjectNode(dock);
  ui_->PushMsgBox(platform::vbYes);
  w->DeleteCurrentObject();
  EXPECT_EQ(w->CopiedObject(), nullptr);
  w->SelectObjectNode(sector->Childs.Item(1));
  w->PasteObject();
  EXPECT_EQ(Shape(sector), "1(2 3 18 17)");

  // Another map or a new one forgets the copy too.
  w->SelectObjectNode(sector->Childs.Item(2));
  w->CopyObject();
  ASSERT_NE(w->CopiedObject(), nullptr);
  ui_->PushMsgBox(platform::vbNo);
  w->OpenFile(PathOf("maps/u.xml"));
  EXPECT_EQ(w->CopiedObject(), nullptr);
  OpenHome(w);
  w->SelectObjectNode(w->Parser()->Sectors.Item(1)->Childs.Item(2));
  w->CopyObject();
  ASSERT_NE(w->CopiedObject(), nullptr);
  w->NewMap();
  EXPECT_EQ(w->CopiedObject(), nullptr);

  // A gate copied before its sector was read is replaced by the reading: forgotten.
  ui_->PushMsgBox(platform::vbNo);
  w->OpenFile(PathOf("maps/u.xml"));
  GalaxyObjectPtr gate = w->Parser()->Sectors.Item(2)->Childs.Item(1);
  ASSERT_EQ(gate->otype(), 18);
  w->SelectObjectNode(gate);
  w->CopyObject();
  ASSERT_EQ(w->CopiedObject(), gate);
  w->Tree->topLevelItem(1)->setExpanded(true);
  EXPECT_EQ(w->CopiedObject(), nullptr);
}

TEST_F(GalaxyTest, CopyingAnUnloadedSectorCopiesAllItsChildren) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  GalaxyObjectPtr far = w->Parser()->Sectors.Item(2);
  w->SelectObjectNode(far);
  ASSERT_FALSE(far->Loaded);
  w->CopyObject();
  EXPECT_TRUE(far->Loaded);
  w->SelectObjectNode(w->Parser()->Sectors.Item(1));
  w->PasteObject();
  ASSERT_EQ(w->Parser()->Sectors.Count(), 3);
  GalaxyObjectPtr pasted = w->Parser()->Sectors.Item(1);  // before the selected sector
  EXPECT_EQ(Shape(pasted), "1(18 7)");
  EXPECT_EQ(NodeShape(w, w->Tree->topLevelItem(0)), "1(18 7)");
}

TEST_F(GalaxyTest, MovingNodes) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = OpenHome(w);
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  GalaxyObjectPtr far = w->Parser()->Sectors.Item(2);
  GalaxyObjectPtr sun = sector->Childs.Item(2);
  GalaxyObjectPtr dock = sector->Childs.Item(3);
  GalaxyObjectPtr group = dock->Childs.Item(1);

  // The drag pointers.
  EXPECT_EQ(w->DragPointer(w->NodeOf(sector), w->NodeOf(far), true), "nop");
  EXPECT_EQ(w->DragPointer(w->NodeOf(sun), w->NodeOf(far), false), "nop");
  EXPECT_EQ(w->DragPointer(w->NodeOf(sun), w->NodeOf(dock), true), "moveparent");
  EXPECT_EQ(w->DragPointer(w->NodeOf(sun), w->NodeOf(dock), false), "movesiblink");
  EXPECT_EQ(w->DragPointer(w->NodeOf(sun), w->NodeOf(sun), false), "nop");

  // Into its own subtree: refused before anything moves.
  EXPECT_FALSE(w->MoveNode(w->NodeOf(dock), w->NodeOf(group), true));
  EXPECT_EQ(LastMsg(), "Cannot move object into itself.");
  EXPECT_FALSE(w->MoveNode(w->NodeOf(dock), w->NodeOf(group->Childs.Item(1)), false));
  EXPECT_EQ(Shape(sector), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(NodeShape(w, home), "1(2 3 5(23(7)) 18 17)");

  // The document's own refusals.
  EXPECT_FALSE(w->MoveNode(w->NodeOf(sun), w->NodeOf(far), false));
  EXPECT_EQ(LastMsg(), "Cannot add non-sector as siblink of sector.");
  EXPECT_FALSE(w->MoveNode(w->NodeOf(far), w->NodeOf(sun), true));
  EXPECT_EQ(LastMsg(), "Cannot insert sector as child.");

  // The sun into the group: loaded target, node moved, selected, modified.
  EXPECT_TRUE(w->MoveNode(w->NodeOf(sun), w->NodeOf(group), true));
  EXPECT_EQ(Shape(sector), "1(2 5(23(7 3)) 18 17)");
  EXPECT_EQ(NodeShape(w, home), "1(2 5(23(7 3)) 18 17)");
  EXPECT_EQ(w->Tree->currentItem(), w->NodeOf(sun));
  EXPECT_EQ(w->CurrentObject(), sun);
  EXPECT_TRUE(w->Modified());

  // Into an unloaded sector: it is loaded first.
  EXPECT_TRUE(w->MoveNode(w->NodeOf(sun), w->NodeOf(far), true));
  EXPECT_TRUE(far->Loaded);
  EXPECT_EQ(Shape(far), "1(18 7 3)");
  EXPECT_EQ(NodeShape(w, w->NodeOf(far)), "1(18 7 3)");

  // A sector beside another sector stands before it, in the document and the tree.
  EXPECT_TRUE(w->MoveNode(w->NodeOf(far), w->NodeOf(sector), false));
  EXPECT_EQ(w->Parser()->Sectors.Item(1), far);
  EXPECT_EQ(w->Tree->topLevelItem(0), w->NodeOf(far));
}

TEST_F(GalaxyTest, FailedAddAndPasteLeaveTreeAndDocumentAsTheyWere) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = OpenHome(w);
  GalaxyObjectPtr sector = w->Parser()->Sectors.Item(1);
  GalaxyObjectPtr sun = sector->Childs.Item(2);
  GalaxyObjectPtr dock = sector->Childs.Item(3);
  const int objects = w->Parser()->objects.Count();
  const std::string xml = w->Parser()->XML().GetXML();

  // The new object cannot be written: the sector's element can no longer be found.
  const int32_t bookmark = sector->XMLBookmark;
  sector->XMLBookmark = 0;
  w->SelectObjectNode(sector);
  WhenNewObjectShown([](frmNewGalObject& d) {
    kz::SelectComboByItemData(d.cmbType, 3);
    d.FillSubtypes();
    d.cmbSubtype->setCurrentIndex(0);
    d.AcceptDialog();
  });
  w->AddNewObject(false);
  EXPECT_EQ(LastMsg().rfind("Error while updating ojbect state in XML:\r\n", 0), 0u) << LastMsg();
  EXPECT_EQ(Shape(sector), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(NodeShape(w, home), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(w->Parser()->objects.Count(), objects);
  EXPECT_FALSE(w->Modified());
  sector->XMLBookmark = bookmark;

  // The pasted copy cannot be placed beside an object without element.
  w->SelectObjectNode(dock);
  w->CopyObject();
  const int32_t sunMark = sun->XMLBookmark;
  sun->XMLBookmark = 0;
  w->SelectObjectNode(sun);
  ui_->ClearCalls();
  w->PasteObject();
  EXPECT_EQ(LastMsg(), "Invalid bookmark.");
  sun->XMLBookmark = sunMark;
  EXPECT_EQ(Shape(sector), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(NodeShape(w, home), "1(2 3 5(23(7)) 18 17)");
  EXPECT_EQ(w->Parser()->objects.Count(), objects);
  EXPECT_EQ(w->Parser()->XML().GetXML(), xml);
  EXPECT_FALSE(w->Modified());
}
