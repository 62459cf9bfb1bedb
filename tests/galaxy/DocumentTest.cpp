// The galaxy document: loading in two steps, saving, adding, deleting, moving and the
// defaults of new objects.
#include <gtest/gtest.h>

#include "MapFixture.h"
#include "videdoded/videdoded.h"

using galtest::MapTest;
using kz::Variant;

namespace {

std::string Nested(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) {
    open += "<o t=\"" + std::string(i == 0 ? "1" : "18") + "\">";
    close += "</o>";
  }
  return "<universe>" + open + close + "</universe>";
}

TEST_F(MapTest, ParseFileReadsSectorsWithTheirGatesOnly) {
  Load(galtest::kTwoSectors);
  EXPECT_TRUE(doc->Good);
  EXPECT_EQ(doc->Namespace, "KZUNIVERS.xsd");
  ASSERT_EQ(doc->Sectors.Count(), 2);
  GalaxyObjectPtr first = Sector(1), second = Sector(2);
  EXPECT_EQ(first->index, 0);
  EXPECT_EQ(second->index, 1);
  EXPECT_EQ(first->id, 1);
  EXPECT_FALSE(first->Loaded);
  ASSERT_EQ(first->Childs.Count(), 1);
  GalaxyObjectPtr gate = Child(first, 1);
  EXPECT_EQ(gate->otype(), 18);
  EXPECT_TRUE(gate->Loaded);
  EXPECT_EQ(gate->Childs.Count(), 1);  // a gate is read whole
  EXPECT_EQ(doc->objects.Count(), 5);  // two sectors, two gates, the gate's child
  EXPECT_EQ(doc->objects.Find(gate->key()), gate);
  EXPECT_EQ(doc->FindSector(6, 2), second);
  EXPECT_EQ(doc->FindSector(7, 2), nullptr);

  // Reading the rest makes the gates new objects with new keys.
  std::string oldKey = gate->key();
  ASSERT_TRUE(doc->LoadSectorChildren(first)) << doc->GetLastError();
  EXPECT_TRUE(first->Loaded);
  EXPECT_FALSE(first->Dirty);
  ASSERT_EQ(first->Childs.Count(), 4);
  EXPECT_NE(Child(first, 2)->key(), oldKey);
  EXPECT_FALSE(doc->objects.Exists(oldKey));
  EXPECT_EQ(gate->Parent(), nullptr);  // the dropped tree is detached
  EXPECT_EQ(doc->objects.Count(), 2 + 1 + 8);
}

TEST_F(MapTest, ParseFileFailures) {
  std::string path = galtest::TempPath("notauniverse.xml");
  galtest::WriteBytes(path, "<galaxy><o t=\"1\"/></galaxy>");
  EXPECT_FALSE(doc->ParseFile(path));
  EXPECT_EQ(doc->GetLastError().rfind("Cannot find tag 'universe' in file.\r\n", 0), 0u) << doc->GetLastError();
  EXPECT_FALSE(doc->Good);

  EXPECT_FALSE(doc->ParseFile(galtest::TempPath("missing.xml")));
  EXPECT_EQ(doc->GetLastError().rfind("Error loading file: \r\n", 0), 0u);
  EXPECT_EQ(doc->FileName, "");

  galtest::WriteBytes(path, "<universe><o t=\"1\"/><sector t=\"1\"/></universe>");
  EXPECT_FALSE(doc->ParseFile(path));
  EXPECT_EQ(doc->GetLastError(), "Failed to load object: Starting tag is not 'o'");
  EXPECT_EQ(doc->Sectors.Count(), 1);  // what was read stays

  // A number outside 32 bits fails the load with the overflow text.
  galtest::WriteBytes(path, "<universe><o t=\"1\" x=\"3000000000\"/></universe>");
  EXPECT_FALSE(doc->ParseFile(path));
  EXPECT_EQ(doc->GetLastError(), "Failed to load object: Overflow");
}

// A file that is well-formed but no map, opened after one with a broken tag: the
// message names what is wrong with this file only.
TEST_F(MapTest, AFailedOpenDoesNotRepeatAnEarlierFilesError) {
  const std::string broken = galtest::TempPath("brokentag.xml");
  galtest::WriteBytes(broken, "<universe>\n<o t=\"1\">\n</x>\n</universe>");
  ASSERT_FALSE(doc->ParseFile(broken));
  ASSERT_NE(doc->GetLastError().find("Line:"), std::string::npos) << doc->GetLastError();
  const std::string other = galtest::TempPath("notamap.xml");
  galtest::WriteBytes(other, "<types><a/></types>");
  EXPECT_FALSE(doc->ParseFile(other));
  EXPECT_EQ(doc->GetLastError(), "Cannot find tag 'universe' in file.\r\n");
}

TEST_F(MapTest, NestingBeyondTheLimitIsRefusedAtLoad) {
  std::string path = galtest::TempPath("deep.xml");
  galtest::WriteBytes(path, Nested(clsGalaxyObject::kMaxDepth));
  EXPECT_TRUE(doc->ParseFile(path)) << doc->GetLastError();
  galtest::WriteBytes(path, Nested(clsGalaxyObject::kMaxDepth + 1));
  EXPECT_FALSE(doc->ParseFile(path));
  EXPECT_EQ(doc->GetLastError(), "Failed to load object: Objects are nested deeper than 64 levels.");
  // A hostile depth fails the same way, without exhausting the stack.
  galtest::WriteBytes(path, Nested(20000));
  EXPECT_FALSE(doc->ParseFile(path));
}

TEST_F(MapTest, SaveWithoutChangesGivesTheSameBytesPlainAndPacked) {
  std::string path = Load(galtest::kTwoSectors);
  for (int32_t i = 1; i <= doc->Sectors.Count(); ++i) ASSERT_TRUE(doc->LoadSectorChildren(Sector(i)));
  std::string out = galtest::TempPath("saved.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1)) << doc->GetLastError();
  EXPECT_EQ(galtest::ReadBytes(out), galtest::ReadBytes(path));
  EXPECT_EQ(doc->FileName, out);

  std::string packed = galtest::TempPath("saved.pck");
  ASSERT_TRUE(doc->SaveFile(packed, 2));
  EXPECT_NE(galtest::ReadBytes(packed), galtest::ReadBytes(path));
  auto other = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(other->ParseFile(packed)) << other->GetLastError();
  std::string again = galtest::TempPath("again.xml");
  ASSERT_TRUE(other->SaveFile(again, 1));
  EXPECT_EQ(galtest::ReadBytes(again), galtest::ReadBytes(path));
}

TEST_F(MapTest, SaveWritesPendingChangesAndClearsDirty) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(2);
  sector->AddProperty("m", Variant(int32_t{4}));
  std::string out = galtest::TempPath("changed.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  EXPECT_FALSE(sector->Dirty);
  EXPECT_NE(galtest::ReadBytes(out).find("<o t=\"1\" s=\"0\" x=\"6\" y=\"2\" m=\"4\">"), std::string::npos);
  // A save that cannot be written keeps the document's state and says why.
  sector->AddProperty("m", Variant(int32_t{5}));
  EXPECT_FALSE(doc->SaveFile(galtest::TempPath("no/such/folder/x.xml"), 1));
  EXPECT_EQ(doc->GetLastError().rfind("Error saving xml: \r\n", 0), 0u);
  EXPECT_TRUE(sector->Dirty);
  EXPECT_EQ(doc->FileName, out);
}

TEST_F(MapTest, LoadingChildrenKeepsUnsavedChangesOfTheSector) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  sector->AddProperty("m", Variant(int32_t{9}));
  Child(sector, 1)->AddProperty("gid", Variant(int32_t{3}));
  ASSERT_TRUE(doc->LoadSectorChildren(sector)) << doc->GetLastError();
  EXPECT_EQ(sector->NamedProperty("m"), Variant(int32_t{9}));
  EXPECT_EQ(Child(sector, 2)->NamedProperty("gid"), Variant(int32_t{3}));
}

// Reading a sector that fails inside stops at the failing element: the cursor is left
// there, the error names it, and the children read before the failing branch stay.
TEST_F(MapTest, ReadingStopsAtTheElementThatFails) {
  struct Case {
    const char* inside;  // the dock's content
    const char* error;
  } cases[] = {
      {"<o t=\"23\" m=\"ok\"/><o t=\"23\" x=\"3000000000\" m=\"bad\"/><o t=\"23\"/>", "Overflow"},
      {"<o t=\"23\" m=\"ok\"><sector t=\"1\" m=\"bad\"/></o><o t=\"23\"/>", "Starting tag is not 'o'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inside);
    Load(std::string("<universe><o t=\"1\" m=\"sector\"><o t=\"2\"/><o t=\"5\">") + c.inside +
         "</o></o></universe>");
    GalaxyObjectPtr sector = Sector(1);
    EXPECT_FALSE(doc->LoadSectorChildren(sector));
    EXPECT_EQ(doc->GetLastError(), std::string("Error loading children of sector idx=0\r\n") + c.error);
    EXPECT_EQ(doc->XML().GetNodeAttr(Variant("m")), "bad");
    ASSERT_EQ(sector->Childs.Count(), 1);
    EXPECT_EQ(Child(sector, 1)->otype(), 2);
  }
}

TEST_F(MapTest, LoadSectorChildrenFailures) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr loose = doc->NewGalObject(nullptr);
  loose->index = 7;
  EXPECT_FALSE(doc->LoadSectorChildren(loose));
  EXPECT_EQ(doc->GetLastError(), "Cannot select bookmark of sector idx=7");
}

TEST_F(MapTest, AddingAnObjectInTheWindowsOrder) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(2);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr factory = doc->NewGalObject(sector);
  factory->SetOtype(6);
  factory->SetSubtype(Variant("SS_FACT"));
  ASSERT_TRUE(doc->AddObject(factory));
  sector->Childs.Add(factory, factory->key());
  ASSERT_TRUE(doc->UpdateObjectXML(factory)) << doc->GetLastError();
  ASSERT_TRUE(doc->CreateDefaultObjects(factory));
  ASSERT_EQ(factory->Childs.Count(), 3);
  int32_t groups[] = {6, 7, 5};
  for (int32_t i = 0; i < 3; ++i) {
    GalaxyObjectPtr g = factory->Childs.Item(i + 1);
    EXPECT_EQ(g->otype(), 23);
    EXPECT_EQ(g->subtype(), Variant(groups[i]));
    EXPECT_TRUE(g->Loaded);  // made in memory: no "not loaded" placeholder below it
    EXPECT_GT(g->XMLBookmark, 0);
    EXPECT_TRUE(doc->objects.Exists(g->key()));
  }
  std::string xml = doc->XML().GetXML();
  size_t at = xml.find("<o t=\"6\" s=\"SS_FACT\">");
  ASSERT_NE(at, std::string::npos) << xml;
  size_t g6 = xml.find("<o t=\"23\" s=\"6\" />", at), g7 = xml.find("<o t=\"23\" s=\"7\" />", at),
         g5 = xml.find("<o t=\"23\" s=\"5\" />", at);
  EXPECT_LT(g6, g7);
  EXPECT_LT(g7, g5);
  EXPECT_NE(g5, std::string::npos);
  // The defaults reach the file on save, r first, then the position and rotation.
  std::string out = galtest::TempPath("added.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  EXPECT_NE(galtest::ReadBytes(out).find("<o t=\"6\" s=\"SS_FACT\" r=\"1\" x=\"0\" y=\"0\" z=\"0\" a=\"0\" b=\"0\" g=\"0\">"),
            std::string::npos);
  // A sector added to the document lands in Sectors; adding it twice fails.
  GalaxyObjectPtr s = doc->NewGalObject(nullptr);
  s->SetOtype(1);
  EXPECT_TRUE(doc->AddObject(s));
  EXPECT_EQ(doc->Sectors.Item(3), s);
  EXPECT_FALSE(doc->AddObject(s));
}

struct DefaultsCase {
  int32_t t;
  const char* parentKind;  // "sector", "flying", "product", "group", "none"
  const char* names;       // the properties after CreateDefaultObjects, in order
  int32_t children;
};

TEST_F(MapTest, DefaultsOfEveryNewObjectType) {
  DefaultsCase cases[] = {
      {1, "none", "t,r,x,y,color,ff,fc,fn", 1},
      {2, "sector", "t,x,y,z,a,b,g", 0},
      {3, "sector", "t,x,y,z,a,b,g", 0},
      {5, "sector", "t,r,x,y,z,a,b,g", 2},
      {6, "sector", "t,r,x,y,z,a,b,g", 3},
      {7, "sector", "t,r,x,y,z", 0},
      {7, "flying", "t,r,x,y,z", 0},
      {7, "product", "t", 0},
      {7, "group", "t,r", 0},
      {7, "none", "t", 0},
      {11, "group", "t", 0},
      {11, "flying", "t,x,y,z,a,b,g", 0},
      {17, "sector", "t,x,y,z,a,b,g,atype,aamount", 0},
      {18, "sector", "t,r,x,y,z,a,b,g,gid,gx,gy,gtid", 0},
      {23, "sector", "t,x,y,z,a,b,g", 0},
  };
  doc->NewFile();
  GalaxyObjectPtr sector = doc->CreateGalObject(nullptr);
  sector->SetOtype(1);
  doc->AddObject(sector);
  ASSERT_TRUE(doc->UpdateObjectXML(sector));
  auto group = [&](int32_t s) {
    GalaxyObjectPtr g = doc->CreateGalObject(sector);
    g->SetOtype(23);
    g->SetSubtype(Variant(std::to_string(s)));  // as a list choice of the property dialog
    sector->Childs.Add(g, g->key());
    EXPECT_TRUE(doc->UpdateObjectXML(g));
    return g;
  };
  GalaxyObjectPtr flying = group(9), product = group(7), docked = group(5);
  for (const DefaultsCase& c : cases) {
    std::string kind = c.parentKind;
    GalaxyObjectPtr parent = kind == "sector"    ? sector
                             : kind == "flying"  ? flying
                             : kind == "product" ? product
                             : kind == "group"   ? docked
                                                 : nullptr;
    GalaxyObjectPtr o = doc->CreateGalObject(parent);
    o->SetOtype(c.t);
    if (parent) parent->Childs.Add(o, o->key());
    ASSERT_TRUE(doc->UpdateObjectXML(o)) << c.t << " " << kind << ": " << doc->GetLastError();
    ASSERT_TRUE(doc->CreateDefaultObjects(o));
    std::string names;
    for (const PropertyPtr& p : *o) names += (names.empty() ? "" : ",") + p->Name;
    EXPECT_EQ(names, c.names) << c.t << " under " << kind;
    EXPECT_EQ(o->Childs.Count(), c.children) << c.t;
    for (const PropertyPtr& p : *o)
      if (p->Name != "t") EXPECT_EQ(p->Value.Kind(), kz::VariantKind::Integer) << p->Name;
  }
  // A new sector's background child has subtype 0.
  GalaxyObjectPtr s = doc->CreateGalObject(nullptr);
  s->SetOtype(1);
  s->AddProperty("x", Variant(int32_t{4}));
  doc->AddObject(s);
  ASSERT_TRUE(doc->UpdateObjectXML(s));
  doc->CreateDefaultObjects(s);
  EXPECT_EQ(s->x(), 0);
  EXPECT_EQ(s->Childs.Item(1)->otype(), 2);
  EXPECT_EQ(s->Childs.Item(1)->subtype(), Variant(int32_t{0}));
}

TEST_F(MapTest, NewFileWritesObjectsInTheMapNamespace) {
  ASSERT_TRUE(doc->NewFile());
  EXPECT_TRUE(doc->Good);
  EXPECT_EQ(doc->Namespace, "KZUNIVERS.xsd");
  GalaxyObjectPtr s = doc->CreateGalObject(nullptr);
  s->SetOtype(1);
  doc->AddObject(s);
  ASSERT_TRUE(doc->UpdateObjectXML(s)) << doc->GetLastError();
  ASSERT_TRUE(doc->CreateDefaultObjects(s));
  std::string out = galtest::TempPath("new.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  std::string bytes = galtest::ReadBytes(out);
  EXPECT_EQ(bytes.find("xmlns=\"\""), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("<universe xmlns=\"KZUNIVERS.xsd\">"), std::string::npos) << bytes;
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(out));
  EXPECT_EQ(again->Sectors.Count(), 1);
}

TEST_F(MapTest, DeleteRemovesTheSubtreeFromTheIndex) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr dock = Child(sector, 3);
  GalaxyObjectPtr group = Child(dock, 1), ware = Child(group, 1);
  int32_t before = doc->objects.Count();
  ASSERT_TRUE(doc->DeleteObject(dock)) << doc->GetLastError();
  EXPECT_EQ(doc->objects.Count(), before - 4);
  EXPECT_FALSE(doc->objects.Exists(ware->key()));
  EXPECT_FALSE(sector->Childs.Exists(dock->key()));
  EXPECT_EQ(dock->Parent(), nullptr);
  EXPECT_EQ(dock->Childs.Count(), 2);  // the deleted subtree stays whole in memory
  EXPECT_EQ(doc->XML().GetXML().find("t=\"5\""), std::string::npos);
  // Deleting a sector takes it out of Sectors.
  GalaxyObjectPtr second = Sector(2);
  ASSERT_TRUE(doc->DeleteObject(second));
  EXPECT_EQ(doc->Sectors.Count(), 1);
}

TEST_F(MapTest, DeleteThatFailsInTheDocumentChangesNothing) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr fresh = doc->CreateGalObject(sector);
  sector->Childs.Add(fresh, fresh->key());
  int32_t count = doc->objects.Count();
  EXPECT_FALSE(doc->DeleteObject(fresh));  // it has no element yet
  EXPECT_EQ(doc->GetLastError(), "Unable to select object bookmark.");
  EXPECT_EQ(fresh->Parent(), sector);
  EXPECT_TRUE(sector->Childs.Exists(fresh->key()));
  EXPECT_EQ(doc->objects.Count(), count);
}

TEST_F(MapTest, MoveChecksInTheirOrder) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr first = Sector(1), second = Sector(2);
  ASSERT_TRUE(doc->LoadSectorChildren(first));
  GalaxyObjectPtr ship = Child(first, 4), dock = Child(first, 3);
  GalaxyObjectPtr loose = doc->CreateGalObject(nullptr);
  loose->SetOtype(7);
  struct Case {
    GalaxyObjectPtr obj, target;
    bool asChild;
    const char* error;
  } cases[] = {
      {ship, ship, true, "Node and target are the same object."},
      {first, first, false, "Node and target are the same object."},
      {ship, loose, true, "Object does not have parent and it is not sector."},
      {loose, dock, true, "Object does not have parent and it is not sector."},
      {ship, second, false, "Cannot add non-sector as siblink of sector."},
      {first, dock, true, "Cannot insert sector as child."},
      {first, second, true, "Cannot insert sector as child."},
      {first, dock, false, "Cannot insert sector as child."},
  };
  std::string xml = doc->XML().GetXML();
  for (const Case& c : cases) {
    EXPECT_FALSE(doc->MoveObject(c.obj, c.target, c.asChild));
    EXPECT_EQ(doc->GetLastError(), c.error);
  }
  EXPECT_EQ(doc->XML().GetXML(), xml);
}

TEST_F(MapTest, MoveIntoItsOwnSubtreeIsRefusedBeforeAnythingChanges) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr sector = Sector(1);
  ASSERT_TRUE(doc->LoadSectorChildren(sector));
  GalaxyObjectPtr dock = Child(sector, 3);
  GalaxyObjectPtr group = Child(dock, 1), ware = Child(group, 1);
  std::string xml = doc->XML().GetXML();
  EXPECT_FALSE(doc->MoveObject(dock, group, true));   // as a child of a descendant
  EXPECT_EQ(doc->GetLastError(), "Cannot move an object into its own subtree.");
  EXPECT_FALSE(doc->MoveObject(dock, ware, false));   // beside a descendant
  EXPECT_FALSE(doc->MoveObject(dock, ware, true));
  EXPECT_EQ(dock->Parent(), sector);
  EXPECT_TRUE(sector->Childs.Exists(dock->key()));
  EXPECT_EQ(doc->XML().GetXML(), xml);
  // An object without element cannot move: memory stays as it was.
  GalaxyObjectPtr fresh = doc->CreateGalObject(sector);
  fresh->SetOtype(7);
  sector->Childs.Add(fresh, fresh->key());
  EXPECT_FALSE(doc->MoveObject(fresh, group, true));
  EXPECT_EQ(doc->GetLastError(), "Invalid bookmark.");
  EXPECT_EQ(fresh->Parent(), sector);
  EXPECT_FALSE(group->Childs.Exists(fresh->key()));
}

TEST_F(MapTest, MovesInMemoryAndInTheDocument) {
  Load(galtest::kTwoSectors);
  GalaxyObjectPtr first = Sector(1), second = Sector(2);
  ASSERT_TRUE(doc->LoadSectorChildren(first));
  ASSERT_TRUE(doc->LoadSectorChildren(second));
  GalaxyObjectPtr ship = Child(first, 4), dock = Child(first, 3), background = Child(first, 1);
  GalaxyObjectPtr group = Child(dock, 2);
  // Into a group: the last child there.
  ASSERT_TRUE(doc->MoveObject(ship, group, true)) << doc->GetLastError();
  EXPECT_EQ(ship->Parent(), group);
  EXPECT_EQ(group->Childs.Item(group->Childs.Count()), ship);
  EXPECT_FALSE(first->Childs.Exists(ship->key()));
  // Beside an object of the other sector: directly before the target, in memory and in
  // the file alike.
  GalaxyObjectPtr gate2 = Child(second, 1);
  ASSERT_TRUE(doc->MoveObject(ship, gate2, false));
  EXPECT_EQ(ship->Parent(), second);
  ASSERT_EQ(second->Childs.Count(), 2);
  EXPECT_EQ(second->Childs.Item(1), ship);
  EXPECT_EQ(second->Childs.Item(2), gate2);
  std::string xml = doc->XML().GetXML();
  EXPECT_LT(xml.find("foo=\"bar\""), xml.find("gx=\"5\""));
  // A sector beside another: directly before it, in Sectors and in the file.
  ASSERT_TRUE(doc->MoveObject(second, first, false));
  EXPECT_EQ(Sector(1), second);
  EXPECT_EQ(Sector(2), first);
  xml = doc->XML().GetXML();
  EXPECT_LT(xml.find("x=\"6\" y=\"2\""), xml.find("x=\"5\" y=\"2\""));
  (void)background;
  // The file says the same after a save and a new load.
  std::string out = galtest::TempPath("moved.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  auto again = std::make_shared<clsGalaxyParser>();
  ASSERT_TRUE(again->ParseFile(out));
  EXPECT_EQ(again->Sectors.Item(1)->x(), 6);
  GalaxyObjectPtr reread = again->Sectors.Item(1);
  ASSERT_TRUE(again->LoadSectorChildren(reread));
  ASSERT_EQ(reread->Childs.Count(), 2);
  EXPECT_EQ(reread->Childs.Item(1)->otype(), ship->otype());
  EXPECT_EQ(reread->Childs.Item(2)->otype(), gate2->otype());
}

// In a map of many sectors the one changed object is found wherever it stands, and a
// map with nothing changed is written back as it was.
TEST_F(MapTest, SaveFindsTheOneChangedObjectAmongMany) {
  std::string map = "<universe>";
  for (int i = 0; i < 40; ++i) map += "<o t=\"1\" x=\"" + std::to_string(i) + "\" y=\"0\"/>";
  map += "</universe>";
  for (int changed : {0, 16, 17, 39}) {
    SCOPED_TRACE(changed);
    Load(map);
    ASSERT_EQ(doc->Sectors.Count(), 40);
    const std::string first = galtest::TempPath("many.xml");
    ASSERT_TRUE(doc->SaveFile(first, 1));
    const std::string again = galtest::TempPath("many-again.xml");
    ASSERT_TRUE(doc->SaveFile(again, 1));
    EXPECT_EQ(galtest::ReadBytes(again), galtest::ReadBytes(first));
    Sector(changed + 1)->AddProperty("m", Variant(int32_t{7}));
    ASSERT_TRUE(doc->SaveFile(again, 1));
    EXPECT_NE(galtest::ReadBytes(again).find("x=\"" + std::to_string(changed) + "\" y=\"0\" m=\"7\""),
              std::string::npos);
    EXPECT_FALSE(Sector(changed + 1)->Dirty);
  }
}

TEST_F(MapTest, SectorsAtTheSamePlaceAreKept) {
  Load("<universe><o t=\"1\" x=\"3\" y=\"3\" n=\"1\"/><o t=\"1\" x=\"3\" y=\"3\" n=\"2\"/>"
       "<o t=\"1\" x=\"40\" y=\"-2\"/></universe>");
  ASSERT_EQ(doc->Sectors.Count(), 3);
  EXPECT_EQ(doc->FindSector(3, 3)->NamedProperty("n"), Variant(int32_t{1}));
  EXPECT_EQ(doc->FindSector(40, -2), Sector(3));
}

}  // namespace

namespace {

// A chain of `levels` objects below a sector, each in the one before; the deepest one.
GalaxyObjectPtr Chain(clsGalaxyParser& doc, const GalaxyObjectPtr& sector, int levels) {
  GalaxyObjectPtr at = sector;
  for (int i = 0; i < levels; ++i) {
    GalaxyObjectPtr o = doc.CreateGalObject(at);
    o->SetOtype(23);
    at->Childs.Add(o, o->key());
    EXPECT_TRUE(doc.UpdateObjectXML(o)) << i << ": " << doc.GetLastError();
    at = o;
  }
  return at;
}

TEST_F(MapTest, NoMapIsMadeDeeperThanItCanBeReadBack) {
  doc->NewFile();
  GalaxyObjectPtr sector = doc->CreateGalObject(nullptr);
  sector->SetOtype(1);
  doc->AddObject(sector);
  ASSERT_TRUE(doc->UpdateObjectXML(sector));
  GalaxyObjectPtr deepest = Chain(*doc, sector, clsGalaxyObject::kMaxDepth - 1);
  EXPECT_EQ(deepest->Depth(), 64);
  // One more level cannot be written.
  GalaxyObjectPtr tooDeep = doc->CreateGalObject(deepest);
  deepest->Childs.Add(tooDeep, tooDeep->key());
  EXPECT_FALSE(doc->UpdateObjectXML(tooDeep));
  EXPECT_EQ(doc->GetLastError(), "Objects are nested deeper than 64 levels.");
  deepest->Childs.Remove(tooDeep->key());
  // Nor can a subtree be moved to where it would end deeper.
  GalaxyObjectPtr pair = Chain(*doc, sector, 2);
  std::string xml = doc->XML().GetXML();
  EXPECT_FALSE(doc->MoveObject(pair->Parent(), deepest->Parent(), true));
  EXPECT_EQ(doc->GetLastError(), "Objects are nested deeper than 64 levels.");
  EXPECT_EQ(doc->XML().GetXML(), xml);
  EXPECT_TRUE(doc->MoveObject(pair, deepest->Parent()->Parent(), true));
  // What was written loads again.
  std::string out = galtest::TempPath("deepest.xml");
  ASSERT_TRUE(doc->SaveFile(out, 1));
  auto again = std::make_shared<clsGalaxyParser>();
  EXPECT_TRUE(again->ParseFile(out)) << again->GetLastError();
  EXPECT_TRUE(again->LoadSectorChildren(again->Sectors.Item(1))) << again->GetLastError();
}

}  // namespace
