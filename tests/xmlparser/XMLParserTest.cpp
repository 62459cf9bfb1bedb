// clsXMLParser: the cursor operations and their edge cases.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/AppError.h"
#include "core/XMLParser.h"
#include "videdoded/videdoded.h"
#include "tests/common/FileBytes.h"

using kz::Variant;

namespace {

std::string TempPath(const std::string& name) {
  static std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("xmlparser-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return (dir / name).string();
}

std::string ReadBytes(const std::string& path) { return kztest::FileBytes(path); }

struct Cursor : ::testing::Test {
  clsXMLParser x;
  void Load(const std::string& xml) { ASSERT_TRUE(x.LoadText(xml)) << x.GetLastError(); }
};

TEST_F(Cursor, OpenPutsTheCursorOnTheFirstChildAndWalksElements) {
  std::string path = TempPath("abc.xml");
  ASSERT_EQ(Kz_EncodeXMLFile(path, "<root><a/><!-- note --><b>x</b><c/></root>", 2), 1);
  ASSERT_TRUE(x.OpenFile(path)) << x.GetLastError();
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_FALSE(x.PrevNode());
  EXPECT_TRUE(x.NextNode());  // over the comment
  EXPECT_EQ(x.GetNodeName(), "b");
  EXPECT_TRUE(x.PrevNode());
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_TRUE(x.NextNode());
  EXPECT_TRUE(x.NextNode());
  EXPECT_EQ(x.GetNodeName(), "c");
  EXPECT_FALSE(x.NextNode());
  EXPECT_EQ(x.GetNodeName(), "c");
  EXPECT_TRUE(x.up());
  EXPECT_EQ(x.GetNodeName(), "root");
  EXPECT_FALSE(x.up());
  EXPECT_EQ(x.GetNodeName(), "root");
  EXPECT_TRUE(x.Down());
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_FALSE(x.Down());
  EXPECT_TRUE(x.SelectRoot());
  EXPECT_EQ(x.GetNodeName(), "root");
  EXPECT_EQ(x.SelectionLanguage(), "");
  // Comments survive a save.
  EXPECT_NE(x.GetXML().find("<!-- note -->"), std::string::npos);
}

TEST_F(Cursor, ValuesAndAttributes) {
  Load("<r><e k1=\"v1\" k2=\"v2\">first<sub>deep</sub>second<!--c-->   </e></r>");
  ASSERT_TRUE(x.SelectNode("/r/e"));
  EXPECT_EQ(x.GetNodeValue(), "first second");
  EXPECT_EQ(x.GetNodeAttr(Variant("k2")), "v2");
  EXPECT_EQ(x.GetNodeAttr(Variant(int32_t{1})), "v1");
  EXPECT_EQ(x.GetNodeAttr(Variant(int32_t{0})), "");
  EXPECT_EQ(x.GetNodeAttr(Variant(int32_t{3})), "");
  EXPECT_EQ(x.GetNodeAttr(Variant("none")), "");
  EXPECT_EQ(x.GetNodeAttrCount(), 2);
  EXPECT_EQ(x.GetAttrName(Variant(int32_t{2})), "k2");
  EXPECT_TRUE(x.SetNodeAttr(Variant("k3"), Variant(int32_t{42})));
  EXPECT_EQ(x.GetNodeAttr(Variant(int32_t{3})), "42");
  EXPECT_TRUE(x.SetNodeAttr(Variant(int32_t{1}), Variant("new")));
  EXPECT_EQ(x.GetNodeAttr(Variant("k1")), "new");
  EXPECT_FALSE(x.SetNodeAttr(Variant(int32_t{9}), Variant("x")));
  EXPECT_EQ(x.GetNodeAttrCount(), 3);
  EXPECT_TRUE(x.DeleteNodeAttr(Variant(int32_t{1})));
  EXPECT_FALSE(x.DeleteNodeAttr(Variant("k1")));
  EXPECT_EQ(x.GetAttrName(Variant(int32_t{1})), "k2");
  EXPECT_TRUE(x.SetNodeValue(Variant("FIRST")));
  EXPECT_EQ(x.GetNodeValue(), "FIRST second");
  ASSERT_TRUE(x.SelectNode("sub"));
  EXPECT_EQ(x.GetNodeValue(), "deep");
  ASSERT_TRUE(x.SelectNode("/r"));
  EXPECT_TRUE(x.SetNodeValue(Variant("added")));
  EXPECT_EQ(x.GetNodeValue(), "added");
  EXPECT_FALSE(x.SelectNode("nothing"));
  EXPECT_FALSE(x.SelectNode("[[bad xpath"));
  EXPECT_FALSE(x.SelectNode("@x"));
  EXPECT_EQ(x.GetNodeName(), "r");
}

TEST_F(Cursor, StackAndBookmarks) {
  Load("<r><a/><b/></r>");
  x.Pop();  // empty: nothing
  EXPECT_EQ(x.GetNodeName(), "a");
  for (int i = 0; i < 25; ++i) x.Push();
  x.NextNode();
  for (int i = 0; i < 25; ++i) x.Pop();
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_EQ(x.StackDepth(), 0);

  int32_t b1 = x.AddBookmark();
  x.NextNode();
  int32_t b2 = x.AddBookmark();
  EXPECT_EQ(b1, 1);
  EXPECT_EQ(b2, 2);
  EXPECT_TRUE(x.RemoveBookmark(b2));
  EXPECT_FALSE(x.RemoveBookmark(b2));
  EXPECT_EQ(x.AddBookmark(), 3);  // numbers keep counting
  EXPECT_TRUE(x.SelectBookmark(b1));
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_FALSE(x.SelectBookmark(2));
  EXPECT_EQ(x.GetNodeName(), "a");
}

// An object of an earlier document still holds its bookmark number: it must never select
// (nor be able to remove) a node of the document opened after it, however it was opened.
TEST_F(Cursor, BookmarkNumbersAreNotReusedAcrossDocuments) {
  std::string first = TempPath("first.xml"), second = TempPath("second.xml");
  ASSERT_EQ(Kz_EncodeXMLFile(first, "<r><a/><b/></r>", 1), 1);
  ASSERT_EQ(Kz_EncodeXMLFile(second, "<r><x/><y/></r>", 1), 1);
  ASSERT_TRUE(x.OpenFile(first)) << x.GetLastError();
  const int32_t oldA = x.AddBookmark();
  x.NextNode();
  const int32_t oldB = x.AddBookmark();

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    switch (round) {
      case 0: ASSERT_TRUE(x.OpenFile(second)) << x.GetLastError(); break;
      case 1: ASSERT_TRUE(x.LoadText("<r><x/><y/></r>")); break;
      case 2: ASSERT_TRUE(x.CreateDocument("r", "")); ASSERT_TRUE(x.CreateNode("x")); x.up(); ASSERT_TRUE(x.CreateNode("y")); x.up(); x.Down(); break;
    }
    const int32_t newX = x.AddBookmark();
    x.NextNode();
    const int32_t newY = x.AddBookmark();
    EXPECT_GT(newX, oldB);
    EXPECT_NE(newX, newY);
    EXPECT_FALSE(x.SelectBookmark(oldA));
    EXPECT_FALSE(x.SelectBookmark(oldB));
    EXPECT_FALSE(x.RemoveBookmark(oldA));
    EXPECT_EQ(x.GetNodeName(), "y");
    EXPECT_TRUE(x.SelectBookmark(newX));
    EXPECT_EQ(x.GetNodeName(), "x");
    EXPECT_TRUE(x.SelectBookmark(newY));
    EXPECT_EQ(x.GetNodeName(), "y");
  }
}

TEST_F(Cursor, MoveAndInsert) {
  Load("<r><a/><b/><c><d/></c></r>");
  ASSERT_TRUE(x.SelectNode("/r/a"));
  int32_t a = x.AddBookmark();
  ASSERT_TRUE(x.SelectNode("/r/c"));
  int32_t c = x.AddBookmark();
  ASSERT_TRUE(x.SelectNode("/r/c/d"));
  int32_t d = x.AddBookmark();
  ASSERT_TRUE(x.SelectRoot());
  int32_t r = x.AddBookmark();

  EXPECT_TRUE(x.MoveNode(a, d, false));  // directly before the target, in its parent
  EXPECT_NE(x.GetXML().find("<r><b/><c><a/><d/></c></r>"), std::string::npos) << x.GetXML();
  EXPECT_TRUE(x.SelectBookmark(a));
  EXPECT_TRUE(x.up());
  EXPECT_EQ(x.GetNodeName(), "c");  // the bookmark follows the node
  EXPECT_TRUE(x.MoveNode(a, r, true));
  x.SelectRoot();
  x.Down();
  x.NextNode();
  x.NextNode();
  EXPECT_EQ(x.GetNodeName(), "a");
  EXPECT_FALSE(x.MoveNode(a, 99, true));
  EXPECT_EQ(x.GetLastError(), "Invalid bookmark.");
  EXPECT_THROW(x.MoveNode(r, c, true), kz::AppError);  // the root into its own subtree
  EXPECT_THROW(x.MoveNode(c, d, true), kz::AppError);  // into its own subtree
  EXPECT_TRUE(x.SelectBookmark(d));
  EXPECT_TRUE(x.up());
  EXPECT_EQ(x.GetNodeName(), "c");  // nothing moved

  x.SelectRoot();
  EXPECT_FALSE(x.InsertNodeBefore("n", 77, Variant("t")));
  EXPECT_EQ(x.GetLastError(), "Invalid bookmark");
  EXPECT_TRUE(x.InsertNodeBefore("n", c, Variant("text")));
  EXPECT_EQ(x.GetNodeName(), "r");
  EXPECT_TRUE(x.Down());
  EXPECT_TRUE(x.NextNode());
  EXPECT_EQ(x.GetNodeName(), "n");
  EXPECT_EQ(x.GetNodeValue(), "text");
  x.SelectRoot();
  EXPECT_FALSE(x.InsertNodeBefore("n", d, Variant()));  // d is not a child of the root
}

TEST_F(Cursor, DeletingKeepsTheCursorOnLiveNodes) {
  Load("<r><a><b><c/></b></a><z/></r>");
  ASSERT_TRUE(x.SelectNode("/r/a/b/c"));
  int32_t bc = x.AddBookmark();
  x.Push();
  ASSERT_TRUE(x.SelectNode("/r/z"));
  int32_t bz = x.AddBookmark();
  ASSERT_TRUE(x.SelectNode("/r/a/b"));
  // The current node lies inside the deleted one: its former parent becomes current.
  EXPECT_TRUE(x.DeleteNode("/r/a"));
  EXPECT_EQ(x.GetNodeName(), "r");
  EXPECT_FALSE(x.SelectBookmark(bc));
  EXPECT_EQ(x.GetNodeName(), "r");
  x.Pop();  // the stack entry is gone too: stays put
  EXPECT_EQ(x.GetNodeName(), "r");
  EXPECT_FALSE(x.MoveNode(bc, bz, true));
  EXPECT_TRUE(x.SelectBookmark(bz));
  EXPECT_FALSE(x.DeleteNode("/r/a"));
  EXPECT_FALSE(x.DeleteNode("/"));
  EXPECT_TRUE(x.DeleteNode("/r"));  // the document element goes; no current node
  EXPECT_FALSE(x.HasCurrentNode());
  EXPECT_FALSE(x.SelectBookmark(bz));
}

TEST_F(Cursor, ReferencesOfAnEarlierDocumentAreDead) {
  Load("<r><a/></r>");
  int32_t b = x.AddBookmark();
  x.Push();
  ASSERT_TRUE(x.CreateDocument("new", ""));  // keeps the bookmarks, not their nodes
  EXPECT_FALSE(x.SelectBookmark(b));
  x.Pop();
  EXPECT_EQ(x.GetNodeName(), "new");
  x.Unload();
  EXPECT_FALSE(x.HasDocument());
  EXPECT_FALSE(x.SelectRoot());
  EXPECT_EQ(x.GetNodeName(), "");
  EXPECT_FALSE(x.CreateNode("x"));
  EXPECT_THROW(x.GetNodeNamespace(), kz::AppError);
}

TEST_F(Cursor, CreateDocumentNamespacesAndSave) {
  ASSERT_TRUE(x.CreateDocument("universe", "urn:kz"));
  ASSERT_TRUE(x.CreateNode("o", Variant(int32_t{5}), "urn:kz"));
  EXPECT_EQ(x.GetNodeNamespace(), "urn:kz");  // inherited: no xmlns of its own
  EXPECT_TRUE(x.SetNodeAttr(Variant("t"), Variant(int32_t{1})));
  ASSERT_TRUE(x.up());
  ASSERT_TRUE(x.CreateNode("k:p", Variant(), "urn:other"));
  EXPECT_EQ(x.GetNodeNamespace(), "urn:other");
  ASSERT_TRUE(x.up());
  ASSERT_TRUE(x.CreateNode("plain", Variant(), ""));
  EXPECT_EQ(x.GetNodeNamespace(), "");
  std::string xml = x.GetXML();
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << xml;
  EXPECT_NE(xml.find("<universe xmlns=\"urn:kz\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<k:p xmlns:k=\"urn:other\" />"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<plain xmlns=\"\" />"), std::string::npos) << xml;

  for (int mode : {1, 2}) {
    std::string path = TempPath(mode == 1 ? "u.xml" : "u.pck");
    ASSERT_TRUE(x.SaveToFile(path, mode)) << x.GetLastError();
    clsXMLParser y;
    ASSERT_TRUE(y.OpenFile(path)) << y.GetLastError();
    EXPECT_EQ(y.GetNodeName(), "o");
    EXPECT_EQ(y.GetNodeValue(), "5");
    EXPECT_EQ(y.GetXML(), xml);
  }
  EXPECT_FALSE(x.SaveToFile(TempPath("bad.xml"), 7));
  EXPECT_FALSE(x.GetLastError().empty());
}

TEST_F(Cursor, SaveDeclaresUtf8WhateverTheSourceSaid) {
  std::string path = TempPath("latin.xml");
  std::ofstream(path, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><a n=\"\xE9\"/></r>";
  ASSERT_TRUE(x.OpenFile(path)) << x.GetLastError();
  EXPECT_EQ(x.GetNodeAttr(Variant("n")), "\xC3\xA9");
  ASSERT_TRUE(x.SaveToFile(path, 1));
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << bytes;
  EXPECT_EQ(bytes.find("ISO-8859-1"), std::string::npos);
  EXPECT_NE(bytes.find("n=\"\xC3\xA9\""), std::string::npos);
}

TEST_F(Cursor, FailedOpensStartAfresh) {
  Load("<r><a/></r>");
  x.AddBookmark();
  x.Push();
  EXPECT_FALSE(x.OpenFile(TempPath("missing.xml")));
  EXPECT_NE(x.GetLastError().find("missing.xml"), std::string::npos) << x.GetLastError();
  EXPECT_TRUE(x.HasDocument());
  EXPECT_FALSE(x.SelectRoot());  // a new empty document
  EXPECT_FALSE(x.SelectBookmark(1));
  EXPECT_EQ(x.StackDepth(), 0);
  EXPECT_EQ(x.AddBookmark(), 2);  // numbers are never given out twice

  std::string path = TempPath("broken.xml");
  ASSERT_EQ(Kz_EncodeXMLFile(path, "<r>\n  <a>\n  </b>\n</r>", 1), 1);
  EXPECT_FALSE(x.OpenFile(path));
  EXPECT_EQ(x.GetLastError().rfind("Error: ", 0), 0u);
  EXPECT_NE(x.GetLastError().find("Source:   </b> Line: 3"), std::string::npos) << x.GetLastError();
}

// An operation that succeeds leaves no error of an earlier one behind: a caller that
// adds the cursor's text to its own message must not repeat an old file's error.
TEST_F(Cursor, EachOperationStartsWithAClearError) {
  const std::string broken = TempPath("broken-then.xml");
  const std::string good = TempPath("good-after.xml");
  ASSERT_EQ(Kz_EncodeXMLFile(broken, "<r>\n  <a>\n  </b>\n</r>", 1), 1);
  ASSERT_EQ(Kz_EncodeXMLFile(good, "<other><a/></other>", 1), 1);
  const std::vector<std::pair<const char*, std::function<bool()>>> after = {
      {"OpenFile", [&] { return x.OpenFile(good); }},
      {"LoadText", [&] { return x.LoadText("<other/>"); }},
  };
  for (const auto& [name, op] : after) {
    ASSERT_FALSE(x.OpenFile(broken));
    ASSERT_FALSE(x.GetLastError().empty());
    EXPECT_TRUE(op()) << name;
    EXPECT_EQ(x.GetLastError(), "") << name;
    EXPECT_FALSE(x.SelectNode("//universe")) << name;
    EXPECT_EQ(x.GetLastError(), "") << name;
  }
  ASSERT_FALSE(x.MoveNode(77, 78, true));
  ASSERT_FALSE(x.GetLastError().empty());
  ASSERT_TRUE(x.SaveToFile(TempPath("saved-after.xml"), 1));
  EXPECT_EQ(x.GetLastError(), "");
}

TEST_F(Cursor, ANamedPipeIsRefusedWithoutWaitingOnIt) {
  const std::string pipe = TempPath("pipe.xml");
  std::filesystem::remove(pipe);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(x.OpenFile(pipe));  // no writer ever comes: a read would wait for ever
  EXPECT_NE(x.GetLastError().find("named pipe"), std::string::npos) << x.GetLastError();
  std::filesystem::remove(pipe);
}

TEST_F(Cursor, WhitespaceOnlyTextIsDroppedOtherTextKept) {
  Load("<r>\n  <a>  x  </a>\n  <b>   </b>\n</r>");
  EXPECT_EQ(x.GetNodeValue(), "  x  ");
  x.NextNode();
  EXPECT_EQ(x.GetNodeValue(), "");
  x.SelectRoot();
  EXPECT_EQ(x.GetNodeValue(), "");
}

}  // namespace

namespace {

TEST_F(Cursor, DeletingASubtreeKillsExactlyItsBookmarks) {
  Load("<r><a><b/><b2/></a><c/></r>");
  ASSERT_TRUE(x.SelectNode("/r/a"));
  int32_t a = x.AddBookmark();
  ASSERT_TRUE(x.Down());
  int32_t b = x.AddBookmark();
  int32_t b1 = x.AddBookmark();  // two bookmarks on one node
  ASSERT_TRUE(x.SelectNode("/r/c"));
  int32_t c = x.AddBookmark();
  ASSERT_TRUE(x.RemoveBookmark(b1));
  EXPECT_FALSE(x.RemoveBookmark(b1));
  // A moved node keeps its bookmark; deleting its new parent then takes it along.
  ASSERT_TRUE(x.MoveNode(c, a, true));
  ASSERT_TRUE(x.SelectBookmark(a));
  ASSERT_TRUE(x.DeleteNode("."));
  EXPECT_FALSE(x.SelectBookmark(a));
  EXPECT_FALSE(x.SelectBookmark(b));
  EXPECT_FALSE(x.SelectBookmark(c));
  EXPECT_TRUE(x.RemoveBookmark(b));  // a dead bookmark is still there to remove
  EXPECT_FALSE(x.SelectBookmark(0));
  EXPECT_FALSE(x.SelectBookmark(99));
  ASSERT_TRUE(x.SelectRoot());
  int32_t r = x.AddBookmark();
  EXPECT_GT(r, c);
  EXPECT_TRUE(x.SelectBookmark(r));
  EXPECT_EQ(x.GetXML().find("<a"), std::string::npos);
}

}  // namespace

namespace {

// Many bookmarks: deleting some subtrees, removing some bookmarks and adding new ones
// leaves every other bookmark selectable on its own node.
TEST_F(Cursor, ManyBookmarksStayExactThroughDeletes) {
  std::string xml = "<r>";
  for (int g = 0; g < 20; ++g) {
    xml += "<g n=\"" + std::to_string(g) + "\">";
    for (int i = 0; i < 100; ++i) xml += "<e n=\"" + std::to_string(g * 100 + i) + "\"/>";
    xml += "</g>";
  }
  Load(xml + "</r>");
  std::vector<int32_t> marks;  // element g*100+i at marks[g*100+i]
  ASSERT_TRUE(x.SelectNode("/r/g"));
  do {
    ASSERT_TRUE(x.Down());
    do marks.push_back(x.AddBookmark());
    while (x.NextNode());
    x.up();
  } while (x.NextNode());
  ASSERT_EQ(marks.size(), 2000u);
  for (int g = 0; g < 20; g += 3) {
    ASSERT_TRUE(x.SelectNode("/r/g[@n='" + std::to_string(g) + "']"));
    ASSERT_TRUE(x.DeleteNode("."));
  }
  for (size_t i = 1; i < marks.size(); i += 7) x.RemoveBookmark(marks[i]);
  ASSERT_TRUE(x.SelectNode("/r/g[@n='1']/e[@n='150']"));
  int32_t extra = x.AddBookmark();
  for (size_t i = 0; i < marks.size(); ++i) {
    const int g = static_cast<int>(i / 100);
    const bool alive = g % 3 != 0 && (i % 7) != 1;
    ASSERT_EQ(x.SelectBookmark(marks[i]), alive) << i;
    if (alive) EXPECT_EQ(x.GetNodeAttr(Variant("n")), std::to_string(i));
  }
  ASSERT_TRUE(x.SelectBookmark(extra));
  EXPECT_EQ(x.GetNodeAttr(Variant("n")), "150");
  ASSERT_TRUE(x.SelectNode("/r/g[@n='1']"));
  ASSERT_TRUE(x.DeleteNode("."));
  EXPECT_FALSE(x.SelectBookmark(extra));
}

}  // namespace

namespace {

// What a loaded document writes after one edit: the text it was read from, changed only
// where the edit was.
struct LayoutCase {
  const char* name;
  const char* source;
  std::function<void(clsXMLParser&)> edit;
  const char* expected;
};

TEST(CursorLayout, AnEditChangesTheTextOnlyWhereItWas) {
  const LayoutCase cases[] = {
      {"nothing", "\xEF\xBB\xBF<?xml version='1.0'?>\r\n<!-- c -->\r\n<r  a = 'x'\r\n   b=\"&lt;\">\r\n\t<e/>\r\n</r>\r\n",
       [](clsXMLParser&) {},
       "\xEF\xBB\xBF<?xml version='1.0'?>\r\n<!-- c -->\r\n<r  a = 'x'\r\n   b=\"&lt;\">\r\n\t<e/>\r\n</r>\r\n"},
      {"attribute set", "<r>\n  <e a='1'  b=\"2\" c='&amp;'/>\n  <f a='1'/>\n</r>",
       [](clsXMLParser& x) { x.SelectNode("/r/e"); x.SetNodeAttr(Variant("b"), Variant("3")); },
       "<r>\n  <e a='1'  b=\"3\" c='&amp;'/>\n  <f a='1'/>\n</r>"},
      {"attribute added in the element's quotes", "<r>\n  <e a='1' />\n</r>",
       [](clsXMLParser& x) { x.SelectNode("/r/e"); x.SetNodeAttr(Variant("n"), Variant("<\"'>")); },
       "<r>\n  <e a='1' n='&lt;\"&apos;&gt;' />\n</r>"},
      {"attribute deleted", "<r><e a=\"1\" b=\"2\" c=\"3\"></e></r>",
       [](clsXMLParser& x) { x.SelectNode("/r/e"); x.DeleteNodeAttr(Variant("b")); },
       "<r><e a=\"1\" c=\"3\"></e></r>"},
      {"value set", "<r>\r\n\t<e>old</e>\r\n\t<f/>\r\n</r>",
       [](clsXMLParser& x) { x.SelectNode("/r/e"); x.SetNodeValue(Variant("a&b")); },
       "<r>\r\n\t<e>a&amp;b</e>\r\n\t<f/>\r\n</r>"},
      {"node created after its siblings", "<r>\r\n  <a x='1'/>\r\n  <!-- k -->\r\n  <?p q?>\r\n</r>\r\n",
       [](clsXMLParser& x) { x.SelectRoot(); x.CreateNode("n"); x.SetNodeAttr(Variant("y"), Variant("2")); },
       "<r>\r\n  <a x='1'/>\r\n  <!-- k -->\r\n  <?p q?>\r\n  <n y='2'/>\r\n</r>\r\n"},
      {"node created in an empty element", "<r>\n\t<a/>\n</r>",
       [](clsXMLParser& x) { x.SelectNode("/r/a"); x.CreateNode("n"); x.CreateNode("m"); },
       "<r>\n\t<a>\n\t\t<n>\n\t\t\t<m/>\n\t\t</n>\n\t</a>\n</r>"},
      {"node inserted before another", "<r>\n <a/>\n <b/>\n</r>",
       [](clsXMLParser& x) {
         x.SelectNode("/r/b");
         int32_t b = x.AddBookmark();
         x.SelectRoot();
         x.InsertNodeBefore("n", b, Variant("t"));
       },
       "<r>\n <a/>\n <n>t</n>\n <b/>\n</r>"},
      {"node deleted with its line", "<r>\r\n\t<a/>\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n\t<d/>\r\n</r>",
       [](clsXMLParser& x) { x.DeleteNode("/r/b"); },
       "<r>\r\n\t<a/>\r\n\t<d/>\r\n</r>"},
      {"last node deleted", "<r>\n  <a/>\n  <b/>\n</r>\n", [](clsXMLParser& x) { x.DeleteNode("/r/b"); },
       "<r>\n  <a/>\n</r>\n"},
      {"node moved", "<r><a/><b/><c><d/></c></r>",
       [](clsXMLParser& x) {
         x.SelectNode("/r/a");
         int32_t a = x.AddBookmark();
         x.SelectNode("/r/c/d");
         x.MoveNode(a, x.AddBookmark(), false);
       },
       "<r><b/><c><a/><d/></c></r>"},
      {"text and cdata kept around an edit", "<r>t1<![CDATA[<x>]]><e a='1'/>t2 &amp; <!--c--></r>",
       [](clsXMLParser& x) { x.SelectNode("/r/e"); x.SetNodeAttr(Variant("a"), Variant("2")); },
       "<r>t1<![CDATA[<x>]]><e a='2'/>t2 &amp; <!--c--></r>"},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText(c.source)) << x.GetLastError();
    c.edit(x);
    EXPECT_EQ(x.GetXML(), c.expected);
    // What was written reads back.
    clsXMLParser y;
    EXPECT_TRUE(y.LoadText(x.GetXML())) << y.GetLastError();
  }
}

TEST(CursorLayout, AFileSavedUnchangedKeepsItsByteOrderMark) {
  const std::string bytes = "\xEF\xBB\xBF<r>\r\n  <a b='1'/>\r\n</r>";
  std::string path = TempPath("bom.xml");
  std::ofstream(path, std::ios::binary) << bytes;
  clsXMLParser x;
  ASSERT_TRUE(x.OpenFile(path)) << x.GetLastError();
  std::string out = TempPath("bom-saved.xml");
  ASSERT_TRUE(x.SaveToFile(out, 1)) << x.GetLastError();
  EXPECT_EQ(ReadBytes(out), bytes);
  ASSERT_TRUE(x.SelectNode("/r/a"));
  ASSERT_TRUE(x.SetNodeAttr(Variant("b"), Variant("2")));
  ASSERT_TRUE(x.SaveToFile(out, 1)) << x.GetLastError();
  EXPECT_EQ(ReadBytes(out), "\xEF\xBB\xBF<r>\r\n  <a b='2'/>\r\n</r>");
}

}  // namespace

namespace {

// The elements below the current one as names, attributes and values, one per line.
void Dump(clsXMLParser& x, std::string& out, int depth) {
  do {
    out.append(static_cast<size_t>(depth), ' ');
    out += x.GetNodeName();
    x.ForEachNodeAttr([&](const char* n, const char* v) { out += std::string(" ") + n + "=[" + v + "]"; });
    out += " {" + x.GetNodeValue() + "}\n";
    if (x.Down()) {
      Dump(x, out, depth + 1);
      x.up();
    }
  } while (x.NextNode());
}

std::string Dump(clsXMLParser& x) {
  std::string out;
  x.Push();
  if (x.SelectRoot()) Dump(x, out, 0);
  x.Pop();
  return out;
}

// Random edits of documents in several layouts: the text written reads back as the
// document it was written from.
TEST(CursorLayout, TheTextWrittenReadsBackAsTheDocument) {
  const char* sources[] = {
      "<?xml version=\"1.0\"?>\r\n<!-- top -->\r\n<r a=\"1\">\r\n\t<e n='x'/>\r\n\t<e n=\"y\" m=\"&amp;\">\r\n"
      "\t\t<f>text &lt; more</f>\r\n\t\t<![CDATA[<raw>]]>\r\n\t</e>\r\n\t<?pi here?>\r\n\t<g></g>\r\n</r>\r\n",
      "<r><a><b><c/></b></a><d  x = 'v' /><e>t<f/>u</e></r>",
      "<r>\n  <s t=\"1\">\n    <o t=\"2\" />\n    <o t=\"3\">\n      <o t=\"4\"/>\n    </o>\n  </s>\n  <s t=\"5\"/>\n</r>\n",
  };
  uint32_t seed = 12345;
  auto next = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (const char* source : sources) {
    for (int round = 0; round < 150; ++round) {
      clsXMLParser x;
      ASSERT_TRUE(x.LoadText(source));
      std::vector<int32_t> marks;
      x.SelectRoot();
      marks.push_back(x.AddBookmark());
      for (int step = 0; step < 12; ++step) {
        // Somewhere: a bookmark already made, or one step from it.
        x.SelectBookmark(marks[next(static_cast<uint32_t>(marks.size()))]);
        switch (next(4)) {
          case 0: x.Down(); break;
          case 1: x.NextNode(); break;
          case 2: x.up(); break;
          default: break;
        }
        const std::string tag = "v" + std::to_string(step);
        switch (next(9)) {
          case 0: x.SetNodeAttr(Variant("n"), Variant(tag + "<&\"'\t\n")); break;
          case 1: x.SetNodeAttr(Variant("new" + tag), Variant(tag)); break;
          case 2: x.DeleteNodeAttr(Variant(int32_t{1})); break;
          case 3: x.CreateNode("c" + tag, next(2) ? Variant(tag + " & text") : Variant()); break;
          case 4: x.SetNodeValue(Variant(tag + "]]>\r\n")); break;
          case 5:
            if (x.up()) x.DeleteNode("./*[1]");
            break;
          case 6: {
            int32_t here = x.AddBookmark();
            int32_t other = marks[next(static_cast<uint32_t>(marks.size()))];
            try {
              x.MoveNode(here, other, next(2) == 0);
            } catch (const kz::AppError&) {
            }
            break;
          }
          case 7: {
            int32_t here = x.AddBookmark();
            if (x.up()) x.InsertNodeBefore("i" + tag, here, Variant());
            break;
          }
          default: x.ClearNodeAttrs(); break;
        }
        marks.push_back(x.AddBookmark());
        // An element moved beside the root: the document is written in the cursor's own
        // layout, which is not under test here.
        x.SelectRoot();
        if (x.NextNode()) break;
        clsXMLParser y;
        ASSERT_TRUE(y.LoadText(x.GetXML())) << y.GetLastError() << "\n" << x.GetXML();
        ASSERT_EQ(Dump(y), Dump(x)) << source << "\n-> " << x.GetXML();
      }
    }
  }
}


// The levels of elements below the current element, counted no further than one past
// the limit: text, comments and instructions inside are no levels.
TEST(XMLParser, ElementDepthCountsElementLevelsOnly) {
  struct Case {
    const char* text;
    int32_t limit;
    int32_t depth;
  } cases[] = {
      {"<r/>", 5, 0},
      {"<r>text<!--c--><?p x?></r>", 5, 0},
      {"<r><a/><b/></r>", 5, 1},
      {"<r><a><b><c/></b></a><d/></r>", 5, 3},
      {"<r><d/><a><b><c/></b></a></r>", 5, 3},
      {"<r><a><b>text<!--c--></b></a></r>", 5, 2},
      {"<r><a><b><c><e/></c></b></a></r>", 2, 3},  // one past the limit, then no further
      {"<r><a><b><c><e/></c></b></a></r>", 4, 4},
  };
  for (const Case& c : cases) {
    clsXMLParser x;
    ASSERT_TRUE(x.LoadText(c.text)) << c.text;
    ASSERT_TRUE(x.SelectRoot());
    EXPECT_EQ(x.ElementDepth(c.limit), c.depth) << c.text;
  }
  // From an element inside, and without a current node.
  clsXMLParser x;
  ASSERT_TRUE(x.LoadText("<r><a><b><c/></b></a></r>"));
  ASSERT_TRUE(x.SelectNode("//b"));
  EXPECT_EQ(x.ElementDepth(5), 1);
  x.Unload();
  EXPECT_EQ(x.ElementDepth(5), 0);
}

}  // namespace
