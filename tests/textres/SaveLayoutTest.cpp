// Saving a text resource file writes what nobody touched as it was read: the layout of
// the file (line ends, indentation, quotes, comments, declaration, byte-order mark,
// empty and self-closing elements) survives every save of the editor, and an edit
// changes only the bytes of what it edited.
#include "SessionFixture.h"

#include <functional>

#include "core/LibBindings.h"

namespace {

using tre::kPageList;
using tre::kStringList;

// How a file is written.
struct Layout {
  const char* name;
  std::string nl = "\r\n";
  std::string indent = "  ";
  char q = '"';
  bool comments = false;
  bool declaration = true;
  bool bom = false;
  bool emptyPage = false;       // page 7 written <page .../> instead of <page ...></page>
  bool selfClosingT = false;    // string 3 of page 17 written <t id="3"/> instead of <t id="3"></t>
};

// The pieces of one file, so that a test can say which bytes an edit may change.
struct File {
  Layout l;
  std::string Q(const std::string& v) const { return l.q + v + l.q; }
  std::string In(int depth) const {
    std::string s;
    for (int i = 0; i < depth; ++i) s += l.indent;
    return s;
  }
  std::string T(int id, const std::string& text) const { return "<t id=" + Q(std::to_string(id)) + ">" + text + "</t>"; }

  std::string s1() const { return T(1, "Argon"); }
  std::string s2() const { return T(2, "The {1} ship &amp; more"); }
  std::string s3() const { return l.selfClosingT ? "<t id=" + Q("3") + "/>" : T(3, ""); }
  std::string s4() const { return T(4, "Twelve"); }
  std::string Comment() const { return l.comments ? l.nl + In(2) + "<!-- ships -->" : ""; }
  std::string Page17Tag() const {
    return "<page id=" + Q("17") + " title=" + Q("Names") + " descr=" + Q("Object &amp; ship names") +
           " voice=" + Q("1") + " extra=" + Q(" kept ") + ">";
  }
  std::string Page7() const {
    std::string tag = "<page id=" + Q("7") + " title=" + Q("Sectors");
    return l.emptyPage ? tag + "/>" : tag + "></page>";
  }
  std::string Page9() const {
    return "<page id=" + Q("9") + " title=" + Q("a &quot;b&quot; &lt;c&gt;") + " voice=" + Q("0") + ">" + l.nl + In(2) +
           T(1, "Nine &#233; {17,1}") + l.nl + In(1) + "</page>";
  }
  std::string Text() const {
    std::string x = l.bom ? "\xEF\xBB\xBF" : "";
    if (l.declaration) x += "<?xml version=" + Q("1.0") + " encoding=" + Q("UTF-8") + "?>" + l.nl;
    if (l.comments) x += "<!-- English texts -->" + l.nl;
    x += "<language id=" + Q("44") + ">" + l.nl;
    x += In(1) + Page17Tag() + l.nl;
    x += In(2) + s1() + Comment() + l.nl + In(2) + s2() + l.nl + In(2) + s3() + l.nl + In(2) + s4() + l.nl;
    x += In(1) + "</page>" + l.nl;
    x += In(1) + Page7() + l.nl;
    if (l.comments) x += In(1) + "<!-- more to come -->" + l.nl;
    x += In(1) + Page9() + l.nl;
    return x + "</language>" + l.nl;
  }
};

std::vector<Layout> Layouts() {
  std::vector<Layout> all;
  all.push_back({"CR LF, spaces, double quotes"});
  Layout lf{"LF"};
  lf.nl = "\n";
  all.push_back(lf);
  Layout tabs{"LF, tabs, single quotes"};
  tabs.nl = "\n";
  tabs.indent = "\t";
  tabs.q = '\'';
  all.push_back(tabs);
  Layout wide{"four spaces, comments"};
  wide.indent = "    ";
  wide.comments = true;
  all.push_back(wide);
  Layout bare{"no declaration, byte-order mark, empty page"};
  bare.declaration = false;
  bare.bom = true;
  bare.emptyPage = true;
  all.push_back(bare);
  Layout closing{"self-closing string, single quotes, comments"};
  closing.selfClosingT = true;
  closing.q = '\'';
  closing.comments = true;
  all.push_back(closing);
  Layout flat{"one line"};
  flat.nl = "";
  flat.indent = "";
  all.push_back(flat);
  return all;
}

// Replaces the one place of `what` in `in`.
std::string Replaced(const std::string& in, const std::string& what, const std::string& with) {
  const size_t at = in.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  EXPECT_EQ(in.find(what, at + 1), std::string::npos) << what;
  return at == std::string::npos ? in : in.substr(0, at) + with + in.substr(at + what.size());
}

class SaveLayoutTest : public SessionTest {
 protected:
  // Opens a file of the layout, runs an edit through the session, saves it plain and
  // gives the saved bytes.
  std::string EditAndSave(const File& f, const std::function<void()>& edit) {
    const std::string name = "t/44" + std::to_string(1000 + saves_++) + ".xml";
    data_.Write(name, f.Text());
    EXPECT_TRUE(session_->OpenFile(Path(name))) << host_.LastMessage();
    edit();
    const std::string target = Path("saved" + std::to_string(saves_) + ".xml");
    host_.saveFiles.push_back({target, 1});
    EXPECT_TRUE(session_->SaveDocument()) << host_.LastMessage();
    EXPECT_FALSE(session_->Modified());
    return Raw(target);
  }
  void SelectString(int32_t pageRow, int32_t stringRow) {
    session_->SelectPageItem(pageRow);
    session_->SelectStringItem(stringRow);
  }
  int saves_ = 0;
};

TEST_F(SaveLayoutTest, UnchangedFileIsSavedAsItWasRead) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.name);
    File f{l};
    EXPECT_EQ(EditAndSave(f, [] {}), f.Text());
    // Looking around (other pages, formatted texts, an edit dialog left with OK but no
    // change) changes nothing either.
    EXPECT_EQ(EditAndSave(f,
                          [&] {
                            session_->SetFormatTexts(true);
                            SelectString(2, 0);
                            host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) {
                              int32_t id = 0;
                              std::string raw, text;
                              Kz_TREGetStringInfo(str, id, raw, text);
                              return SetString(page, str, id, raw, dirty);
                            };
                            session_->EditString();
                            host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
                              int32_t id = 0, voice = 0;
                              std::string title, desc;
                              Kz_TREGetPageInfo(page, id, title, desc, voice);
                              dirty = false;
                              return Kz_TRESetPageInfo(page, id, title, desc, voice) ? 1 : 2;
                            };
                            session_->EditPage();
                            session_->SetModified(true);
                          }),
              f.Text());
  }
}

TEST_F(SaveLayoutTest, EditedStringIsTheOnlyElementThatChanges) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.name);
    File f{l};
    // A text with a line end takes the file's line ends (CR LF in a one-line file).
    const std::string nl = l.nl.empty() ? "\r\n" : l.nl;
    std::string saved = EditAndSave(f, [&] {
      SelectString(0, 1);
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) {
        return SetString(page, str, 2, "The {1} ship,\nedited & <new>", dirty);
      };
      session_->EditString();
    });
    EXPECT_EQ(saved, Replaced(f.Text(), f.s2(), f.T(2, "The {1} ship," + nl + "edited &amp; &lt;new&gt;")));

    // The empty string gets a text; a string gets another ID.
    saved = EditAndSave(f, [&] {
      SelectString(0, 2);
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 3, "three", dirty); };
      session_->EditString();
      SelectString(0, 3);
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 40, "Twelve", dirty); };
      session_->EditString();
    });
    EXPECT_EQ(saved, Replaced(Replaced(f.Text(), f.s3(), f.T(3, "three")), f.s4(), f.T(40, "Twelve")));
  }
}

TEST_F(SaveLayoutTest, AddedStringsAndPagesTakeTheLayoutOfTheirNeighbours) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.name);
    File f{l};
    std::string saved = EditAndSave(f, [&] {
      SelectString(0, 0);
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 5, "five", dirty); };
      session_->NewString();
    });
    EXPECT_EQ(saved, Replaced(f.Text(), f.s4(), f.s4() + l.nl + f.In(2) + f.T(5, "five")));

    // A new page goes after the last one, with its strings indented as the others.
    saved = EditAndSave(f, [&] {
      host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
        dirty = true;
        return Kz_TRESetPageInfo(page, 30, "New & more", "", 0) ? 1 : 2;
      };
      session_->NewPage();
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 1, "one", dirty); };
      session_->NewString();
    });
    const std::string page30 = "<page id=" + f.Q("30") + " title=" + f.Q("New &amp; more") + " descr=" + f.Q("") +
                               " voice=" + f.Q("0") + ">" + l.nl + f.In(2) + f.T(1, "one") + l.nl + f.In(1) + "</page>";
    EXPECT_EQ(saved, Replaced(f.Text(), f.Page9(), f.Page9() + l.nl + f.In(1) + page30));

    // Strings added to a page without any.
    saved = EditAndSave(f, [&] {
      session_->SelectPageItem(1);
      host_.stringDialog = [](int32_t page, int32_t str, bool& dirty) { return SetString(page, str, 1, "Argon Prime", dirty); };
      session_->NewString();
    });
    const std::string tag7 = "<page id=" + f.Q("7") + " title=" + f.Q("Sectors") + ">";
    EXPECT_EQ(saved, Replaced(f.Text(), f.Page7(),
                              tag7 + l.nl + f.In(2) + f.T(1, "Argon Prime") + l.nl + f.In(1) + "</page>"));
  }
}

TEST_F(SaveLayoutTest, DeletedStringsAndPagesTakeTheirLinesWithThem) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.name);
    File f{l};
    std::string saved = EditAndSave(f, [&] {
      SelectString(0, 1);
      host_.answers = {platform::vbYes};
      session_->DeleteString();
    });
    // What stood between the string and the one before it goes with it.
    EXPECT_EQ(saved, Replaced(f.Text(), f.s1() + f.Comment() + l.nl + f.In(2) + f.s2(), f.s1()));

    saved = EditAndSave(f, [&] {
      session_->SelectPageItem(1);
      host_.answers = {platform::vbYes};
      session_->DeletePage();
    });
    EXPECT_EQ(saved, Replaced(f.Text(), l.nl + f.In(1) + f.Page7(), ""));

    // The last page: the end of the file stays.
    saved = EditAndSave(f, [&] {
      session_->SelectPageItem(2);
      host_.answers = {platform::vbYes};
      session_->DeletePage();
    });
    const std::string before9 = (l.comments ? l.nl + f.In(1) + "<!-- more to come -->" : "") + l.nl + f.In(1);
    EXPECT_EQ(saved, Replaced(f.Text(), before9 + f.Page9(), ""));
  }
}

TEST_F(SaveLayoutTest, ChangedPageAttributeIsTheOnlyValueThatChanges) {
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.name);
    File f{l};
    std::string saved = EditAndSave(f, [&] {
      host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
        dirty = true;
        return Kz_TRESetPageInfo(page, 17, "Names 'n' \"more\"", "Object & ship names", 1) ? 1 : 2;
      };
      session_->EditPage();
    });
    const std::string title = l.q == '"' ? "Names 'n' &quot;more&quot;" : "Names &apos;n&apos; \"more\"";
    EXPECT_EQ(saved, Replaced(f.Text(), "title=" + f.Q("Names"), "title=" + f.Q(title)));

    // A new ID and voice; a description the page did not have is added to its tag.
    saved = EditAndSave(f, [&] {
      session_->SelectPageItem(1);
      host_.pageDialog = [](int32_t, int32_t page, bool& dirty) {
        dirty = true;
        return Kz_TRESetPageInfo(page, 8, "Sectors", "all", 1) ? 1 : 2;
      };
      session_->EditPage();
    });
    std::string page8 = "<page id=" + f.Q("8") + " title=" + f.Q("Sectors") + " descr=" + f.Q("all") + " voice=" + f.Q("1");
    EXPECT_EQ(saved, Replaced(f.Text(), f.Page7(), page8 + (l.emptyPage ? "/>" : "></page>")));
  }
}

// The same holds for packed files and files in a catalog: saved unchanged, their
// content is the one read.
TEST_F(SaveLayoutTest, PackedAndCatalogFilesKeepTheirContent) {
  Layout tabs = Layouts()[2];
  const std::string text = File{tabs}.Text();
  data_.Write("t/445000.pck", text, true);
  const std::string packed = Raw(Path("t/445000.pck"));
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(Root() + "/04.cat::t\\445001.xml", text, 1, error)) << error;
  data_.Mount();
  const struct {
    std::string from, to;
    int32_t filter;
  } cases[] = {
      {Path("t/445000.pck"), Path("t/445000.pck"), 2},
      {Path("t/445000.pck"), Path("t/445002.pck"), 2},
      {Path("04.cat") + "::t\\445001.xml", Path("04.cat") + "::t\\445001.xml", 3},
      {Path("04.cat") + "::t\\445001.xml", Path("t/445003.xml"), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from + " -> " + c.to);
    ASSERT_TRUE(session_->OpenFile(c.from)) << host_.LastMessage();
    host_.saveFiles.push_back({c.to, c.filter});
    host_.answers = {platform::vbYes};  // replace it
    ASSERT_TRUE(session_->SaveDocument()) << host_.LastMessage();
    std::string back;
    ASSERT_TRUE(kz::ReadWholeFile(c.to, back, error)) << error;
    EXPECT_EQ(back, text);
    // A packed file is packed to the same bytes.
    if (c.filter == 2) EXPECT_EQ(Raw(c.to), packed);
  }
}

// The catalog type writes an entry as its name says: a ".xml" entry plain, a ".pck"
// entry packed (as the galaxy editor does), never gzip under an ".xml" name.
TEST_F(SaveLayoutTest, SavingIntoACatalogWritesTheEntrysOwnType) {
  const std::string text = File{Layouts()[2]}.Text();
  std::string error;
  ASSERT_TRUE(kz::WriteWholeFile(Root() + "/04.cat::t\\445001.xml", text, 1, error)) << error;
  data_.Mount();
  const std::string cat = Path("04.cat");
  const std::string dat = Path("04.dat");
  ASSERT_TRUE(session_->OpenFile(cat + "::t\\445001.xml")) << host_.LastMessage();
  const size_t before = Raw(dat).size();
  const struct {
    std::string entry;
    bool plain;
  } cases[] = {{"t\\445005.xml", true}, {"t\\445006.pck", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    host_.saveFiles.push_back({cat + "::" + c.entry, 3});
    host_.answers = {platform::vbYes};
    ASSERT_TRUE(session_->SaveDocument()) << host_.LastMessage();
    std::string back;
    ASSERT_TRUE(kz::ReadWholeFile(cat + "::" + c.entry, back, error)) << error;
    EXPECT_EQ(back, text);
  }
  // The first entry's bytes in the data file are the text itself; the second's are not.
  const std::string added = Raw(dat).substr(before);
  EXPECT_EQ(added.find(text), 0u);
  EXPECT_EQ(added.find(text, text.size()), std::string::npos);
  EXPECT_GT(added.size(), text.size());
}

}  // namespace
