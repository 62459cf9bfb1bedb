// Galaxy objects and properties: reading attributes, the typed getters, writing back,
// deleting from the document, copying; and the galaxy tables.
#include <gtest/gtest.h>

#include "MapFixture.h"
#include "core/Common.h"
#include "ErrorOf.h"
#include "galaxy/model/GalaxyObjectIndex.h"
#include "galaxy/model/GalaxyValues.h"

using galtest::MapTest;
using kz::Variant;
using kz::VariantKind;

namespace {

TEST(GalaxyTables, NamesCodesAndBounds) {
  using namespace mdlGalaxy;
  InitGalaxyTables();
  EXPECT_EQ(kz::LookupName(GalaxyTypeNames, 19, true), "Unknown value");
  EXPECT_EQ(kz::LookupName(GalaxyTypeNames, 30, true), "N/A");
  EXPECT_EQ(kz::LookupName(GalaxyTypeNames, 29, true), "Station wreck ?");
  EXPECT_EQ(kz::LookupName(GalaxySubObjectNames, 1, true), "Shieds");
  EXPECT_EQ(GateIdNames.LBound(), -1);
  EXPECT_EQ(GateIdNames.At(-1), "-1");
  EXPECT_EQ(GateIdNames.At(5), "3B");
  EXPECT_EQ(GalaxyAttrNames.UBound(), 21);
  EXPECT_EQ(GalaxyAttrCaptions.At(13), "Gate - target gate ID");
  EXPECT_EQ(GalaxyTypeFiles.At(0), "");
  EXPECT_EQ(GalaxyTypeFiles.At(21), "TNebula");
  EXPECT_EQ(GalaxyTypeFiles.At(28), "TDebris");
  EXPECT_EQ(GalaxyMainTypeCode(7), 1);
  EXPECT_EQ(GalaxyMainTypeCode(2), 17);
  EXPECT_EQ(GalaxyMainTypeCode(16), 6);
  EXPECT_EQ(GalaxyMainTypeCode(30), 0);
  EXPECT_EQ(AsteroidTypeNames.At(2), "Iridite");
  // Filling again gives the same tables, not longer ones.
  InitGalaxyTables();
  EXPECT_EQ(GalaxyTypeNames.UBound(), 29);
  EXPECT_EQ(GalaxyTypeNames.LBound(), 1);
}

TEST(GalaxyValues, OneGrammarForAttributeNumbers) {
  struct Case {
    const char* text;
    VariantKind kind;
    int32_t value;
  } cases[] = {
      {"1.5", VariantKind::Long, 2},     {"2.5", VariantKind::Long, 2},   {"3.5", VariantKind::Long, 4},
      {"-3", VariantKind::Long, -3},     {"1e3", VariantKind::Long, 1000}, {" 7 ", VariantKind::Long, 7},
      {"&HFF", VariantKind::Long, 255},  {"SS_X", VariantKind::String, 0}, {"", VariantKind::String, 0},
      {"inf", VariantKind::String, 0},   {"nan", VariantKind::String, 0},  {"1,5", VariantKind::String, 0},
      {"0x10", VariantKind::String, 0},  {"1e400", VariantKind::String, 0},
      {"2147483647", VariantKind::Long, 2147483647},
  };
  for (const Case& c : cases) {
    Variant v = mdlGalaxy::ReadAttributeValue(c.text);
    EXPECT_EQ(v.Kind(), c.kind) << c.text;
    if (c.kind == VariantKind::Long) EXPECT_EQ(v.AsLong(), c.value) << c.text;
    if (c.kind == VariantKind::String) EXPECT_EQ(v.AsString(), c.text);
  }
  for (const char* big : {"3000000000", "-2147483649", "1e10", "2147483647.5"}) {
    try {
      mdlGalaxy::ReadAttributeValue(big);
      ADD_FAILURE() << big << " was read";
    } catch (const kz::AppError& e) {
      EXPECT_EQ(e.Number, kz::kErrOverflow) << big;
    }
  }
  // List-index texts count as their numbers where the model tests a number.
  EXPECT_TRUE(mdlGalaxy::IsGalaxyNumber(Variant("7"), 7));
  EXPECT_TRUE(mdlGalaxy::IsGalaxyNumber(Variant("-1"), -1));
  EXPECT_TRUE(mdlGalaxy::IsGalaxyNumber(Variant(int16_t{7}), 7));
  EXPECT_FALSE(mdlGalaxy::IsGalaxyNumber(Variant("seven"), 7));
  EXPECT_FALSE(mdlGalaxy::IsGalaxyNumber(Variant(), 0));
}

TEST(GalaxyObject, PropertiesByPositionAndNameAreCaseSensitive) {
  clsGalaxyObject o;
  EXPECT_TRUE(o.Dirty);
  EXPECT_FALSE(o.Loaded);
  EXPECT_EQ(o.XMLBookmark, 0);
  o.Dirty = false;
  o.AddProperty("x", Variant(int32_t{1}));
  EXPECT_TRUE(o.Dirty);
  o.AddProperty("X", Variant("big"));
  o.AddProperty("y", Variant(int32_t{2}));
  o.AddProperty("x", Variant(int32_t{9}));  // replaced in place
  ASSERT_EQ(o.PropertyCount(), 3);
  EXPECT_EQ(o.Property(1)->Name, "x");
  EXPECT_EQ(o.Property(1)->Value, Variant(int32_t{9}));
  EXPECT_EQ(o.Property(std::string_view("X"))->Value, Variant("big"));
  EXPECT_EQ(o.Property(Variant(int32_t{3}))->Name, "y");
  EXPECT_EQ(o.Property(Variant("y"))->key(), "y");
  EXPECT_EQ(o.Property(0), nullptr);
  EXPECT_EQ(o.Property(4), nullptr);
  EXPECT_TRUE(o.NamedProperty("z").IsEmpty());
  // Enumerating the object lists its properties, not its children.
  o.Childs.Add(std::make_shared<clsGalaxyObject>(), "1k");
  std::string names;
  for (const PropertyPtr& p : o) names += p->Name;
  EXPECT_EQ(names, "xXy");
  o.Dirty = false;
  o.RemoveProperty("nothing");
  EXPECT_FALSE(o.Dirty);
  o.RemoveProperty("X");
  EXPECT_TRUE(o.Dirty);
  EXPECT_EQ(o.PropertyCount(), 2);
}

TEST(GalaxyObject, TypedGettersReadNumbersAndNumericTexts) {
  mdlGalaxy::InitGalaxyTables();
  clsGalaxyObject o;
  EXPECT_EQ(o.otype(), 0);
  EXPECT_TRUE(o.subtype().IsEmpty());
  o.AddProperty("t", Variant("7"));  // as the property dialog stores a list choice
  EXPECT_EQ(o.otype(), 7);
  o.AddProperty("x", Variant("far away"));
  EXPECT_EQ(o.x(), 0);
  o.AddProperty("y", Variant(12.5));
  EXPECT_EQ(o.y(), 12);
  o.SetZ(-4);
  EXPECT_EQ(o.z(), -4);
  o.SetSubtype(Variant("SS_X"));
  EXPECT_EQ(o.subtype(), Variant("SS_X"));
  EXPECT_EQ(o.ObjectTypeName(), "Ship");
  o.SetOtype(19);
  EXPECT_EQ(o.ObjectTypeName(), "Unknown value");
  o.SetOtype(30);
  EXPECT_EQ(o.ObjectTypeName(), "N/A");
  o.id = 12;
  EXPECT_EQ(o.key(), "12k");
}

TEST(GalaxyProperty, CloneAndCopyTo) {
  clsProperty p("color", Variant(int32_t{0xFF8000}));
  PropertyPtr c = p.Clone();
  EXPECT_EQ(c->Name, "color");
  EXPECT_EQ(c->Value, Variant(int32_t{0xFF8000}));
  c->Value = Variant(int32_t{1});
  EXPECT_EQ(p.Value, Variant(int32_t{0xFF8000}));
  clsProperty target("x", Variant());
  p.CopyTo(target);
  EXPECT_EQ(target.Name, "color");
  EXPECT_EQ(target.Value, p.Value);
}

TEST_F(MapTest, ReadingTypesValuesAndKeepingForeignAttributes) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector)) << doc->GetLastError();
  GalaxyObjectPtr ship = Child(sector, 4);
  EXPECT_EQ(ship->otype(), 7);
  EXPECT_EQ(ship->subtype(), Variant("SS_SH_A"));
  EXPECT_EQ(ship->NamedProperty("x").Kind(), VariantKind::Long);
  EXPECT_EQ(ship->NamedProperty("foo"), Variant("bar"));
  EXPECT_EQ(ship->NamedProperty("Foo"), Variant("baz"));
  EXPECT_FALSE(ship->Dirty);
  EXPECT_TRUE(ship->Loaded);
  EXPECT_EQ(ship->Parent(), sector);
  EXPECT_GT(ship->XMLBookmark, 0);
}

TEST_F(MapTest, ChangedObjectIsWrittenTypeFirstUnchangedOneUntouched) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr ship = Child(sector, 4);
  GalaxyObjectPtr background = Child(sector, 1);
  ship->AddProperty("x", Variant(int32_t{11}));
  ship->AddProperty("t", Variant(int32_t{7}));
  background->RemoveProperty("t");  // written with t 0
  background->RemoveProperty("s");  // and without s: an empty s would read as a subtype
  ASSERT_TRUE(doc->UpdateObjectXML(ship)) << doc->GetLastError();
  ASSERT_TRUE(doc->UpdateObjectXML(background)) << doc->GetLastError();
  std::string xml = doc->XML().GetXML();
  EXPECT_NE(xml.find("<o t=\"7\" s=\"SS_SH_A\" x=\"11\" y=\"20\" z=\"30\" foo=\"bar\" Foo=\"baz\" />"), std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<o t=\"0\" />"), std::string::npos) << xml;
  // Unchanged objects keep their attributes exactly, in their order.
  EXPECT_NE(xml.find("<o t=\"18\" s=\"1\" gid=\"1\" gx=\"5\" gy=\"2\" gtid=\"0\" />"), std::string::npos);
  EXPECT_NE(xml.find("<o t=\"1\" s=\"0\" x=\"5\" y=\"2\" r=\"1\" color=\"255\">"), std::string::npos);
}

TEST_F(MapTest, ToXmlFailsWithBookmarkTextsAndWritesEveryChild) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr orphan = doc->NewGalObject(nullptr);
  orphan->SetOtype(3);
  // No element and a parent without one.
  auto parentless = doc->NewGalObject(nullptr);
  orphan->SetParent(parentless);
  EXPECT_FALSE(orphan->ToXML(doc->XML()));
  EXPECT_EQ(orphan->GetLastError().rfind("Unable to select parent's bookmark: ", 0), 0u);
  GalaxyObjectPtr gone = doc->NewGalObject(sector);
  gone->XMLBookmark = 99999;
  EXPECT_FALSE(gone->ToXML(doc->XML()));
  EXPECT_EQ(gone->GetLastError().rfind("Unable to select my bookmark: ", 0), 0u);
  // A failing child makes the result False, and the children after it are still written.
  GalaxyObjectPtr later = doc->NewGalObject(sector);
  later->SetOtype(3);
  sector->Childs.Add(gone, gone->key());
  sector->Childs.Add(later, later->key());
  EXPECT_FALSE(sector->ToXML(doc->XML()));
  EXPECT_GT(later->XMLBookmark, 0);
}

TEST_F(MapTest, DeleteFromXmlForgetsTheElementAndFailsWithoutOne) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr loose = doc->NewGalObject(sector);
  EXPECT_FALSE(loose->DeleteFromXML(doc->XML()));
  EXPECT_EQ(loose->GetLastError(), "Unable to select object bookmark.");
  GalaxyObjectPtr dock = Child(sector, 3);
  GalaxyObjectPtr group = Child(dock, 1);
  dock->Dirty = false;
  ASSERT_TRUE(dock->DeleteFromXML(doc->XML())) << dock->GetLastError();
  EXPECT_EQ(dock->XMLBookmark, 0);
  EXPECT_TRUE(dock->Dirty);
  // Its subtree has no element any more either: written again, it comes back whole.
  EXPECT_EQ(group->XMLBookmark, 0);
  EXPECT_EQ(doc->XML().GetXML().find("t=\"5\""), std::string::npos);
  ASSERT_TRUE(doc->UpdateObjectXML(dock)) << doc->GetLastError();
  std::string xml = doc->XML().GetXML();
  EXPECT_NE(xml.find("<o t=\"5\" s=\"1\" x=\"1\" y=\"2\" z=\"3\" r=\"1\">"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<o t=\"11\" s=\"0\" n=\"40\" />"), std::string::npos) << xml;
}

TEST_F(MapTest, CopyIsDeepRegisteredAndUnplaced) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr dock = Child(sector, 3);
  int32_t before = doc->objects.Count();
  GalaxyObjectPtr copy = dock->Copy();
  EXPECT_NE(copy->id, dock->id);
  EXPECT_EQ(copy->Parent(), sector);
  EXPECT_FALSE(sector->Childs.Exists(copy->key()));
  EXPECT_EQ(copy->XMLBookmark, 0);
  EXPECT_TRUE(copy->Dirty);
  EXPECT_TRUE(copy->Loaded);
  EXPECT_EQ(doc->objects.Count(), before + 4);  // dock, two groups, one ware
  ASSERT_EQ(copy->Childs.Count(), 2);
  EXPECT_EQ(copy->Childs.Item(1)->Parent(), copy);
  EXPECT_EQ(copy->Childs.Item(1)->Childs.Count(), 1);
  EXPECT_EQ(copy->NamedProperty("z"), Variant(int32_t{3}));
  // Copying a sector whose children were not read copies only its gates.
  GalaxyObjectPtr other = Sector(2)->Copy();
  EXPECT_EQ(other->Childs.Count(), 1);
}

TEST(GalaxyObject, FreeStandingObjectCopiesWithoutDocument) {
  auto o = std::make_shared<clsGalaxyObject>();
  o->AddProperty("color", Variant(int32_t{0x102030}));
  GalaxyObjectPtr c = o->Copy();
  EXPECT_EQ(c->NamedProperty("color"), Variant(int32_t{0x102030}));
  EXPECT_EQ(c->Parent(), nullptr);
}

}  // namespace

namespace {

// A child list with no child yet, and one emptied again, answers as an empty collection
// does (the same errors), and one given children keeps them in order under their keys.
TEST(GalaxyObject, ChildListReadsAsACollectionBeforeAndAfterItsFirstChild) {
  auto parent = std::make_shared<clsGalaxyObject>();
  auto expectEmpty = [&](const char* when) {
    SCOPED_TRACE(when);
    const GalaxyChildList& list = parent->Childs;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.begin() == list.end());
    EXPECT_TRUE(parent->Childs.begin() == parent->Childs.end());
    EXPECT_FALSE(list.Exists("1k"));
    EXPECT_EQ(list.Find("1k"), nullptr);
    EXPECT_EQ(list.PositionOf("1k"), 0);
    EXPECT_EQ(kztest::ErrorOf([&] { list.Item(1); }), kz::kErrSubscript);
    EXPECT_EQ(kztest::ErrorOf([&] { list.Item("1k"); }), kz::kErrInvalidArgument);
    EXPECT_EQ(kztest::ErrorOf([&] { parent->Childs.Remove("1k"); }), kz::kErrInvalidArgument);
    EXPECT_EQ(kztest::ErrorOf([&] { parent->Childs.Remove(1); }), kz::kErrSubscript);
    EXPECT_EQ(parent->Height(), 1);
  };
  expectEmpty("never had a child");
  parent->Childs.AssignAll(0, [](size_t) { return std::pair<GalaxyObjectPtr, std::string_view>(nullptr, {}); });
  expectEmpty("assigned none");

  std::vector<GalaxyObjectPtr> made;
  for (int32_t id = 1; id <= 3; ++id) {
    made.push_back(std::make_shared<clsGalaxyObject>());
    made.back()->id = id;
    parent->Childs.Add(made.back(), made.back()->key());
  }
  EXPECT_EQ(parent->Childs.Count(), 3);
  EXPECT_EQ(parent->Childs.Item(2), made[1]);
  EXPECT_EQ(parent->Childs.Item("3K"), made[2]);  // keys without case, as in a collection
  EXPECT_EQ(parent->Childs.PositionOf("3k"), 3);
  EXPECT_EQ(kztest::ErrorOf([&] { parent->Childs.Add(made[0], "1k"); }), kz::kErrDuplicateKey);
  GalaxyChildList copy = parent->Childs;
  parent->Childs.Remove("2k");
  EXPECT_EQ(parent->Childs.Count(), 2);
  EXPECT_EQ(copy.Count(), 3);  // a copy is a list of its own
  std::vector<GalaxyObjectPtr> walked(copy.begin(), copy.end());
  EXPECT_EQ(walked, made);
  parent->Childs.Clear();
  expectEmpty("cleared");
}

// The children read from a map answer every question as the collection filed from them
// one by one does, before and after the list is changed.
TEST_F(MapTest, ChildListReadFromAMapAnswersAsTheCollectionOfItsChildren) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector)) << doc->GetLastError();
  GalaxyChildList& read = sector->Childs;
  kz::Collection<GalaxyObjectPtr> filed;
  for (const GalaxyObjectPtr& c : std::as_const(read)) filed.Add(c, c->key());
  ASSERT_EQ(read.Count(), 4);

  auto expectSame = [&](const char* when) {
    SCOPED_TRACE(when);
    const GalaxyChildList& list = read;
    ASSERT_EQ(list.Count(), filed.Count());
    for (int32_t pos = 1; pos <= filed.Count(); ++pos) {
      const GalaxyObjectPtr& c = filed.Item(pos);
      std::string upper = c->key();
      upper.back() = 'K';
      EXPECT_EQ(list.Item(pos), c);
      EXPECT_EQ(list.Item(c->key()), c);
      EXPECT_EQ(list.PositionOf(upper), pos);
      EXPECT_EQ(list.begin()[pos - 1], c);
      EXPECT_EQ(*(list.end() - (filed.Count() - pos + 1)), c);
    }
    EXPECT_EQ(list.end() - list.begin(), filed.Count());
    // Texts that are no child's key, though they name a child's number.
    const std::string first = std::to_string(filed.Item(1)->id);
    for (const std::string& key : {"0" + first + "k", first, first + "kk", std::string("k"), std::string(),
                                   std::string("99999999999k"), first + "x"}) {
      EXPECT_FALSE(list.Exists(key)) << key;
      EXPECT_EQ(list.PositionOf(key), 0) << key;
      EXPECT_EQ(kztest::ErrorOf([&] { list.Item(key); }), kz::kErrInvalidArgument) << key;
    }
    EXPECT_EQ(kztest::ErrorOf([&] { list.Item(0); }), kz::kErrSubscript);
    EXPECT_EQ(kztest::ErrorOf([&] { list.Item(filed.Count() + 1); }), kz::kErrSubscript);
  };
  expectSame("as read");
  GalaxyChildList copy = read;
  EXPECT_EQ(read.Key(2), filed.Key(2));  // the keys as texts: filed now
  expectSame("keys asked for");
  read.Remove(filed.Key(3));
  filed.Remove(3);
  expectSame("one removed");
  EXPECT_EQ(kztest::ErrorOf([&] { read.Add(filed.Item(1), filed.Key(1)); }), kz::kErrDuplicateKey);
  std::vector<GalaxyObjectPtr> walked(copy.begin(), copy.end());
  ASSERT_EQ(walked.size(), 4u);  // the copy was taken as read, and stays so
  EXPECT_EQ(copy.Item(walked[2]->key()), walked[2]);
  EXPECT_EQ(walked[3], filed.Item(3));
}

TEST(GalaxyObjectIndex, KeysOfEveryFormAndIteration) {
  GalaxyObjectIndex index;
  auto make = [] { return std::make_shared<clsGalaxyObject>(); };
  auto a = make(), b = make(), c = make(), d = make();
  EXPECT_TRUE(index.Add(a, "1k"));
  EXPECT_TRUE(index.Add(b, "5k"));
  EXPECT_TRUE(index.Add(c, "odd"));
  EXPECT_TRUE(index.Add(d, "2000000000k"));  // far beyond the ids handed out
  EXPECT_FALSE(index.Add(make(), "5k"));
  EXPECT_FALSE(index.Add(make(), "odd"));
  EXPECT_EQ(index.Count(), 4);
  EXPECT_EQ(index.Find("5k"), b);
  EXPECT_EQ(index.Find("05k"), nullptr);  // another key
  EXPECT_EQ(index.Find("2000000000k"), d);
  EXPECT_EQ(index.Find("3k"), nullptr);
  EXPECT_EQ(kztest::ErrorOf([&] { index.Item("3k"); }), kz::kErrInvalidArgument);
  EXPECT_TRUE(index.Remove("5k"));
  EXPECT_FALSE(index.Remove("5k"));
  EXPECT_TRUE(index.Remove("odd"));
  int n = 0;
  for (const GalaxyObjectIndex::Ptr& p : index) {
    EXPECT_TRUE(p == a || p == d);
    ++n;
  }
  EXPECT_EQ(n, 2);
  index.Clear();
  EXPECT_EQ(index.begin(), index.end());
}

}  // namespace

namespace {

TEST_F(MapTest, ChangedObjectIsRewrittenInOrderKeepingNamespaceDeclarations) {
  Load("<universe><o x=\"1\" t=\"1\" y=\"2\"><o xmlns:q=\"urn:q\" n=\"5\" t=\"7\" s=\"A\" /></o></universe>");
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  sector->Dirty = true;
  GalaxyObjectPtr ship = Child(sector, 1);
  ship->AddProperty("n", kz::Variant(int32_t{6}));
  std::string out = galtest::TempPath("order.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  std::string bytes = galtest::ReadBytes(out);
  EXPECT_NE(bytes.find("<o t=\"1\" x=\"1\" y=\"2\">"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("<o xmlns:q=\"urn:q\" t=\"7\" s=\"A\" n=\"6\" />"), std::string::npos) << bytes;
}

}  // namespace
