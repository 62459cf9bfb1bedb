// The new-object dialog: the type lists, the subtype list or text box, and its checks.
#include <QComboBox>
#include <QLineEdit>

#include "GalaxyFixture.h"
#include "core/ui/GenericUi.h"

namespace {

struct NewObject : GalaxyTest {
  GalaxyParserPtr doc;
  GalaxyObjectPtr obj;
  frmNewGalObject* dialog = nullptr;

  void SetUp() override {
    GalaxyTest::SetUp();
    doc = std::make_shared<clsGalaxyParser>();
    doc->NewFile();
    obj = doc->NewGalObject(nullptr);
    dialog = Keep(new frmNewGalObject);
  }
};

}  // namespace

TEST_F(NewObject, NewSectorTakesATypedSubtype) {
  struct Case {
    const char* text;
    const char* subtype;  // "" = none set
    bool accepted;
  } cases[] = {{"", "", true},   {"3", "3", true},   {"-1", "", true}, {"x", "", false},
               {"4294967296", "", false},  // beyond 32 bits
               {"2.5", "2", true}};
  for (const Case& c : cases) {
    obj = doc->NewGalObject(nullptr);
    ui_->ClearCalls();
    dialog->ModalResult = 0;
    dialog->NewSector(doc, obj, false);
    EXPECT_FALSE(dialog->cmbType->isEnabled());
    EXPECT_EQ(dialog->cmbType->currentText(), "Sector");
    EXPECT_TRUE(dialog->cmbSubtype->isHidden());
    dialog->SubtypeEdit->setText(c.text);
    dialog->AcceptDialog();
    if (c.accepted) {
      EXPECT_EQ(dialog->ModalResult, 1) << c.text;
      EXPECT_EQ(obj->otype(), 1);
      EXPECT_EQ(kz::CStr(obj->subtype()), c.subtype) << c.text;
      EXPECT_EQ(obj->Property(std::string_view("s")) != nullptr, *c.subtype != 0) << c.text;
    } else {
      EXPECT_EQ(LastMsg(), "Subtype must be numeric or empty value.") << c.text;
      EXPECT_EQ(ui_->Last("MsgBox")->Flags, platform::vbExclamation);
      EXPECT_TRUE(dialog->isVisible());
      EXPECT_EQ(obj->PropertyCount(), 0);
      dialog->CancelDialog();
      EXPECT_EQ(dialog->ModalResult, 2);
    }
  }
}

TEST_F(NewObject, LimitedTypeListLeavesOutContainers) {
  for (int round = 0; round < 2; ++round) {
    dialog->NewObject(doc, obj, true, false);
    EXPECT_TRUE(dialog->cmbType->isEnabled());
    EXPECT_EQ(dialog->cmbType->currentIndex(), -1);
    ASSERT_EQ(dialog->cmbType->count(), 26);  // never grows on reuse
    EXPECT_EQ(dialog->cmbType->findText("Sector"), -1);
    EXPECT_EQ(dialog->cmbType->findText("Background"), -1);
    EXPECT_EQ(dialog->cmbType->findText("Sub objects"), -1);
    for (int32_t blank : {19, 22, 24, 25, 26, 27}) {
      const int at = dialog->cmbType->findData(blank);
      ASSERT_GE(at, 0) << blank;
      EXPECT_EQ(dialog->cmbType->itemText(at), "") << blank;
    }
    ui_->ClearCalls();
    dialog->AcceptDialog();
    EXPECT_EQ(LastMsg(), "You must select object type.");
    dialog->CancelDialog();
  }
  // Every type, without limits.
  dialog->NewObject(doc, obj, false, false);
  EXPECT_GE(dialog->cmbType->findText("Sector"), 0);
  EXPECT_GE(dialog->cmbType->findText("Sub objects"), 0);
  EXPECT_EQ(dialog->cmbType->findData(19), -1);
  dialog->CancelDialog();
}

TEST_F(NewObject, GroupsAndRecordsAsSubtypes) {
  dialog->NewObject(doc, obj, false, false);
  kz::SelectComboByItemData(dialog->cmbType, 23);
  dialog->FillSubtypes();
  ASSERT_FALSE(dialog->cmbSubtype->isHidden());
  EXPECT_TRUE(dialog->SubtypeEdit->isHidden());
  ASSERT_EQ(dialog->cmbSubtype->count(), 9);
  EXPECT_EQ(dialog->cmbSubtype->itemText(0), "Shieds");
  ui_->ClearCalls();
  dialog->AcceptDialog();
  EXPECT_EQ(LastMsg(), "You must select object subtype.");
  dialog->cmbSubtype->setCurrentIndex(dialog->cmbSubtype->findText("Product"));
  dialog->AcceptDialog();
  EXPECT_EQ(dialog->ModalResult, 1);
  EXPECT_EQ(obj->otype(), 23);
  EXPECT_EQ(obj->subtype().Kind(), kz::VariantKind::Long);
  EXPECT_EQ(kz::CStr(obj->subtype()), "7");

  // Ships: one entry per record in file order; the record's ID is stored.
  obj = doc->NewGalObject(nullptr);
  dialog->NewObject(doc, obj, false, false);
  kz::SelectComboByItemData(dialog->cmbType, 7);
  dialog->FillSubtypes();
  ASSERT_EQ(dialog->cmbSubtype->count(), 3);
  EXPECT_EQ(dialog->cmbSubtype->itemText(0), "Alpha - SS_SH_A");
  EXPECT_EQ(dialog->cmbSubtype->itemText(2), "SS_SH_C");  // no name: the ID alone
  dialog->cmbSubtype->setCurrentIndex(1);
  dialog->AcceptDialog();
  EXPECT_EQ(obj->subtype().Kind(), kz::VariantKind::String);
  EXPECT_EQ(kz::CStr(obj->subtype()), "SS_SH_B");
  EXPECT_EQ(obj->otype(), 7);

  // A type whose file is missing shows the text box, keeping its text.
  dialog->SubtypeEdit->setText("12");
  dialog->NewObject(doc, obj, false, false);
  kz::SelectComboByItemData(dialog->cmbType, 9);  // no TShields here
  dialog->FillSubtypes();
  EXPECT_TRUE(dialog->cmbSubtype->isHidden());
  EXPECT_FALSE(dialog->SubtypeEdit->isHidden());
  EXPECT_EQ(dialog->SubtypeEdit->text(), "12");
  dialog->CancelDialog();
}
