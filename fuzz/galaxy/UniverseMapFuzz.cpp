// Universe maps: any text opens or fails with a message. A map that opens has every
// sector loaded, then takes the edits the input's tail asks for (sectors added, moved,
// copied and removed through the universe map; objects added, moved, changed and
// deleted in the sectors), is saved, plain or packed, and opened again: the same
// sectors in the same order with the same names, and the same objects with the same
// attributes. The sector list holds the top-level elements and nothing else, after
// the open and after every step.
//
// Input: the map text, then (after a NUL byte) the edits, three bytes each.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../common/FileAndEdits.h"
#include "../common/FuzzFolder.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/UniverseEditor.h"
#include "platform/Ui.h"

namespace {

// A map file is at most what the fuzzer hands in; the edits are few.
constexpr size_t kMaxMapBytes = 64 * 1024;
constexpr size_t kMaxEdits = 16;

void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "universe map: %s\n%s\n", what, detail.c_str());
  std::fflush(stderr);
  abort();
}

// Answers Yes to every question and cancels every dialog, without a word.
class QuietUi : public platform::Ui {
 public:
  int32_t MsgBox(const std::string&, int32_t, const std::string&, void*) override { return platform::vbYes; }
  bool ShowOpen(const platform::FileDialogRequest&, platform::FileDialogResult&) override { return false; }
  bool ShowSave(const platform::FileDialogRequest&, platform::FileDialogResult&) override { return false; }
  std::string BrowseForFolder(const std::string&, const std::string&, void*) override { return {}; }
  bool ShowColor(int32_t, int32_t&, void*) override { return false; }
  bool InputBox(const std::string&, const std::string&, const std::string&, std::string&, void*) override {
    return false;
  }
};

// The input file and the saves, in a folder of the harness's own.
std::string WorkPath(const char* name) { return (fuzzfolder::Root() / name).string(); }

// The top-level elements of the document (the children of `universe`).
int32_t TopLevelElements(clsGalaxyParser& doc) {
  clsXMLParser& xml = doc.XML();
  xml.Push();
  int32_t n = 0;
  if (xml.SelectBookmark(doc.UniverseBookmark) && xml.Down()) {
    do ++n;
    while (xml.NextNode());
  }
  xml.Pop();
  return n;
}

// Every sector is an element of the top level, once, without a parent; every object
// of the trees is registered; no object is nested deeper than a map may be.
void CheckSectors(clsGalaxyParser& doc, const char* step) {
  const int32_t elements = TopLevelElements(doc);
  if (doc.Sectors.Count() != elements)
    Fail(step, "sectors: " + std::to_string(doc.Sectors.Count()) + ", top-level elements: " + std::to_string(elements));
  std::vector<const clsGalaxyObject*> seen;
  for (const GalaxyObjectPtr& s : doc.Sectors) {
    if (s->Parent()) Fail(step, "a sector has a parent: " + s->key());
    for (const clsGalaxyObject* o : seen)
      if (o == s.get()) Fail(step, "a sector is listed twice: " + s->key());
    if (seen.size() < 256) seen.push_back(s.get());
  }
  std::vector<std::pair<const clsGalaxyObject*, int32_t>> stack;
  for (const GalaxyObjectPtr& s : doc.Sectors) stack.emplace_back(s.get(), 1);
  while (!stack.empty()) {
    auto [o, depth] = stack.back();
    stack.pop_back();
    if (depth > clsGalaxyObject::kMaxDepth) Fail(step, "an object is nested " + std::to_string(depth) + " deep");
    if (doc.objects.Find(o->key()).get() != o) Fail(step, "an object of the trees is not registered: " + o->key());
    for (const GalaxyObjectPtr& c : o->Childs) {
      if (c->Parent().get() != o) Fail(step, "a child does not name its parent: " + c->key());
      stack.emplace_back(c.get(), depth + 1);
    }
  }
}

// What a save keeps of an object: its type, its subtype, every other attribute in
// order (namespace declarations place the element and are not the object's), and its
// children in order.
void Dump(const clsGalaxyObject& o, std::string& out, int32_t depth) {
  out.append(static_cast<size_t>(depth) * 2, ' ');
  out += "t=" + std::to_string(o.otype());
  if (auto s = o.Property(std::string_view("s"))) out += " s=\"" + kz::CStr(s->Value) + "\"";
  for (const PropertyPtr& p : o) {
    if (p->Name == "t" || p->Name == "s" || p->Name.empty()) continue;
    if (p->Name == "xmlns" || p->Name.rfind("xmlns:", 0) == 0) continue;
    out += " " + p->Name + "=\"" + kz::CStr(p->Value) + "\"";
  }
  out += "\n";
  for (const GalaxyObjectPtr& c : o.Childs) Dump(*c, out, depth + 1);
}

std::string DumpMap(clsGalaxyParser& doc) {
  std::string out;
  for (const GalaxyObjectPtr& s : doc.Sectors) {
    out += "sector " + doc.GetObjectID(s) + " \"" + doc.GetObjectName(s) + "\"\n";
    Dump(*s, out, 1);
  }
  return out;
}

// The lines around the first line where two dumps part.
std::string Difference(const std::string& expected, const std::string& actual) {
  auto lines = [](const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    return out;
  };
  const std::vector<std::string> a = lines(expected), b = lines(actual);
  size_t first = 0;
  while (first < a.size() && first < b.size() && a[first] == b[first]) ++first;
  const size_t from = first > 3 ? first - 3 : 0;
  std::string out = "from line " + std::to_string(from + 1) + ", expected:\n";
  for (size_t i = from; i < a.size() && i < first + 6; ++i) out += a[i] + "\n";
  out += "---- read back:\n";
  for (size_t i = from; i < b.size() && i < first + 6; ++i) out += b[i] + "\n";
  return out;
}

// Loads the rest of every sector; false (with the reason kept) when one is refused.
bool LoadAll(clsGalaxyParser& doc, const char* step) {
  std::vector<GalaxyObjectPtr> sectors(doc.Sectors.begin(), doc.Sectors.end());
  for (const GalaxyObjectPtr& s : sectors) {
    if (s->Loaded) continue;
    if (!doc.LoadSectorChildren(s)) {
      if (doc.GetLastError().empty()) Fail(step, "a sector load failed without a message");
      return false;
    }
    CheckSectors(doc, step);
  }
  return true;
}

// Every object of the trees in a fixed order (sectors first, then depth first).
std::vector<GalaxyObjectPtr> AllObjects(clsGalaxyParser& doc) {
  std::vector<GalaxyObjectPtr> out;
  for (const GalaxyObjectPtr& s : doc.Sectors) out.push_back(s);
  for (size_t i = 0; i < out.size(); ++i)
    for (const GalaxyObjectPtr& c : out[i]->Childs) out.push_back(c);
  return out;
}

// The edits of one input byte triple: what, which object or place, and where to.
using fuzzinput::Edit;

class Session {
 public:
  explicit Session(std::shared_ptr<clsGalaxyParser> doc) : doc_(std::move(doc)) {
    map_.NameOf = [this](const GalaxyObjectPtr& o) { return doc_->GetObjectName(o); };
    map_.SetMeasure([](std::string_view text) {
      return mdlUniverseMap::TextSize{static_cast<int32_t>(text.size()) * 6, 13};
    });
    map_.BoxSize = [] { return std::pair<double, double>(400, 300); };
    map_.ShowUniverse(doc_);
  }

  void Apply(const Edit& e) {
    const int64_t column = e.a % (mdlUniverseMap::kMaxColumn + 1), row = e.b % (mdlUniverseMap::kMaxRow + 1);
    switch (e.op % 8) {
      case 0:  // a new sector at a place of the grid
        MoveTo(column, row);
        map_.AddSector();
        break;
      case 1:  // the sector of a record removed (the question answered Yes)
        if (map_.Layout.Count() == 0) break;
        map_.Select(e.a % map_.Layout.Count(), false);
        map_.RemoveSector();
        break;
      case 2:  // a sector dragged to a place with Alt (its gates follow)
        if (map_.Layout.Count() == 0) break;
        map_.StartDrag(static_cast<int32_t>(e.a % map_.Layout.Count()));
        MoveTo(e.b % (mdlUniverseMap::kMaxColumn + 1), e.a / 16 % (mdlUniverseMap::kMaxRow + 1));
        map_.EndDrag();
        break;
      case 3:  // a sector copied and pasted at a place
        if (map_.Layout.Count() == 0) break;
        MoveTo(map_.Layout.Records[e.a % map_.Layout.Count()].X, map_.Layout.Records[e.a % map_.Layout.Count()].Y);
        map_.CopySector();
        MoveTo(e.b % (mdlUniverseMap::kMaxColumn + 1), e.a / 16 % (mdlUniverseMap::kMaxRow + 1));
        map_.PasteSector();
        break;
      case 4: AddObject(e); break;
      case 5: MoveObject(e); break;
      case 6: DeleteObject(e); break;
      default: ChangeObject(e); break;
    }
  }

 private:
  void MoveTo(int64_t column, int64_t row) {
    const double x = map_.Layout.PixelX(column) + map_.Layout.CellWidth / 2.0;
    const double y = map_.Layout.PixelY(row) + map_.Layout.CellHeight / 2.0;
    map_.MouseMove(x, y, false, false);
  }

  GalaxyObjectPtr Pick(uint8_t n) {
    std::vector<GalaxyObjectPtr> all = AllObjects(*doc_);
    return all.empty() ? nullptr : all[n % all.size()];
  }

  // As the galaxy editor adds an object: made under the parent, typed, registered,
  // written, then given its default properties and children.
  void AddObject(const Edit& e) {
    GalaxyObjectPtr parent = Pick(e.a);
    if (!parent || !parent->Loaded) return;
    GalaxyObjectPtr obj = doc_->NewGalObject(parent);
    obj->Loaded = true;
    // Any type: one of the sector type inside another object is an object like any other.
    obj->SetOtype(1 + e.b % 29);
    obj->SetSubtype(kz::Variant(static_cast<int32_t>(e.b / 29)));
    doc_->AddObject(obj);
    parent->Childs.Add(obj, obj->key());
    if (!doc_->UpdateObjectXML(obj)) {
      if (doc_->GetLastError().empty()) Fail("add", "an object was refused without a message");
      Discard(obj);
      return;
    }
    doc_->CreateDefaultObjects(obj);
    map_.ObjectAdded(obj);
  }

  void Discard(const GalaxyObjectPtr& obj) {
    if (obj->XMLBookmark > 0) {
      doc_->DeleteObject(obj);
      return;
    }
    if (GalaxyObjectPtr parent = obj->Parent())
      if (parent->Childs.Exists(obj->key())) parent->Childs.Remove(obj->key());
    std::vector<GalaxyObjectPtr> stack{obj};
    while (!stack.empty()) {
      GalaxyObjectPtr o = stack.back();
      stack.pop_back();
      if (doc_->objects.Find(o->key()) == o) doc_->objects.Remove(o->key());
      for (const GalaxyObjectPtr& c : o->Childs) stack.push_back(c);
    }
  }

  void MoveObject(const Edit& e) {
    GalaxyObjectPtr obj = Pick(e.a), target = Pick(e.b);
    if (!obj || !target) return;
    GalaxyObjectPtr before = obj->Parent();
    const int32_t beforeSectors = doc_->Sectors.Count();
    if (!doc_->MoveObject(obj, target, e.op & 8)) {
      if (doc_->GetLastError().empty()) Fail("move", "a move was refused without a message");
      if (obj->Parent() != before || doc_->Sectors.Count() != beforeSectors) Fail("move", "a refused move changed the map");
      return;
    }
    map_.ObjectModified(obj);
  }

  void DeleteObject(const Edit& e) {
    GalaxyObjectPtr obj = Pick(e.a);
    if (!obj || !obj->Parent()) return;  // sectors go through the map
    if (!doc_->DeleteObject(obj)) {
      if (doc_->GetLastError().empty()) Fail("delete", "a delete was refused without a message");
      return;
    }
    map_.ObjectRemoved(obj);
  }

  // A property set as the object page sets one: a number or a text, then written.
  void ChangeObject(const Edit& e) {
    GalaxyObjectPtr obj = Pick(e.a);
    if (!obj) return;
    static const char* const kNames[] = {"x", "y", "z", "r", "n", "gx", "gy", "pilot"};
    const char* name = kNames[e.b % 8];
    if (e.b & 8)
      obj->AddProperty(name, kz::Variant(std::string("v") + std::to_string(e.b) + " <&\"'>"));
    else
      obj->AddProperty(name, kz::Variant(static_cast<int32_t>(e.b) - 128));
    if (!doc_->UpdateObjectXML(obj)) Fail("change", "a changed object was not written: " + doc_->GetLastError());
    map_.ObjectModified(obj);
  }

  std::shared_ptr<clsGalaxyParser> doc_;
  clsUniverseEditor map_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mdlGalaxy::InitGalaxyTables();
  mdlKzConst::InitArrays();
  platform::Ui::SetInstance(std::make_shared<QuietUi>());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto [text, edits] = fuzzinput::SplitFileAndEdits(data, size, kMaxEdits);
  if (text.size() > kMaxMapBytes) return 0;

  const std::string source = WorkPath("map.xml");
  if (!fuzzfolder::Write(source, text)) Fail("cannot write the input file", source);
  auto doc = std::make_shared<clsGalaxyParser>();
  if (!doc->ParseFile(source)) {
    if (doc->GetLastError().empty() || doc->Good) Fail("a failed open says nothing or counts as good");
    return 0;
  }
  CheckSectors(*doc, "open");
  if (!LoadAll(*doc, "sector load")) return 0;

  {
    Session session(doc);
    for (const Edit& e : edits) {
      session.Apply(e);
      CheckSectors(*doc, "edit");
    }
  }
  const std::string expected = DumpMap(*doc);

  const bool packed = !edits.empty() && (edits.front().op & 0x80);
  const std::string saved = WorkPath(packed ? "saved.pck" : "saved.xml");
  if (!doc->SaveFile(saved, packed ? 2 : 1)) Fail("the map was not saved", doc->GetLastError());

  auto again = std::make_shared<clsGalaxyParser>();
  if (!again->ParseFile(saved)) Fail("the saved map does not open", again->GetLastError());
  CheckSectors(*again, "reopen");
  if (!LoadAll(*again, "reopened sector load")) Fail("a sector of the saved map does not load", again->GetLastError());
  const std::string reread = DumpMap(*again);
  if (reread != expected) Fail("the saved map reads back otherwise", Difference(expected, reread));
  return 0;
}
