// The value dialog: raw fields without a page, translated fields with one, the name
// mode, and the raw edit of the editor window.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "EditorFixture.h"

namespace {

// A page that describes field 1 as a speed with a unit, field 2 as a pick list and
// field 3 as a whole number.
class ValuePage : public EditorPage {
 public:
  std::string JvGetPropertyName(TXTObjectRef&, int32_t& i) override { return "Field " + std::to_string(i); }
  int32_t JvSupportValueTranslate(TXTObjectRef&, int32_t& i) override { return i == 1 ? 1 : i == 2 ? 2 : 0; }
  int32_t JvGetValueType(TXTObjectRef&, int32_t& i) override { return i == 4 ? 1 : 0; }
  std::string JvGetValueUnit(TXTObjectRef&, int32_t&) override { return "m/s"; }
  kz::NameTable JvGetPropertyValues(TXTObjectRef&, int32_t&) override { return kz::NameTable(0, {"Small", "", "Large"}); }
  bool JvTranslateValue(TXTObjectRef& r, int32_t& i, std::string& text, bool) override {
    if (i == 1) {
      text = std::to_string(kz::CLng(r->Value(i)) * 2);
      return true;
    }
    if (i == 2) {
      int32_t v = kz::CLng(r->Value(i));
      text = v == 0 ? "Small" : v == 2 ? "Large" : "";
      return !text.empty();
    }
    return false;
  }
  bool JvTranslateValueBack(TXTObjectRef&, const std::string& text, int32_t& i, kz::Variant& value) override {
    if (i == 1) {
      double d = 0;
      if (!kz::TryParseNumber(text, d)) return false;
      value = kz::Variant(kz::round32(d / 2));
      return true;
    }
    if (text == "Small") {
      value = kz::Variant(int32_t{0});
    } else if (text == "Large") {
      value = kz::Variant(int32_t{2});
    } else {
      return false;
    }
    return true;
  }
};

// A page whose field 1 is a pick list with an empty entry and two entries of one text;
// entry k stands for the code 100 + k.
class SharedTextPage : public EditorPage {
 public:
  const kz::NameTable list{0, {"Alpha", "", "Beta", "Beta", "Gamma"}};
  std::string JvGetPropertyName(TXTObjectRef&, int32_t&) override { return "Kind"; }
  int32_t JvSupportValueTranslate(TXTObjectRef&, int32_t& i) override { return i == 1 ? 2 : 0; }
  int32_t JvGetValueType(TXTObjectRef&, int32_t&) override { return 0; }
  kz::NameTable JvGetPropertyValues(TXTObjectRef&, int32_t&) override { return list; }
  bool JvTranslateValue(TXTObjectRef& r, int32_t& i, std::string& text, bool) override {
    const int32_t k = kz::CLng(r->Value(i)) - 100;
    if (k < 0 || k >= list.Count()) return false;
    text = list.At(k);
    return true;
  }
  bool JvTranslateValueBack(TXTObjectRef&, const std::string& text, int32_t&, kz::Variant& value) override {
    for (int32_t k = 0; k < list.Count(); ++k)
      if (list.At(k) == text) {
        value = kz::Variant(100 + k);
        return true;
      }
    return false;
  }
  bool JvTranslateEntryBack(TXTObjectRef&, int32_t&, int32_t entry, const std::string&, kz::Variant& value) override {
    value = kz::Variant(100 + entry);
    return true;
  }
};

TXTObjectRef Record(std::vector<kz::Variant> values) {
  auto r = std::make_shared<clsTXTObject>();
  r->AssignValues(std::move(values));
  return r;
}

}  // namespace

TEST_F(EditorTest, RawValueEditStoresNumbersAndTextsWithTheSeparatorRules) {
  TXTObjectRef r = Record({kz::Variant(int32_t{1}), kz::Variant("a"), kz::Variant("007"), kz::Variant(0.1f),
                           kz::Variant("ID")});
  struct Case {
    const char* typed;
    bool accepted;
    const char* message;
    const char* stored;  // the value afterwards, as text
    bool number;         // stored as a number
  } cases[] = {
      {"12", true, nullptr, "12", true},
      {"abc", true, nullptr, "abc", false},
      {"a;b", false, "Value cannot contain semicolon (;)", "abc", false},
      {"a/b", false, "Value cannot contain slash (/)", "abc", false},
  };
  for (const Case& c : cases) {
    frmEdit d;
    d.ShowProperty(nullptr, r, 3, 1, false);
    EXPECT_EQ(d.PropNameEdit->text(), " (offset 1)");
    EXPECT_EQ(d.lblValue->text(), "Value [String]");
    d.cmbValue->setEditText(c.typed);
    ui_->ClearCalls();
    d.OK();
    EXPECT_EQ(d.ModalResult, c.accepted ? 1 : 0) << c.typed;
    if (c.message) {
      EXPECT_EQ(LastMsg(), c.message);
    }
    EXPECT_EQ(kz::CStr(r->Value(1)), c.stored) << c.typed;
    EXPECT_EQ(r->Value(1).IsNumeric(), c.number) << c.typed;
  }

  // Slashes are accepted when allowed.
  frmEdit s;
  s.AllowSlash = true;
  s.ShowProperty(nullptr, r, 3, 1, false);
  s.cmbValue->setEditText("a/b");
  s.OK();
  EXPECT_EQ(s.ModalResult, 1);
  EXPECT_EQ(kz::CStr(r->Value(1)), "a/b");

  // An unchanged text writes nothing: "007" stays a text, 0.1 stays the Single it was.
  r->Dirty = false;
  for (int32_t index : {2, 3}) {
    frmEdit u;
    u.ShowProperty(nullptr, r, 3, index, false);
    u.OK();
    EXPECT_EQ(u.ModalResult, 1);
  }
  EXPECT_TRUE(r->Value(2).IsString());
  EXPECT_EQ(r->Value(3).Kind(), kz::VariantKind::Single);
  EXPECT_FALSE(r->Dirty);

  // Cancel leaves the record.
  frmEdit c;
  c.ShowProperty(nullptr, r, 3, 2, false);
  c.cmbValue->setEditText("999");
  c.Cancel();
  EXPECT_EQ(c.ModalResult, 2);
  EXPECT_EQ(kz::CStr(r->Value(2)), "007");
}

TEST_F(EditorTest, TranslatedValuesGoThroughThePage) {
  ValuePage page;
  TXTObjectRef r = Record({kz::Variant(int32_t{5}), kz::Variant(int32_t{10}), kz::Variant(int32_t{2}),
                           kz::Variant(int32_t{7}), kz::Variant(1.5), kz::Variant("ID")});
  // A number with a unit: checked, the unit in the label, the translated text.
  frmEdit d;
  d.ShowProperty(&page, r, 1, 1, false);
  EXPECT_EQ(d.PropNameEdit->text(), "Field 1 (offset 1)");
  EXPECT_TRUE(d.chkTranslatedValue->isEnabled());
  EXPECT_TRUE(d.chkTranslatedValue->isChecked());
  EXPECT_EQ(d.lblValue->text(), "Value [m/s]");
  EXPECT_EQ(d.cmbValue->currentText(), "20");
  d.chkTranslatedValue->click();
  EXPECT_EQ(d.lblValue->text(), "Value [Integer]");
  EXPECT_EQ(d.cmbValue->currentText(), "10");
  d.chkTranslatedValue->click();
  d.cmbValue->setEditText("30");
  d.OK();
  EXPECT_EQ(d.ModalResult, 1);
  EXPECT_EQ(kz::CLng(r->Value(1)), 15);

  // A pick list: an entry, a whole number, anything else refused.
  frmEdit p;
  p.ShowProperty(&page, r, 1, 2, false);
  EXPECT_EQ(p.cmbValue->count(), 2);
  EXPECT_EQ(p.cmbValue->currentText(), "Large");
  EXPECT_FALSE(p.chkTranslatedValue->isEnabled());
  p.cmbValue->setEditText("Small");
  p.OK();
  EXPECT_EQ(kz::CLng(r->Value(2)), 0);
  for (const char* typed : {"Medium", "2.5"}) {
    frmEdit q;
    q.ShowProperty(&page, r, 1, 2, false);
    q.cmbValue->setEditText(typed);
    q.OK();
    EXPECT_EQ(q.ModalResult, 0) << typed;
    EXPECT_EQ(LastMsg(), "Entered value is incorrect. It must be whole number.");
  }
  frmEdit w;
  w.ShowProperty(&page, r, 1, 2, false);
  w.cmbValue->setEditText("17");
  w.OK();
  EXPECT_EQ(w.ModalResult, 1);
  EXPECT_EQ(kz::CLng(r->Value(2)), 17);

  // Untranslated whole and fraction fields.
  frmEdit i;
  i.ShowProperty(&page, r, 1, 3, false);
  EXPECT_EQ(i.lblValue->text(), "Value [Integer]");
  i.cmbValue->setEditText("2.5");
  i.OK();
  EXPECT_EQ(i.ModalResult, 0);
  EXPECT_EQ(LastMsg(), "Entered value is incorrect. It must be whole number.");
  frmEdit f;
  f.ShowProperty(&page, r, 1, 4, false);
  f.cmbValue->setEditText("abc");
  f.OK();
  EXPECT_EQ(f.ModalResult, 0);
  EXPECT_EQ(LastMsg(), "Entered value is incorrect. It must be float number.");
  f.cmbValue->setEditText("2.25");
  f.OK();
  EXPECT_EQ(f.ModalResult, 1);
  EXPECT_DOUBLE_EQ(kz::CDbl(r->Value(4)), 2.25);
}

TEST_F(EditorTest, ValueDialogReportsAPageWithoutTheMembers) {
  EditorPage bare;
  TXTObjectRef r = Record({kz::Variant(int32_t{1}), kz::Variant("ID")});
  frmEdit d;
  d.ShowProperty(&bare, r, 1, 0, false);
  EXPECT_EQ(LastMsg(), "Error loading property.");
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.ModalResult, 0);
  frmEdit o;
  o.ShowProperty(nullptr, r, 1, 5, false);  // no such field
  EXPECT_EQ(LastMsg(), "Error loading property.");
}

TEST_F(EditorTest, NameModeKeepsIDsUnique) {
  TXTObjectRef a = Record({kz::Variant(int32_t{1}), kz::Variant("SS_A")});
  TXTObjectRef b = Record({kz::Variant(int32_t{1}), kz::Variant("SS_B")});
  frmEdit d;
  // The name mode is always modal.
  WhenEditShown([&](frmEdit& e) {
    EXPECT_EQ(&e, &d);
    EXPECT_EQ(e.PropNameEdit->text(), "Name");
    EXPECT_FALSE(e.chkTranslatedValue->isVisible());
    EXPECT_EQ(e.cmbValue->currentText(), "SS_A");
    e.cmbValue->setEditText("ss_b");
    e.OK();
    EXPECT_EQ(LastMsg(), "This object ID is already used.");
    EXPECT_EQ(e.ModalResult, 0);
    EXPECT_TRUE(e.isVisible());
    e.cmbValue->setEditText("SS_a");
    e.OK();
  });
  d.ShowName(a, {a, b}, false);
  EXPECT_EQ(d.ModalResult, 1);
  EXPECT_EQ(a->ObjectName(), "SS_a");
}

TEST_F(EditorTest, RawEditFromTheWindowUpdatesListAndCaption) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TShields.txt"));
  w->SetListMode(2);
  ASSERT_TRUE(w->SelectedRecord());
  const int32_t last = w->SelectedRecord()->size() - 1;
  // Cancel changes nothing.
  w->ObjectDataView->setCurrentItem(w->ObjectDataView->topLevelItem(last));
  WhenEditShown([](frmEdit& d) {
    d.cmbValue->setEditText("SS_SHIELD_X");
    d.Cancel();
  });
  w->EditRawData();
  EXPECT_FALSE(w->Parser()->CheckDirty());
  EXPECT_FALSE(w->windowTitle().endsWith(" *"));
  // OK stores the value, renames the list item and marks the caption.
  WhenEditShown([](frmEdit& d) {
    EXPECT_EQ(d.cmbValue->currentText(), "SS_SHIELD_1");
    d.cmbValue->setEditText("SS_SHIELD_X");
    d.OK();
  });
  w->EditRawData();
  EXPECT_EQ(w->SelectedRecord()->ObjectName(), "SS_SHIELD_X");
  EXPECT_EQ(w->ObjectView->currentIndex().data().toString(), "SS_SHIELD_X");
  EXPECT_EQ(w->ObjectDataView->topLevelItem(last)->text(1), "SS_SHIELD_X");
  EXPECT_TRUE(w->windowTitle().endsWith(" *"));
  // No row selected: nothing happens.
  w->ObjectDataView->setCurrentItem(nullptr);
  w->EditRawData();
}

TEST_F(EditorTest, RawEditTypedIntoTheOpenDialogIsSavedAsAWholeNumber) {
  frmTXTEditor* w = OpenWindow(PathOf("types/TShields.txt"));
  w->SetListMode(2);
  ASSERT_TRUE(w->SelectedRecord());
  TXTObjectRef record = w->SelectedRecord();
  ASSERT_EQ(kz::CStr(record->Value(7)), "7");
  w->ObjectDataView->setCurrentItem(w->ObjectDataView->topLevelItem(7));
  // The user types at once and presses Enter: the value box has the focus and its
  // whole text is selected, so the typing replaces the value.
  WhenEditShown([](frmEdit& d) {
    QLineEdit* box = d.cmbValue->lineEdit();
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(d.focusWidget(), d.cmbValue);
    EXPECT_EQ(box->selectedText(), "7");
    QTest::keyClicks(d.focusWidget(), "4321");
    QTest::keyClick(d.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(d.ModalResult, 1);
  });
  w->EditRawData();
  EXPECT_EQ(record->Value(7).Kind(), kz::VariantKind::Long);
  EXPECT_EQ(kz::CStr(record->Value(7)), "4321");

  // Saved over the file: the number is written as typed. The overwrite question
  // belongs to the editor window.
  ui_->PushFile(PathOf("types/TShields.txt"), 1);
  ui_->PushMsgBox(platform::vbYes);
  ASSERT_TRUE(w->SaveTFile()) << LastMsg();
  EXPECT_EQ(ui_->Last("MsgBox")->Owner, static_cast<void*>(w));
  const std::string bytes = RawBytes(PathOf("types/TShields.txt"));
  EXPECT_NE(bytes.find(";6.5;4321;"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("4321.0"), std::string::npos) << bytes;
}

TEST_F(EditorTest, ValueDialogRefusesWhatTheFileCannotHoldInItsOwnBox) {
  ValuePage page;
  TXTObjectRef r = Record({kz::Variant(int32_t{1}), kz::Variant("old"), kz::Variant(int32_t{2}),
                           kz::Variant(int32_t{7}), kz::Variant(1.5), kz::Variant("ID")});
  const struct {
    EditorPage* page;
    int32_t index;
    const char* typed;
    const char* message;  // part of the refusal
  } refused[] = {
      {nullptr, 1, "\xE4\xB8\xAD", "that Windows-1252 cannot hold."},  // a character outside the code page
      {nullptr, 1, "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD", "at byte 10 that Windows-1252 cannot hold."},
      {nullptr, 1, "a;b", "Value cannot contain semicolon (;)"},
      {&page, 3, "2.5", "It must be whole number."},
      {&page, 4, "abc", "It must be float number."},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.typed);
    frmEdit d;
    d.ShowProperty(c.page, r, 3, c.index, false);
    d.cmbValue->setEditText(QString::fromUtf8(c.typed));
    ui_->ClearCalls();
    d.OK();
    EXPECT_EQ(d.ModalResult, 0);
    const platform::UiCall* box = ui_->Last("MsgBox");
    ASSERT_NE(box, nullptr);
    EXPECT_NE(box->Text.find(c.message), std::string::npos) << box->Text;
    EXPECT_EQ(box->Owner, static_cast<void*>(&d));
    EXPECT_EQ(d.cmbValue->lineEdit()->selectedText(), d.cmbValue->currentText());
  }
  EXPECT_EQ(kz::CStr(r->Value(1)), "old");
  // Everything Windows-1252 holds is taken.
  frmEdit ok;
  ok.ShowProperty(nullptr, r, 3, 1, false);
  ok.cmbValue->setEditText(QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
  ok.OK();
  EXPECT_EQ(ok.ModalResult, 1);
  EXPECT_EQ(kz::CStr(r->Value(1)), "caf\xC3\xA9 \xE2\x82\xAC");

  // The ID too; with slashes allowed, a text the file would read as a remark is refused.
  frmEdit n;
  WhenEditShown([&](frmEdit& e) {
    e.cmbValue->setEditText(QString::fromUtf8("SS_\xE4\xB8\xAD"));
    e.OK();
    EXPECT_EQ(e.ModalResult, 0);
    EXPECT_NE(LastMsg().find("Windows-1252"), std::string::npos) << LastMsg();
    e.AllowSlash = true;
    e.cmbValue->setEditText("//SS_X");
    e.OK();
    EXPECT_EQ(e.ModalResult, 0);
    EXPECT_NE(LastMsg().find("remark"), std::string::npos) << LastMsg();
    e.Cancel();
  });
  n.ShowName(r, {r}, false);
  EXPECT_EQ(r->ObjectName(), "ID");
}

TEST_F(EditorTest, APickListStoresThePagesValueOfTheChosenEntryAndNothingWhenUnchanged) {
  SharedTextPage page;
  struct Case {
    int32_t stored;
    const char* act;    // "enter": Enter on the value as shown; "ok": the button; else the entry to choose
    int chosen;         // combo position chosen (for "choose")
    const char* typed;  // a text typed before Enter (for "type")
    int32_t after;
    bool dirty;
  } cases[] = {
      {103, "enter", -1, nullptr, 103, false},  // the second "Beta" stays itself
      {102, "enter", -1, nullptr, 102, false},
      {104, "ok", -1, nullptr, 104, false},
      {7, "enter", -1, nullptr, 7, false},      // no entry shows it
      {103, "choose", 1, nullptr, 102, true},   // the first "Beta"
      {102, "choose", 2, nullptr, 103, true},   // the second "Beta"
      {102, "choose", 3, nullptr, 104, true},   // "Gamma": entry 4, not position 3
      {100, "type", -1, "Gamma", 104, true},
      {100, "type", -1, "17", 17, true},        // a code typed as such
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.act) + " on " + std::to_string(c.stored));
    TXTObjectRef r = Record({kz::Variant(int32_t{0}), kz::Variant(c.stored), kz::Variant("ID")});
    r->Dirty = false;
    frmEdit d;
    d.ShowProperty(&page, r, 1, 1, false);
    ASSERT_EQ(d.cmbValue->count(), 4);
    QLineEdit* box = d.cmbValue->lineEdit();
    ASSERT_NE(box, nullptr);
    const std::string act = c.act;
    if (act == "ok") {
      d.btnOK->click();
    } else {
      if (act == "choose") d.cmbValue->setCurrentIndex(c.chosen);
      if (act == "type") {
        box->selectAll();
        QTest::keyClicks(box, c.typed);
      }
      QTest::keyClick(box, Qt::Key_Return);
    }
    EXPECT_EQ(d.ModalResult, 1);
    EXPECT_EQ(r->Value(1).Kind(), kz::VariantKind::Long);
    EXPECT_EQ(kz::CLng(r->Value(1)), c.after);
    EXPECT_EQ(r->Dirty, c.dirty);
  }
}
