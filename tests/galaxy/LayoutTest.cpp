// Saving a universe map keeps its layout: whatever line ends, indentation, quotes and
// empty-element form the file has, a save rewrites only what was changed. Also: only
// the root's children are sectors, and a map too deep to be saved is refused at open.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MapFixture.h"
#include "videdoded/videdoded.h"

using galtest::MapTest;
using kz::Variant;

namespace {

// How a map file is laid out.
struct Layout {
  const char* name;
  const char* nl;      // line end ("" puts the whole map on one line)
  const char* indent;  // one level
  const char* empty;   // the end of an empty element
  char quote;
  bool declaration;
  bool bom;
  bool comments;  // comments and processing instructions before and inside the root
  const char* declarationEnd = nullptr;  // the declaration's line end when not `nl`
};

void PrintTo(const Layout& l, std::ostream* os) { *os << l.name; }

const Layout kLayouts[] = {
    {"own", "\n", "\t", " />", '"', true, false, false, "\r\n"},
    {"crlf", "\r\n", "\t", "/>", '"', true, false, false},
    {"lf_spaces", "\n", "  ", " />", '"', true, false, false},
    {"crlf_spaces_single", "\r\n", "    ", "/>", '\'', true, false, false},
    {"tabs_single_no_declaration", "\n", "\t", " />", '\'', false, false, false},
    {"comments_and_pis", "\r\n", "  ", "/>", '"', true, false, true},
    {"bom", "\r\n", "\t", " />", '"', true, true, false},
    {"bom_no_declaration_comments", "\n", " ", "/>", '\'', false, true, true},
    {"one_line", "", "", "/>", '"', false, false, true},
};

// The map in a layout: two sectors, the first with a background, a gate and a ship.
struct LaidOutMap {
  std::string text;
  std::string shipLine;  // the ship's line with its indentation and line end
  std::string sectorEnd;  // the first sector's end tag with its indentation
};

LaidOutMap Build(const Layout& l) {
  auto q = [&](const std::string& v) { return l.quote + v + l.quote; };
  auto in = [&](int level) {
    std::string s;
    for (int i = 0; i < level; ++i) s += l.indent;
    return s;
  };
  const std::string nl = l.nl;
  LaidOutMap m;
  std::string& t = m.text;
  if (l.bom) t += "\xEF\xBB\xBF";
  if (l.declaration)
    t += "<?xml version=" + q("1.0") + " encoding=" + q("UTF-8") + "?>" + (l.declarationEnd ? l.declarationEnd : l.nl);
  if (l.comments) t += "<!-- made by hand -->" + nl;
  t += "<universe xmlns=" + q("KZUNIVERS.xsd") + ">" + nl;
  t += in(1) + "<o t=" + q("1") + " s=" + q("0") + " x=" + q("5") + " y=" + q("2") + ">" + nl;
  t += in(2) + "<o t=" + q("2") + " s=" + q("3") + l.empty + nl;
  if (l.comments) t += in(2) + "<!-- the gate east -->" + nl;
  t += in(2) + "<o t=" + q("18") + " s=" + q("0") + " gid=" + q("0") + " gx=" + q("6") + " gy=" + q("2") +
       " gtid=" + q("1") + l.empty + nl;
  m.shipLine = in(2) + "<o t=" + q("7") + " s=" + q("SS_SH_A") + " x=" + q("10") + " y=" + q("20") +
               " z=" + q("30") + " foo=" + q("a&amp;b") + l.empty + nl;
  t += m.shipLine;
  m.sectorEnd = in(1) + "</o>" + nl;
  t += m.sectorEnd;
  if (l.comments) t += in(1) + "<?kz note?>" + nl;
  t += in(1) + "<o t=" + q("1") + " s=" + q("0") + " x=" + q("6") + " y=" + q("2") + ">" + nl;
  t += in(2) + "<o t=" + q("18") + " s=" + q("1") + " gid=" + q("1") + " gx=" + q("5") + " gy=" + q("2") +
       " gtid=" + q("0") + l.empty + nl;
  t += in(1) + "</o>" + nl;
  t += "</universe>" + nl;
  return m;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  if (at != std::string::npos) text.replace(at, what.size(), with);
  return text;
}

struct LayoutSave : MapTest, ::testing::WithParamInterface<Layout> {
  LaidOutMap map = Build(GetParam());
  std::string path;

  void SetUp() override {
    path = Load(map.text, std::string("layout-") + GetParam().name + ".xml");
    ASSERT_EQ(doc->Sectors.Count(), 2);
    for (int32_t i = 1; i <= doc->Sectors.Count(); ++i)
      ASSERT_TRUE(doc->LoadSectorChildren(Sector(i))) << doc->GetLastError();
  }
  // The bytes of a plain save.
  std::string Saved(const char* name = "saved.xml") {
    std::string out = galtest::TempPath(std::string(GetParam().name) + "-" + name);
    EXPECT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
    return galtest::ReadBytes(out);
  }
  GalaxyObjectPtr Ship() { return Child(Sector(1), 3); }
};

TEST_P(LayoutSave, UnchangedMapIsSavedByteForByte) {
  EXPECT_EQ(Saved(), map.text);
  EXPECT_EQ(Saved("twice.xml"), map.text);
  // Packed: what it unpacks to loads and saves back to the same bytes.
  std::string packed = galtest::TempPath(std::string(GetParam().name) + "-saved.pck");
  ASSERT_TRUE(doc->SaveFile(packed, 2)) << doc->GetLastError();
  EXPECT_NE(galtest::ReadBytes(packed), map.text);
  std::string unpacked;
  ASSERT_EQ(Kz_DecodeXMLFile(packed, unpacked), 1);
  std::string plain;
  ASSERT_EQ(Kz_DecodeXMLFile(path, plain), 1);
  EXPECT_EQ(unpacked, plain);
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(packed)) << again->GetLastError();
  std::string out = galtest::TempPath(std::string(GetParam().name) + "-from-packed.xml");
  ASSERT_TRUE(again->SaveFile(out, 1));
  EXPECT_EQ(galtest::ReadBytes(out), map.text);
}

TEST_P(LayoutSave, OneEditedAttributeChangesOnlyThatValue) {
  const char q = GetParam().quote;
  Ship()->AddProperty("x", Variant(int32_t{11}));
  std::string x10 = std::string("x=") + q + "10" + q, x11 = std::string("x=") + q + "11" + q;
  EXPECT_EQ(Saved(), Replaced(map.text, x10, x11));
  // Through the document at once, as the object page writes it.
  Ship()->AddProperty("x", Variant(int32_t{12}));
  ASSERT_TRUE(doc->UpdateObjectXML(Ship())) << doc->GetLastError();
  std::string x12 = std::string("x=") + q + "12" + q;
  EXPECT_EQ(Saved("again.xml"), Replaced(map.text, x10, x12));
}

TEST_P(LayoutSave, AddedAttributeTakesTheElementsQuotes) {
  const char q = GetParam().quote;
  Sector(2)->AddProperty("m", Variant(int32_t{4}));
  std::string y2 = std::string("x=") + q + "6" + q + " y=" + q + "2" + q;
  EXPECT_EQ(Saved(), Replaced(map.text, y2, y2 + " m=" + q + "4" + q));
}

TEST_P(LayoutSave, AddedObjectTakesTheIndentationOfItsSiblings) {
  const Layout& l = GetParam();
  GalaxyObjectPtr sector = Sector(1);
  GalaxyObjectPtr ship = doc->NewGalObject(sector);
  ship->SetOtype(7);
  ship->SetSubtype(Variant("SS_SH_B"));
  ASSERT_TRUE(doc->AddObject(ship));
  sector->Childs.Add(ship, ship->key());
  ASSERT_TRUE(doc->UpdateObjectXML(ship)) << doc->GetLastError();
  ASSERT_TRUE(doc->CreateDefaultObjects(ship));
  auto q = [&](const char* v) { return l.quote + std::string(v) + l.quote; };
  std::string indent2 = std::string(l.indent) + l.indent;
  std::string added = indent2 + "<o t=" + q("7") + " s=" + q("SS_SH_B") + " r=" + q("1") + " x=" + q("0") +
                      " y=" + q("0") + " z=" + q("0") + l.empty + l.nl;
  EXPECT_EQ(Saved(), Replaced(map.text, map.shipLine + map.sectorEnd, map.shipLine + added + map.sectorEnd));
  // The added object loads back where it was put.
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(galtest::TempPath(std::string(l.name) + "-saved.xml")));
  ASSERT_TRUE(again->LoadSectorChildren(again->Sectors.Item(1)));
  EXPECT_EQ(again->Sectors.Item(1)->Childs.Item(4)->subtype(), Variant("SS_SH_B"));
}

TEST_P(LayoutSave, DeletedObjectTakesItsLineWithIt) {
  ASSERT_TRUE(doc->DeleteObject(Ship())) << doc->GetLastError();
  EXPECT_EQ(Saved(), Replaced(map.text, map.shipLine, ""));
}

TEST_P(LayoutSave, DeletedAndAddedSectorsKeepTheRestAsItWas) {
  const Layout& l = GetParam();
  // The second sector goes with its line; a new one lands after the first, indented as it.
  ASSERT_TRUE(doc->DeleteObject(Sector(2)));
  GalaxyObjectPtr s = doc->NewGalObject(nullptr);
  s->SetOtype(1);
  ASSERT_TRUE(doc->AddObject(s));
  ASSERT_TRUE(doc->UpdateObjectXML(s));
  std::string bytes = Saved();
  EXPECT_EQ(bytes.rfind(map.text.substr(0, map.text.find(map.sectorEnd) + map.sectorEnd.size()), 0), 0u) << bytes;
  std::string tail = std::string(l.indent) + "<o t=" + l.quote + "1" + l.quote + l.empty + l.nl + "</universe>" + l.nl;
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail) << bytes;
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(galtest::TempPath(std::string(l.name) + "-saved.xml")));
  EXPECT_EQ(again->Sectors.Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutSave, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

// An object of type 1 below a gate is no sector: loading the sector again does not add
// it to the sector list, and a save writes it once, where it stands.
TEST_F(MapTest, NestedObjectOfTypeOneIsNoSector) {
  const std::string text =
      "<universe>\n"
      "\t<o t=\"1\" x=\"0\" y=\"0\">\n"
      "\t\t<o t=\"18\" s=\"0\" gx=\"1\" gy=\"0\">\n"
      "\t\t\t<o t=\"1\" s=\"9\" />\n"
      "\t\t</o>\n"
      "\t\t<o t=\"5\" s=\"1\">\n"
      "\t\t\t<o t=\"1\" s=\"8\" />\n"
      "\t\t</o>\n"
      "\t</o>\n"
      "\t<o t=\"1\" x=\"1\" y=\"0\" />\n"
      "</universe>\n";
  std::string path = Load(text);
  EXPECT_EQ(doc->Sectors.Count(), 2);
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(doc->LoadSectorChildren(Sector(1))) << doc->GetLastError();
    EXPECT_EQ(doc->Sectors.Count(), 2) << round;
  }
  std::string out = galtest::TempPath("nested-one.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  EXPECT_EQ(galtest::ReadBytes(out), text);
  // A change of the nested object is written in its place, once.
  GalaxyObjectPtr inner = Child(Child(Sector(1), 1), 1);
  ASSERT_EQ(inner->otype(), 1);
  inner->AddProperty("s", Variant(int32_t{7}));
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  EXPECT_EQ(galtest::ReadBytes(out), Replaced(text, "s=\"9\"", "s=\"7\""));
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(out));
  EXPECT_EQ(again->Sectors.Count(), 2);
  // It moves like any object: into the dock, beside the one there.
  GalaxyObjectPtr dock = Child(Sector(1), 2);
  ASSERT_EQ(dock->otype(), 5);
  ASSERT_TRUE(doc->MoveObject(inner, dock, true)) << doc->GetLastError();
  EXPECT_EQ(inner->Parent(), dock);
  EXPECT_EQ(doc->Sectors.Count(), 2);
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  ASSERT_TRUE(again->ParseFile(out));
  ASSERT_EQ(again->Sectors.Count(), 2);
  ASSERT_TRUE(again->LoadSectorChildren(again->Sectors.Item(1)));
  EXPECT_EQ(Child(again->Sectors.Item(1), 1)->Childs.Count(), 0);
  EXPECT_EQ(Child(again->Sectors.Item(1), 2)->Childs.Count(), 2);
}

// Whatever stands at the root is listed as a sector, also the copy of one that is not
// of the sector type, pasted as the universe map pastes a sector.
TEST_F(MapTest, EveryObjectAtTheRootIsListedAsASector) {
  Load("<universe><o t=\"2\" s=\"0\"/><o t=\"1\" x=\"1\" y=\"0\"/></universe>");
  ASSERT_EQ(doc->Sectors.Count(), 2);
  GalaxyObjectPtr copy = Sector(1)->Copy();
  ASSERT_TRUE(doc->AddObject(copy));
  ASSERT_TRUE(doc->UpdateObjectXML(copy)) << doc->GetLastError();
  EXPECT_EQ(doc->Sectors.Count(), 3);
  std::string out = galtest::TempPath("root-copy.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  EXPECT_EQ(galtest::ReadBytes(out),
            "<universe><o t=\"2\" s=\"0\"/><o t=\"1\" x=\"1\" y=\"0\"/><o t=\"2\" s=\"0\"/></universe>");
}

// A chain of non-gate objects `levels` deep below one sector (the sector is level 1).
std::string DeepBelowSector(int levels) {
  std::string open, close;
  for (int i = 0; i < levels - 1; ++i) {
    open += "<o t=\"23\">";
    close += "</o>";
  }
  return "<universe><o t=\"1\">" + open + close + "</o></universe>";
}

TEST_F(MapTest, MapDeeperThanASectorLoadAcceptsIsRefusedAtOpen) {
  std::string path = galtest::TempPath("deep-below.xml");
  galtest::WriteBytes(path, DeepBelowSector(clsGalaxyObject::kMaxDepth));
  ASSERT_TRUE(doc->ParseFile(path)) << doc->GetLastError();
  ASSERT_TRUE(doc->LoadSectorChildren(Sector(1))) << doc->GetLastError();
  std::string out = galtest::TempPath("deep-below-saved.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  EXPECT_EQ(galtest::ReadBytes(out), DeepBelowSector(clsGalaxyObject::kMaxDepth));

  for (int levels : {clsGalaxyObject::kMaxDepth + 1, 40000, 200000}) {
    SCOPED_TRACE(levels);
    galtest::WriteBytes(path, DeepBelowSector(levels));
    EXPECT_FALSE(doc->ParseFile(path));
    EXPECT_EQ(doc->GetLastError(), "Failed to load object: Objects are nested deeper than 64 levels.");
    EXPECT_FALSE(doc->Good);
    EXPECT_EQ(doc->Sectors.Count(), 0);
  }
}

}  // namespace
