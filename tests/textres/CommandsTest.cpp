// The editing commands and find of the text resource editor, through a scripted host.
#include "SessionFixture.h"

namespace {

using tre::kPageList;
using tre::kStringList;

class CommandsTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  }
};

TEST_F(CommandsTest, EditPageAndStringAddTheDialogsDirtyFlag) {
  // Cancel changes nothing.
  session_->EditPage();
  session_->EditString();
  EXPECT_EQ(host_.pageDialogs, 1);
  EXPECT_EQ(host_.stringDialogs, 1);
  EXPECT_FALSE(session_->Modified());

  // OK without a change: not modified.
  host_.pageDialog = [](int32_t, int32_t, bool& dirty) {
    dirty = false;
    return 1;
  };
  session_->EditPage();
  EXPECT_FALSE(session_->Modified());

  // OK with a change: the lists show it, the selection stays.
  session_->SelectStringItem(2);
  host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 13, "Thirteen", dirty); };
  session_->EditString();
  EXPECT_TRUE(session_->Modified());
  EXPECT_EQ(Ids(kStringList), (std::vector<int32_t>{1, 2, 13, 112}));
  EXPECT_EQ(session_->SelectedRow(kStringList), 2);
  EXPECT_EQ(session_->StringText(), "Thirteen");
  EXPECT_EQ(session_->Caption().back(), '*');

  session_->SelectPageItem(1);
  host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
    dirty = true;
    return Kz_TRESetPageInfo(page, 8, "Eight", "d", 1) ? 1 : 2;
  };
  session_->EditPage();
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{17, 8}));
  EXPECT_EQ(session_->SelectedRow(kPageList), 1);  // kept by its key
  EXPECT_EQ(session_->PageTitle(), "Eight");
  EXPECT_EQ(session_->PageDesc(), "d");
}

TEST_F(CommandsTest, AddPageAndTextSelectTheNewOneOrDropItOnCancel) {
  int32_t pagesBefore = session_->Rows(kPageList).Count();
  session_->NewPage();  // cancelled: the new page goes again
  EXPECT_EQ(host_.pageDialogs, 1);
  int32_t count = 0;
  Kz_EnumObjects(session_->Document(), nullptr, 0, &count);
  EXPECT_EQ(count, pagesBefore);
  EXPECT_FALSE(session_->Modified());

  host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
    dirty = true;
    return Kz_TRESetPageInfo(page, 30, "New", "", 0) ? 1 : 2;
  };
  session_->NewPage();
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{17, 7, 30}));
  EXPECT_EQ(session_->SelectedRow(kPageList), 2);
  EXPECT_EQ(session_->CurrentPage(), session_->Rows(kPageList).Handle(2));
  EXPECT_EQ(session_->PagesStatus(), "3 pages");
  EXPECT_TRUE(session_->Modified());

  session_->NewString();  // cancelled
  Kz_EnumObjects(session_->CurrentPage(), nullptr, 0, &count);
  EXPECT_EQ(count, 0);
  host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 5, "five", dirty); };
  session_->NewString();
  EXPECT_EQ(Ids(kStringList), (std::vector<int32_t>{5}));
  EXPECT_EQ(session_->SelectedRow(kStringList), 0);
  EXPECT_EQ(session_->StringText(), "five");
  EXPECT_EQ(session_->StringsStatus(), "1 strings");
}

// Add text with no current page and add page with no document do nothing; a create
// the library refuses shows its error and opens no dialog.
TEST_F(CommandsTest, AddWithoutAPlaceDoesNothing) {
  session_->SelectPageItem(-1);
  ASSERT_EQ(session_->CurrentPage(), 0);
  session_->NewString();
  session_->EditString();
  session_->DeleteString();
  session_->EditPage();
  session_->DeletePage();
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(host_.pageDialogs + host_.stringDialogs, 0);

  ScriptedHost bareHost;
  clsTRESession bare(bareHost);
  bare.NewPage();
  bare.NewString();
  EXPECT_TRUE(bareHost.messages.empty());
  EXPECT_EQ(bareHost.pageDialogs + bareHost.stringDialogs, 0);

  // The page went away behind the window's back: the create fails, no dialog.
  session_->SelectPageItem(0);
  Kz_DeleteHandle(session_->Document(), session_->CurrentPage());
  session_->NewString();
  EXPECT_EQ(host_.stringDialogs, 0);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text.rfind("Error creating text.\r\n", 0), 0u);
  EXPECT_EQ(host_.messages[0].flags, platform::vbCritical);
}

TEST_F(CommandsTest, DeleteAsksAndKeepsTheCountsRight) {
  session_->SelectStringItem(1);
  host_.answers = {platform::vbNo};
  session_->DeleteString();
  EXPECT_EQ(host_.LastMessage(), "Do you really want to remove the selected text?");
  EXPECT_EQ(host_.messages.back().flags, platform::vbYesNo | platform::vbQuestion);
  EXPECT_EQ(session_->Rows(kStringList).Count(), 4);

  host_.answers = {platform::vbYes};
  session_->DeleteString();
  EXPECT_EQ(Ids(kStringList), (std::vector<int32_t>{1, 12, 112}));
  EXPECT_EQ(session_->StringsStatus(), "3 strings");
  EXPECT_EQ(host_.removed.back(), std::make_pair(int32_t{kStringList}, int32_t{1}));
  EXPECT_EQ(session_->SelectedRow(kStringList), 1);  // the row that took its place
  EXPECT_EQ(session_->StringText(), "Twelve");
  EXPECT_TRUE(session_->Modified());
  int32_t count = 0;
  Kz_EnumObjects(session_->CurrentPage(), nullptr, 0, &count);
  EXPECT_EQ(count, 3);

  host_.answers = {platform::vbYes};
  session_->DeletePage();
  EXPECT_EQ(host_.LastMessage(), "Do you really want to delete the selected page?");
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{7}));
  EXPECT_EQ(session_->PagesStatus(), "1 pages");
  EXPECT_EQ(session_->StringsStatus(), "0 strings");
  EXPECT_EQ(session_->CurrentPage(), session_->Rows(kPageList).Handle(0));
}

// A delete the library refuses: its message, the list keeps the item, the modified
// flag stays, and nothing is current until a row is chosen again.
TEST_F(CommandsTest, FailedDeleteKeepsTheItem) {
  session_->SelectStringItem(0);
  int32_t str = session_->CurrentString();
  Kz_DeleteHandle(session_->CurrentPage(), str);  // gone behind the window's back
  host_.answers = {platform::vbYes};
  session_->DeleteString();
  EXPECT_EQ(host_.LastMessage().rfind("Error deleting text.\r\n", 0), 0u);
  EXPECT_EQ(host_.messages.back().flags, platform::vbCritical);
  EXPECT_EQ(session_->Rows(kStringList).Count(), 4);
  EXPECT_EQ(session_->CurrentString(), 0);
  EXPECT_FALSE(session_->Modified());

  int32_t page = session_->CurrentPage();
  Kz_DeleteHandle(session_->Document(), page);
  host_.answers = {platform::vbYes};
  session_->DeletePage();
  EXPECT_EQ(host_.LastMessage().rfind("Error deleting page:\r\n", 0), 0u);
  EXPECT_EQ(session_->Rows(kPageList).Count(), 2);
  EXPECT_EQ(session_->CurrentPage(), 0);
  EXPECT_FALSE(session_->Modified());
}

TEST_F(CommandsTest, FindByTextAndById) {
  session_->SetFindTarget(kStringList);
  int32_t tag = 0;
  // Forward from the selected row (row 1 is selected after the open).
  EXPECT_TRUE(session_->FindNextItem(false, false, "ship", tag));
  EXPECT_EQ(tag, 2);  // "The {1} ship"
  EXPECT_EQ(session_->SelectedRow(kStringList), 1);
  // Again while the match is selected: after it.
  EXPECT_TRUE(session_->FindNextItem(false, false, "ship", tag));
  EXPECT_EQ(tag, 4);
  EXPECT_EQ(session_->StringText(), "Big Ship");
  // The last row without a further match: none, and the next search starts there.
  EXPECT_FALSE(session_->FindNextItem(false, false, "ship", tag));
  EXPECT_EQ(session_->SelectedRow(kStringList), 3);
  EXPECT_EQ(tag, 4);
  // No wrap to the top.
  EXPECT_FALSE(session_->FindNextItem(false, false, "argon", tag));
  // The selection moved by hand: the search starts at the selected row itself.
  session_->SelectStringItem(0);
  EXPECT_TRUE(session_->FindNextItem(false, false, "argon", tag));
  EXPECT_EQ(tag, 1);

  // By ID, whole: 12 but not 112.
  tag = 0;
  session_->SelectStringItem(0);
  EXPECT_TRUE(session_->FindNextItem(true, true, "12", tag));
  EXPECT_EQ(tag, 3);
  EXPECT_FALSE(session_->FindNextItem(true, true, "12", tag));
  // Whole text match ignores case.
  tag = 0;
  session_->SelectStringItem(0);
  EXPECT_TRUE(session_->FindNextItem(true, false, "big ship", tag));
  EXPECT_EQ(tag, 4);

  // Pages: by title; the found page becomes current.
  EXPECT_TRUE(session_->SetFindTarget(kPageList));
  EXPECT_EQ(session_->FindCaption(), "Find Page");
  tag = 0;
  EXPECT_TRUE(session_->FindNextItem(true, true, "7", tag));
  EXPECT_EQ(session_->CurrentPage(), session_->Rows(kPageList).Handle(1));
  EXPECT_EQ(session_->StringsStatus(), "0 strings");
  // A list without rows: no match at once.
  EXPECT_TRUE(session_->SetFindTarget(kStringList));
  EXPECT_EQ(session_->FindCaption(), "Find Text");
  tag = 0;
  EXPECT_FALSE(session_->FindNextItem(false, false, "", tag));
}

// Texts that references make much longer are read again when shown or searched: the
// rows stay small, and find still sees the whole text.
TEST_F(CommandsTest, ExpandedTextsAreReadOnDemand) {
  std::string word(200, 'w');
  std::vector<testdata::TreString> strings = {{1, word + "END"}};
  for (int i = 2; i < 52; ++i) strings.push_back({i, "{1}{1}{1}{1}{1}{1}{1}{1}{1}{1}"});
  data_.Write("t/440050.xml", testdata::TreXml(44, {{1, strings}}));
  ASSERT_TRUE(session_->OpenFile(Path("t/440050.xml")));
  session_->SetFormatTexts(true);
  const clsTRERows& rows = session_->Rows(kStringList);
  EXPECT_LT(rows.MemoryUse(), 2 * std::filesystem::file_size(Path("t/440050.xml")));
  EXPECT_EQ(rows.Text(1).size(), 10 * (word.size() + 3));
  EXPECT_EQ(rows.ShownText(1).size(), clsTRERows::kShownMax + 3);
  EXPECT_EQ(rows.ShownText(1).substr(clsTRERows::kShownMax), "...");
  session_->SelectStringItem(1);
  int32_t tag = 0;
  EXPECT_TRUE(session_->FindNextItem(false, false, "ENDwww", tag));  // beyond the shown part
  EXPECT_EQ(tag, 2);
}

}  // namespace
