#include "typefiles/Ship.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/AppError.h"
#include "core/Common.h"
#include "core/KzConst.h"
#include "core/XMLParser.h"
#include "typefiles/ShipTables.h"

namespace {
constexpr const char* kSource = "clsShip";
constexpr const char* kCrLf = "\r\n";

[[noreturn]] void Raise(const std::string& description) {
  throw kz::AppError(kz::kErrShipIndex, kSource, description);
}

int32_t ToInt32(int64_t v) { return kz::round32(static_cast<double>(v)); }

// The table entry at a whole-number position; "N/A" outside the table.
std::string TableEntry(const kz::NameTable& table, const kz::Variant& value) {
  if (!kz::IsNumericValue(value)) return "N/A";
  const double d = kz::CDbl(value);
  if (d < -2147483648.0 || d > 2147483647.0) return "N/A";
  int64_t pos = kz::round32(d);
  return table.Contains(pos) ? table.At(pos) : std::string("N/A");
}

template <class P>
int32_t PositionOfObject(const kz::Collection<P>& c, const P& object) {
  if (!object) return 0;
  int32_t pos = 1;
  for (const auto& item : c) {
    if (item == object) return pos;
    ++pos;
  }
  return 0;
}

void AddNode(clsXMLParser& xml, const std::string& name, const kz::Variant& text = kz::Variant()) {
  if (!xml.CreateNode(name, text))
    throw kz::AppError(kz::kErrInvalidArgument, kSource, "Cannot create element " + name + ".");
}
}  // namespace

// What an operation restores when it fails part-way: the record's values and every
// object's place.
struct clsShip::Snapshot {
  clsTXTObject values;  // the record's values, with the texts numbers were read from
  bool dirty = false;
  kz::Collection<TurretPtr> turrets;
  kz::Collection<GunGroupPtr> groups;
  std::vector<int32_t> turretOffsets;
  struct Group {
    GunGroupPtr group;
    int32_t offset = 0;
    kz::Collection<GunPtr> guns;
    std::vector<int32_t> gunOffsets;
  };
  std::vector<Group> groupState;
};

clsShip::clsShip() : Object(std::make_shared<clsTXTObject>()) {}
clsShip::clsShip(TXTObjectPtr record) : Object(record ? std::move(record) : std::make_shared<clsTXTObject>()) {}
clsShip::~clsShip() = default;

std::string clsShip::key() const { return Object->key(); }
int32_t clsShip::size() const { return Object->size(); }

std::string clsShip::Race() const { return TableEntry(mdlKzConst::RaceNames, Value(45)); }
std::string clsShip::Class() const { return TableEntry(kz::ShipClassNames, Value(5)); }

int32_t clsShip::WholeValue(const kz::Variant& v) {
  if (v.IsString() && v.AsString().find_first_not_of(" \t") == std::string::npos) return 0;
  return kz::CLng(v);
}

int32_t clsShip::WholeAt(int32_t i) const {
  const kz::VariantKind kind = Object->KindAt(i);
  if (kind == kz::VariantKind::Long || kind == kz::VariantKind::Integer) return Object->LongAt(i);
  return WholeValue(Object->Value(i));
}

int32_t clsShip::TurretCount() const { return WholeAt(kTurretCountField); }
int32_t clsShip::GunCount() const { return WholeAt(kGunCountField); }
int32_t clsShip::GunSectionsCount() const { return WholeAt(GGCountOffset()); }
void clsShip::SetGunSectionsCount(int32_t v) { SetValue(GGCountOffset(), kz::Variant(v)); }
int32_t clsShip::GGCountOffset() const { return ToInt32(kFirstTurretEntry + 4 * int64_t(TurretCount())); }

int32_t clsShip::SumSectionSizes() const {
  int64_t sum = 0;
  for (const auto& g : GunGroups) sum += g->SectionSize();
  return ToInt32(sum);
}

int32_t clsShip::DynamicDataOffset() const {
  return ToInt32(int64_t(kFirstTurretEntry) + 1 + 4 * int64_t(TurretCount()) + SumSectionSizes());
}

kz::Variant clsShip::Value(int32_t i) const { return Object->Value(i); }
void clsShip::SetValue(int32_t i, kz::Variant v) { Object->SetValue(i, std::move(v)); }

void clsShip::Construct() { Object->Construct(kNewShipSize); }

// ---- Object bookkeeping --------------------------------------------------------------

void clsShip::Detach(const TurretPtr& t) noexcept {
  if (t) t->SetShip(nullptr);
}

void clsShip::Detach(const GunGroupPtr& g) noexcept {
  if (!g) return;
  g->SetShip(nullptr);
  for (auto& gun : g->Guns) gun->SetGroup(nullptr);
}

void clsShip::DetachAll() noexcept {
  for (auto& t : Turrets) Detach(t);
  for (auto& g : GunGroups) Detach(g);
}

clsShip::Snapshot clsShip::Take() const {
  Snapshot s;
  s.values = *Object;
  s.dirty = Object->Dirty;
  s.turrets = Turrets;
  s.groups = GunGroups;
  for (const auto& t : Turrets) s.turretOffsets.push_back(t->offset);
  for (const auto& g : GunGroups) {
    Snapshot::Group state{g, g->offset, g->Guns, {}};
    for (const auto& gun : g->Guns) state.gunOffsets.push_back(gun->offset);
    s.groupState.push_back(std::move(state));
  }
  return s;
}

void clsShip::Restore(Snapshot& s) noexcept {
  Object->TakeValues(s.values);
  Object->Dirty = s.dirty;
  Turrets = std::move(s.turrets);
  GunGroups = std::move(s.groups);
  size_t i = 0;
  for (auto& t : Turrets) t->offset = s.turretOffsets[i++];
  for (auto& state : s.groupState) {
    state.group->offset = state.offset;
    state.group->Guns = std::move(state.guns);
    size_t k = 0;
    for (auto& gun : state.group->Guns) {
      gun->offset = state.gunOffsets[k++];
      gun->SetGroup(state.group);
    }
  }
}

void clsShip::CheckObjects() const {
  static const char* kStale =
      "Ship data does not match its turret and gun objects (the counts were changed directly).";
  int32_t turrets = TurretCount();
  if (turrets != Turrets.Count()) Raise(kStale);
  if (GunSectionsCount() != GunGroups.Count()) Raise(kStale);
  std::vector<int32_t> offsets;
  for (const auto& t : Turrets) {
    if (t->ship().get() != this) Raise(kStale);
    offsets.push_back(t->offset);
  }
  std::sort(offsets.begin(), offsets.end());
  for (size_t k = 0; k < offsets.size(); ++k)
    if (offsets[k] != kFirstTurretEntry + 4 * int64_t(k)) Raise(kStale);

  std::vector<const clsGunGroup*> groups;
  for (const auto& g : GunGroups) {
    if (g->ship().get() != this) Raise(kStale);
    groups.push_back(g.get());
  }
  std::sort(groups.begin(), groups.end(), [](auto a, auto b) { return a->offset < b->offset; });
  int64_t p = kFirstTurretEntry + 1 + 4 * int64_t(turrets);
  for (const clsGunGroup* g : groups) {
    if (g->offset != p || g->GunCount() != g->Guns.Count()) Raise(kStale);
    int64_t at = p + 4;
    for (const auto& gun : g->Guns) {
      if (gun->offset != at || gun->gg().get() != g) Raise(kStale);
      at += 6;
    }
    p += g->SectionSize();
  }
  if (p + kTailSize != size()) Raise(kStale);
}

// ---- Loading -------------------------------------------------------------------------

bool clsShip::LoadObjects() {
  DetachAll();
  Turrets = {};
  GunGroups = {};
  try {
    auto self = weak_from_this().lock();
    if (!self) Raise("The ship object is not shared.");
    const int64_t n = size();
    const int32_t turrets = TurretCount();
    if (turrets < 0 || kFirstTurretEntry + 4 * int64_t(turrets) >= n)
      Raise("Turret count " + std::to_string(turrets) + " does not fit the ship data (" + std::to_string(n) +
            " values).");
    // Filed in ascending sort index; an object whose index is not below the last one's
    // goes to the end (the common case) without comparing it with every other.
    int32_t lastSort = 0;
    for (int32_t k = 0; k < turrets; ++k) {
      auto t = std::make_shared<clsTurret>(self, ++turretCounter_, kFirstTurretEntry + 4 * k);
      const int32_t sort = WholeAt(t->offset);
      if (k == 0 || sort >= lastSort) {
        Turrets.Add(t, t->key());
        lastSort = sort;
      } else {
        kz::CollAddSorted(Turrets, t, t->key());
      }
    }
    const int32_t groups = GunSectionsCount();
    if (groups < 0) Raise("Gun group count " + std::to_string(groups) + " is not valid.");
    int64_t p = kFirstTurretEntry + 1 + 4 * int64_t(turrets);
    // A damaged record whose groups claim more data than it holds still loads: the
    // groups and guns whose data lies inside the record are built, the rest is not, and
    // Validate reports what is missing (the objects then disagree with the counts, so
    // every edit of turrets and guns is refused).
    for (int32_t k = 0; k < groups; ++k) {
      if (p + 4 > n) break;
      auto g = std::make_shared<clsGunGroup>(self, ++groupCounter_, static_cast<int32_t>(p));
      const int64_t section = 4 + 6 * std::abs(int64_t(WholeAt(static_cast<int32_t>(p + 3))));
      g->CreateGuns();
      const int32_t sort = WholeAt(static_cast<int32_t>(p + 2));
      if (GunGroups.Empty() || sort >= lastSort) {
        GunGroups.Add(g, g->key());
        lastSort = sort;
      } else {
        kz::CollAddSorted(GunGroups, g, g->key());
      }
      if (p + section > n) break;
      p += section;
    }
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
}

int32_t clsShip::GetTurretIndex(const TurretPtr& turret) const {
  int32_t pos = PositionOfObject(Turrets, turret);
  if (pos == 0) Raise("Invalid turret passed.");
  return pos;
}

// ---- Turrets -------------------------------------------------------------------------

TurretPtr clsShip::MakeNewTurret() {
  const int32_t n = TurretCount();
  if (n >= kMaxTurretEntries) Raise("Maximum number of turrets reached.");
  CheckObjects();
  auto self = weak_from_this().lock();
  if (!self) Raise("The ship object is not shared.");
  // The new group's first laser follows the last group's lasers.
  int32_t firstLaser = 1;
  if (!GunGroups.Empty()) {
    const auto& last = GunGroups.Item(GunGroups.Count());
    firstLaser = ToInt32(int64_t(last->InitialLaserPos()) + last->PseudoGunCount());
  }
  Snapshot saved = Take();
  try {
    SetValue(kTurretCountField, kz::Variant(n + 1));
    const int32_t count = Turrets.Count();
    const int32_t pos = kFirstTurretEntry + 4 * count;
    Object->InsertSpaceToArray(pos, 4);
    auto turret = std::make_shared<clsTurret>(self, ++turretCounter_, pos);
    turret->SetValue(0, kz::Variant(count + 1));
    turret->SetValue(1, kz::Variant(count));
    kz::CollAddSorted(Turrets, turret, turret->key());
    for (auto& g : GunGroups) g->ShiftOffset(4);

    const int32_t gpos = ToInt32(int64_t(kFirstTurretEntry) + 1 + 4 * int64_t(TurretCount()) + SumSectionSizes());
    Object->InsertSpaceToArray(gpos, 4);
    auto group = std::make_shared<clsGunGroup>(self, ++groupCounter_, gpos);
    group->SetValue(2, count + 1);
    group->SetValue(3, 0);
    group->SetValue(1, 0);
    group->SetValue(0, firstLaser);
    kz::CollAddSorted(GunGroups, group, group->key());
    SetGunSectionsCount(GunSectionsCount() + 1);
    return turret;
  } catch (...) {
    Restore(saved);
    throw;
  }
}

bool clsShip::RemoveTurret(const TurretPtr& turretRef) {
  // A copy: the caller's reference may be the collection's own slot, which goes below.
  const TurretPtr turret = turretRef;
  try {
    const int32_t pos = PositionOfObject(Turrets, turret);
    if (pos == 0) Raise("Invalid turret passed.");
    if (pos != Turrets.Count()) Raise("Can only remove last turret.");
    CheckObjects();
    GunGroupPtr removedGroup;
    Snapshot saved = Take();
    try {
      const int32_t entryIndex = turret->index();
      // A turret index outside 2..7 has no descriptor in the record: nothing to clear.
      if (turret->HasDescriptor()) {
        turret->SetDescriptorValue(1, 0);
        turret->SetDescriptorValue(0, 0);
      }
      SetValue(kTurretCountField, kz::Variant(Turrets.Count() - 1));
      const int32_t at = turret->offset;
      Object->RemoveSpaceFromArray(at, 4);
      for (auto& t : Turrets)
        if (t->offset > at) t->offset -= 4;
      for (auto& g : GunGroups) g->ShiftOffset(-4);
      // The turret's own gun group goes with it: the group whose turret number is the
      // turret's (the last such group when there are several); none when it has none.
      int32_t groupPos = 0;
      for (int32_t i = 1; i <= GunGroups.Count(); ++i)
        if (GunGroups.Item(i)->SortIndex() == entryIndex) groupPos = i;
      if (groupPos != 0) {
        removedGroup = GunGroups.Item(groupPos);
        const int32_t from = removedGroup->offset;
        const int32_t section = removedGroup->SectionSize();
        Object->RemoveSpaceFromArray(from, section);
        for (auto& g : GunGroups)
          if (g->offset > from) g->ShiftOffset(-section);
        GunGroups.Remove(groupPos);
        SetGunSectionsCount(GunSectionsCount() - 1);
      }
      Turrets.Remove(pos);
      RefreshGunCount();
    } catch (...) {
      Restore(saved);
      throw;
    }
    Detach(turret);
    Detach(removedGroup);
    return true;
  } catch (const std::exception& e) {
    lastError_ = std::string("Error removing turret: ") + kCrLf + e.what();
    return false;
  }
}

// ---- Guns ----------------------------------------------------------------------------

void clsShip::MakeNewGun(const GunGroupPtr& groupRef, const GunPtr& gunRef) {
  const GunGroupPtr group = groupRef;
  const GunPtr gun = gunRef;
  if (PositionOfObject(GunGroups, group) == 0) Raise("Invalid gun group passed.");
  if (!gun || (gun->gg() && gun->gg() != group) || group->Guns.Exists(gun->key()))
    Raise("Invalid gun passed.");
  CheckObjects();
  Snapshot saved = Take();
  try {
    const int32_t n = group->Guns.Count();
    const int32_t pos = ToInt32(int64_t(group->offset) + 4 + 6 * int64_t(n));
    group->SetValue(3, ToInt32(int64_t(group->GunCount()) + 1));
    SetValue(kGunCountField, kz::Variant(ToInt32(int64_t(GunCount()) + 1)));
    Object->InsertSpaceToArray(pos, 6);
    const int32_t from = group->offset;
    for (auto& g : GunGroups)
      if (g->offset > from) g->ShiftOffset(6);
    gun->SetGroup(group);
    gun->offset = pos;
    group->Guns.Add(gun, gun->key());
  } catch (...) {
    Restore(saved);
    throw;
  }
}

void clsShip::RemoveGun(const GunGroupPtr& groupRef, const GunPtr& gunRef) {
  // Copies: the caller's references may be the collections' own slots.
  const GunGroupPtr group = groupRef;
  const GunPtr gun = gunRef;
  if (PositionOfObject(GunGroups, group) == 0) Raise("Invalid gun group passed.");
  const int32_t at = PositionOfObject(group->Guns, gun);
  if (at == 0) Raise("Invalid gun passed.");
  if (at != group->Guns.Count()) Raise("Can only remove last gun.");
  CheckObjects();
  Snapshot saved = Take();
  try {
    const int32_t pos = gun->offset;
    group->SetValue(3, ToInt32(int64_t(group->GunCount()) - 1));
    SetValue(kGunCountField, kz::Variant(ToInt32(int64_t(GunCount()) - 1)));
    Object->RemoveSpaceFromArray(pos, 6);
    const int32_t from = group->offset;
    for (auto& g : GunGroups)
      if (g->offset > from) g->ShiftOffset(-6);
    group->Guns.Remove(at);
  } catch (...) {
    Restore(saved);
    throw;
  }
  gun->SetGroup(nullptr);
}

// ---- Numbering -----------------------------------------------------------------------

void clsShip::RefreshGunCount() {
  int64_t p = GunGroups.Empty() ? 0 : GunGroups.Item(1)->InitialLaserPos();
  int64_t total = 0;
  for (auto& g : GunGroups) {
    const int32_t pseudo = g->PseudoGunCount();
    total += pseudo;
    g->SetValue(0, ToInt32(p));
    p += pseudo;
  }
  SetValue(kGunCountField, kz::Variant(ToInt32(total)));
}

void clsShip::ReindexGuns() {
  for (auto& g : GunGroups) {
    int64_t n = g->InitialLaserPos();
    for (auto& gun : g->Guns) gun->SetValue(0, kz::Variant(ToInt32(n++)));
  }
}

void clsShip::ReindexTurrets() {
  int32_t n = 1;
  for (auto& t : Turrets) t->SetValue(0, kz::Variant(n++));
  n = 1;
  for (auto& g : GunGroups) g->SetValue(2, n++);
}

int32_t clsShip::NextLaserNumber() const {
  int64_t highest = 0;
  for (const auto& g : GunGroups)
    for (const auto& gun : g->Guns) highest = std::max<int64_t>(highest, WholeValue(gun->Value(0)));
  return ToInt32(highest + 1);
}

int32_t clsShip::GunGroupGunsOffset(int32_t i) const {
  int64_t p = kFirstTurretEntry + 1 + 4 * int64_t(TurretCount());
  for (int32_t k = 0; k < i; ++k) {
    const int32_t guns = WholeValue(Value(ToInt32(p + 3)));
    p += 4 + 6 * std::abs(int64_t(guns));
  }
  return ToInt32(p + 4);
}

// ---- Checks and export ---------------------------------------------------------------

bool clsShip::Validate() {
  lastError_.clear();
  try {
    const int64_t n = size();
    bool overflow = false;
    int32_t index = 0;
    // The turret entries lie back to back from 54 and the guns behind their group's
    // header (the invariants every operation keeps): when the last of them fits, every
    // one does, and the objects themselves need not be visited.
    const bool turretsFit = int64_t(kFirstTurretEntry) + 4 * int64_t(Turrets.Count()) - 1 < n;
    for (const auto& t : Turrets) {
      if (turretsFit) break;
      if (int64_t(t->offset) + 4 - 1 >= n) {
        lastError_ = "Error while accessing data of turret (index " + std::to_string(index) +
                     "). Data overflow detected.";
        overflow = true;
      }
      ++index;
    }
    int64_t gunSum = 0;
    int64_t sizeSum = 0;
    int32_t gunNumber = 1;
    index = 0;
    for (const auto& g : GunGroups) {
      if (int64_t(g->offset) + 4 - 1 >= n) {
        if (!overflow)
          lastError_ = "Error while accessing data of gun group (index " + std::to_string(index) +
                       "). Data overflow detected." + kCrLf;
        overflow = true;
        // Its header lies outside the record: count it at its least size, so that the
        // size check below fails as it must.
        sizeSum += 4;
        gunNumber += g->Guns.Count();
        ++index;
        continue;
      }
      auto gunOverflow = [&] {
        if (!overflow)
          lastError_ = "Error while accessing data of gun (index " + std::to_string(gunNumber) +
                       ") in gun group (index " + std::to_string(index) + "). Data overflow detected." + kCrLf;
        overflow = true;
      };
      const int32_t built = g->Guns.Count();
      if (int64_t(g->offset) + 4 + 6 * int64_t(built) - 1 < n) {
        for (int32_t k = 0; k < built; ++k) {
          const int32_t count = WholeAt(g->offset + 4 + 6 * k + 1);
          if (count > 0) gunSum += count;
        }
        gunNumber += built;
      } else for (const auto& gun : g->Guns) {
        if (int64_t(gun->offset) + 6 - 1 >= n) {
          gunOverflow();
        } else {
          // Field 19 counts the guns' positive counts (as RefreshGunCount keeps it).
          const int32_t count = WholeAt(gun->offset + 1);
          if (count > 0) gunSum += count;
        }
        ++gunNumber;
      }
      // Guns the header claims but the record does not hold were never built.
      const int64_t claimed = WholeAt(g->offset + 3);
      if (claimed > g->Guns.Count()) {
        gunOverflow();
        gunNumber += static_cast<int32_t>(std::min<int64_t>(claimed - g->Guns.Count(), INT32_MAX / 2));
      }
      sizeSum += 4 + 6 * std::abs(claimed);
      ++index;
    }
    // Groups the count claims whose headers lie beyond the record were never built:
    // each counts with its header alone.
    // A turret count that reaches past the record leaves no gun group count to read.
    const int64_t groupsAt = kFirstTurretEntry + 4 * int64_t(TurretCount());
    const int64_t claimedGroups = groupsAt >= 0 && groupsAt < n ? WholeAt(static_cast<int32_t>(groupsAt)) : 0;
    for (int64_t k = GunGroups.Count(); k < claimedGroups; ++k) {
      if (!overflow)
        lastError_ = "Error while accessing data of gun group (index " + std::to_string(k) +
                     "). Data overflow detected." + kCrLf;
      overflow = true;
      sizeSum += 4;
    }
    const int64_t calculated = 65 + 4 * int64_t(TurretCount()) + sizeSum;
    if (calculated != n) {
      lastError_ += "Calculated size of ship data does not match actual data size - should be " +
                    std::to_string(calculated) + " and it is " + std::to_string(n) + ".";
      return false;
    }
    if (gunSum != GunCount()) {
      lastError_ += "Calculated gun count does not match gun count stored in ship data - should be " +
                    std::to_string(gunSum) + " and it is " + std::to_string(GunCount()) + ".";
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    lastError_ = std::string("Error while reading data: ") + e.what();
    return false;
  }
}

bool clsShip::ToXML(clsXMLParser& xml) {
  xml.Push();
  bool created = false;
  try {
    AddNode(xml, "ship");
    created = true;
    xml.SetNodeAttr(kz::Variant("id"), kz::Variant(Object->ObjectName()));
    if (!Shield || !Missile) throw kz::AppError(91, kSource, "Object variable or With block variable not set");
    AddNode(xml, "shield", kz::Variant(Shield->ObjectName()));
    xml.up();
    AddNode(xml, "missile", kz::Variant(Missile->ObjectName()));
    xml.up();

    AddNode(xml, "turrets");
    for (auto& t : Turrets)
      if (!t->ToXML(xml)) throw kz::AppError(kz::kErrShipIndex, kSource, t->GetLastError());
    xml.up();
    AddNode(xml, "gunGroups");
    for (auto& g : GunGroups)
      if (!g->ToXML(xml)) throw kz::AppError(kz::kErrShipIndex, kSource, "Cannot write a gun group.");
    xml.up();
    AddNode(xml, "frontLasers");
    for (const auto& laser : Lasers) {
      AddNode(xml, "las", kz::Variant(laser ? laser->ObjectName() : std::string()));
      xml.up();
    }
    xml.up();

    AddNode(xml, "data");
    auto value = [&](int32_t i) {
      AddNode(xml, "val", Value(i));
      xml.SetNodeAttr(kz::Variant("i"), kz::Variant(i));
      xml.up();
    };
    for (int32_t i = 0; i <= 30; ++i) value(i);
    for (int32_t i = 43; i <= 52; ++i) value(i);
    for (int32_t i = DynamicDataOffset(); i < size(); ++i) value(i);
    xml.Pop();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    xml.Pop();
    if (created) xml.DeleteNode("*[last()]");
    return false;
  }
}
