// Writing a loaded document back in its own layout: the start tags of changed elements,
// the references their values need, and documents too large for a first guess of the
// text's length.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/XMLParser.h"

using kz::Variant;

namespace {

struct TagCase {
  const char* name;
  const char* source;
  std::function<void(clsXMLParser&)> edit;
  const char* expected;
};

// Sets attributes of /r/e, name and value after name and value.
std::function<void(clsXMLParser&)> Set(std::initializer_list<std::pair<const char*, const char*>> attrs) {
  std::vector<std::pair<std::string, std::string>> list(attrs.begin(), attrs.end());
  return [list](clsXMLParser& x) {
    ASSERT_TRUE(x.SelectNode("/r/e"));
    for (const auto& [n, v] : list) ASSERT_TRUE(x.SetNodeAttr(Variant(n), Variant(v)));
  };
}

// Rewrites the attributes of /r/e as a sequence.
std::function<void(clsXMLParser&)> Put(std::initializer_list<std::pair<const char*, const char*>> attrs) {
  std::vector<std::pair<std::string, std::string>> list(attrs.begin(), attrs.end());
  return [list](clsXMLParser& x) {
    ASSERT_TRUE(x.SelectNode("/r/e"));
    ASSERT_TRUE(x.BeginNodeAttrs());
    for (const auto& [n, v] : list) x.PutNodeAttr(n.c_str(), v.c_str());
    x.EndNodeAttrs();
  };
}

// Each case's source loaded, edited and written: the text expected, and one that reads again.
template <size_t N>
void ExpectTagCases(const TagCase (&cases)[N]) {
  for (const TagCase& c : cases) {
    SCOPED_TRACE(c.name);
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText(c.source)) << x.GetLastError();
    c.edit(x);
    EXPECT_EQ(x.GetXML(), c.expected);
    clsXMLParser y;
    EXPECT_TRUE(y.LoadText(x.GetXML())) << y.GetLastError();
  }
}

TEST(LayoutWrite, AChangedStartTagKeepsWhatItKeptAndEscapesOnlyWhatNeedsIt) {
  const TagCase cases[] = {
      {"every byte that needs a reference, in double quotes", "<r><e a=\"1\" b=\"2\"/></r>",
       Set({{"b", "<&>\"'\t\n\r\x01 x"}}), "<r><e a=\"1\" b=\"&lt;&amp;&gt;&quot;'&#9;&#10;&#13;&#1; x\"/></r>"},
      {"the same in single quotes", "<r><e a='1' b='2'/></r>", Set({{"b", "<&>\"'\x1f"}}),
       "<r><e a='1' b='&lt;&amp;&gt;\"&apos;&#31;'/></r>"},
      {"bytes past ASCII as they are", "<r><e a=\"1\"/></r>", Set({{"a", "\xC3\xA9\xE2\x82\xAC"}}),
       "<r><e a=\"\xC3\xA9\xE2\x82\xAC\"/></r>"},
      {"an empty value", "<r><e a=\"1\" b=\"2\" /></r>", Set({{"a", ""}}), "<r><e a=\"\" b=\"2\" /></r>"},
      {"a value one longer and one shorter than it was", "<r><e a=\"12\" b=\"34\"/></r>",
       Set({{"a", "123"}, {"b", "3"}}), "<r><e a=\"123\" b=\"3\"/></r>"},
      {"a name that begins another", "<r><e ab=\"1\" a=\"2\" abc=\"3\"/></r>", Set({{"a", "9"}}),
       "<r><e ab=\"1\" a=\"9\" abc=\"3\"/></r>"},
      {"a kept value read with a reference", "<r><e a=\"x&amp;y\" b=\"1\" c='&#65;'/></r>", Set({{"b", "2"}}),
       "<r><e a=\"x&amp;y\" b=\"2\" c='A'/></r>"},
      {"a kept value whose blanks reading changed", "<r><e a=\"x\ty\" b=\"1\"/></r>", Set({{"b", "2"}}),
       "<r><e a=\"x y\" b=\"2\"/></r>"},
      {"the spacing of kept attributes over lines", "<r>\r\n\t<e\r\n\t  a = '1'\r\n\t  b='2'\r\n\t  c='3' />\r\n</r>",
       Set({{"b", "5"}}), "<r>\r\n\t<e\r\n\t  a = '1'\r\n\t  b='5'\r\n\t  c='3' />\r\n</r>"},
      {"an attribute added after the last, in its spacing and quotes", "<r>\n<e\n  a='1'\n  b='2'></e>\n</r>",
       Set({{"n", "v"}}), "<r>\n<e\n  a='1'\n  b='2'\n  n='v'></e>\n</r>"},
      {"an element without attributes takes its siblings' quotes", "<r><f a='1'/><e/></r>", Set({{"n", "v"}}),
       "<r><f a='1'/><e n='v'/></r>"},
      {"a sequence that gives every value again changes nothing", "<r>\n  <e t=\"1\"  s='x'   z=\"3\" />\n</r>",
       Put({{"t", "1"}, {"s", "x"}, {"z", "3"}}), "<r>\n  <e t=\"1\"  s='x'   z=\"3\" />\n</r>"},
      {"a sequence that changes the last and adds one in the spacing of the last", "<r>\n  <e t=\"1\"  s='x'   z=\"3\" />\n</r>",
       Put({{"t", "1"}, {"s", "x"}, {"z", "4"}, {"w", "&"}}), "<r>\n  <e t=\"1\"  s='x'   z=\"4\"   w=\"&amp;\" />\n</r>"},
      {"a sequence that drops the middle one", "<r><e t=\"1\" s=\"x\" z=\"3\"></e></r>", Put({{"t", "1"}, {"z", "3"}}),
       "<r><e t=\"1\" z=\"3\"></e></r>"},
      {"a sequence in another order", "<r><e a=\"1\" b=\"2\" c=\"3\"/></r>", Put({{"c", "3"}, {"a", "1"}, {"b", "2"}}),
       "<r><e c=\"3\" a=\"1\" b=\"2\"/></r>"},
      {"namespace declarations stay in place", "<r><e xmlns=\"u\" a=\"1\"/></r>", Put({{"a", "2"}}),
       "<r><e xmlns=\"u\" a=\"2\"/></r>"},
  };
  ExpectTagCases(cases);
}

// A value far longer than the document it is written into, with references in it.
TEST(LayoutWrite, AValueLongerThanTheDocumentIsWrittenWhole) {
  clsXMLParser x;
  ASSERT_TRUE(x.LoadText("<r>\n\t<e a=\"1\"/>\n</r>\n"));
  std::string value, escaped;
  for (int i = 0; i < 100000; ++i) {
    value += i % 1000 == 999 ? "<\"" : "vv";
    escaped += i % 1000 == 999 ? "&lt;&quot;" : "vv";
  }
  ASSERT_TRUE(x.SelectNode("/r/e"));
  ASSERT_TRUE(x.SetNodeAttr(Variant("a"), Variant(value)));
  EXPECT_EQ(x.GetXML(), "<r>\n\t<e a=\"" + escaped + "\"/>\n</r>\n");
  clsXMLParser y;
  ASSERT_TRUE(y.LoadText(x.GetXML()));
  ASSERT_TRUE(y.SelectNode("/r/e"));
  EXPECT_EQ(y.GetNodeAttr(Variant("a")), value);
}

// Every element of a large document changed, its values made longer: each start tag is
// formed anew, everything between them is copied, and nothing is lost when the text
// outgrows the room first taken for it.
TEST(LayoutWrite, EveryElementChangedInALargeDocument) {
  std::string source = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<r>\r\n";
  std::string expected = source;
  for (int s = 0; s < 200; ++s) {
    source += "\t<s n='" + std::to_string(s) + "'>\r\n";
    expected += "\t<s n='" + std::to_string(s) + "' m='&amp;'>\r\n";
    for (int o = 0; o < 50; ++o) {
      const std::string id = std::to_string(s * 50 + o);
      source += "\t\t<o t=\"7\" x=\"" + id + "\" y=\"-1\" />\r\n";
      expected += "\t\t<o t=\"7\" x=\"" + id + id + id + id + "\" y=\"-1\" />\r\n";
    }
    source += "\t</s>\r\n";
    expected += "\t</s>\r\n";
  }
  source += "</r>\r\n";
  expected += "</r>\r\n";
  clsXMLParser x;
  ASSERT_TRUE(x.LoadText(source.substr(3))) << x.GetLastError();
  ASSERT_TRUE(x.SelectNode("/r/s"));
  do {
    ASSERT_TRUE(x.SetNodeAttr(Variant("m"), Variant("&")));
    ASSERT_TRUE(x.Down());
    do {
      const std::string id = x.GetNodeAttr(Variant("x"));
      ASSERT_TRUE(x.BeginNodeAttrs());
      x.PutNodeAttr("t", "7");
      x.PutNodeAttr("x", (id + id + id + id).c_str());
      x.PutNodeAttr("y", "-1");
      x.EndNodeAttrs();
    } while (x.NextNode());
    x.up();
  } while (x.NextNode());
  EXPECT_EQ(x.GetXML(), expected.substr(3));
}

}  // namespace

namespace {

// An attribute sequence is the element's it began on: a cursor gone on to another
// element sets the attribute there, once, and leaves the first element as it was; the
// text written shows exactly what the document holds.
TEST(LayoutWrite, AnAttributeSequenceChangesOnlyTheElementItBeganOn) {
  clsXMLParser x;
  ASSERT_TRUE(x.LoadText("<r>\n  <e a='1' b='2'/>\n  <f a='5'/>\n</r>\n"));
  ASSERT_TRUE(x.SelectNode("/r/e"));
  ASSERT_TRUE(x.BeginNodeAttrs());
  x.PutNodeAttr("a", "1");
  ASSERT_TRUE(x.NextNode());
  x.PutNodeAttr("a", "9");
  x.EndNodeAttrs();
  EXPECT_EQ(x.GetNodeAttrCount(), 1);
  EXPECT_EQ(x.GetNodeAttr(Variant("a")), "9");
  ASSERT_TRUE(x.SelectNode("/r/e"));
  EXPECT_EQ(x.GetNodeAttr(Variant("a")), "1");
  EXPECT_EQ(x.GetNodeAttr(Variant("b")), "2");
  EXPECT_EQ(x.GetXML(), "<r>\n  <e a='1' b='2'/>\n  <f a='9'/>\n</r>\n");
  // A value put again unchanged, with no sequence begun, changes nothing.
  clsXMLParser y;
  ASSERT_TRUE(y.LoadText("<r><e a='1'/></r>"));
  ASSERT_TRUE(y.SelectNode("/r/e"));
  y.PutNodeAttr("a", "1");
  EXPECT_EQ(y.GetNodeAttrCount(), 1);
  EXPECT_EQ(y.GetXML(), "<r><e a='1'/></r>");
}

}  // namespace

namespace {

// An attribute name that ends at its first byte is no name: refused, the text written
// stays one that reads back.
TEST(LayoutWrite, AnAttributeWithoutANameIsRefused) {
  clsXMLParser x;
  ASSERT_TRUE(x.LoadText("<r><e a='1'/></r>"));
  ASSERT_TRUE(x.SelectNode("/r/e"));
  EXPECT_FALSE(x.SetNodeAttr(Variant(std::string("\0b", 2)), Variant("v")));
  EXPECT_TRUE(x.SetNodeAttr(Variant("a"), Variant("2")));
  EXPECT_EQ(x.GetNodeAttrCount(), 1);
  EXPECT_EQ(x.GetXML(), "<r><e a='2'/></r>");
  clsXMLParser y;
  EXPECT_TRUE(y.LoadText(x.GetXML())) << y.GetLastError();
}

}  // namespace

namespace {

// Attributes taken away while a sequence is under way (one deleted, all cleared, the
// element itself deleted) end the sequence: what is put after that is set on the
// current element as it stands, never on an attribute that is gone.
TEST(LayoutWrite, AttributesTakenAwayDuringASequenceEndIt) {
  {
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText("<r><e a='1' b='2'/></r>"));
    ASSERT_TRUE(x.SelectNode("/r/e"));
    ASSERT_TRUE(x.BeginNodeAttrs());
    x.PutNodeAttr("a", "1");
    ASSERT_TRUE(x.DeleteNodeAttr(Variant("b")));
    x.PutNodeAttr("b", "3");
    x.EndNodeAttrs();
    EXPECT_EQ(x.GetNodeAttrCount(), 2);
    EXPECT_EQ(x.GetNodeAttr(Variant("b")), "3");
    EXPECT_EQ(x.GetXML(), "<r><e a='1' b='3'/></r>");
  }
  {
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText("<r><e a='1' b='2'/></r>"));
    ASSERT_TRUE(x.SelectNode("/r/e"));
    ASSERT_TRUE(x.BeginNodeAttrs());
    ASSERT_TRUE(x.ClearNodeAttrs());
    x.PutNodeAttr("a", "7");
    x.EndNodeAttrs();
    EXPECT_EQ(x.GetNodeAttrCount(), 1);
    EXPECT_EQ(x.GetNodeAttr(Variant("a")), "7");
  }
  {
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText("<r><e a='1' b='2'/></r>"));
    ASSERT_TRUE(x.SelectNode("/r/e"));
    ASSERT_TRUE(x.BeginNodeAttrs());
    x.PutNodeAttr("a", "1");
    ASSERT_TRUE(x.DeleteNode("/r/e"));
    ASSERT_TRUE(x.CreateNode("e"));
    x.PutNodeAttr("b", "4");
    x.EndNodeAttrs();
    EXPECT_EQ(x.GetNodeAttrCount(), 1);
    EXPECT_EQ(x.GetNodeAttr(Variant("b")), "4");
  }
}

}  // namespace

namespace {

// Start tags of unusual layouts whose attributes are written again: whatever an
// attribute kept (its spacing, quotes, references, name with a prefix) stays as it
// stands, whatever changed is formed in the layout of the attribute it replaces.
TEST(LayoutWrite, StartTagsOfUnusualLayoutsKeepWhatWasNotChanged) {
  auto twice = [](std::function<void(clsXMLParser&)> first, std::function<void(clsXMLParser&)> second) {
    return [first, second](clsXMLParser& x) {
      first(x);
      second(x);
    };
  };
  const TagCase cases[] = {
      {"blanks of every kind around the equal signs", "<r><e\ta\t=\t\"1\"\n b =  '2'\r\n c= \"3\"/></r>",
       Put({{"a", "1"}, {"b", "5"}, {"c", "3"}}), "<r><e\ta\t=\t\"1\"\n b =  '5'\r\n c= \"3\"/></r>"},
      {"kept values holding '>', '/' and the other quote", "<r><e a=\"x>/y\" b='say \"hi\"' c=\"1\"/></r>",
       Put({{"a", "x>/y"}, {"b", "say \"hi\""}, {"c", "2"}}), "<r><e a=\"x>/y\" b='say \"hi\"' c=\"2\"/></r>"},
      {"a changed value that was read with a reference", "<r><e a=\"&lt;1&gt;\" b=\"2\"/></r>",
       Put({{"a", "<2>"}, {"b", "2"}}), "<r><e a=\"&lt;2&gt;\" b=\"2\"/></r>"},
      {"a kept empty value", "<r><e a=\"\" b='' c=\"1\"/></r>", Put({{"a", ""}, {"b", ""}, {"c", "2"}}),
       "<r><e a=\"\" b='' c=\"2\"/></r>"},
      {"prefixed names of element and attributes", "<r><p:e xmlns:p=\"u\" p:a=\"1\" b=\"2\"/></r>",
       [](clsXMLParser& x) {
         ASSERT_TRUE(x.SelectNode("/r/*"));
         ASSERT_TRUE(x.SetNodeAttr(Variant("p:a"), Variant("7")));
       },
       "<r><p:e xmlns:p=\"u\" p:a=\"7\" b=\"2\"/></r>"},
      {"a sequence after a namespace declaration between the attributes",
       "<r><e a=\"1\" xmlns:q=\"v\" q:b=\"2\" c=\"3\"/></r>", Put({{"a", "1"}, {"q:b", "9"}, {"c", "3"}}),
       "<r><e a=\"1\" xmlns:q=\"v\" q:b=\"9\" c=\"3\"/></r>"},
      {"line ends inside the tag and before its end", "<r>\r\n\t<e\r\n\t\ta=\"1\"\r\n\t\tb=\"2\"\r\n\t/>\r\n</r>",
       Put({{"a", "1"}, {"b", "3"}, {"c", "4"}}),
       "<r>\r\n\t<e\r\n\t\ta=\"1\"\r\n\t\tb=\"3\"\r\n\t\tc=\"4\"\r\n\t/>\r\n</r>"},
      {"the last dropped and one added: the spacing and quotes of the tag's own",
       "<r>\n  <e t='1'  s=\"x\"   z=\"3\" />\n</r>", Put({{"t", "1"}, {"s", "x"}, {"w", "5"}}),
       "<r>\n  <e t='1'  s=\"x\"   w='5' />\n</r>"},
      {"the first dropped and one added", "<r><e a='1' b=\"2\"/></r>", Put({{"b", "2"}, {"c", "3"}}),
       "<r><e b=\"2\" c='3'/></r>"},
      {"every attribute dropped", "<r><e  a=\"1\" b=\"2\" /></r>",
       [](clsXMLParser& x) {
         ASSERT_TRUE(x.SelectNode("/r/e"));
         ASSERT_TRUE(x.ClearNodeAttrs());
       },
       "<r><e /></r>"},
      {"attributes given to an element that had none", "<r><f a='1'/><e></e></r>",
       Put({{"n", "v"}, {"m", "w"}}), "<r><f a='1'/><e n='v' m='w'></e></r>"},
      {"an element with children", "<r>\n\t<e a=\"1\" b=\"2\">\n\t\t<f c=\"3\"/>\n\t</e>\n</r>",
       Put({{"a", "1"}, {"b", "x"}}), "<r>\n\t<e a=\"1\" b=\"x\">\n\t\t<f c=\"3\"/>\n\t</e>\n</r>"},
      {"an attribute added, then changed again", "<r>\n\t<e t=\"7\" s='x'/>\n</r>",
       twice(Put({{"t", "7"}, {"s", "x"}, {"z", "1"}}), Put({{"t", "7"}, {"s", "y"}, {"z", "22"}})),
       "<r>\n\t<e t=\"7\" s='y' z=\"22\"/>\n</r>"},
      {"a value changed back to what it was read as", "<r><e a=\"1\" b=\"2\"/></r>",
       twice(Put({{"a", "5"}, {"b", "2"}}), Put({{"a", "1"}, {"b", "2"}})), "<r><e a=\"1\" b=\"2\"/></r>"},
      {"values longer and shorter in another order", "<r><e a=\"1\" b=\"22\" c=\"333\"/></r>",
       Put({{"c", "3"}, {"a", "1111"}, {"b", "22"}}), "<r><e c=\"3\" a=\"1111\" b=\"22\"/></r>"},
  };
  ExpectTagCases(cases);
}

}  // namespace

namespace {

// An attribute sequence given at once leaves the element, and the text written, as the
// same sequence put one attribute after another does.
TEST(LayoutWrite, ASequenceGivenAtOnceWritesWhatOneByOneWrites) {
  using List = std::vector<std::pair<std::string, std::string>>;
  const struct {
    const char* source;
    List attrs;
  } cases[] = {
      {"<r>\n  <e t=\"1\"  s='x'   z=\"3\" />\n</r>", {{"t", "1"}, {"s", "x"}, {"z", "3"}}},
      {"<r>\n  <e t=\"1\"  s='x'   z=\"3\" />\n</r>", {{"t", "1"}, {"s", "y"}, {"z", "4"}, {"w", "&"}}},
      {"<r><e t=\"1\" s=\"x\" z=\"3\"></e></r>", {{"t", "1"}, {"z", "3"}}},
      {"<r><e a=\"1\" b=\"2\" c=\"3\"/></r>", {{"c", "3"}, {"a", "1"}, {"b", "2"}}},
      {"<r><e xmlns=\"u\" a=\"1\" xmlns:p=\"v\" p:b=\"2\"/></r>", {{"a", "2"}, {"p:b", "2"}, {"", "dropped"}}},
      {"<r><e a=\"1\" b=\"2\"/></r>", {}},
      {"<r><f a='1'/><e/></r>", {{"n", "v"}, {"m", "<'\">"}}},
      {"<r><e a=\"x\" b=\"22\"/></r>", {{"a", "a value longer than any the element had"}, {"b", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    clsXMLParser one, once;
    ASSERT_TRUE(one.LoadText(c.source));
    ASSERT_TRUE(once.LoadText(c.source));
    ASSERT_TRUE(one.SelectNode("/r/e"));
    ASSERT_TRUE(once.SelectNode("/r/e"));
    ASSERT_TRUE(one.BeginNodeAttrs());
    std::vector<clsXMLParser::AttrText> list;
    for (const auto& [n, v] : c.attrs) {
      one.PutNodeAttr(n.c_str(), v.c_str());
      list.push_back({n.c_str(), v.c_str(), v.size()});
    }
    one.EndNodeAttrs();
    ASSERT_TRUE(once.SetNodeAttrs(list.data(), list.size()));
    EXPECT_EQ(once.GetXML(), one.GetXML());
    std::string a, b;
    one.ForEachNodeAttr([&](const char* n, const char* v) { a += std::string(n) + "=" + v + ";"; });
    once.ForEachNodeAttr([&](const char* n, const char* v) { b += std::string(n) + "=" + v + ";"; });
    EXPECT_EQ(b, a);
  }
  // Without a current element, nothing is set.
  clsXMLParser none;
  EXPECT_FALSE(none.SetNodeAttrs(nullptr, 0));
}

}  // namespace
