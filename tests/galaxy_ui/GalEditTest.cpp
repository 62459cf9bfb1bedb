// The galaxy property dialog offscreen: every editing form, units and formats, the
// refusals, and what reaches the caller's property and object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "DataFolder.h"
#include "core/KzConst.h"
#include "galaxy/GalEdit.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/PropertyEditRules.h"
#include "platform/ScriptedUi.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"

using kz::Variant;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "galaxy_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct GalEdit : ::testing::Test {
  std::shared_ptr<platform::ScriptedUi> ui = std::make_shared<platform::ScriptedUi>();
  platform::UiScope scope{ui};
  std::unique_ptr<frmGalEdit> dlg;

  void SetUp() override {
    App();
    mdlGalaxy::InitGalaxyTables();
    mdlKzConst::InitArrays();
    dlg = std::make_unique<frmGalEdit>();
  }

  static GalaxyObjectPtr Object(int32_t t) {
    auto o = std::make_shared<clsGalaxyObject>();
    o->SetOtype(t);
    o->Dirty = false;
    return o;
  }
  static PropertyPtr Prop(const std::string& name, const Variant& v) { return std::make_shared<clsProperty>(name, v); }
  void Edit(const GalaxyObjectPtr& o, const PropertyPtr& p, const std::shared_ptr<clsGalaxyParser>& doc = nullptr) {
    dlg->ShowProperty(doc, o, p, false);
  }
  std::string Text() const { return dlg->ValEdit->text().toStdString(); }
  void Type(const std::string& t) { dlg->ValEdit->setText(QString::fromStdString(t)); }
  // The warnings shown so far, one per line.
  std::string Warnings() const {
    std::string s;
    for (const platform::UiCall& c : ui->Calls("MsgBox")) s += c.Text + "\n";
    return s;
  }
  void Choose(QComboBox* box, const QString& text) {
    int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
  }
};

TEST_F(GalEdit, ColourOfAFreeStandingObjectBeforeTheTablesWereFilled) {
  // The ware page edits a colour this way, also before the galaxy editor was opened.
  mdlGalaxy::GalaxyTypeNames.Clear();
  mdlGalaxy::GalaxyAttrNames.Clear();
  mdlGalaxy::GalaxyAttrCaptions.Clear();
  auto o = std::make_shared<clsGalaxyObject>();
  auto p = Prop("color", Variant(int32_t{0xFF8000}));
  o->AddProperty("color", p->Value);
  o->Dirty = false;
  Edit(o, p);
  EXPECT_EQ(dlg->windowTitle(), "Value Edit");
  EXPECT_EQ(dlg->PropNameEdit->text(), "Color");
  EXPECT_EQ(Text(), "FF8000");
  EXPECT_FALSE(dlg->btnColorBrowse->isHidden());
  EXPECT_TRUE(dlg->cmbValue->isHidden());
  EXPECT_TRUE(dlg->LenGroup->isHidden());
  QColor swatch = dlg->ColorPreview->palette().color(QPalette::Window);
  EXPECT_EQ(swatch, QColor(0xFF, 0x80, 0x00));

  for (const char* bad : {"123456789", "FF80 00", "#FF8000"}) {
    Type(bad);
    dlg->OK();
  }
  EXPECT_EQ(Warnings(), "Entered value is invalid.\nEntered value is invalid.\nEntered value is invalid.\n");
  EXPECT_EQ(dlg->ModalResult, 0);
  EXPECT_EQ(p->Value, Variant(int32_t{0xFF8000}));

  // The picker works on screen colours: blue in the third byte.
  Type("FF8000");
  ui->PushColour(0x0000FF);
  dlg->BrowseColour();
  EXPECT_EQ(ui->Last("ShowColor")->Colour, 0x0080FF);
  EXPECT_EQ(Text(), "FF0000");
  dlg->OK();
  EXPECT_EQ(dlg->ModalResult, 1);
  EXPECT_EQ(p->Value, Variant(int32_t{0xFF0000}));
  EXPECT_TRUE(o->Dirty);
}

TEST_F(GalEdit, UnchangedValueLeavesTheObjectClean) {
  struct Case {
    int32_t t;
    const char* name;
    Variant value;
  } cases[] = {{1, "color", Variant(int32_t{255})}, {7, "x", Variant(int32_t{1})},
               {7, "z", Variant(int32_t{-123457})},  {3, "a", Variant(int32_t{4096})},
               {1, "x", Variant(int32_t{4})},        {7, "n", Variant(int32_t{2500})}};
  for (const Case& c : cases) {
    dlg = std::make_unique<frmGalEdit>();
    GalaxyObjectPtr o = Object(c.t);
    auto p = Prop(c.name, c.value);
    Edit(o, p);
    // Through every unit and back: the value is what it was.
    if (c.name == std::string("x") && c.t != 1) {
      dlg->rbLen[2]->click();
      dlg->rbLen[1]->click();
      dlg->rbLen[0]->click();
    }
    dlg->OK();
    EXPECT_EQ(dlg->ModalResult, 1) << c.name;
    EXPECT_FALSE(o->Dirty) << c.name;
    EXPECT_EQ(p->Value, c.value) << c.name;
  }
}

TEST_F(GalEdit, DistancesInMetresGameUnitsAndMiles) {
  GalaxyObjectPtr o = Object(7);
  auto p = Prop("x", Variant(int32_t{1234}));
  Edit(o, p);
  EXPECT_FALSE(dlg->LenGroup->isHidden());
  EXPECT_TRUE(dlg->rbLen[0]->isChecked());
  EXPECT_EQ(Text(), "2.468");
  dlg->rbLen[1]->click();
  EXPECT_EQ(Text(), "1234");
  dlg->rbLen[2]->click();
  EXPECT_EQ(Text(), "0.001");
  // A typed distance is read in the unit in force and kept in whole game units.
  Type("1");
  dlg->rbLen[1]->click();
  EXPECT_EQ(Text(), "926000");
  Type("far");
  dlg->rbLen[0]->click();
  EXPECT_EQ(Text(), "0.000");  // an unreadable text becomes 0
  Type("0.0013");
  dlg->OK();
  EXPECT_EQ(p->Value, Variant(int32_t{1}));
  EXPECT_TRUE(o->Dirty);
}

TEST_F(GalEdit, AnEditIsChangedAgainstTheCallersValueAfterUnitSwitches) {
  GalaxyObjectPtr o = Object(7);
  auto p = Prop("y", Variant(int32_t{1234}));
  Edit(o, p);
  Type("3");
  dlg->rbLen[1]->click();  // the edit is read here
  dlg->rbLen[0]->click();
  EXPECT_EQ(Text(), "3.000");
  dlg->OK();
  EXPECT_EQ(p->Value, Variant(int32_t{1500}));
  EXPECT_TRUE(o->Dirty);
}

TEST_F(GalEdit, SectorCoordinatesAreRangeChecked) {
  GalaxyObjectPtr o = Object(1);
  auto p = Prop("x", Variant(int32_t{3}));
  Edit(o, p);
  EXPECT_TRUE(dlg->LenGroup->isHidden());
  EXPECT_EQ(Text(), "3");
  Type("24");
  dlg->OK();
  EXPECT_EQ(Warnings(), "Allowed coordinates values are X<0; 23>, Y<0; 19>\n");
  Type("23");
  dlg->OK();
  EXPECT_EQ(p->Value, Variant(int32_t{23}));
  dlg = std::make_unique<frmGalEdit>();
  auto z = Prop("z", Variant(int32_t{0}));
  Edit(o, z);
  Type("-1");
  dlg->OK();
  EXPECT_EQ(dlg->ModalResult, 0);
  EXPECT_EQ(ui->Last("MsgBox")->Text, "Allowed coordinates values are X<0; 23>, Y<0; 19>");
}

TEST_F(GalEdit, RotationsInHexaAndDecimal) {
  GalaxyObjectPtr o = Object(3);
  auto p = Prop("b", Variant(int32_t{255}));
  Edit(o, p);
  EXPECT_FALSE(dlg->FormatGroup->isHidden());
  EXPECT_TRUE(dlg->rbFormat[1]->isChecked());
  EXPECT_EQ(Text(), "FF");
  dlg->rbFormat[0]->click();
  EXPECT_EQ(Text(), "255");
  dlg->rbFormat[1]->click();
  Type("0xFF");
  dlg->OK();
  EXPECT_EQ(Warnings(), "Entered value is invalid.\n");
  Type("1A");
  dlg->OK();
  EXPECT_EQ(p->Value, Variant(int32_t{26}));
  EXPECT_TRUE(o->Dirty);
}

TEST_F(GalEdit, RaceListPreselectsAndStoresTheIndexAsText) {
  GalaxyObjectPtr o = Object(5);
  auto p = Prop("r", Variant(int32_t{5}));
  Edit(o, p);
  EXPECT_FALSE(dlg->cmbValue->isHidden());
  EXPECT_TRUE(dlg->ValEdit->isHidden());
  EXPECT_FALSE(dlg->NameGroup->isHidden());
  EXPECT_EQ(dlg->cmbValue->currentData().toInt(), 5);
  EXPECT_EQ(dlg->cmbValue->currentText().toStdString(), mdlKzConst::RaceNames.At(5));
  dlg->OK();
  EXPECT_EQ(p->Value, Variant("5"));
  EXPECT_FALSE(o->Dirty);  // "5" is the 5 it was
  dlg = std::make_unique<frmGalEdit>();
  Edit(o, p);  // the text is found among the stored values
  EXPECT_EQ(dlg->cmbValue->currentData().toInt(), 5);
  dlg->cmbValue->setCurrentIndex(dlg->cmbValue->findData(7));
  dlg->OK();
  EXPECT_EQ(p->Value, Variant("7"));
  EXPECT_TRUE(o->Dirty);
}

TEST_F(GalEdit, TypeListNeverOffersSectorAndGateIdsStartAtMinusOne) {
  GalaxyObjectPtr o = Object(18);
  auto t = Prop("t", Variant(int32_t{18}));
  Edit(o, t);
  EXPECT_EQ(dlg->cmbValue->findText("Sector"), -1);
  EXPECT_EQ(dlg->cmbValue->currentText(), "Gate");

  dlg = std::make_unique<frmGalEdit>();
  auto gid = Prop("gid", Variant(int32_t{-1}));
  Edit(o, gid);
  EXPECT_EQ(dlg->cmbValue->currentIndex(), -1);  // -1 is never preselected
  dlg->OK();
  EXPECT_EQ(Warnings(), "You must select value from the list.\n");
  Choose(dlg->cmbValue, "-1");
  dlg->OK();
  EXPECT_EQ(gid->Value, Variant("-1"));
  dlg = std::make_unique<frmGalEdit>();
  Edit(o, gid);  // the stored text "-1" is not preselected either
  EXPECT_EQ(dlg->cmbValue->currentIndex(), -1);
}

TEST_F(GalEdit, NewPropertyChecksValueBeforeName) {
  GalaxyObjectPtr o = Object(7);
  o->AddProperty("x", Variant(int32_t{0}));
  o->Dirty = false;
  auto p = std::make_shared<clsProperty>();
  dlg->NewProperty(nullptr, o, p, false);
  EXPECT_FALSE(dlg->cmbPropNames->isHidden());
  EXPECT_TRUE(dlg->PropNameEdit->isHidden());
  EXPECT_EQ(dlg->cmbPropNames->findText("X"), -1);  // only what the object lacks
  EXPECT_GE(dlg->cmbPropNames->findText("Y"), 0);
  dlg->OK();
  Type("12");
  dlg->OK();
  EXPECT_EQ(Warnings(), "Entered value is invalid.\nYou must select property name.\n");
  Choose(dlg->cmbPropNames, "Description/Amount");
  Type("2500");
  dlg->OK();
  EXPECT_EQ(dlg->ModalResult, 1);
  EXPECT_EQ(p->Name, "n");
  EXPECT_EQ(p->Value, Variant(int32_t{2500}));
  // Choosing a name switches the form.
  dlg = std::make_unique<frmGalEdit>();
  auto q = std::make_shared<clsProperty>();
  dlg->NewProperty(nullptr, o, q, false);
  Choose(dlg->cmbPropNames, "Color");
  EXPECT_EQ(dlg->Kind(), mdlGalEdit::kColour);
  EXPECT_FALSE(dlg->btnColorBrowse->isHidden());
  Choose(dlg->cmbPropNames, "Asteroid - type");
  EXPECT_FALSE(dlg->cmbValue->isHidden());
  EXPECT_EQ(dlg->cmbValue->count(), 3);
}

TEST_F(GalEdit, TextValuesOfNumberFormAndCancel) {
  GalaxyObjectPtr o = Object(7);
  auto p = Prop("foo", Variant("bar"));
  Edit(o, p);
  EXPECT_EQ(dlg->PropNameEdit->text(), "");
  EXPECT_EQ(Text(), "bar");
  dlg->OK();
  EXPECT_EQ(Warnings(), "Entered value is invalid.\n");
  Type("17");
  dlg->Cancel();
  EXPECT_EQ(dlg->ModalResult, 2);
  EXPECT_EQ(p->Value, Variant("bar"));
  EXPECT_FALSE(o->Dirty);
}

struct GalEditSubtypes : GalEdit {
  testdata::DataFolder data;
  std::shared_ptr<clsGalaxyParser> doc = std::make_shared<clsGalaxyParser>();
  void SetUp() override {
    GalEdit::SetUp();
    using testdata::Record;
    data.Write("types/TSuns.txt",
               testdata::TypeFile(1, {Record(19, {"0", "0", "0", "0", "0", "0", "2101"}, "SS_SUN_A"),
                                      Record(19, {"0", "0", "0", "0", "0", "0", "2102"}, "SS_SUN_B")}));
    data.Write("t/440001.xml", testdata::TreXml(44, {{17, {{2101, "Yellow Sun"}, {2102, "Red Sun"}}}}));
    data.Mount();
    Archive = std::make_shared<clsArchive>();
    DescServer = std::make_shared<clsDescServer>();
    ASSERT_TRUE(DescServer->LoadResources(44));
  }
  void TearDown() override {
    Archive.reset();
    DescServer.reset();
  }
};

TEST_F(GalEditSubtypes, RecordListByIdOrNameStoresTheId) {
  GalaxyObjectPtr o = Object(3);
  auto p = Prop("s", Variant(int32_t{1}));  // a record position
  Edit(o, p, doc);
  EXPECT_TRUE(dlg->rbName[1]->isChecked());
  EXPECT_EQ(dlg->cmbValue->currentText(), "SS_SUN_B");
  dlg->rbName[0]->click();
  EXPECT_EQ(dlg->cmbValue->currentText(), "Red Sun");  // same position, names shown
  dlg->OK();
  EXPECT_EQ(p->Value, Variant("SS_SUN_B"));
  EXPECT_TRUE(o->Dirty);
  // Without a document the subtype is typed as a number.
  dlg = std::make_unique<frmGalEdit>();
  auto q = Prop("s", Variant(int32_t{1}));
  Edit(o, q);
  EXPECT_EQ(dlg->Kind(), mdlGalEdit::kNumber);
  EXPECT_EQ(Text(), "1");
}

}  // namespace
