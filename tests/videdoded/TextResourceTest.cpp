// Text resource documents, pages, strings, references and the store.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TreHandles.h"
#include "rudu/HandleTable.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

using vtest::Children;

struct StringInfo {
  int32_t id = 0;
  std::string raw, text;
};

StringInfo Info(int32_t s) {
  StringInfo i;
  EXPECT_EQ(Kz_TREGetStringInfo(s, i.id, i.raw, i.text), 1);
  return i;
}

int32_t Load(const std::string& xml) { return Kz_LoadFromBuffer(xml.data(), xml.size(), 3); }

std::string ErrorText() {
  int32_t needed = 0;
  Kz_TranslateError(Kz_GetLastError(), nullptr, 0, &needed);
  std::string b(static_cast<size_t>(needed), ' ');
  Kz_TranslateError(Kz_GetLastError(), b.data(), needed, &needed);
  return b;
}

const char* kSample =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<language id=\"44\">\n"
    "  <page id=\"17\" title=\"Names\" descr=\"Object names\" voice=\"1\" extra=\"x\">\n"
    "    <t id=\"1\">Argon</t>\n"
    "    <note>ignored</note>\n"
    "    <t id=\"2\">The {1} ship</t>\n"
    "  </page>\n"
    "  <page id=\"7\" title=\"Sectors\">\n"
    "    <t id=\"5\">{17,2} in sector\\n\\tnext</t>\n"
    "  </page>\n"
    "</language>\n";

TEST(TextResource, LoadKeepsFileOrderAndFields) {
  int32_t doc = Load(kSample);
  ASSERT_NE(doc, 0) << ErrorText();
  EXPECT_EQ(Kz_GetObjectType(doc), 7);
  EXPECT_EQ(Kz_TREGetLangID(doc), 44);
  auto pages = Children(doc);
  ASSERT_EQ(pages.size(), 2u);
  int32_t id = 0, voice = 0;
  std::string title, desc;
  ASSERT_EQ(Kz_TREGetPageInfo(pages[0], id, title, desc, voice), 1);
  EXPECT_EQ(id, 17);
  EXPECT_EQ(title, "Names");
  EXPECT_EQ(desc, "Object names");
  EXPECT_EQ(voice, 1);
  Kz_TREGetPageInfo(pages[1], id, title, desc, voice);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(voice, 0);
  EXPECT_EQ(desc, "");
  auto strings = Children(pages[0]);
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_EQ(Info(strings[0]).raw, "Argon");
  EXPECT_EQ(Info(strings[1]).text, "The Argon ship");
  EXPECT_EQ(Kz_GetObjectType(strings[1]), 9);
  StringInfo s = Info(Children(pages[1])[0]);
  EXPECT_EQ(s.text, "The Argon ship in sector\n\tnext");
  EXPECT_EQ(Kz_TREFindString(doc, 7, 5), Children(pages[1])[0]);
  EXPECT_EQ(Kz_TREFindString(doc, 7, 6), 0);
  EXPECT_EQ(Kz_GetLastError(), 0);
  Kz_DeleteHandle(0, doc);
}

TEST(TextResource, BadFilesNameTheLine) {
  struct Bad {
    std::string xml;
    const char* expect;
  } cases[] = {
      {"<language id=\"44\">\n<page id=\"x1\"></page></language>", "Line 2: the page element has the non-numeric id"},
      {"<language id=\"44\">\n<page id=\"1\">\n<t>no id</t></page></language>", "Line 3: the t element has no id"},
      {"<language>\n</language>", "Line 1: the language element has no id"},
      {"<language id=\"44\">\n<page id=\"1\">\n<t id=\"1\">open", "XML error at line 3"},
      {"<other id=\"1\"/>", "not a text resource file"},
      {"", "No document element"},
  };
  // Line ends inside attributes and texts before the fault still count as they stand
  // in the file.
  Bad late{"<language id=\"44\">\r\n<page id=\"1\" title=\"a\r\nb\">\r\n<t id=\"1\">x\r\n\r\ny</t>\r\n"
           "<t id=\"z\">bad</t></page></language>",
           "Line 7: the t element has the non-numeric id"};
  EXPECT_EQ(Load(late.xml), 0);
  EXPECT_NE(ErrorText().find(late.expect), std::string::npos) << ErrorText();
  for (const auto& c : cases) {
    EXPECT_EQ(Load(c.xml), 0) << c.xml;
    EXPECT_NE(ErrorText().find(c.expect), std::string::npos) << ErrorText();
  }
  // The same texts when the file is read through the file driver.
  int i = 0;
  for (const Bad& c : {cases[0], cases[3], late}) {
    std::string path = vtest::PathOf("bad" + std::to_string(i++) + ".xml");
    vtest::WriteBytes(path, c.xml);
    int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    ASSERT_NE(f, 0);
    EXPECT_EQ(Kz_LoadFromFile(f, 3), 0);
    EXPECT_NE(ErrorText().find(c.expect), std::string::npos) << ErrorText();
    RuDU_CloseFile(f);
  }
}

// An empty file has no bytes to point at: every way in refuses it with the reason,
// for an editor's document and for the store alike.
TEST(TextResource, EmptyFileIsRefusedCleanly) {
  const std::string path = vtest::PathOf("440099.xml");
  vtest::WriteBytes(path, "");
  int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(Kz_LoadFromFile(f, 3), 0);
  EXPECT_NE(ErrorText().find("No document element"), std::string::npos) << ErrorText();
  RuDU_CloseFile(f);

  f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(Kz_LoadFromFileAndClose(f, 3), 0);
  EXPECT_NE(ErrorText().find("No document element"), std::string::npos) << ErrorText();

  EXPECT_EQ(Kz_LoadFromBuffer(nullptr, 0, 3), 0);
  EXPECT_NE(ErrorText().find("No document element"), std::string::npos) << ErrorText();

  Kz_TREDescServerUnload();
  f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  ASSERT_NE(f, 0);
  EXPECT_EQ(Kz_TREDescServerLoadFile(f), 0);
  EXPECT_NE(ErrorText().find("No document element"), std::string::npos) << ErrorText();
  RuDU_CloseFile(f);
  EXPECT_EQ(Kz_TREDescServerLoadBuffer(nullptr, 0), 0);
  EXPECT_NE(ErrorText().find("No document element"), std::string::npos) << ErrorText();
  int32_t pages = -1;
  Kz_EnumObjects(1, nullptr, 0, &pages);
  EXPECT_EQ(pages, 0);
}

// Builds a document with awkward texts through the entries and saves it.
int32_t AwkwardDocument() {
  int32_t doc = Kz_CreateObject(0, 7, 0);
  Kz_TRESetLangID(doc, 49);
  int32_t p = Kz_CreateObject(doc, 8, 0);
  Kz_TRESetPageInfo(p, 3, "Title \"quoted\" & <b>", "line\nend\ttab\r", 1);
  const char* texts[] = {"", "   ", "a & b < c > d", "line\nend\r\nx\ry", "\ttab ", "]]> and \"q\" 'a'",
                         "caf\xC3\xA9 \xE2\x82\xAC", "\x7f del"};
  int32_t id = 1;
  for (const char* t : texts) {
    int32_t s = Kz_CreateObject(p, 9, 0);
    Kz_TRESetStringInfo(p, s, id++, t);
  }
  int32_t p2 = Kz_CreateObject(doc, 8, 0);
  Kz_TRESetPageInfo(p2, 4, "", "", 0);
  return doc;
}

void ExpectSameDocument(int32_t a, int32_t b) {
  EXPECT_EQ(Kz_TREGetLangID(a), Kz_TREGetLangID(b));
  auto pa = Children(a), pb = Children(b);
  ASSERT_EQ(pa.size(), pb.size());
  for (size_t i = 0; i < pa.size(); ++i) {
    int32_t ia, ib, va, vb;
    std::string ta, tb, da, db;
    Kz_TREGetPageInfo(pa[i], ia, ta, da, va);
    Kz_TREGetPageInfo(pb[i], ib, tb, db, vb);
    EXPECT_EQ(ia, ib);
    EXPECT_EQ(ta, tb);
    EXPECT_EQ(da, db);
    EXPECT_EQ(va, vb);
    auto sa = Children(pa[i]), sb = Children(pb[i]);
    ASSERT_EQ(sa.size(), sb.size());
    for (size_t k = 0; k < sa.size(); ++k) {
      EXPECT_EQ(Info(sa[k]).id, Info(sb[k]).id);
      EXPECT_EQ(Info(sa[k]).raw, Info(sb[k]).raw);
    }
  }
}

TEST(TextResource, RoundTripInMemoryPlainAndPacked) {
  int32_t doc = AwkwardDocument();
  std::string xml;
  ASSERT_EQ(Kz_SaveToBuffer(doc, xml), 1);
  int32_t back = Load(xml);
  ASSERT_NE(back, 0) << ErrorText() << "\n" << xml;
  ExpectSameDocument(doc, back);
  std::string again;
  Kz_SaveToBuffer(back, again);
  EXPECT_EQ(again, xml);  // saving is stable
  Kz_DeleteHandle(0, back);

  for (int kind : {1, 2}) {
    std::string path = vtest::PathOf(kind == 1 ? "49001.xml" : "49001.pck");
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, kind);
    ASSERT_NE(f, 0);
    ASSERT_EQ(Kz_SaveToFile(f, doc), 1);
    ASSERT_NE(RuDU_CloseFile(f), 0);
    if (kind == 2) {
      EXPECT_EQ(vtest::ReadBytes(path).substr(0, 2), "\x1f\x8b");
    }
    int32_t r = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    int32_t loaded = Kz_LoadFromFile(r, 3);
    RuDU_CloseFile(r);
    ASSERT_NE(loaded, 0) << ErrorText();
    ExpectSameDocument(doc, loaded);
    Kz_DeleteHandle(0, loaded);
  }
  Kz_DeleteHandle(0, doc);
}

// A handle that starts with the file's old content (create 0) still ends after the
// document: a shorter document leaves no tail of the longer file behind.
TEST(TextResource, SaveToFileEndsTheFileAfterTheDocument) {
  std::string path = vtest::PathOf("440077.xml");
  vtest::WriteBytes(path, std::string(5000, 'x'));
  int32_t doc = Kz_CreateObject(0, 7, 0);
  Kz_TRESetLangID(doc, 44);
  std::string expected;
  ASSERT_EQ(Kz_SaveToBuffer(doc, expected), 1);
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 0, 1);
  ASSERT_NE(f, 0);
  ASSERT_EQ(Kz_SaveToFile(f, doc), 1) << ErrorText();
  ASSERT_NE(RuDU_CloseFile(f), 0);
  EXPECT_EQ(vtest::ReadBytes(path), expected);
  Kz_DeleteHandle(0, doc);
}

// Control characters other than tab, LF and CR cannot stand in an XML 1.0 file: the
// setters refuse them and the object keeps what it held.
TEST(TextResource, SettersRefuseControlCharacters) {
  int32_t doc = Kz_CreateObject(0, 7, 0);
  int32_t p = Kz_CreateObject(doc, 8, 0);
  int32_t s = Kz_CreateObject(p, 9, 0);
  ASSERT_EQ(Kz_TRESetPageInfo(p, 5, "title", "desc", 1), 1);
  ASSERT_EQ(Kz_TRESetStringInfo(p, s, 7, "before"), 1);
  for (std::string bad : {std::string("\x01"), std::string("a\x1f"), std::string("x\x0by"), std::string("\0", 1)}) {
    SCOPED_TRACE(static_cast<int>(bad.back()));
    EXPECT_EQ(Kz_TRESetStringInfo(p, s, 8, bad), 0);
    EXPECT_EQ(Kz_GetLastError(), kKzErrArgument);
    EXPECT_EQ(Kz_TRESetPageInfo(p, 6, bad, "", 0), 0);
    EXPECT_EQ(Kz_TRESetPageInfo(p, 6, "", bad, 0), 0);
  }
  EXPECT_EQ(Info(s).id, 7);
  EXPECT_EQ(Info(s).raw, "before");
  int32_t id = 0, voice = 0;
  std::string t, d;
  Kz_TREGetPageInfo(p, id, t, d, voice);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(t, "title");
  // Tab, line feed and carriage return are kept, in texts and attributes alike.
  EXPECT_EQ(Kz_TRESetStringInfo(p, s, 8, "a\tb\nc\r\nd"), 1);
  EXPECT_EQ(Kz_TRESetPageInfo(p, 6, "t\tx", "d\r\ny", 0), 1);
  std::string xml;
  Kz_SaveToBuffer(doc, xml);
  int32_t back = Load(xml);
  ASSERT_NE(back, 0) << ErrorText();
  EXPECT_EQ(Info(Children(Children(back)[0])[0]).raw, "a\tb\nc\r\nd");
  Kz_DeleteHandle(0, back);
  Kz_DeleteHandle(0, doc);
}

TEST(TextResource, TruncatedPackedFileFails) {
  int32_t doc = AwkwardDocument();
  std::string path = vtest::PathOf("cut.pck");
  int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, 2);
  Kz_SaveToFile(f, doc);
  RuDU_CloseFile(f);
  Kz_DeleteHandle(0, doc);
  std::string bytes = vtest::ReadBytes(path);
  vtest::WriteBytes(path, bytes.substr(0, bytes.size() / 2));
  int32_t r = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  int32_t loaded = r ? Kz_LoadFromFile(r, 3) : 0;
  RuDU_CloseFile(r);
  EXPECT_EQ(loaded, 0);  // refused by the driver at open, or by the reader
}

struct RefFixture : ::testing::Test {
  int32_t doc = 0;
  void SetUp() override {
    Kz_TREDescServerUnload();
    doc = Load(
        "<language id=\"44\">"
        "<page id=\"1\">"
        "<t id=\"1\">A</t><t id=\"2\">{1}{1}</t><t id=\"3\">{9}</t><t id=\"4\">{5}</t><t id=\"5\">{4}</t>"
        "<t id=\"6\">{6}</t><t id=\"7\">{2,1}</t><t id=\"8\">{ 2 , 1 }</t><t id=\"9\">{900,1}</t>"
        "<t id=\"10\">\\{1\\} \\\\ \\x {x} {1</t>"
        "<t id=\"20\">{21}</t><t id=\"21\">{22}</t><t id=\"22\">{23}</t><t id=\"23\">{24}</t><t id=\"24\">{25}</t>"
        "<t id=\"25\">{26}</t><t id=\"26\">{27}</t><t id=\"27\">{28}</t><t id=\"28\">{29}</t><t id=\"29\">end</t>"
        "</page>"
        "<page id=\"2\"><t id=\"1\">B</t></page>"
        "</language>");
    ASSERT_NE(doc, 0) << ErrorText();
  }
  void TearDown() override {
    Kz_DeleteHandle(0, doc);
    Kz_TREDescServerUnload();
  }
  std::string Text(int32_t page, int32_t id) {
    int32_t s = Kz_TREFindString(doc, page, id);
    EXPECT_NE(s, 0);
    return Info(s).text;
  }
};

TEST_F(RefFixture, References) {
  EXPECT_EQ(Text(1, 2), "AA");                      // same page, twice
  EXPECT_EQ(Text(1, 7), "B");                       // other page
  EXPECT_EQ(Text(1, 8), "B");                       // blanks inside
  EXPECT_EQ(Text(1, 3), "{900,1}");                 // 9 is itself {900,1}: missing, stays
  EXPECT_EQ(Text(1, 9), "{900,1}");                 // missing page
  EXPECT_EQ(Text(1, 4), "{4}");                     // 4 -> 5 -> 4: the cycle stays as written
  EXPECT_EQ(Text(1, 6), "{6}");                     // self reference
  EXPECT_EQ(Text(1, 10), "{1} \\ \\x {x} {1");      // escapes and non-references
  EXPECT_EQ(Text(1, 22), "end");                    // 7 levels deep
  EXPECT_EQ(Text(1, 21), "end");                    // 8 levels deep
  EXPECT_EQ(Text(1, 20), "{29}");                   // 9 levels: the innermost stays
  std::string out;
  int32_t page = Children(doc)[0];
  ASSERT_EQ(Kz_TRETranslateString(page, "x{1}y{2,1}", out), 1);
  EXPECT_EQ(out, "xAyB");
}

TEST_F(RefFixture, StoreAnswersWhenItsLanguageIsTheDocuments) {
  std::string store =
      "<language id=\"44\"><page id=\"900\"><t id=\"1\">from store</t></page></language>";
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(store.data(), store.size()), 1) << ErrorText();
  EXPECT_EQ(Text(1, 9), "from store");
  Kz_TRESetLangID(doc, 49);
  EXPECT_EQ(Text(1, 9), "{900,1}");
}

TEST(TextResource, ProcessedTextIsCapped) {
  std::string xml = "<language id=\"1\"><page id=\"1\"><t id=\"1\">" + std::string(40000, 'x') +
                    "</t><t id=\"2\">{1}{1}{1}</t>";
  // Many references to a text that references many more: bounded work and size.
  xml += "<t id=\"3\">";
  for (int i = 0; i < 200; ++i) xml += "{2}";
  xml += "</t></page></language>";
  int32_t doc = Load(xml);
  ASSERT_NE(doc, 0);
  std::string t = Info(Kz_TREFindString(doc, 1, 3)).text;
  EXPECT_EQ(t.size(), kTreMaxText);
  Kz_DeleteHandle(0, doc);
}

TEST(TextResource, StoreMergesByPageAndReplacesStrings) {
  Kz_TREDescServerUnload();
  ASSERT_EQ(Kz_TRESetLangID(1, 44), 1);
  std::string a = "<language id=\"44\"><page id=\"17\"><t id=\"1\">one</t><t id=\"2\">two {1}</t></page></language>";
  std::string b =
      "<language id=\"44\"><page id=\"17\"><t id=\"1\">uno</t><t id=\"3\">tres</t></page>"
      "<page id=\"7\"><t id=\"1\">Sector</t></page></language>";
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(a.data(), a.size()), 1);
  int32_t s1 = Kz_TREFindString(1, 17, 1);
  ASSERT_NE(s1, 0);
  EXPECT_EQ(Info(s1).text, "one");
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(b.data(), b.size()), 1);
  EXPECT_EQ(Kz_TREFindString(1, 17, 1), s1);  // replaced in place: the same handle
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Info(s1).text, "uno");
  EXPECT_EQ(Info(Kz_TREFindString(1, 17, 2)).text, "two uno");
  EXPECT_EQ(Children(1).size(), 2u);
  EXPECT_EQ(Children(Children(1)[0]).size(), 3u);
  EXPECT_EQ(Kz_GetObjectType(1), kKzTreStore);
  EXPECT_EQ(Kz_TREGetLangID(1), 44);
  // Read-only through the editing entries.
  int32_t page = Children(1)[0];
  EXPECT_EQ(Kz_TRESetStringInfo(page, s1, 5, "x"), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrReadOnly);
  EXPECT_EQ(Kz_CreateObject(1, 8, 0), 0);
  EXPECT_EQ(Kz_DeleteHandle(1, page), 0);
  EXPECT_EQ(Kz_DeleteHandle(0, 1), 0);
  // A bad file leaves the store as it was.
  std::string bad = "<language id=\"44\"><page id=\"zz\"/></language>";
  EXPECT_EQ(Kz_TREDescServerLoadBuffer(bad.data(), bad.size()), 0);
  EXPECT_EQ(Children(1).size(), 2u);
  ASSERT_EQ(Kz_TREDescServerUnload(), 1);
  EXPECT_EQ(Children(1).size(), 0u);
  EXPECT_EQ(Kz_TREFindString(1, 17, 1), 0);
  int32_t id = 0;
  std::string raw, text;
  EXPECT_EQ(Kz_TREGetStringInfo(s1, id, raw, text), 0);  // emptied: stale
}

TEST(TextResource, HandleRules) {
  int32_t doc = Kz_CreateObject(0, 7, 0);
  int32_t other = Kz_CreateObject(0, 7, 0);
  int32_t p = Kz_CreateObject(doc, 8, 0);
  int32_t q = Kz_CreateObject(other, 8, 0);
  int32_t s = Kz_CreateObject(p, 9, 0);
  ASSERT_TRUE(doc && other && p && q && s);
  EXPECT_EQ(Info(s).id, -1);  // new objects have the ID -1
  int32_t id, voice;
  std::string t, d;
  Kz_TREGetPageInfo(p, id, t, d, voice);
  EXPECT_EQ(id, -1);

  // Wrong parents.
  EXPECT_EQ(Kz_DeleteHandle(other, p), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrNotChild);
  EXPECT_EQ(Kz_DeleteHandle(q, s), 0);
  EXPECT_EQ(Kz_TRESetStringInfo(q, s, 1, "x"), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrNotChild);
  EXPECT_EQ(Kz_DeleteHandle(s, p), 0);
  // Wrong kinds.
  EXPECT_EQ(Kz_CreateObject(s, 9, 0), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrWrongType);
  EXPECT_EQ(Kz_CreateObject(0, 5, 0), 0);
  EXPECT_EQ(Kz_TREGetPageInfo(s, id, t, d, voice), 0);

  // Delete a page: its strings go stale with it.
  ASSERT_EQ(Kz_DeleteHandle(doc, p), 1);
  EXPECT_EQ(Kz_TREGetStringInfo(s, id, t, d), 0);
  EXPECT_EQ(Kz_GetLastError(), kKzErrInvalidHandle);
  EXPECT_EQ(Kz_TREGetPageInfo(p, id, t, d, voice), 0);
  EXPECT_EQ(Children(doc).size(), 0u);
  EXPECT_EQ(Kz_DeleteHandle(doc, p), 0);  // twice

  // Freeing a document frees everything below it; handles are never reused.
  int32_t before = rudu::HandleCount();
  ASSERT_EQ(Kz_DeleteHandle(0, other), 1);
  EXPECT_EQ(rudu::HandleCount(), before - 2);
  EXPECT_EQ(Kz_TREGetPageInfo(q, id, t, d, voice), 0);
  int32_t fresh = Kz_CreateObject(0, 7, 0);
  EXPECT_GT(fresh, s);
  Kz_DeleteHandle(0, fresh);
  Kz_DeleteHandle(0, doc);
  EXPECT_EQ(Kz_GetObjectType(doc), 0);
}

TEST(TextResource, EnumCountsAndBuffers) {
  int32_t doc = Kz_CreateObject(0, 7, 0);
  for (int i = 0; i < 3; ++i) Kz_CreateObject(doc, 8, 0);
  int32_t n = 0, h[2] = {0, 0};
  ASSERT_EQ(Kz_EnumObjects(doc, h, 2, &n), 1);
  EXPECT_EQ(n, 3);
  EXPECT_NE(h[1], 0);
  EXPECT_EQ(Kz_EnumObjects(doc, nullptr, -1, &n), 0);
  EXPECT_EQ(Kz_EnumObjects(12345678, nullptr, 0, &n), 0);
  EXPECT_EQ(n, 0);
  Kz_DeleteHandle(0, doc);
}

}  // namespace

namespace {

// Strings share one block per page with their texts: they must stay right when their
// document goes, when their page is emptied around them, when edited, and when a later
// file's string replaces one (the other file's block is gone by then).
TEST(TextResource, StringTextsOutliveTheirFileAndPage) {
  int32_t doc = Load(
      "<language id=\"44\"><page id=\"1\"><t id=\"1\">first text of the page</t>"
      "<t id=\"2\">mixed <![CDATA[<raw> & ]]>content</t><t id=\"3\"/><t id=\"4\">a &amp; b</t></page></language>");
  ASSERT_NE(doc, 0);
  int32_t page = Children(doc)[0];
  std::vector<int32_t> strings = Children(page);
  ASSERT_EQ(strings.size(), 4u);
  EXPECT_EQ(Info(strings[1]).raw, "mixed <raw> & content");
  EXPECT_EQ(Info(strings[2]).raw, "");
  EXPECT_EQ(Info(strings[3]).raw, "a & b");
  ASSERT_EQ(Kz_TRESetStringInfo(page, strings[0], 1, "edited, and longer than any small text"), 1);
  ASSERT_EQ(Kz_DeleteHandle(page, strings[3]), 1);
  EXPECT_EQ(Kz_GetObjectType(strings[3]), 0);
  std::string saved;
  ASSERT_EQ(Kz_SaveToBuffer(doc, saved), 1);
  EXPECT_NE(saved.find(">edited, and longer than any small text<"), std::string::npos);
  // The untouched string is written as it was read.
  EXPECT_NE(saved.find("<t id=\"2\">mixed <![CDATA[<raw> & ]]>content</t>"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("a &amp; b"), std::string::npos);
  ASSERT_EQ(Kz_DeleteHandle(0, doc), 1);
  EXPECT_EQ(Kz_GetObjectType(strings[1]), 0);

  Kz_TREDescServerUnload();
  ASSERT_EQ(Kz_TRESetLangID(1, 44), 1);
  {
    std::string a = "<language id=\"44\"><page id=\"5\"><t id=\"1\">old text of file a</t>"
                    "<t id=\"2\">kept {1}</t></page></language>";
    std::string b = "<language id=\"44\"><page id=\"5\"><t id=\"1\">new text of file b, replacing</t>"
                    "</page></language>";
    ASSERT_EQ(Kz_TREDescServerLoadBuffer(a.data(), a.size()), 1);
    ASSERT_EQ(Kz_TREDescServerLoadBuffer(b.data(), b.size()), 1);
    std::fill(a.begin(), a.end(), 'x');
    std::fill(b.begin(), b.end(), 'x');
  }
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  EXPECT_EQ(Info(Kz_TREFindString(1, 5, 1)).text, "new text of file b, replacing");
  EXPECT_EQ(Info(Kz_TREFindString(1, 5, 2)).text, "kept new text of file b, replacing");
  Kz_TREDescServerUnload();
}

// Bytes that are not UTF-8 yet are decoded before parsing; UTF-8 ones go straight in.
TEST(TextResource, EncodingsBeforeParsing) {
  const struct {
    std::string xml;
    std::string raw;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><language id=\"1\"><page id=\"1\"><t id=\"1\">caf\xE9 \x80</t>"
       "</page></language>",
       "caf\xC3\xA9 \xE2\x82\xAC"},
      {"\xEF\xBB\xBF<language id=\"1\"><page id=\"1\"><t id=\"1\">bom</t></page></language>", "bom"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><language id=\"1\"><page id=\"1\"><t id=\"1\">\xC3\xA9</t>"
       "</page></language>",
       "\xC3\xA9"},
      {"<?xml version=\"1.0\"" + std::string(600, ' ') +
           "encoding=\"iso-8859-1\"?><language id=\"1\"><page id=\"1\"><t id=\"1\">\xE9</t></page></language>",
       "\xC3\xA9"},
  };
  for (const auto& c : cases) {
    int32_t doc = Load(c.xml);
    ASSERT_NE(doc, 0) << ErrorText();
    EXPECT_EQ(Info(Children(Children(doc)[0])[0]).raw, c.raw);
    Kz_DeleteHandle(0, doc);
    Kz_TREDescServerUnload();
    ASSERT_EQ(Kz_TREDescServerLoadBuffer(c.xml.data(), c.xml.size()), 1) << ErrorText();
    EXPECT_EQ(Info(Kz_TREFindString(1, 1, 1)).raw, c.raw);
    Kz_TREDescServerUnload();
  }
}

}  // namespace
