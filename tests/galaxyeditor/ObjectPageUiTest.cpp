// The object page: its raw and formatted lists, units and formats, the property
// commands, the embedded record pages and the stored display options.
#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <QRadioButton>
#include <QTabWidget>

#include <QComboBox>
#include <QLineEdit>

#include "GalaxyFixture.h"
#include "galaxy/GalEdit.h"
#include "core/ui/GenericUi.h"
#include "galaxy/model/GalaxyTables.h"

namespace {

struct ObjectPage : GalaxyTest {
  GalaxyParserPtr doc;
  ucGalObject* page = nullptr;
  int changes = 0;

  void SetUp() override {
    GalaxyTest::SetUp();
    doc = std::make_shared<clsGalaxyParser>();
    ASSERT_TRUE(doc->ParseFile(PathOf("maps/u.xml"))) << doc->GetLastError();
    ASSERT_TRUE(doc->LoadSectorChildren(doc->Sectors.Item(1)));
    ASSERT_TRUE(doc->LoadSectorChildren(doc->Sectors.Item(2)));
    page = Keep(new ucGalObject);
    page->Init();
    QObject::connect(page, &ucGalObject::OnPropertiesChanged, [this](GalaxyObjectPtr) { ++changes; });
  }
  GalaxyObjectPtr Sector(int i) { return doc->Sectors.Item(i); }
  GalaxyObjectPtr Child(int sector, int i) { return Sector(sector)->Childs.Item(i); }

  // "caption=value" of every row of the property list.
  QStringList Rows() const {
    QStringList out;
    for (int i = 0; i < page->PropView->topLevelItemCount(); ++i)
      out << page->PropView->topLevelItem(i)->text(0) + "=" + page->PropView->topLevelItem(i)->text(1);
    return out;
  }
  QString Value(const QString& caption) const {
    for (int i = 0; i < page->PropView->topLevelItemCount(); ++i)
      if (page->PropView->topLevelItem(i)->text(0) == caption) return page->PropView->topLevelItem(i)->text(1);
    return "<none>";
  }
  void SelectRow(const QString& caption) {
    for (int i = 0; i < page->PropView->topLevelItemCount(); ++i)
      if (page->PropView->topLevelItem(i)->text(0) == caption) {
        page->PropView->setCurrentItem(page->PropView->topLevelItem(i));
        return;
      }
    ADD_FAILURE() << "no row " << caption.toStdString();
  }
};

}  // namespace

TEST_F(ObjectPage, NoObject) {
  page->ShowObject(doc, Sector(1));
  page->ShowObject(doc, Child(1, 2));  // a sun: a record page
  page->ShowObject(doc, nullptr);
  EXPECT_EQ(page->MainTab->tabText(1), "Object info");
  EXPECT_EQ(page->MainTab->tabText(2), "");
  EXPECT_EQ(page->RawView->topLevelItemCount(), 0);
  EXPECT_EQ(page->PropView->topLevelItemCount(), 0);
  EXPECT_EQ(page->EmbeddedPage(), nullptr);
  EXPECT_TRUE(page->ShipEdit->isHidden());
  EXPECT_TRUE(page->WareEdit->isHidden());
  page->PreparePropertyMenu();
  for (QAction* a : {page->mnuPropEdit, page->mnuPropAdd, page->mnuPropDelete, page->mnuPropAddCoords,
                     page->mnuPropRemoveCoords})
    EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(ObjectPage, SectorRowsInOrder) {
  page->ShowObject(doc, Sector(1));
  EXPECT_EQ(page->MainTab->tabText(1), "Sector info");
  EXPECT_EQ(Rows(), (QStringList{"Type=Sector", "Subtype=0", "Race=Aurel", "Color=RGB FF 80 0",
                                 "Sector - fog far=RGB 0 0 0", "Sector - fog near=RGB 0 0 0",
                                 "Sector - fog close=RGB 0 0 0", "Sector - string ID=1020101", "X=0", "Y=0"}));
  EXPECT_EQ(page->EmbeddedPage(), nullptr);
  page->SetHexa(false);
  EXPECT_EQ(Value("Color"), "RGB 255 128 0");
}

TEST_F(ObjectPage, GateRowsAndRotations) {
  GalaxyObjectPtr gate = Child(1, 4);
  ASSERT_EQ(gate->otype(), 18);
  page->SetShowNames(false);
  page->ShowObject(doc, gate);
  EXPECT_EQ(Value("Gate - ID"), "2A");
  EXPECT_EQ(Value("Gate - target gate ID"), "2B");
  EXPECT_EQ(Value("Gate - target sector"), "01, 00");  // IDs are shown
  page->SetShowNames(true);
  EXPECT_EQ(Value("Gate - target sector"), "Far Away");
  EXPECT_EQ(Value("Rotation - alpha"), "0xFF");
  page->SetHexa(false);
  EXPECT_EQ(Value("Rotation - alpha"), "255");
  // The computed row holds no property.
  SelectRow("Gate - target sector");
  EXPECT_EQ(page->CurrentProperty(), nullptr);
  page->EditProperty();  // nothing happens
  EXPECT_TRUE(ui_->Calls("MsgBox").empty());

  // A gate without gate properties still has the target row.
  GalaxyObjectPtr bare = Child(2, 1);
  bare->RemoveProperty("gid");
  page->ShowObject(doc, bare);
  EXPECT_NE(Value("Gate - target sector"), "<none>");
}

TEST_F(ObjectPage, UnknownAttributesAreRawOnly) {
  GalaxyObjectPtr ship = Child(2, 2);
  page->ShowObject(doc, ship);
  bool raw = false;
  for (int i = 0; i < page->RawView->topLevelItemCount(); ++i)
    if (page->RawView->topLevelItem(i)->text(0) == "foo") raw = page->RawView->topLevelItem(i)->text(1) == "bar";
  EXPECT_TRUE(raw);
  for (const QString& row : Rows()) EXPECT_FALSE(row.contains("bar"));
}

TEST_F(ObjectPage, DistancesInEveryUnit) {
  GalaxyObjectPtr sun = Child(1, 2);  // x 1000000
  GalaxyObjectPtr dock = Child(1, 3);  // z 499000
  page->ShowObject(doc, sun);
  EXPECT_EQ(Value("X"), "2.000 km");
  page->SetDistanceUnit(1);
  EXPECT_EQ(Value("X"), "1000000");
  page->SetDistanceUnit(2);
  EXPECT_EQ(Value("X"), "1.080 nm");
  page->SetDistanceUnit(0);
  page->ShowObject(doc, dock);
  EXPECT_EQ(Value("Z"), "998.000 m");
}

TEST_F(ObjectPage, RecordPagesShowTheRecordReadOnly) {
  auto* ships = dynamic_cast<RecordingPage*>(page->ShipEdit);
  auto* wares = dynamic_cast<RecordingPage*>(page->WareEdit);
  ASSERT_TRUE(ships && wares);
  EXPECT_TRUE(ships->readOnly);
  EXPECT_TRUE(wares->readOnly);
  EXPECT_EQ(ships->initCalls, 1);  // Init hands the ship page the ships file

  // A ship by its record ID: the ship page, the record, the ships' type code.
  GalaxyObjectPtr ship = Child(1, 3)->Childs.Item(1)->Childs.Item(1);
  page->ShowObject(doc, ship);
  EXPECT_EQ(page->EmbeddedPage(), page->ShipEdit);
  EXPECT_FALSE(page->ShipEdit->isHidden());
  EXPECT_TRUE(page->WareEdit->isHidden());
  EXPECT_EQ(page->MainTab->tabText(2), "SS_SH_B");
  EXPECT_TRUE(page->MainTab->isTabEnabled(2));
  EXPECT_TRUE(page->MainTab->isTabVisible(2));
  ASSERT_TRUE(ships->shown);
  EXPECT_EQ(ships->shown->ObjectName(), "SS_SH_B");
  EXPECT_EQ(ships->shownType, 1);

  // A ship by position; the record tab looked at stays the current one.
  page->MainTab->setCurrentIndex(2);
  page->ShowObject(doc, Child(2, 2));  // s = 1
  EXPECT_EQ(ships->shown->ObjectName(), "SS_SH_B");
  EXPECT_EQ(page->MainTab->currentIndex(), 2);

  // A dock on the ware page with the docks' type code.
  page->ShowObject(doc, Child(1, 3));
  EXPECT_EQ(page->EmbeddedPage(), page->WareEdit);
  EXPECT_EQ(wares->shown->ObjectName(), "SS_DOCK_A");
  EXPECT_EQ(wares->shownType, 10);
  EXPECT_EQ(wares->shown->otype, 10);

  // A missing record leaves the page as it was, with an empty tab caption, and the tab
  // is not offered: the page still holds the dock, which is not this object's record.
  GalaxyObjectPtr lost = Child(1, 2);
  lost->SetSubtype(kz::Variant("NO_SUCH_SUN"));
  page->MainTab->setCurrentIndex(2);
  page->ShowObject(doc, lost);
  EXPECT_EQ(page->MainTab->tabText(2), "");
  EXPECT_EQ(wares->shown->ObjectName(), "SS_DOCK_A");
  EXPECT_FALSE(page->MainTab->isTabVisible(2));
  EXPECT_FALSE(page->MainTab->isTabEnabled(2));
  EXPECT_NE(page->MainTab->currentIndex(), 2);
  // With no game files to look in, the same.
  ArchivePtr archive = Archive;
  Archive = nullptr;
  page->ShowObject(doc, Child(1, 3));
  EXPECT_FALSE(page->MainTab->isTabVisible(2));
  Archive = archive;
  // The next object with a record has its tab again.
  page->ShowObject(doc, Child(1, 3));
  EXPECT_EQ(page->MainTab->tabText(2), "SS_DOCK_A");
  EXPECT_TRUE(page->MainTab->isTabVisible(2));
  EXPECT_TRUE(page->MainTab->isTabEnabled(2));
  // A sector has no record page: its tab is not offered, and leaving it open moves away.
  page->MainTab->setCurrentIndex(2);
  page->ShowObject(doc, Sector(1));
  EXPECT_EQ(page->EmbeddedPage(), nullptr);
  EXPECT_TRUE(page->WareEdit->isHidden());
  EXPECT_FALSE(page->MainTab->isTabEnabled(2));
  EXPECT_FALSE(page->MainTab->isTabVisible(2));
  EXPECT_NE(page->MainTab->currentIndex(), 2);
}

TEST_F(ObjectPage, CoordinatesAndRemovals) {
  GalaxyObjectPtr background = Child(1, 1);  // no coordinates
  page->ShowObject(doc, background);
  page->PreparePropertyMenu();
  EXPECT_TRUE(page->mnuPropAddCoords->isEnabled());
  EXPECT_FALSE(page->mnuPropRemoveCoords->isEnabled());
  page->AddCoordinates();
  EXPECT_EQ(changes, 1);
  for (const char* n : {"x", "y", "z"}) EXPECT_EQ(kz::CStr(background->NamedProperty(n)), "0") << n;
  page->PreparePropertyMenu();
  EXPECT_FALSE(page->mnuPropAddCoords->isEnabled());
  EXPECT_TRUE(page->mnuPropRemoveCoords->isEnabled());

  ui_->PushMsgBox(platform::vbNo);
  page->RemoveCoordinates();
  EXPECT_EQ(LastMsg(), "Do you really want to remove coordinates from this object?");
  EXPECT_EQ(changes, 1);
  ui_->PushMsgBox(platform::vbYes);
  page->RemoveCoordinates();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(background->Property(std::string_view("x")), nullptr);

  // Removing every property one by one: the question names the caption; at the end
  // nothing is current and "Edit" is off.
  ui_->ClearCalls();
  SelectRow("Subtype");
  ui_->PushMsgBox(platform::vbYes);
  page->DeleteProperty();
  EXPECT_EQ(LastMsg(), "Do you really want to delete property \"Subtype\" ?");
  while (page->CurrentProperty()) {
    ui_->PushMsgBox(platform::vbYes);
    page->DeleteProperty();
  }
  EXPECT_EQ(background->PropertyCount(), 0);
  page->PreparePropertyMenu();
  EXPECT_FALSE(page->mnuPropEdit->isEnabled());
  EXPECT_TRUE(page->mnuPropAdd->isEnabled());
}

TEST_F(ObjectPage, ASectorsTypeCanNeitherBeChangedNorRemoved) {
  GalaxyObjectPtr sector = Sector(1);
  page->ShowObject(doc, sector);
  SelectRow("Type");
  ASSERT_TRUE(page->CurrentProperty());
  page->EditProperty();
  EXPECT_EQ(LastMsg(), "You cannot change type of object \"sector\".");
  ui_->ClearCalls();
  page->DeleteProperty();
  EXPECT_EQ(LastMsg(), "You cannot change type of object \"sector\".");
  EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbExclamation);
  EXPECT_EQ(sector->otype(), 1);
  EXPECT_EQ(changes, 0);
  // Another object's type can be removed.
  page->ShowObject(doc, Child(1, 2));
  SelectRow("Type");
  ui_->PushMsgBox(platform::vbYes);
  page->DeleteProperty();
  EXPECT_EQ(Child(1, 2)->Property(std::string_view("t")), nullptr);
  EXPECT_EQ(changes, 1);
}

TEST_F(ObjectPage, DisplayOptionsAreStored) {
  EXPECT_TRUE(page->ShowNames());  // defaults: names, metres, hexadecimal
  EXPECT_EQ(page->DistanceUnit(), 0);
  EXPECT_TRUE(page->Hexa());
  page->rbDistUnits[2]->click();
  page->rbHexa[1]->click();
  page->rbName[1]->click();
  page->Term();
  auto* again = Keep(new ucGalObject);
  again->Init();
  EXPECT_EQ(again->DistanceUnit(), 2);
  EXPECT_FALSE(again->Hexa());
  EXPECT_FALSE(again->ShowNames());
  again->ShowObject(doc, Child(1, 2));
  QString x;
  for (int i = 0; i < again->PropView->topLevelItemCount(); ++i)
    if (again->PropView->topLevelItem(i)->text(0) == "X") x = again->PropView->topLevelItem(i)->text(1);
  EXPECT_EQ(x, "1.080 nm");
  EXPECT_EQ(kz::CLng(Settings->ReadRegValue("GE\\GalObjectEditor", "Units", kRegNumber)), 2);
}

namespace {
// Runs `act` on the property dialog once it is shown modally; cancelled when still open.
void WhenPropertyDialogShown(std::function<void(frmGalEdit&)> act) { kztest::WhenShown<frmGalEdit>(std::move(act)); }
}  // namespace

TEST_F(ObjectPage, EditAndAddThroughThePropertyDialog) {
  GalaxyObjectPtr sun = Child(1, 2);
  page->ShowObject(doc, sun);
  SelectRow("Z");
  int nameRoom = 0, widestName = 0;
  WhenPropertyDialogShown([&](frmGalEdit& d) {
    // The name box has room for every property's name ("Asteroid - resource amount" was cut).
    nameRoom = d.PropNameEdit->contentsRect().width();
    for (int32_t i = 0; i <= mdlGalaxy::GalaxyAttrCaptions.UBound(); ++i)
      widestName = std::max(widestName,
                            d.PropNameEdit->fontMetrics().horizontalAdvance(QString::fromStdString(mdlGalaxy::GalaxyAttrCaptions.At(i))));
    d.rbLen[1]->click();  // game units
    d.ValEdit->setText("1500");
    d.OK();
  });
  page->EditProperty();
  EXPECT_GT(widestName, 0);
  EXPECT_GE(nameRoom, widestName);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(kz::CLng(sun->NamedProperty("z")), 1500);
  EXPECT_EQ(Value("Z"), "3.000 m");
  EXPECT_TRUE(sun->Dirty);

  // Cancel: nothing changes, no event.
  SelectRow("Z");
  WhenPropertyDialogShown([](frmGalEdit& d) { d.Cancel(); });
  page->EditProperty();
  EXPECT_EQ(changes, 1);

  // A new property through the name list; the rows and raw list show it at once.
  WhenPropertyDialogShown([](frmGalEdit& d) {
    d.cmbPropNames->setCurrentIndex(d.cmbPropNames->findText("Description/Amount"));
    d.ValEdit->setText("2500");
    d.OK();
  });
  page->AddNewProperty();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(kz::CLng(sun->NamedProperty("n")), 2500);
  EXPECT_EQ(Value("Description/Amount"), "2500");
  EXPECT_EQ(page->RawView->topLevelItem(page->RawView->topLevelItemCount() - 1)->text(0), "n");
}

TEST_F(GalaxyTest, PropertyChangesReachTheTreeAndTheCaption) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  QTreeWidgetItem* home = w->Tree->topLevelItem(0);
  home->setExpanded(true);
  GalaxyObjectPtr sun = w->Parser()->Sectors.Item(1)->Childs.Item(2);
  w->SelectObjectNode(sun);
  ASSERT_FALSE(w->Modified());
  // The sun becomes named by text 2201 ("Jump Gate").
  sun->AddProperty("n", kz::Variant(int32_t{2201}));
  emit w->ObjectEdit->OnPropertiesChanged(sun);
  EXPECT_TRUE(w->Modified());
  EXPECT_EQ(w->windowTitle().toStdString(), "Galaxy Editor [" + PathOf("maps/u.xml") + "] *");
  EXPECT_EQ(w->NodeOf(sun)->text(0), "Jump Gate");
  // Saved, the change is in the file.
  ui_->PushFile(PathOf("maps/out.xml"), 1);
  ASSERT_TRUE(w->SaveMap());
  EXPECT_NE(ReadPlain(PathOf("maps/out.xml")).find("n=\"2201\""), std::string::npos);
}

TEST_F(ObjectPage, KeysOnThePropertyList) {
  GalaxyObjectPtr sun = Child(1, 2);
  page->ShowObject(doc, sun);
  page->show();
  auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, k, mods);
    QApplication::sendEvent(page->PropView, &e);
  };
  // Ctrl+Insert copies the selected row's value text.
  SelectRow("Subtype");
  key(Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "Yellow Sun");
  // Delete asks to remove the current property.
  ui_->PushMsgBox(platform::vbNo);
  key(Qt::Key_Delete);
  EXPECT_EQ(LastMsg(), "Do you really want to delete property \"Subtype\" ?");
  // Enter edits it, Insert adds one: both open the property dialog.
  bool edited = false, added = false;
  WhenPropertyDialogShown([&](frmGalEdit& d) { edited = d.cmbPropNames->isHidden(); });
  key(Qt::Key_Return);
  WhenPropertyDialogShown([&](frmGalEdit& d) { added = !d.cmbPropNames->isHidden(); });
  key(Qt::Key_Insert);
  EXPECT_TRUE(edited);
  EXPECT_TRUE(added);
  EXPECT_EQ(changes, 0);
}

TEST_F(GalaxyTest, CtrlFOpensTheFindDialog) {
  frmGalaxyEditor* w = Editor(PathOf("maps/u.xml"));
  w->activateWindow();
  QApplication::setActiveWindow(w);
  QTest::keyClick(w->Tree, Qt::Key_F, Qt::ControlModifier);
  EXPECT_NE(w->FindDialog(), nullptr);
}
