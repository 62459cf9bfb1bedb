#include "galaxy/model/GalaxyParser.h"

#include "core/AppError.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"

using kz::Variant;
using namespace mdlGalaxy;

namespace {

bool IsSector(const GalaxyObjectPtr& o) { return o && o->otype() == kGalSector; }

// A sector stands at the top: an object of the sector type inside another is none.
bool IsTopSector(const GalaxyObjectPtr& o) { return IsSector(o) && !o->Parent(); }

// True when `node` is `root` or lies below it.
bool IsInSubtree(const GalaxyObjectPtr& root, GalaxyObjectPtr node) {
  for (int guard = 0; node && guard < 100000; node = node->Parent(), ++guard)
    if (node == root) return true;
  return false;
}

}  // namespace

clsGalaxyParser::clsGalaxyParser() = default;

clsGalaxyParser::~clsGalaxyParser() { DetachAll(); }

void clsGalaxyParser::DetachObjects(GalaxyChildList& coll) {
  for (const GalaxyObjectPtr& o : coll) {
    o->SetParent(nullptr);
    DetachObjects(o->Childs);
  }
}

void clsGalaxyParser::DetachAll() {
  // Every object of the trees is registered.
  for (const GalaxyObjectPtr& o : objects) o->SetParent(nullptr);
}

const std::shared_ptr<PropertyArena>& clsGalaxyParser::Arena() {
  if (!arena_) arena_ = std::make_shared<PropertyArena>();
  return arena_;
}

GalaxyObjectPtr clsGalaxyParser::NewGalObject(const GalaxyObjectPtr& parent) {
  auto o = std::make_shared<clsGalaxyObject>();
  o->id = ++ObjectCounter;
  o->SetParent(parent);
  o->parser = weak_from_this();
  return o;
}

GalaxyObjectPtr clsGalaxyParser::CreateGalObject(const GalaxyObjectPtr& parent) {
  GalaxyObjectPtr o = NewGalObject(parent);
  objects.Add(o, o->key());
  return o;
}

bool clsGalaxyParser::ParseFile(const std::string& path) {
  DetachAll();
  objects.Clear();
  Sectors.Clear();
  idIndexes_.clear();
  arena_.reset();
  ObjectCounter = 0;
  Good = false;
  FileName.clear();

  if (!xml_.OpenFile(path)) {
    lastError_ = "Error loading file: \r\n" + xml_.GetLastError();
    return false;
  }
  if (!xml_.SelectNode("//universe")) {
    lastError_ = "Cannot find tag 'universe' in file.\r\n" + xml_.GetLastError();
    return false;
  }
  UniverseBookmark = xml_.AddBookmark();
  // Only the gates are read now, the rest of a sector when it is opened: a map nested
  // deeper than a sector can be read is refused here, so that every map that opens can
  // be loaded and saved.
  if (xml_.ElementDepth(clsGalaxyObject::kMaxDepth) > clsGalaxyObject::kMaxDepth) {
    lastError_ = "Failed to load object: Objects are nested deeper than " +
                 std::to_string(clsGalaxyObject::kMaxDepth) + " levels.";
    return false;
  }
  try {
    Namespace = xml_.GetNodeNamespace();
  } catch (const kz::AppError&) {
    Namespace.clear();
  }
  if (xml_.Down()) {
    do {
      GalaxyObjectPtr sector = CreateGalObject(nullptr);
      sector->index = Sectors.Count();
      if (!sector->FromXML(*this, xml_, true)) {
        lastError_ = "Failed to load object: " + sector->GetLastError();
        return false;
      }
      Sectors.Add(sector, sector->key());
    } while (xml_.NextNode());
  }
  Good = true;
  FileName = path;
  return true;
}

GalaxyObjectPtr clsGalaxyParser::FindSector(int32_t x, int32_t y) const {
  for (const GalaxyObjectPtr& s : Sectors)
    if (s->x() == x && s->y() == y) return s;
  return nullptr;
}

void clsGalaxyParser::RemoveChildrenFromIndex(const GalaxyObjectPtr& obj) {
  for (const GalaxyObjectPtr& c : obj->Childs) {
    objects.Remove(c->key());
    RemoveChildrenFromIndex(c);
  }
}

void clsGalaxyParser::ForgetBookmarks(const GalaxyObjectPtr& obj) {
  // The element is read again for a new object: whoever still holds this one keeps the
  // properties it was read with.
  obj->TakeProperties();
  if (obj->XMLBookmark > 0) xml_.RemoveBookmark(obj->XMLBookmark);
  obj->XMLBookmark = 0;
  for (const GalaxyObjectPtr& c : obj->Childs) ForgetBookmarks(c);
}

bool clsGalaxyParser::LoadSectorChildren(const GalaxyObjectPtr& sector) {
  if (!sector) {
    lastError_ = "Cannot select bookmark of sector idx=0";
    return false;
  }
  try {
    if (!xml_.SelectBookmark(sector->XMLBookmark)) {
      lastError_ = "Cannot select bookmark of sector idx=" + std::to_string(sector->index);
      return false;
    }
    // What the sector and its gates hold that is not in the document yet goes there
    // first: reading the element again replaces them.
    if (!sector->ToXML(xml_)) {
      lastError_ = "Error loading children of sector idx=" + std::to_string(sector->index) + "\r\n" +
                   sector->GetLastError();
      return false;
    }
    for (const GalaxyObjectPtr& c : sector->Childs) {
      if (Sectors.Exists(c->key())) Sectors.Remove(c->key());
      objects.Remove(c->key());
      RemoveChildrenFromIndex(c);
      ForgetBookmarks(c);
    }
    DetachObjects(sector->Childs);
    sector->Childs.Clear();
    if (!xml_.SelectBookmark(sector->XMLBookmark) || !sector->FromXML(*this, xml_, false)) {
      lastError_ = "Error loading children of sector idx=" + std::to_string(sector->index) + "\r\n" +
                   sector->GetLastError();
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    lastError_ = std::string("Error handler in GalaxyParser->LoadSectorChildren: ") + e.what();
    return false;
  }
}

bool clsGalaxyParser::SaveFile(const std::string& path, int32_t mode) {
  try {
    // Objects are written only when one of them has changed or has no element yet.
    const bool pending = AnyObjectPending();
    if (pending) {
      for (const GalaxyObjectPtr& s : Sectors) {
        if (!s->ToXML(xml_)) {
          lastError_ = "Error saving object to xml:\r\n" + s->GetLastError();
          return false;
        }
      }
    }
    if (!xml_.SaveToFile(path, mode)) {
      lastError_ = "Error saving xml: \r\n" + xml_.GetLastError();
      return false;
    }
    FileName = path;
    if (pending) ClearDirtyFlags();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
}

namespace {

// Visits every object of the index until `visit` gives true (then true). The objects lie
// scattered over the heap: each is asked for some turns ahead of its visit, so that the
// cache misses overlap instead of following one another.
template <class Visit>
bool AnyObject(const GalaxyObjectIndex& objects, Visit visit) {
  constexpr int kAhead = 16;
  const auto end = objects.end();
  auto ahead = objects.begin();
  for (int k = 0; k < kAhead && ahead != end; ++k, ++ahead) __builtin_prefetch(&(*ahead)->Dirty);
  for (auto it = objects.begin(); it != end; ++it) {
    if (ahead != end) {
      __builtin_prefetch(&(*ahead)->Dirty);
      ++ahead;
    }
    if (visit(**it)) return true;
  }
  return false;
}

}  // namespace

bool clsGalaxyParser::AnyObjectPending() const {
  return AnyObject(objects, [](const clsGalaxyObject& o) { return o.Dirty || o.XMLBookmark <= 0; });
}

void clsGalaxyParser::ClearDirtyFlags() {
  AnyObject(objects, [](clsGalaxyObject& o) {
    if (o.Dirty) o.Dirty = false;
    return false;
  });
}

bool clsGalaxyParser::Register(const GalaxyObjectPtr& obj, const std::string& key) {
  try {
    // Whatever stands at the root is a sector there, and only that.
    if (!obj->Parent()) Sectors.Add(obj, key);
  } catch (const kz::AppError& e) {
    lastError_ = e.Description;
    return false;
  }
  objects.Add(obj, key);  // nothing when the key is there already
  return true;
}

bool clsGalaxyParser::AddObject(const GalaxyObjectPtr& obj) {
  if (!obj || !Register(obj, obj->key())) return false;
  for (const GalaxyObjectPtr& c : obj->Childs)
    if (!AddObject(c)) return false;
  return true;
}

bool clsGalaxyParser::DeleteObject(const GalaxyObjectPtr& object) {
  if (!object) return false;
  // Held here: the caller's reference may be the entry of a collection emptied below.
  const GalaxyObjectPtr obj = object;
  // The document first: when the element cannot go, nothing changes in memory.
  if (!obj->DeleteFromXML(xml_)) {
    lastError_ = obj->GetLastError();
    return false;
  }
  lastError_.clear();
  if (GalaxyObjectPtr parent = obj->Parent()) {
    if (parent->Childs.Exists(obj->key())) parent->Childs.Remove(obj->key());
    obj->SetParent(nullptr);
  }
  if (Sectors.Exists(obj->key())) Sectors.Remove(obj->key());
  objects.Remove(obj->key());
  RemoveChildrenFromIndex(obj);
  return true;
}

bool clsGalaxyParser::UpdateObjectXML(const GalaxyObjectPtr& obj) {
  if (!obj) return false;
  bool ok = false;
  try {
    ok = obj->ToXML(xml_);
  } catch (const std::exception& e) {
    obj->SetLastError(e.what());
  }
  lastError_ = obj->GetLastError();
  return ok;
}

bool clsGalaxyParser::MoveObject(const GalaxyObjectPtr& obj, const GalaxyObjectPtr& target, bool asChild) {
  try {
    if (!obj || !target) throw kz::AppError(91, "clsGalaxyParser");
    if (obj == target) {
      lastError_ = "Node and target are the same object.";
      return false;
    }
    GalaxyObjectPtr objParent = obj->Parent(), targetParent = target->Parent();
    bool objSector = IsTopSector(obj), targetSector = IsTopSector(target);
    if ((!targetParent && !targetSector) || (!objParent && !objSector)) {
      lastError_ = "Object does not have parent and it is not sector.";
      return false;
    }
    if (!objSector && targetSector && !asChild) {
      lastError_ = "Cannot add non-sector as siblink of sector.";
      return false;
    }
    if (objSector && (asChild || !targetSector)) {
      lastError_ = "Cannot insert sector as child.";
      return false;
    }
    // Into its own subtree (as a child of a descendant, or beside one): refused before
    // anything changes.
    if (IsInSubtree(obj, asChild ? target : targetParent)) {
      lastError_ = "Cannot move an object into its own subtree.";
      return false;
    }
    // A map is never made deeper than it could be read back.
    GalaxyObjectPtr into = asChild ? target : targetParent;
    if ((into ? into->Depth() : 0) + obj->Height() > clsGalaxyObject::kMaxDepth) {
      lastError_ = "Objects are nested deeper than " + std::to_string(clsGalaxyObject::kMaxDepth) + " levels.";
      return false;
    }
    // The document first; memory follows only when the element moved.
    if (!xml_.MoveNode(obj->XMLBookmark, target->XMLBookmark, asChild)) {
      lastError_ = xml_.GetLastError();
      return false;
    }
    if (objParent && objParent->Childs.Exists(obj->key())) objParent->Childs.Remove(obj->key());
    GalaxyObjectPtr newParent = asChild ? target : targetParent;
    obj->SetParent(newParent);
    if (!objSector) {
      // Beside a target it stands directly before it, as its element now does.
      if (asChild) {
        newParent->Childs.Add(obj, obj->key());
      } else {
        newParent->Childs.Add(obj, obj->key(), newParent->Childs.PositionOf(target->key()));
      }
    } else {
      Sectors.Remove(obj->key());
      Sectors.Add(obj, obj->key(), Sectors.PositionOf(target->key()));
    }
    return true;
  } catch (const std::exception& e) {
    lastError_ = std::string("clsGalaxyParser->MoveObject: ") + e.what();
    return false;
  }
}

void clsGalaxyParser::SetDefaultRace(const GalaxyObjectPtr& obj) {
  switch (obj->otype()) {
    case kGalSector:
    case kGalDock:
    case kGalFactory:
    case kGalGate: obj->AddProperty("r", Variant(int16_t{1})); break;
    case kGalShip:
      if (GalaxyObjectPtr parent = obj->Parent()) {
        bool product = parent->otype() == kGalSubObjects && IsGalaxyNumber(parent->subtype(), kGroupProduct);
        if (!product) obj->AddProperty("r", Variant(int16_t{1}));
      }
      break;
    default: break;
  }
}

void clsGalaxyParser::AddDefaultSubObject(const GalaxyObjectPtr& parent, int32_t t, int32_t s) {
  GalaxyObjectPtr child = CreateGalObject(parent);
  child->SetOtype(t);
  child->SetSubtype(Variant(s));
  // Made in memory: its (empty) child list is complete.
  child->Loaded = true;
  parent->Childs.Add(child, child->key());
  if (!UpdateObjectXML(child)) lastError_ = "Error while creating default objects:\r\n" + child->GetLastError();
}

bool clsGalaxyParser::CreateDefaultObjects(const GalaxyObjectPtr& obj) {
  if (!obj) return true;
  const Variant zero(int16_t{0});
  SetDefaultRace(obj);
  const int32_t t = obj->otype();
  if (GalaxyObjectPtr parent = obj->Parent()) {
    bool placed = IsSector(parent) ||
                  (parent->otype() == kGalSubObjects && IsGalaxyNumber(parent->subtype(), kGroupFlyingShips));
    if (placed) {
      obj->AddProperty("x", zero);
      obj->AddProperty("y", zero);
      obj->AddProperty("z", zero);
      if (t != kGalShip) {
        obj->AddProperty("a", zero);
        obj->AddProperty("b", zero);
        obj->AddProperty("g", zero);
      }
    }
  }
  switch (t) {
    case kGalSector:
      obj->AddProperty("x", zero);
      obj->AddProperty("y", zero);
      obj->AddProperty("color", zero);
      obj->AddProperty("ff", zero);
      obj->AddProperty("fc", zero);
      obj->AddProperty("fn", zero);
      AddDefaultSubObject(obj, kGalBackground, 0);
      break;
    case kGalDock:
      AddDefaultSubObject(obj, kGalSubObjects, kGroupSecondary);
      AddDefaultSubObject(obj, kGalSubObjects, kGroupDockedShips);
      break;
    case kGalFactory:
      AddDefaultSubObject(obj, kGalSubObjects, kGroupPrimary);
      AddDefaultSubObject(obj, kGalSubObjects, kGroupProduct);
      AddDefaultSubObject(obj, kGalSubObjects, kGroupDockedShips);
      break;
    case kGalAsteroid:
      obj->AddProperty("atype", zero);
      obj->AddProperty("aamount", zero);
      break;
    case kGalGate:
      obj->AddProperty("gid", zero);
      obj->AddProperty("gx", zero);
      obj->AddProperty("gy", zero);
      obj->AddProperty("gtid", zero);
      break;
    default: break;
  }
  return true;
}

bool clsGalaxyParser::NewFile() {
  DetachAll();
  objects.Clear();
  Sectors.Clear();
  idIndexes_.clear();
  ObjectCounter = 0;
  Good = true;
  xml_.CreateDocument("universe", kUniverseNamespace);
  UniverseBookmark = xml_.AddBookmark();
  // New elements are made in the root's namespace (else each would carry xmlns="").
  Namespace = kUniverseNamespace;
  return true;
}
