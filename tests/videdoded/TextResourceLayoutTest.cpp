// A text resource document read from a file is saved as it was read but for what
// changed: its encoding, byte-order mark and declaration included.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TreHandles.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

using vtest::Children;

int32_t Load(const std::string& bytes) { return Kz_LoadFromBuffer(bytes.data(), bytes.size(), 3); }

std::string Saved(int32_t doc) {
  std::string out;
  EXPECT_EQ(Kz_SaveToBuffer(doc, out), 1);
  return out;
}

std::string Raw(int32_t str) {
  int32_t id = 0;
  std::string raw, text;
  Kz_TREGetStringInfo(str, id, raw, text);
  return raw;
}

// UTF-16 of an ASCII / Latin-1 text given in UTF-8 (two-byte sequences only).
std::string Utf16(const std::string& utf8, bool big) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned cp = static_cast<unsigned char>(utf8[i]);
    if (cp >= 0xC0) cp = ((cp & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
    out += big ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

std::string Body(const std::string& decl, const std::string& text) {
  return decl + (decl.empty() ? "" : "\r\n") + "<language id='44'>\r\n\t<page id='1' title='Caf\xC3\xA9'>\r\n\t\t<t id='1'>" + text +
         "</t>\r\n\t\t<t id='2'>kept \xC3\xA9</t>\r\n\t</page>\r\n</language>\r\n";
}

// Unchanged, the bytes are the ones read; an edit writes the new text in the file's
// encoding, a character it cannot hold as a reference.
TEST(TextResourceLayout, EncodingsStayAsTheyWere) {
  auto latin1 = [](const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
      unsigned cp = static_cast<unsigned char>(utf8[i]);
      if (cp >= 0xC0) cp = ((cp & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
      out += static_cast<char>(cp);
    }
    return out;
  };
  const std::string utf8Decl = "<?xml version='1.0' encoding='utf-8'?>";
  const std::string edited = "new \xC3\xA9 \xCE\xA9";  // é and Ω
  const struct {
    const char* name;
    std::string file;
    std::string saved;  // after the first string was set to `edited`
  } cases[] = {
      {"UTF-8", Body(utf8Decl, "one"), Body(utf8Decl, edited)},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" + Body(utf8Decl, "one"), "\xEF\xBB\xBF" + Body(utf8Decl, edited)},
      {"no declaration", Body("", "one"), Body("", edited)},
      {"Latin-1", latin1(Body("<?xml version='1.0' encoding='ISO-8859-1'?>", "one")),
       latin1(Body("<?xml version='1.0' encoding='ISO-8859-1'?>", "new \xC3\xA9 &#937;"))},
      {"Windows-1252", latin1(Body("<?xml version='1.0' encoding='windows-1252'?>", "one")),
       latin1(Body("<?xml version='1.0' encoding='windows-1252'?>", "new \xC3\xA9 &#937;"))},
      {"UTF-16 LE", "\xFF\xFE" + Utf16(Body("<?xml version='1.0' encoding='UTF-16'?>", "one"), false),
       "\xFF\xFE" + Utf16(Body("<?xml version='1.0' encoding='UTF-16'?>", "new \xC3\xA9 \xCE\xA9"), false)},
      {"UTF-16 BE", "\xFE\xFF" + Utf16(Body("<?xml version='1.0' encoding='UTF-16'?>", "one"), true),
       "\xFE\xFF" + Utf16(Body("<?xml version='1.0' encoding='UTF-16'?>", "new \xC3\xA9 \xCE\xA9"), true)},
      {"UTF-16 LE without a mark", Utf16(Body("", "one"), false), Utf16(Body("", "new \xC3\xA9 \xCE\xA9"), false)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t doc = Load(c.file);
    ASSERT_NE(doc, 0);
    EXPECT_EQ(Saved(doc), c.file);
    const int32_t page = Children(doc)[0];
    const int32_t str = Children(page)[0];
    EXPECT_EQ(Raw(Children(page)[1]), "kept \xC3\xA9");
    ASSERT_EQ(Kz_TRESetStringInfo(page, str, 1, edited), 1);
    const std::string saved = Saved(doc);
    EXPECT_EQ(saved, c.saved);
    // What was saved reads back as it was edited.
    int32_t back = Load(saved);
    ASSERT_NE(back, 0);
    EXPECT_EQ(Raw(Children(Children(back)[0])[0]), edited);
    Kz_DeleteHandle(0, back);
    Kz_DeleteHandle(0, doc);
  }
}

// The same through the file driver, which hands the reader the file's bytes in place.
TEST(TextResourceLayout, FileReadThroughTheDriverIsSavedAsRead) {
  const std::string text = Body("<?xml version='1.0'?>", "one &amp; two &#233;");
  for (int kind : {1, 2}) {
    SCOPED_TRACE(kind);
    const std::string path = vtest::PathOf(kind == 1 ? "441234.xml" : "441234.pck");
    int32_t f = RuDU_OpenFile(path.c_str(), 1, 1, kind);
    ASSERT_NE(f, 0);
    ASSERT_EQ(RuDU_WriteFile(f, text.data(), static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
    ASSERT_NE(RuDU_CloseFile(f), 0);
    f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    const int32_t doc = Kz_LoadFromFile(f, 3);
    RuDU_CloseFile(f);
    ASSERT_NE(doc, 0);
    f = RuDU_OpenFile(path.c_str(), 1, 1, kind);
    ASSERT_EQ(Kz_SaveToFile(f, doc), 1);
    ASSERT_NE(RuDU_CloseFile(f), 0);
    f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    std::string back(static_cast<size_t>(RuDU_FileSize(f)), '\0');
    RuDU_ReadFile(f, back.data(), static_cast<int32_t>(back.size()));
    RuDU_CloseFile(f);
    EXPECT_EQ(back, text);
    Kz_DeleteHandle(0, doc);
  }
}

TEST(TextResourceLayout, LanguageAndRootChangeOnlyWhereTheyStand) {
  // A new language ID: only the root's value.
  const std::string file = "<language  id = \"44\" >\n  <page id=\"1\"><t id=\"1\">a</t></page>\n</language>\n";
  int32_t doc = Load(file);
  ASSERT_NE(doc, 0);
  ASSERT_EQ(Kz_TRESetLangID(doc, 49), 1);
  EXPECT_EQ(Saved(doc), "<language  id = \"49\" >\n  <page id=\"1\"><t id=\"1\">a</t></page>\n</language>\n");
  Kz_DeleteHandle(0, doc);

  // A root that closed itself opens for a new page; the page's string is one step in.
  doc = Load("<?xml version=\"1.0\"?>\n<language id=\"44\" />\n");
  ASSERT_NE(doc, 0);
  EXPECT_EQ(Saved(doc), "<?xml version=\"1.0\"?>\n<language id=\"44\" />\n");
  const int32_t page = Kz_CreateObject(doc, 8, 0);
  ASSERT_EQ(Kz_TRESetPageInfo(page, 3, "t", "", 0), 1);
  const int32_t str = Kz_CreateObject(page, 9, 0);
  ASSERT_EQ(Kz_TRESetStringInfo(page, str, 1, "x"), 1);
  EXPECT_EQ(Saved(doc),
            "<?xml version=\"1.0\"?>\n<language id=\"44\">\n  <page id=\"3\" title=\"t\" descr=\"\" voice=\"0\">\n"
            "    <t id=\"1\">x</t>\n  </page>\n</language>\n");
  Kz_DeleteHandle(0, doc);
}

// Files the direct reader leaves to the XML parser (other elements, CDATA, a document
// type, mixed content, a comment in a text) keep their layout the same way.
TEST(TextResourceLayout, FilesOfTheXmlParserKeepTheirLayout) {
  const std::string head = "<?xml version=\"1.0\"?>\n<!DOCTYPE language [ <!ENTITY x \"y\"> ]>\n<language id=\"44\">\n";
  const struct {
    const char* name;
    std::string before, first, after;  // the file: before + first string + after
  } cases[] = {
      {"another element", head + "  <page id=\"1\">\n    <note a=\"<t>\">x</note>\n    ",
       "<t id=\"1\">a</t>", "\n    <t id=\"2\">b</t>\n  </page>\n</language>\n"},
      {"CDATA", head + "  <page id=\"1\">\n    ", "<t id=\"1\"><![CDATA[a <b>]]></t>",
       "\n    <t id=\"2\">b</t>\n  </page>\n</language>\n"},
      {"mixed content", head + "  <page id=\"1\">\n    ", "<t id=\"1\">a<b>bold</b>c<!-- n --></t>",
       "\n    <t id=\"2\">b</t>\n  </page>\n</language>\n"},
      {"other elements between pages", head + "  <meta/>\n  <page id=\"1\">\n    ", "<t id=\"1\">a</t>",
       "\n    <t id=\"2\">b</t>\n  </page>\n  <meta>m</meta>\n</language>\n<!-- end -->\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = c.before + c.first + c.after;
    for (bool inPlace : {true, false}) {
      SCOPED_TRACE(inPlace);
      int32_t doc = 0;
      if (inPlace) {
        doc = Load(file);
      } else {
        const std::string path = vtest::PathOf("441235.xml");
        vtest::WriteBytes(path, file);
        const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
        doc = Kz_LoadFromFile(f, 3);
        RuDU_CloseFile(f);
      }
      ASSERT_NE(doc, 0);
      EXPECT_EQ(Saved(doc), file);
      const int32_t page = Children(doc)[0];
      const std::vector<int32_t> strings = Children(page);
      ASSERT_EQ(strings.size(), 2u);
      ASSERT_EQ(Kz_TRESetStringInfo(page, strings[1], 2, "B & b"), 1);
      std::string after = c.after;
      after.replace(after.find(">b<"), 3, ">B &amp; b<");
      EXPECT_EQ(Saved(doc), c.before + c.first + after);
      ASSERT_EQ(Kz_TRESetStringInfo(page, strings[0], 1, "new"), 1);
      EXPECT_EQ(Saved(doc), c.before + "<t id=\"1\">new</t>" + after);
      Kz_DeleteHandle(0, doc);
    }
  }
}

// What the document holds, as the reader gives it back.
std::string Dump(int32_t doc) {
  std::string out = std::to_string(Kz_TREGetLangID(doc));
  for (int32_t p : Children(doc)) {
    int32_t id = 0, voice = 0;
    std::string title, desc;
    Kz_TREGetPageInfo(p, id, title, desc, voice);
    out += "\n[" + std::to_string(id) + "|" + title + "|" + desc + "|" + std::to_string(voice) + "]";
    for (int32_t str : Children(p)) {
      std::string raw, text;
      Kz_TREGetStringInfo(str, id, raw, text);
      out += "\n  " + std::to_string(id) + "=" + raw;
    }
  }
  return out;
}

// A document type ends where the XML parser ends it: a file whose subset looks open
// (a "[" with no "]>" before the root) is saved where the parser read its root, not at
// a look-alike further on (here in the comment after it). Every edit reads back.
TEST(TextResourceLayout, DocumentTypesEndWhereTheParserEndsThem) {
  const std::string root = "<language id=\"44\"><page id=\"1\">\n<t id=\"1\">a</t>\n</page></language>";
  const struct {
    const char* name;
    std::string file;
    bool kept;  // saved unchanged as it was read
  } cases[] = {
      {"subset that looks open", "<!DOCTYPE [\x8b\xab>\n" + root +
                                     "\n<!-- ]>\n<language id=\"44\"><page id=\"1\"><t id=\"1\">b</t></page></language> -->",
       false},
      {"entity", "<!DOCTYPE language [ <!ENTITY x \"y\"> ]>\n" + root, true},
      {"quoted ]>", "<!DOCTYPE language [ <!ENTITY x \"a]>b\"> ]>\n" + root, true},
      {"comment holding ]>", "<!DOCTYPE language [ <!-- ]> --> <!ENTITY x 'y'> ]>\n" + root, true},
      {"processing instruction holding ]>", "<!DOCTYPE language [ <?pi ]> ?> ]>\n" + root, true},
      {"public identifier", "<!DOCTYPE language PUBLIC \"a>b\" \"c\">\n" + root, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t doc = Load(c.file);
    ASSERT_NE(doc, 0);
    if (c.kept) EXPECT_EQ(Saved(doc), c.file);
    const int32_t page = Children(doc)[0];
    ASSERT_EQ(Children(page).size(), 1u);
    ASSERT_EQ(Kz_TRESetStringInfo(page, Children(page)[0], 1, "edited"), 1);
    ASSERT_EQ(Kz_TRESetLangID(doc, 45), 1);
    const std::string saved = Saved(doc);
    const int32_t back = Load(saved);
    ASSERT_NE(back, 0) << saved;
    EXPECT_EQ(Dump(back), Dump(doc)) << saved;
    Kz_DeleteHandle(0, back);
    Kz_DeleteHandle(0, doc);
  }
}

// A run of edits of every kind on files of many layouts: after each, the saved bytes
// read back as the document held them.
TEST(TextResourceLayout, EveryEditReadsBackAsMade) {
  const std::string files[] = {
      Body("<?xml version='1.0'?>", "one"),
      "<language id=\"44\"/>",
      "<language id=\"44\"><page id=\"1\"/><page id=\"2\"><t id=\"1\"/></page></language>",
      "\xEF\xBB\xBF<language id=\"1\">\n\t<page id=\"5\" voice=\"yes\" title=\"a&#10;b\">\n\t\t<t id=\"1\">x\r\ny</t>\n"
      "\t\t<t id=\"2\"><![CDATA[c]]></t>\n\t</page>\n</language>",
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<language id=\"7\">\r\n  <page id=\"3\">\r\n"
      "    <t id=\"1\">caf\xE9</t>\r\n  </page>\r\n</language>\r\n",
  };
  const char* texts[] = {"", "plain", "a & b < c > d", "line\nend\r\nx\ry", "\ttab ", "]]> \"q\" 'a'",
                         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "{1} \\n"};
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    int32_t doc = Load(file);
    ASSERT_NE(doc, 0);
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 16) % n;
    };
    for (int step = 0; step < 120; ++step) {
      std::vector<int32_t> pages = Children(doc);
      const uint32_t op = next(7);
      if (pages.empty() || op == 0) {
        const int32_t p = Kz_CreateObject(doc, 8, 0);
        ASSERT_EQ(Kz_TRESetPageInfo(p, static_cast<int32_t>(next(50)), texts[next(8)], texts[next(8)],
                                    static_cast<int32_t>(next(2))), 1);
      } else {
        const int32_t p = pages[next(static_cast<uint32_t>(pages.size()))];
        std::vector<int32_t> strings = Children(p);
        if (op == 1) {
          ASSERT_EQ(Kz_TRESetPageInfo(p, static_cast<int32_t>(next(50)), texts[next(8)], texts[next(8)],
                                      static_cast<int32_t>(next(2))), 1);
        } else if (op == 2 && pages.size() > 1) {
          ASSERT_EQ(Kz_DeleteHandle(doc, p), 1);
        } else if (op == 3 || strings.empty()) {
          const int32_t str = Kz_CreateObject(p, 9, 0);
          ASSERT_EQ(Kz_TRESetStringInfo(p, str, static_cast<int32_t>(next(30)), texts[next(8)]), 1);
        } else if (op == 4) {
          ASSERT_EQ(Kz_DeleteHandle(p, strings[next(static_cast<uint32_t>(strings.size()))]), 1);
        } else if (op == 5) {
          ASSERT_EQ(Kz_TRESetLangID(doc, static_cast<int32_t>(next(100))), 1);
        } else {
          const int32_t str = strings[next(static_cast<uint32_t>(strings.size()))];
          ASSERT_EQ(Kz_TRESetStringInfo(p, str, static_cast<int32_t>(next(30)), texts[next(8)]), 1);
        }
      }
      const std::string saved = Saved(doc);
      const int32_t back = Load(saved);
      ASSERT_NE(back, 0) << "step " << step << ":\n" << saved;
      ASSERT_EQ(Dump(back), Dump(doc)) << "step " << step << ":\n" << saved;
      Kz_DeleteHandle(0, back);
    }
    Kz_DeleteHandle(0, doc);
  }
}

// A file large enough to be mapped: the document views the bytes it read, and saving
// over the file (twice, as an editor does) writes them right each time.
TEST(TextResourceLayout, LargeFileSavedOverItself) {
  std::string text = "<language id=\"44\">\n";
  const std::string line(200, 'x');
  for (int p = 0; p < 80; ++p) {
    text += "  <page id=\"" + std::to_string(p) + "\">\n";
    for (int i = 0; i < 1000; ++i) text += "    <t id=\"" + std::to_string(i) + "\">" + line + "</t>\n";
    text += "  </page>\n";
  }
  text += "</language>\n";
  ASSERT_GT(text.size(), 16u << 20);
  const std::string path = vtest::PathOf("449999.xml");
  vtest::WriteBytes(path, text);
  int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  const int32_t doc = Kz_LoadFromFile(f, 3);
  RuDU_CloseFile(f);
  ASSERT_NE(doc, 0);
  std::string expected = text;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const int32_t page = Children(doc)[static_cast<size_t>(round * 50)];
    const int32_t str = Children(page)[7];
    ASSERT_EQ(Kz_TRESetStringInfo(page, str, 7, "edited"), 1);
    const std::string was = "    <t id=\"7\">" + line + "</t>";
    const size_t at = expected.find(was, expected.find("<page id=\"" + std::to_string(round * 50) + "\">"));
    expected.replace(at, was.size(), "    <t id=\"7\">edited</t>");
    f = RuDU_OpenFile(path.c_str(), 1, 1, 1);
    ASSERT_EQ(Kz_SaveToFile(f, doc), 1);
    ASSERT_NE(RuDU_CloseFile(f), 0);
    EXPECT_TRUE(vtest::ReadBytes(path) == expected);
  }
  Kz_DeleteHandle(0, doc);
}

// Without its pages, the root stays as it stood.
TEST(TextResourceLayout, AllPagesDeletedLeaveTheRoot) {
  int32_t doc = Load("<language id=\"44\"><page id=\"1\"><t id=\"1\">a</t></page></language>");
  ASSERT_NE(doc, 0);
  for (int32_t p : Children(doc)) ASSERT_EQ(Kz_DeleteHandle(doc, p), 1);
  EXPECT_EQ(Saved(doc), "<language id=\"44\"></language>");
  Kz_DeleteHandle(0, doc);
}

}  // namespace
