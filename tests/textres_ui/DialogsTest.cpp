// The string, page and new-file dialogs on library objects.
#include "UiFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTest>

#include "textres/NewXML.h"
#include "textres/PageEdit.h"
#include "textres/StringEdit.h"

namespace {

class DialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    doc_ = Kz_CreateObject(0, 7, 0);
    page_ = Kz_CreateObject(doc_, 8, 0);
    str_ = Kz_CreateObject(page_, 9, 0);
    Kz_TRESetStringInfo(page_, ref_ = Kz_CreateObject(page_, 9, 0), 1, "Argon");
  }
  void TearDown() override {
    Kz_DeleteHandle(0, doc_);
    UiTest::TearDown();
  }
  struct Info {
    int32_t id = 0;
    std::string raw, text;
  };
  Info StringInfo() const {
    Info i;
    Kz_TREGetStringInfo(str_, i.id, i.raw, i.text);
    return i;
  }
  int32_t doc_ = 0, page_ = 0, str_ = 0, ref_ = 0;
};

// OK without an edit writes the raw text back byte for byte.
TEST_F(DialogTest, StringKeepsUneditedRawTextByteForByte) {
  const std::string raws[] = {"no\xC2\xA0" "break space", "two\r\nlines\r\n", "bad \xFF\xFE bytes", "tab\there",
                              "line\nend"};
  for (const std::string& raw : raws) {
    SCOPED_TRACE(raw);
    ASSERT_EQ(Kz_TRESetStringInfo(page_, str_, 5, raw), 1);
    frmStringEdit d;
    d.Fill(page_, str_);
    d.show();
    // Looking at the preview and back changes nothing either.
    d.MainTab->setCurrentIndex(1);
    d.RefreshTab();
    d.MainTab->setCurrentIndex(0);
    d.RefreshTab();
    ASSERT_TRUE(d.OK());
    EXPECT_EQ(d.ModalResult, 1);
    EXPECT_FALSE(d.Dirty);
    EXPECT_EQ(StringInfo().raw, raw);
  }
}

TEST_F(DialogTest, StringEditsRawTextNeverThePreview) {
  Kz_TRESetStringInfo(page_, str_, -1, "old");
  frmStringEdit d;
  d.Fill(page_, str_);
  d.show();
  EXPECT_EQ(d.IDEdit->text(), "0");  // -1 shows as 0
  d.TextEdit->selectAll();
  QTest::keyClicks(d.TextEdit, "The {1} ship");
  d.MainTab->setCurrentIndex(1);
  d.RefreshTab();
  EXPECT_EQ(d.TextEdit->toPlainText(), "The Argon ship");
  EXPECT_TRUE(d.TextEdit->isReadOnly());
  d.RefreshTab();  // tab 2 again: nothing changes
  EXPECT_EQ(d.CurrentText(), "The {1} ship");
  d.IDEdit->setText("");
  ASSERT_TRUE(d.OK());
  EXPECT_TRUE(d.Dirty);
  EXPECT_EQ(StringInfo().raw, "The {1} ship");
  EXPECT_EQ(StringInfo().id, 0);  // an empty ID box writes 0

  // An edited text whose lines ended in CR LF keeps them.
  Kz_TRESetStringInfo(page_, str_, 3, "a\r\nb");
  frmStringEdit e;
  e.Fill(page_, str_);
  e.show();
  e.TextEdit->moveCursor(QTextCursor::End);
  QTest::keyClick(e.TextEdit, Qt::Key_Return);
  QTest::keyClicks(e.TextEdit, "c");
  EXPECT_EQ(e.CurrentText(), "a\r\nb\r\nc");
}

// Ctrl+Enter presses OK; plain Enter in the text is a line end.
TEST_F(DialogTest, CtrlEnterIsOkPlainEnterIsALineEnd) {
  Kz_TRESetStringInfo(page_, str_, 3, "x");
  frmStringEdit d;
  d.Fill(page_, str_);
  d.show();
  d.TextEdit->setFocus();
  d.TextEdit->moveCursor(QTextCursor::End);
  QTest::keyClick(d.TextEdit, Qt::Key_Return);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.ModalResult, 0);
  QTest::keyClick(d.IDEdit, Qt::Key_Return);
  EXPECT_TRUE(d.isVisible());
  QTest::keyClick(d.TextEdit, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.ModalResult, 1);
  EXPECT_EQ(StringInfo().raw, "x\n");
}

// IDs beyond 32 bits and texts the library refuses keep the dialog open.
TEST_F(DialogTest, StringRefusalsKeepTheDialogOpen) {
  Kz_TRESetStringInfo(page_, str_, 3, "x");
  frmStringEdit d;
  d.Fill(page_, str_);
  d.show();
  d.IDEdit->setText("4294967296");
  EXPECT_FALSE(d.OK());
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(Boxes().back(),
            "ID: Entered value is out of range. It must be a whole number from -2147483648 to 2147483647.");
  d.IDEdit->setText("4x");
  EXPECT_FALSE(d.OK());
  EXPECT_EQ(Boxes().back(), "ID: Entered value is incorrect. It must be whole number.");
  d.IDEdit->setText("4");
  d.TextEdit->setPlainText(QString("bell ") + QChar(7));
  d.TextEdit->document()->setModified(true);
  EXPECT_FALSE(d.OK());
  EXPECT_TRUE(d.isVisible());
  EXPECT_NE(Boxes().back().find("control character"), std::string::npos);
  EXPECT_EQ(StringInfo().id, 3);
  EXPECT_EQ(StringInfo().raw, "x");
  d.Cancel();
  EXPECT_EQ(d.ModalResult, 2);

  // Shown modally through ShowString.
  WhenShown<frmStringEdit>([](frmStringEdit& s) { s.OK(); });
  frmStringEdit m;
  EXPECT_EQ(m.ShowString(page_, str_), 1);
}

TEST_F(DialogTest, PageDialog) {
  frmPageEdit d;
  d.Fill(page_);
  d.show();
  EXPECT_EQ(d.IDEdit->text(), "0");  // a new page (-1)
  d.IDEdit->setText("");
  ASSERT_TRUE(d.OK());
  EXPECT_TRUE(d.Dirty);  // -1 became 0
  int32_t id = 0, voice = 0;
  std::string title, desc;
  Kz_TREGetPageInfo(page_, id, title, desc, voice);
  EXPECT_EQ(id, 0);

  Kz_TRESetPageInfo(page_, 17, "Names \xFF", "desc", 1);
  frmPageEdit same;
  same.Fill(page_);
  same.show();
  EXPECT_TRUE(same.chkVoice->isChecked());
  ASSERT_TRUE(same.OK());
  EXPECT_FALSE(same.Dirty);
  Kz_TREGetPageInfo(page_, id, title, desc, voice);
  EXPECT_EQ(title, "Names \xFF");  // untouched bytes stay

  frmPageEdit change;
  change.Fill(page_);
  change.show();
  change.chkVoice->setChecked(false);
  change.DescEdit->setText("other");
  change.DescEdit->setModified(true);
  change.IDEdit->setText("99999999999");
  EXPECT_FALSE(change.OK());
  EXPECT_TRUE(change.isVisible());
  EXPECT_EQ(Boxes().back(),
            "Page ID: Entered value is out of range. It must be a whole number from -2147483648 to 2147483647.");
  change.IDEdit->setText("18");
  ASSERT_TRUE(change.OK());
  EXPECT_TRUE(change.Dirty);
  Kz_TREGetPageInfo(page_, id, title, desc, voice);
  EXPECT_EQ(id, 18);
  EXPECT_EQ(desc, "other");
  EXPECT_EQ(voice, 0);
}

// An ID another page of the file, or another text of the page, holds is refused on
// add and on a change, and the object keeps its values; one keeping its own ID (even
// one the file held twice) is saved as ever.
TEST_F(DialogTest, DuplicateIdsAreRefused) {
  int32_t other = Kz_CreateObject(doc_, 8, 0);
  int32_t twin = Kz_CreateObject(doc_, 8, 0);
  ASSERT_TRUE(Kz_TRESetPageInfo(page_, 500, "first", "", 0));
  ASSERT_TRUE(Kz_TRESetPageInfo(other, 500, "second", "", 0));
  ASSERT_TRUE(Kz_TRESetPageInfo(twin, 7, "third", "", 0));
  const std::string taken = "The file already has a page with the ID 500.\r\nEach page needs an ID of its own.";
  int32_t id = 0, voice = 0;
  std::string title, desc;

  // A new page (ID -1) given a taken ID, and a page changed onto one.
  int32_t fresh = Kz_CreateObject(doc_, 8, 0);
  for (int32_t page : {fresh, twin}) {
    frmPageEdit d;
    d.Fill(page, doc_);
    d.show();
    d.IDEdit->setText("500");
    ASSERT_FALSE(d.OK());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(Boxes().back(), taken);
    d.IDEdit->setText("501");
    EXPECT_TRUE(d.OK());
    Kz_TREGetPageInfo(page, id, title, desc, voice);
    EXPECT_EQ(id, 501);
    Kz_TRESetPageInfo(page, 600 + page % 100, title, desc, voice);
  }
  // Shown through ShowPage, the document is known too.
  WhenShown<frmPageEdit>([](frmPageEdit& d) {
    d.IDEdit->setText("500");
    EXPECT_FALSE(d.OK());
    d.Cancel();
  });
  frmPageEdit shown;
  EXPECT_EQ(shown.ShowPage(doc_, twin, nullptr), 2);
  // One of the two pages 500 keeps its ID.
  frmPageEdit keep;
  keep.Fill(other, doc_);
  keep.show();
  keep.TitleEdit->setText("renamed");
  keep.TitleEdit->setModified(true);
  EXPECT_TRUE(keep.OK());
  Kz_TREGetPageInfo(other, id, title, desc, voice);
  EXPECT_EQ(id, 500);
  EXPECT_EQ(title, "renamed");

  // Texts: ref_ holds ID 1.
  const std::string textTaken =
      "This page already has a text with the ID 1.\r\nEach text of a page needs an ID of its own.";
  frmStringEdit add;
  add.Fill(page_, str_);  // a new text (-1)
  add.show();
  add.IDEdit->setText("1");
  ASSERT_FALSE(add.OK());
  EXPECT_EQ(Boxes().back(), textTaken);
  EXPECT_EQ(StringInfo().id, -1);
  add.IDEdit->setText("2");
  EXPECT_TRUE(add.OK());
  EXPECT_EQ(StringInfo().id, 2);
  frmStringEdit change;
  change.Fill(page_, str_);
  change.show();
  change.IDEdit->setText("1");
  EXPECT_FALSE(change.OK());
  EXPECT_EQ(StringInfo().id, 2);
  change.Cancel();
  // The same ID on another page is no clash.
  int32_t elsewhere = Kz_CreateObject(other, 9, 0);
  frmStringEdit apart;
  apart.Fill(other, elsewhere);
  apart.show();
  apart.IDEdit->setText("1");
  EXPECT_TRUE(apart.OK());
  // A text the page holds twice keeps its ID on an edit.
  ASSERT_TRUE(Kz_TRESetStringInfo(page_, str_, 1, "twin"));
  frmStringEdit same;
  same.Fill(page_, str_);
  same.show();
  EXPECT_TRUE(same.OK());
}

// The keyboard switches the tabs as a click does: the preview, then the raw text.
TEST_F(DialogTest, KeyboardSwitchesTheTab) {
  Kz_TRESetStringInfo(page_, str_, 3, "The {1} ship");
  frmStringEdit d;
  d.Fill(page_, str_);
  d.show();
  d.MainTab->setFocus();
  QTest::keyClick(d.MainTab, Qt::Key_Right);
  ASSERT_EQ(d.MainTab->currentIndex(), 1);
  EXPECT_EQ(d.TextEdit->toPlainText(), "The Argon ship");
  EXPECT_TRUE(d.TextEdit->isReadOnly());
  QTest::keyClick(d.MainTab, Qt::Key_Left);
  ASSERT_EQ(d.MainTab->currentIndex(), 0);
  EXPECT_EQ(d.TextEdit->toPlainText(), "The {1} ship");
  EXPECT_FALSE(d.TextEdit->isReadOnly());
}

TEST_F(DialogTest, NewFileProposals) {
  data_.Write("t/440007.pck", "x");
  data_.Write("t/44abcd.xml", "x");
  data_.Write("t/4400099.xml", "x");
  frmNewXML d;
  d.Fill();
  d.show();
  EXPECT_EQ(d.cmbLangID->count(), 3);
  EXPECT_EQ(d.cmbLangID->itemText(0), "44 - English");
  EXPECT_EQ(d.cmbLangID->currentText(), "44 - English");
  EXPECT_EQ(d.FileNoEdit->text(), "8");
  // Another language chosen in the list: its next number at once.
  d.cmbLangID->setCurrentIndex(1);
  emit d.cmbLangID->activated(1);
  EXPECT_EQ(d.FileNoEdit->text(), "1");
  // A typed language: proposed when the box is left; named in two digits.
  d.cmbLangID->setEditText("7");
  d.ProposeFileNumber();
  EXPECT_EQ(d.FileNoEdit->text(), "1");
  d.FileNoEdit->setText("12");
  ASSERT_TRUE(d.OK());
  EXPECT_EQ(d.langID, 7);
  EXPECT_EQ(d.FileName, "070012.xml");

  // Not a language: no proposal, OK refuses.
  frmNewXML bad;
  bad.Fill();
  bad.show();
  bad.cmbLangID->setEditText("English");
  bad.ProposeFileNumber();
  EXPECT_EQ(bad.FileNoEdit->text(), "");
  EXPECT_FALSE(bad.OK());
  EXPECT_EQ(Boxes().back(), "You must either select language name or enter lang id.");
  bad.cmbLangID->setEditText("99999999999");
  EXPECT_FALSE(bad.OK());
  bad.cmbLangID->setEditText("44");
  bad.FileNoEdit->setText("10000");
  EXPECT_FALSE(bad.OK());
  EXPECT_TRUE(bad.isVisible());
  bad.FileNoEdit->clear();  // empty: proposed on OK
  ASSERT_TRUE(bad.OK());
  EXPECT_EQ(bad.FileName, "440008.xml");

  // A description language outside the list stands as a number and is accepted.
  Settings->SetDescLangID(7);
  frmNewXML seven;
  seven.Fill();
  EXPECT_EQ(seven.cmbLangID->currentText(), "7");
  ASSERT_TRUE(seven.OK());
  EXPECT_EQ(seven.FileName, "070001.xml");
}

}  // namespace
