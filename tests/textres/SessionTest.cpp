// The text resource editor's state and flows, driven through a scripted host.
#include "SessionFixture.h"

#include "core/Common.h"
#include "core/Generic.h"
#include "core/ViDedodedBindings.h"

namespace {

using tre::kPageList;
using tre::kStringList;

TEST_F(SessionTest, OpensFromEverySourceWithCaptionsAndLists) {
  const struct {
    std::string path;       // what the launcher or the dialog gives
    std::string shown;      // the file the window then shows and saves to
    std::string caption;
    std::vector<int32_t> pages;
  } cases[] = {
      {Path("t/440001.xml"), Path("t/440001.xml"), "Text Resource Editor [" + Path("t/440001.xml") + " (English)]",
       {17, 7}},
      {Path("t/490001.pck"), Path("t/490001.pck"), "Text Resource Editor [" + Path("t/490001.pck") + " (German)]",
       {17, 3}},
      {Path("04.cat") + "::t\\440003.xml", Path("04.cat") + "::t\\440003.xml",
       "Text Resource Editor [" + Path("04.cat") + "::t\\440003.xml (English)]", {9}},
      {"vfs://t/440003.xml", Path("04.cat") + "::t\\440003.xml",
       "Text Resource Editor [" + Path("04.cat") + "::t\\440003.xml (English)]", {9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_TRUE(session_->OpenFile(c.path)) << host_.LastMessage();
    EXPECT_EQ(session_->Caption(), c.caption);
    EXPECT_EQ(session_->ShownFile(), c.shown);
    EXPECT_EQ(session_->SavePath(), c.shown);
    EXPECT_FALSE(session_->ReadOnly());
    EXPECT_EQ(Ids(kPageList), c.pages);
    EXPECT_EQ(session_->SelectedRow(kPageList), 0);  // the first page is selected by itself
    EXPECT_EQ(session_->CurrentPage(), session_->Rows(kPageList).Handle(0));
    EXPECT_EQ(Settings->LastOpenedXMLFile(), c.shown);
  }
  EXPECT_TRUE(host_.messages.empty());

  // The open dialog starts at the last opened file.
  host_.openFiles.push_back(Path("t/440001.xml"));
  ASSERT_TRUE(session_->OpenFile(""));
  EXPECT_EQ(host_.openStarts, std::vector<std::string>{Path("04.cat") + "::t\\440003.xml"});
  EXPECT_EQ(session_->PagesStatus(), "2 pages");
  EXPECT_EQ(session_->StringsStatus(), "4 strings");
  EXPECT_EQ(session_->PageTitle(), "p");
}

TEST_F(SessionTest, RawAndFormattedTexts) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  EXPECT_EQ(Texts(kStringList), "Argon|The {1} ship|Twelve|Big Ship");
  session_->SelectStringItem(1);
  EXPECT_EQ(session_->StringText(), "The {1} ship");
  session_->SetFormatTexts(true);  // the selected row stays
  EXPECT_EQ(Texts(kStringList), "Argon|The Argon ship|Twelve|Big Ship");
  EXPECT_EQ(session_->SelectedRow(kStringList), 1);
  EXPECT_EQ(session_->StringText(), "The Argon ship");

  // A page without strings: an empty list, 0 strings, no text.
  session_->SelectPageItem(1);
  EXPECT_EQ(session_->StringsStatus(), "0 strings");
  EXPECT_EQ(session_->CurrentString(), 0);
  EXPECT_EQ(session_->StringText(), "");
}

// A failed or cancelled open leaves the window as it was, document included.
TEST_F(SessionTest, FailedOrCancelledOpenKeepsTheDocument) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  int32_t doc = session_->Document();
  session_->SelectPageItem(0);
  session_->SelectStringItem(2);
  data_.Write("t/bad.xml", "<language id=\"44\"><page id=\"x\"/></language>");
  for (const std::string& path : {Path("t/missing.xml"), Path("t/bad.xml"), std::string("vfs://t/nothing.xml")}) {
    SCOPED_TRACE(path);
    host_.messages.clear();
    EXPECT_FALSE(session_->OpenFile(path));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].flags, platform::vbExclamation);
    EXPECT_EQ(host_.messages[0].title, "Text Resource Editor");
    EXPECT_EQ(session_->Document(), doc);
    EXPECT_EQ(Kz_GetObjectType(doc), kKzTreDocument);  // still alive
    EXPECT_EQ(session_->ShownFile(), Path("t/440001.xml"));
    EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{17, 7}));
    EXPECT_EQ(session_->CurrentString(), session_->Rows(kStringList).Handle(2));
  }
  EXPECT_NE(host_.messages[0].text.find("nothing.xml not found"), std::string::npos);
  host_.messages.clear();
  EXPECT_FALSE(session_->OpenFile(""));  // the dialog is cancelled
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_EQ(session_->Document(), doc);
}

// The question before open / new / the pages in memory: Yes saves and ends the
// command, Cancel ends it, No goes on.
TEST_F(SessionTest, SavePromptBeforeOpenNewAndMemoryPages) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  const std::string target = Path("out.xml");
  for (int command = 0; command < 3; ++command) {
    SCOPED_TRACE(command);
    auto run = [&] {
      if (command == 0) session_->OpenFile(Path("t/440002.xml"));
      if (command == 1) session_->NewDocument();
      if (command == 2) session_->ShowMemoryPages();
    };
    session_->SetModified(true);
    host_.messages.clear();
    host_.answers = {platform::vbCancel};
    run();
    EXPECT_EQ(session_->ShownFile(), Path("t/440001.xml"));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].text,
              "You have changed data in file 440001.xml\r\nDo you want to save your changes?");
    EXPECT_EQ(host_.messages[0].flags, platform::vbYesNoCancel | platform::vbExclamation);

    host_.answers = {platform::vbYes};
    host_.saveFiles.push_back({target, 1});
    host_.newFiles.push_back({true, 44, "449999.xml"});
    run();
    // Saved, and the command did not run.
    EXPECT_EQ(session_->ShownFile(), target);
    EXPECT_FALSE(session_->Modified());
    EXPECT_EQ(host_.newFiles.size(), 1u);
    host_.newFiles.clear();
    ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  }
  session_->SetModified(true);
  host_.answers = {platform::vbNo};
  session_->ShowMemoryPages();
  EXPECT_TRUE(session_->ReadOnly());
}

TEST_F(SessionTest, PagesInMemoryAreReadOnly) {
  ASSERT_TRUE(DescServer->LoadResources(44));
  session_->Start();
  EXPECT_TRUE(session_->ReadOnly());
  EXPECT_EQ(session_->Caption(), "Text Resource Editor [pages in memory (English)]");
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{17, 7, 1000, 9}));
  EXPECT_TRUE(session_->CommandsEnabled());
  host_.answers.assign(10, platform::vbYes);
  session_->NewPage();
  session_->EditPage();
  session_->DeletePage();
  session_->NewString();
  session_->EditString();
  session_->DeleteString();
  ASSERT_EQ(host_.messages.size(), 6u);
  EXPECT_EQ(host_.messages[0].text, tre::ReadOnlyPagesText(false));
  EXPECT_EQ(host_.messages[1].text,
            "Pages loaded in memory cannot be modified.\r\nOpen the appropriate file via the Open command and edit them "
            "there.");
  EXPECT_EQ(host_.messages[3].text, "Texts loaded in memory cannot be modified. \r\nOpen the appropriate file and edit "
                                    "them there.");
  for (const auto& m : host_.messages) {
    EXPECT_EQ(m.flags, platform::vbInformation);
    EXPECT_EQ(m.title, "Text Resource Editor");
  }
  EXPECT_EQ(host_.pageDialogs + host_.stringDialogs, 0);
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{17, 7, 1000, 9}));
  EXPECT_FALSE(session_->SaveDocument());  // nothing to save in this view
  EXPECT_TRUE(host_.saveStarts.empty());
}

// A language without a name: "lang ID: n" for a file, never in the read-only view.
TEST_F(SessionTest, CaptionOfAnUnknownLanguage) {
  data_.Write("t/070001.xml", testdata::TreXml(7, {{1, {{1, "x"}}}}));
  ASSERT_TRUE(session_->OpenFile(Path("t/070001.xml")));
  EXPECT_EQ(session_->Caption(), "Text Resource Editor [" + Path("t/070001.xml") + " (lang ID: 7)]");
  Kz_TRESetLangID(kKzStoreHandle, 7);
  session_->ShowMemoryPages();
  EXPECT_EQ(session_->Caption(), "Text Resource Editor [pages in memory]");
}

TEST_F(SessionTest, NewDocumentIsNamedInTheTextFolder) {
  host_.newFiles.push_back({false, 44, "440005.xml"});
  EXPECT_FALSE(session_->NewDocument());  // cancelled
  EXPECT_EQ(session_->Document(), 0);
  host_.newFiles.push_back({true, 49, "490002.xml"});
  ASSERT_TRUE(session_->NewDocument());
  EXPECT_EQ(session_->SavePath(), kz::BuildPath(Root(), "t", "490002.xml"));
  EXPECT_EQ(session_->Caption(), "Text Resource Editor [new document (German)] *");
  EXPECT_EQ(Kz_TREGetLangID(session_->Document()), 49);
  EXPECT_EQ(session_->Rows(kPageList).Count(), 0);
  EXPECT_EQ(session_->PagesStatus(), "0 pages");

  // Without a data folder the new file is named by its bare name.
  Settings->SetDataRoot("");
  host_.answers = {platform::vbNo};
  host_.newFiles.push_back({true, 44, "440001.xml"});
  ASSERT_TRUE(session_->NewDocument());
  EXPECT_EQ(session_->SavePath(), "440001.xml");
}

// Save plain, packed and into a catalog, and read the files back.
TEST_F(SessionTest, SavesPlainPackedAndIntoACatalog) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  std::string expected;
  ASSERT_EQ(Kz_SaveToBuffer(session_->Document(), expected), 1);
  const struct {
    std::string path;
    int32_t filter;
    bool packed;
  } cases[] = {{Path("plain.xml"), 1, false}, {Path("packed.pck"), 2, true}, {Path("05.cat") + "::t\\440001.xml", 3, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    session_->SetModified(true);
    host_.saveFiles.push_back({c.path, c.filter});
    ASSERT_TRUE(session_->SaveDocument()) << host_.LastMessage();
    EXPECT_FALSE(session_->Modified());
    EXPECT_EQ(session_->ShownFile(), c.path);
    std::string back, error;
    ASSERT_TRUE(kz::ReadWholeFile(c.path, back, error)) << error;
    EXPECT_EQ(back, expected);
    if (!kz::IsCatalogPath(c.path)) EXPECT_EQ(Raw(c.path).substr(0, 2) == "\x1f\x8b", c.packed);
  }
  // The save dialog starts at the save path.
  EXPECT_EQ(host_.saveStarts[1], "|" + Path("plain.xml"));

  // An existing file: No keeps it; Yes replaces it.
  const std::string old = Raw(Path("t/440002.xml"));
  host_.saveFiles.push_back({Path("t/440002.xml"), 1});
  host_.answers = {platform::vbNo};
  EXPECT_FALSE(session_->SaveDocument());
  EXPECT_EQ(host_.LastMessage(), Path("t/440002.xml") + " already exists.\r\nDo you want to replace it?");
  EXPECT_EQ(Raw(Path("t/440002.xml")), old);
  host_.saveFiles.push_back({Path("t/440002.xml"), 1});
  host_.answers = {platform::vbYes};
  EXPECT_TRUE(session_->SaveDocument());
  EXPECT_EQ(Raw(Path("t/440002.xml")), expected);
}

// A save into a catalog writes the form the dialog's type says: plain for the plain
// type, packed for the packed type; the catalog type writes an ".xml" entry plain.
TEST_F(SessionTest, SavesIntoACatalogInTheChosenForm) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  std::string expected;
  ASSERT_EQ(Kz_SaveToBuffer(session_->Document(), expected), 1);
  const struct {
    std::string catalog;
    int32_t filter;
    bool packed;
  } cases[] = {{"06", 1, false}, {"07", 2, true}, {"08", 3, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.catalog);
    const std::string path = Path(c.catalog + ".cat") + "::t\\440001.xml";
    host_.saveFiles.push_back({path, c.filter});
    ASSERT_TRUE(session_->SaveDocument()) << host_.LastMessage();
    // The entry is the only one: the data file holds its bytes alone.
    const std::string data = Raw(Path(c.catalog + ".dat"));
    EXPECT_EQ(data.substr(0, 2) == "\x1f\x8b", c.packed);
    if (!c.packed) EXPECT_EQ(data, expected);
    std::string back, error;
    ASSERT_TRUE(kz::ReadWholeFile(path, back, error)) << error;
    EXPECT_EQ(back, expected);
  }
}

// A save goes onto no file the window's host refuses (one another editor window has
// open), and says so before the overwrite question; the file stays as it was.
TEST_F(SessionTest, SaveRefusesATargetTheHostNames) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  session_->SetModified(true);
  const std::string other = Path("t/440002.xml");
  const std::string old = Raw(other);
  host_.saveRefusal = [&](const std::string& target) { return target == other ? std::string("in use") : std::string(); };
  host_.saveFiles.push_back({other, 1});
  host_.answers = {platform::vbYes};
  EXPECT_FALSE(session_->SaveDocument());
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, "in use");
  EXPECT_EQ(host_.messages[0].flags, platform::vbExclamation);
  EXPECT_EQ(Raw(other), old);
  EXPECT_TRUE(session_->Modified());
  EXPECT_EQ(session_->ShownFile(), Path("t/440001.xml"));
  // Its own file is passed as such; another target is written.
  host_.saveFiles.push_back({Path("t/440001.xml"), 1});
  host_.answers = {platform::vbYes};
  EXPECT_TRUE(session_->SaveDocument());
  EXPECT_EQ(host_.saveChecks, (std::vector<std::string>{other + "|" + Path("t/440001.xml"),
                                                         Path("t/440001.xml") + "|" + Path("t/440001.xml")}));
  // A new document has no file of its own yet.
  host_.newFiles.push_back({true, 44, "440009.xml"});
  ASSERT_TRUE(session_->NewDocument());
  host_.saveFiles.push_back({other, 1});
  EXPECT_FALSE(session_->SaveDocument());
  EXPECT_EQ(host_.saveChecks.back(), other + "|");
  EXPECT_EQ(Raw(other), old);
}

// A file holding a page ID or a text ID twice opens with one message naming them, shows
// every page and text, and saves as it was read.
TEST_F(SessionTest, DuplicateIdsAreNamedOnceAtOpen) {
  const std::string xml = testdata::TreXml(
      44, {{500, {{1, "a"}, {1, "b"}, {2, "c"}}}, {7, {{3, "d"}}}, {500, {{4, "e"}}}, {9, {{5, "f"}, {5, "g"}, {6, "h"}, {6, "i"}}}});
  data_.Write("t/440005.xml", xml);
  ASSERT_TRUE(session_->OpenFile(Path("t/440005.xml")));
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].text, tre::DuplicateIdsText({500}, {{500, {1}}, {9, {5, 6}}}));
  EXPECT_EQ(host_.messages[0].flags, platform::vbExclamation);
  EXPECT_EQ(host_.messages[0].title, tre::kTitle);
  EXPECT_EQ(Ids(kPageList), (std::vector<int32_t>{500, 7, 500, 9}));
  EXPECT_EQ(Ids(kStringList), (std::vector<int32_t>{1, 1, 2}));
  EXPECT_FALSE(session_->Modified());
  host_.saveFiles.push_back({Path("same.xml"), 1});
  ASSERT_TRUE(session_->SaveDocument());
  EXPECT_EQ(Raw(Path("same.xml")), xml);
  // A file whose IDs are each its own's opens without a word.
  host_.messages.clear();
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(SessionTest, NoSaveWithoutADocument) {
  host_.saveFiles.push_back({Path("none.xml"), 1});
  EXPECT_FALSE(session_->SaveDocument());
  EXPECT_TRUE(host_.saveStarts.empty());
  EXPECT_FALSE(std::filesystem::exists(Path("none.xml")));
}

// A save that fails on the way (the library refuses) or at the commit leaves the old
// file whole, says "Error saving file: " with the reason, and keeps the modified flag.
TEST_F(SessionTest, FailedSavesLeaveTheOldFileWhole) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  const std::string target = Path("t/440001.xml");
  const std::string old = Raw(target);
  session_->SetModified(true);

  {
    // The commit cannot complete.
    FileSizeLimit limit(16);
    host_.saveFiles.push_back({target, 1});
    host_.answers = {platform::vbYes};
    EXPECT_FALSE(session_->SaveDocument());
  }
  EXPECT_EQ(host_.LastMessage().rfind("Error saving file: \r\n", 0), 0u) << host_.LastMessage();
  EXPECT_GT(host_.LastMessage().size(), std::string("Error saving file: \r\n").size());
  EXPECT_EQ(host_.messages.back().title, kz::GetAppTitle());
  EXPECT_TRUE(session_->Modified());
  EXPECT_EQ(Raw(target), old);

  // The library refuses to write: the write handle is thrown away, nothing committed.
  Kz_DeleteHandle(0, session_->Document());
  host_.saveFiles.push_back({target, 1});
  host_.answers = {platform::vbYes};
  EXPECT_FALSE(session_->SaveDocument());
  EXPECT_EQ(host_.LastMessage().rfind("Error saving file: \r\n", 0), 0u);
  EXPECT_EQ(Raw(target), old);
  EXPECT_TRUE(session_->Modified());
  host_.saveFiles.push_back({Path("fresh.xml"), 1});
  EXPECT_FALSE(session_->SaveDocument());
  EXPECT_FALSE(std::filesystem::exists(Path("fresh.xml")));
}

TEST_F(SessionTest, QuestionAtClose) {
  ASSERT_TRUE(session_->OpenFile(Path("t/440001.xml")));
  EXPECT_TRUE(session_->QueryClose());  // nothing changed: no question
  EXPECT_TRUE(host_.messages.empty());
  session_->SetModified(true);
  host_.answers = {platform::vbCancel};
  EXPECT_FALSE(session_->QueryClose());
  EXPECT_EQ(host_.LastMessage(), "You have changed data in file " + Path("t/440001.xml") +
                                     "\r\n\r\nDo you want to save your changes?");
  host_.answers = {platform::vbYes};
  host_.saveFiles.push_back({"", 1});  // the save is cancelled: the window stays
  EXPECT_FALSE(session_->QueryClose());
  host_.answers = {platform::vbNo};
  EXPECT_TRUE(session_->QueryClose());
}

// Reloading the descriptions refreshes every window in the read-only view (and only
// those), so none lists pages that are gone.
TEST_F(SessionTest, ReloadRefreshesEveryReadOnlyWindow) {
  ASSERT_TRUE(DescServer->LoadResources(44));
  ScriptedHost otherHost, fileHost;
  clsTRESession other(otherHost), file(fileHost);
  other.Start();
  file.Start();
  ASSERT_TRUE(file.OpenFile(Path("t/440001.xml")));
  session_->Start();
  EXPECT_EQ(other.Rows(kPageList).Count(), 4);
  Settings->SetDescLangID(49);
  session_->ReloadResources();
  EXPECT_EQ(host_.waits, 1);
  EXPECT_EQ(host_.hides, 1);
  for (clsTRESession* s : {session_.get(), &other}) {
    const clsTRERows& rows = s->Rows(kPageList);
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Id(0), 17);
    EXPECT_EQ(rows.Id(1), 3);
    int32_t id, voice;
    std::string t, d;
    EXPECT_EQ(Kz_TREGetPageInfo(s->CurrentPage(), id, t, d, voice), 1);  // a live page
    EXPECT_EQ(s->LangID(), 49);
  }
  EXPECT_EQ(Ids(kStringList), (std::vector<int32_t>{1}));
  EXPECT_EQ(file.Rows(kPageList).Count(), 2);  // its own document: untouched
  EXPECT_EQ(file.Rows(kPageList).Id(0), 17);

  // Disabled descriptions: the message, nothing loaded.
  Settings->SetLoadDescriptions(false);
  session_->ReloadResources();
  EXPECT_EQ(host_.LastMessage(), "Loading of text resources is disabled in settings.");
  // A failed load shows the server's error.
  Settings->SetLoadDescriptions(true);
  Settings->SetDescLangID(33);
  session_->ReloadResources();
  EXPECT_EQ(host_.messages.back().flags, platform::vbCritical);
  EXPECT_EQ(host_.LastMessage(), "No XML/PCK resource files with LangID=33 found.");
  EXPECT_EQ(session_->Rows(kPageList).Count(), 0);
}

}  // namespace
