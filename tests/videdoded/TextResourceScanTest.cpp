// The direct reader of text resource files against the XML parser: what it reads is
// what the parser reads, and what it does not read it hands over.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "TestFiles.h"
#include "TreModel.h"
#include "rudu/rudu.h"
#include "videdoded/videdoded.h"

namespace {

using videdoded::TreDocument;

std::string Dump(const TreDocument& d) {
  std::string out = "L" + std::to_string(d.lang);
  for (const auto& p : d.pages) {
    out += "|P" + std::to_string(p->id) + "," + p->title + "," + p->desc + "," + std::to_string(p->voice);
    for (const auto& s : p->strings) {
      out += "|S" + std::to_string(s->id) + ",";
      out += s->Raw();
    }
  }
  return out;
}

// The parser's reading, or "refused".
std::string Parsed(const std::string& xml) {
  TreDocument d;
  std::string error;
  return videdoded::ParseTreXml(xml.data(), xml.size(), d, error) ? Dump(d) : "refused";
}

// The direct reading, or "handed over". The bytes are given in a buffer of their own
// size, so that a look past their end is caught by the address checker.
std::string Scanned(const std::string& xml) {
  std::unique_ptr<char[]> bytes(new char[xml.size()]);
  std::memcpy(bytes.get(), xml.data(), xml.size());
  TreDocument d;
  if (!videdoded::ScanTreXml(bytes.get(), xml.size(), d)) {
    EXPECT_TRUE(d.pages.empty());
    return "handed over";
  }
  return Dump(d);
}

std::string File(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<language id=\"44\">\r\n" + body + "</language>\r\n";
}

TEST(TextResourceScan, ReadsWhatTheParserReads) {
  const std::string cases[] = {
      File("  <page id=\"17\" title=\"Names\" descr=\"Object names\" voice=\"1\">\r\n"
           "    <t id=\"1\">Argon</t>\r\n    <t id=\"2\">The {1} ship\\n</t>\r\n  </page>\r\n"),
      // References, line ends, blanks-only and empty texts, self-closing elements.
      File("<page id=\"1\"><t id=\"1\">a &amp; b &lt;c&gt; &quot;d&quot; &apos;e&apos;</t>"
           "<t id=\"2\">&#65;&#x42;&#xe9;&#8364;&#x1F600;</t><t id=\"3\">x\r\ny\rz\n</t>"
           "<t id=\"4\">   </t><t id=\"5\"></t><t id=\"6\"/><t id=\"7\">\r\n</t></page><page id=\"2\"/>"),
      // Attributes: other quotes, blanks around '=', line ends and references inside,
      // repeated and unknown names (the first counts), any order.
      File("<page voice = 'x' extra=\"1\" descr='a\r\nb\tc\nd&amp;e' id='3' title=\"&#x41;\" id=\"4\">"
           "<t  id = '-5' >v</t ></page >"),
      File("<page id=\"1\" voice=\"0\"><t id=\"2147483647\">max</t><t id=\"-2147483648\">min</t></page>"),
      // Ids in every form the parser reads.
      File("<page id=\"1\"><t id=\"-0\">a</t><t id=\"0012\">b</t><t id=\"123456789\">c</t>"
           "<t id=\"-123456789\">d</t><t id=\"1234567890\">e</t><t id=\"5\" >f</t><t id='6'>g</t></page>"),
      // Comments, processing instructions and text between the elements.
      "<!-- head --><?pi x?>\n<language id=\"1\"><!-- c --> stray text <?pi?><page id=\"1\">text"
      "<!-- <t id=\"9\">no</t> --><t id=\"1\">y</t>&amp; more</page></language><!-- tail -->\n",
      "<language id=\"5\"/>",
      "<language id=\"5\"></language>",
      // Long texts with references all through them: the page's texts outgrow any
      // first room for them in the middle of a string.
      File("<page id=\"1\"><t id=\"1\">" + std::string(3000, 'a') + "</t><t id=\"2\">" + [] {
             std::string t;
             for (int i = 0; i < 900; ++i) t += "x&#17;&lt;\r\n{";
             return t;
           }() + "</t><t id=\"3\">" + std::string(70000, 'b') + "</t></page>"),
      // Bytes of any UTF-8 text and markup-like characters that need no escape.
      File("<page id=\"1\" title=\"caf\xC3\xA9 > x\"><t id=\"1\">]]> \xE2\x82\xAC ' \" > {2,3}</t></page>"),
      // What the direct reader hands over: each must still be read as the parser reads it.
      File("<page id=\"1\"><t id=\"1\"><![CDATA[a<b]]></t></page>"),
      File("<page id=\"1\"><t id=\"1\">a<b/>c</t></page>"),
      File("<page id=\"1\"><t id=\"1\">a<!-- x -->b</t></page>"),
      File("<page id=\"1\"><note>n</note><t id=\"1\">a</t></page>"),
      File("<page id=\"1\"><t id=\"1\">&unknown; &#0; &#xD800; &#; &amp</t></page>"),
      "<!DOCTYPE language><language id=\"1\"/>",
      File("<page id=\"1\" title=\"&bad;\"><t id=\"1\">a</t></page>"),
      "<language id=\"1\"/><language id=\"2\"/>",
      // Malformed or not a text resource file: refused by both.
      File("<page id=\"x\"><t id=\"1\">a</t></page>"),
      File("<page id=\"1\"><t>a</t></page>"),
      File("<page id=\"1\"><t id=\"1\">a</page>"),
      File("<page id=\"1\"><t id=\"1\">a</t>"),
      File("<page id=\"1\"id=\"2\"></page>"),
      File("<page id=\"1\" title=\"a></page>"),
      File("<page id=\"1\"><t id=\"1\" x></t></page>"),
      File("<page id=\"1\"><t id=\"1\"x=\"2\">a</t></page>"),
      File("<page id=\"1\"><t id=\"2147483648\">a</t></page>"),
      File("<page id=\"1\"><t id=\"-\">a</t></page>"),
      File("<page id=\"1\"><t id=\"1\">a</tt></page>"),
      "<other id=\"1\"/>",
      "",
      "   ",
      std::string("<language id=\"1\"><page id=\"1\"><t id=\"1\">a") + '\0' + "b</t></page></language>",
      "<language id=\"1\"><!-- open",
  };
  for (const std::string& xml : cases) {
    const std::string parsed = Parsed(xml), scanned = Scanned(xml);
    if (scanned != "handed over") {
      EXPECT_EQ(scanned, parsed) << xml;
    }
  }
  // The usual shapes are read directly.
  for (size_t i = 0; i < 10; ++i) EXPECT_NE(Scanned(cases[i]), "handed over") << cases[i];
}

// Random changes to a file with every construct the reader knows: whatever it reads
// agrees with the parser.
TEST(TextResourceScan, AgreesWithTheParserOnChangedFiles) {
  const std::string base = File(
      "<!-- c --><page id=\"7\" title=\"T &amp; t\" descr='d\r\ne' voice=\"1\">\r\n"
      "<t id=\"1\">a &lt;b&gt; &#233;\r\n</t><t id=\"2\"/><t id=\"3\"> </t>\r\n</page>\r\n<?pi x?>"
      "<page id=\"8\"><t id=\"-1\">{7,1}\\n</t></page>\r\n");
  const char alphabet[] = "<>/=\"'&;#x!?- \r\n\tapt1id\0";
  std::mt19937 rng(7);
  int read = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string xml = base;
    const int edits = 1 + static_cast<int>(rng() % 3);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % (xml.size() + 1);
      const char c = alphabet[rng() % (sizeof alphabet - 1)];
      switch (rng() % 3) {
        case 0: xml.insert(at, 1, c); break;
        case 1: if (at < xml.size()) xml.erase(at, 1); break;
        default: if (at < xml.size()) xml[at] = c; break;
      }
    }
    const std::string scanned = Scanned(xml);
    if (scanned == "handed over") continue;
    ++read;
    ASSERT_EQ(scanned, Parsed(xml)) << xml;
  }
  EXPECT_GT(read, 100);  // the changes leave many files of the usual shape
}

// Escapes and references spelled with character references are still escapes and
// references once read: in a document and in the store, which resolves all at once.
TEST(TextResourceScan, EscapesWrittenAsCharacterReferencesStillCount) {
  const std::string xml = File(
      "<page id=\"3\"><t id=\"1\">x</t><t id=\"2\">&#123;1&#125;</t><t id=\"3\">a&#92;nb</t>"
      "<t id=\"4\">&#x7B;3,1}</t><t id=\"5\">plain &amp; simple</t></page>");
  const std::pair<int32_t, std::string> expected[] = {{1, "x"}, {2, "x"}, {3, "a\nb"}, {4, "x"}, {5, "plain & simple"}};
  const int32_t doc = Kz_LoadFromBuffer(xml.data(), xml.size(), kKzLoadTextResource);
  ASSERT_NE(doc, 0);
  Kz_TREDescServerUnload();
  ASSERT_EQ(Kz_TREDescServerLoadBuffer(xml.data(), xml.size()), 1);
  ASSERT_EQ(Kz_TREDescServerTranslateStrings(), 1);
  for (const auto& [id, text] : expected) {
    for (int32_t container : {doc, kKzStoreHandle}) {
      const int32_t s = Kz_TREFindString(container, 3, id);
      ASSERT_NE(s, 0);
      int32_t got = 0;
      std::string raw, processed;
      ASSERT_EQ(Kz_TREGetStringInfo(s, got, raw, processed), 1);
      EXPECT_EQ(processed, text) << id << " in " << container;
    }
  }
  Kz_DeleteHandle(0, doc);
  Kz_TREDescServerUnload();
}

// A load through the file driver reads the file from the handle's position to its
// end and leaves the position there, as a read of the rest would: in a document and in
// the store.
TEST(TextResourceScan, FileLoadsReadTheRestOfTheHandle) {
  const std::string xml = File("<page id=\"2\"><t id=\"7\">seven</t></page>");
  const std::string path = vtest::PathOf("44077.xml");
  vtest::WriteBytes(path, "HEAD" + xml);
  Kz_TREDescServerUnload();
  for (bool store : {false, true}) {
    const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
    ASSERT_NE(f, 0);
    ASSERT_EQ(RuDU_SeekFile(f, 4, 0), 4);
    const int32_t loaded = store ? Kz_TREDescServerLoadFile(f) : Kz_LoadFromFile(f, kKzLoadTextResource);
    ASSERT_NE(loaded, 0);
    EXPECT_EQ(RuDU_FileTell(f), static_cast<int32_t>(xml.size() + 4));
    const int32_t container = store ? kKzStoreHandle : loaded;
    const int32_t s = Kz_TREFindString(container, 2, 7);
    ASSERT_NE(s, 0);
    int32_t id = 0;
    std::string raw, text;
    Kz_TREGetStringInfo(s, id, raw, text);
    EXPECT_EQ(raw, "seven");
    // Nothing is left: the next load finds no document.
    EXPECT_EQ(store ? Kz_TREDescServerLoadFile(f) : Kz_LoadFromFile(f, kKzLoadTextResource), 0);
    EXPECT_NE(Kz_GetLastError(), 0);
    RuDU_CloseFile(f);
    if (!store) Kz_DeleteHandle(0, loaded);
  }
  Kz_TREDescServerUnload();
}

}  // namespace
