#include "wareeditors/model/JobRules.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/Common.h"
#include "core/KzConst.h"
#include "typefiles/DescServer.h"
#include "typefiles/FieldTables.h"

namespace mdlJob {

namespace {

// The text of a string of the store; null when the store has none. The texts looked
// up are kept until the store is loaded or emptied again.
const std::string* StoreText(int32_t page, int32_t id) {
  struct Kept {
    bool found = false;
    std::string text;
  };
  static auto* kept = [] {
    auto* map = new std::unordered_map<int64_t, Kept>;
    clsDescServer::AddStoreListener([map] { map->clear(); });
    return map;
  }();
  auto [it, added] = kept->try_emplace((int64_t(page) << 32) | uint32_t(id));
  if (added) {
    const int32_t handle = clsDescServer::FindString(page, id);
    it->second.found = handle != 0;
    if (handle) it->second.text = clsDescServer::StringText(handle);
  }
  return it->second.found ? &it->second.text : nullptr;
}

// The text of a string, or `fallback` when the store has none.
std::string TextOr(int32_t page, int32_t id, std::string_view fallback) {
  const std::string* text = StoreText(page, id);
  return text ? *text : std::string(fallback);
}

// Appends a text, with one blank when both are not empty.
void JoinTo(std::string& s, size_t start, std::string_view item) {
  if (item.empty()) return;
  if (s.size() > start) s += ' ';
  s += item;
}

// The text of a string, or the store's placeholder.
std::string TextOrPlaceholder(int32_t page, int32_t id) {
  const int32_t handle = clsDescServer::FindString(page, id);
  if (handle) return clsDescServer::StringText(handle);
  return "[string " + std::to_string(page) + ":" + std::to_string(id) + "]";
}

void Join(std::string& s, const std::string& item) {
  if (item.empty()) return;
  if (!s.empty()) s += ' ';
  s += item;
}

// The page-1000 description of a job (field 6), `fallback` when it has none.
std::string DescriptionOf(const clsTXTObject& job, const std::string& fallback) {
  int32_t id = 0;
  if (!JobFieldLong(job, kDescription, id)) return fallback;
  return TextOr(kPageJobDescriptions, id, fallback);
}

PropertyRow FieldRow(const clsTXTObject& job, int32_t n) {
  const int32_t field = MapJobField(job, n);
  return {JobPropertyName(n), kz::CStr(job.Value(field)), std::to_string(field), n};
}

void AddFieldRows(std::vector<PropertyRow>& rows, const clsTXTObject& job, std::initializer_list<int32_t> fields) {
  for (int32_t n : fields)
    if (HasJobField(job, n)) rows.push_back(FieldRow(job, n));
}

// The race numbers of the ten owner-race boxes, in box order.
constexpr int32_t kOwnerRaceNumbers[10] = {1, 2, 3, 4, 5, 6, 7, 9, 19, 8};

}  // namespace

// ---- Field mapping -------------------------------------------------------------------

int32_t MapJobField(int32_t size, int32_t n) {
  if (n < 0) return -1;
  int32_t field = n;
  if (size == 119) {
    if (n == 54) return -1;
    if (n > 54) field = n - 1;
  } else if (size == 117) {
    if (n == 37 || n == 54 || n == 86) return -1;
    if (n > 36) --field;
    if (n > 54) --field;
    if (n > 85) --field;
  }
  return field < size ? field : -1;
}

kz::Variant GetJobField(const clsTXTObject& o, int32_t n) {
  const int32_t field = MapJobField(o, n);
  return field < 0 ? kz::Variant() : o.Value(field);
}

bool SetJobField(clsTXTObject& o, int32_t n, const kz::Variant& v) {
  const int32_t field = MapJobField(o, n);
  if (field < 0) return false;
  o.SetValue(field, v);
  return true;
}

bool JobFlag(const clsTXTObject& o, int32_t n) {
  const int32_t field = MapJobField(o, n);
  if (field < 0) return false;
  switch (o.KindAt(field)) {
    case kz::VariantKind::Integer:
    case kz::VariantKind::Long:
      return o.LongAt(field) != 0;
    case kz::VariantKind::Single:
    case kz::VariantKind::Double:
      return o.DoubleAt(field) != 0;
    case kz::VariantKind::Boolean:
    case kz::VariantKind::String: {
      double d = 0;
      const kz::Variant v = o.Value(field);
      if (v.IsBoolean()) return v.AsBoolean();
      return kz::TryParseNumber(v.AsString(), d) && d != 0;
    }
    default:
      return false;
  }
}

bool WholeValue(const kz::Variant& v, int32_t& out) {
  double d = 0;
  switch (v.Kind()) {
    case kz::VariantKind::Integer: out = v.AsInteger(); return true;
    case kz::VariantKind::Long: out = v.AsLong(); return true;
    case kz::VariantKind::Single: d = v.AsSingle(); break;
    case kz::VariantKind::Double: d = v.AsDouble(); break;
    case kz::VariantKind::Boolean: out = v.AsBoolean() ? -1 : 0; return true;
    case kz::VariantKind::String:
      if (!kz::TryParseNumber(v.AsString(), d)) return false;
      break;
    default: return false;
  }
  if (!std::isfinite(d) || d < -2147483648.5 || d > 2147483647.5) return false;
  const double r = std::nearbyint(d);  // halves to even
  if (r < -2147483648.0 || r > 2147483647.0) return false;
  out = static_cast<int32_t>(r);
  return true;
}

bool JobFieldLong(const clsTXTObject& o, int32_t n, int32_t& out) {
  const int32_t field = MapJobField(o, n);
  if (field < 0) return false;
  switch (o.KindAt(field)) {
    case kz::VariantKind::Integer:
    case kz::VariantKind::Long:
      out = o.LongAt(field);
      return true;
    default:
      return WholeValue(o.Value(field), out);
  }
}

// ---- Host answers ------------------------------------------------------------------

int32_t JobRecordSize(int32_t version) {
  switch (version) {
    case 8: return 117;
    case 9: return 119;
    case 10: return 120;
    default: return 0;
  }
}

std::string UnknownSizeError(int32_t version) { return "Unkown object size for Job version " + std::to_string(version); }

std::string JobObjectName(const clsTXTObject& o) {
  return kz::CStr(GetJobField(o, kID)) + " - " + kz::CStr(GetJobField(o, kName));
}

std::string JobResourceName(const clsTXTObject& o) {
  if (o.size() == 0) return {};
  std::string out = o.KindAt(0) == kz::VariantKind::String ? std::string(o.TextAt(0)) : kz::CStr(o.Value(0));
  out += " - ";
  const size_t start = out.size();
  out.reserve(start + 64);
  int32_t shipName = 0;
  if (JobFieldLong(o, kShipName, shipName) && shipName != 0)
    if (const std::string* text = StoreText(kPageObjectNames, shipName)) out += *text;
  if (out.size() > start) return out;

  if (JobFlag(o, kShipNameFlags)) {
    int32_t count = 0, position = 0;
    for (int32_t p = 0; p < 10 && count < 2; ++p)
      if (JobFlag(o, kOwnerRaces + p)) {
        ++count;
        position = p;
      }
    if (count == 1)
      if (const std::string* race = StoreText(kPageJobDescriptions, 100 + kOwnerRaceNumbers[position])) out += *race;
  }
  int32_t description = 0;
  const std::string* text =
      JobFieldLong(o, kDescription, description) ? StoreText(kPageJobDescriptions, description) : nullptr;
  if (text)
    JoinTo(out, start, *text);
  else if (o.size() > 1)
    JoinTo(out, start, o.KindAt(1) == kz::VariantKind::String ? std::string(o.TextAt(1)) : kz::CStr(o.Value(1)));
  if (JobFlag(o, kShipNameFlags + 3)) {
    const int32_t variants = VariantCount(o.size());
    int32_t count = 0, variant = 0;
    for (int32_t v = 0; v < variants && count < 2; ++v)
      if (JobFlag(o, kShipVariants + v)) {
        ++count;
        variant = v;
      }
    if (count == 1)
      if (const std::string* name = StoreText(kPageObjectNames, 10000 + (variant == 16 ? 20 : variant)))
        JoinTo(out, start, *name);
  }
  return out;
}

std::string JobPropertyName(int32_t index) {
  if (kz::JobsFieldLabels.Empty()) kz::InitJobTables();
  return kz::LookupName(kz::JobsFieldLabels, index, true);
}

int32_t JobValueType(int32_t index) {
  return index == 1 || index == 4 || index == 5 ? kz::kFieldText : kz::kFieldWhole;
}

bool NextJobID(const clsTxtParser& jobs, int32_t& id, std::string& error) {
  int64_t highest = 0;
  for (const TXTObjectPtr& job : jobs.UnsortedObjects) {
    if (!job || job->size() == 0) continue;
    const kz::VariantKind kind = job->KindAt(0);
    if (kind != kz::VariantKind::Integer && kind != kz::VariantKind::Long) continue;
    highest = std::max<int64_t>(highest, job->LongAt(0));
  }
  const int64_t next = highest + 1;
  if (next > std::numeric_limits<int32_t>::max()) {
    error = "No job ID is left: the greatest job ID is " + std::to_string(highest) + ".";
    return false;
  }
  id = static_cast<int32_t>(next);
  return true;
}

// ---- Ship type tab -----------------------------------------------------------------

// Texts looked up while a list of ships is named: many ships share a name or a
// variant, and the races are few. The entries made are kept too.
struct ShipCombo::TextCache {
  std::unordered_map<int32_t, std::string> names;     // page-17 texts by ID ("" when missing)
  std::unordered_map<int32_t, std::string> variants;  // page-17 texts by ID (the placeholder when missing)
  std::unordered_map<int32_t, std::string> races;
  std::vector<std::string> entries;
  std::vector<bool> made;

  const std::string& Name(int32_t id, bool placeholder) {
    auto& map = placeholder ? variants : names;
    auto [it, added] = map.try_emplace(id);
    if (added) it->second = placeholder ? TextOrPlaceholder(kPageObjectNames, id) : TextOr(kPageObjectNames, id, "");
    return it->second;
  }
};

namespace {

using ShipTextCache = ShipCombo::TextCache;

std::string ShipName(const clsTXTObject& ship, bool descriptions, ShipTextCache* cache) {
  const std::string id = ship.ObjectName();
  if (!descriptions) return id;
  std::string text;
  int32_t value = 0;
  if (ship.size() > 45 && WholeValue(ship.Value(45), value)) {
    if (cache) {
      auto [it, added] = cache->races.try_emplace(value);
      if (added) it->second = kz::LookupName(mdlKzConst::RaceNames, value, false);
      text = it->second;
    } else {
      text = kz::LookupName(mdlKzConst::RaceNames, value, false);
    }
  }
  if (ship.size() > 6 && WholeValue(ship.Value(6), value))
    Join(text, cache ? cache->Name(value, false) : TextOr(kPageObjectNames, value, ""));
  if (ship.size() > 50 && WholeValue(ship.Value(50), value) && value > 0 && value <= 2147473647)
    Join(text, cache ? cache->Name(10000 + value, true) : TextOrPlaceholder(kPageObjectNames, 10000 + value));
  if (!text.empty()) text += ' ';
  text += '(';
  text += id;
  text += ')';
  return text;
}

}  // namespace

std::string ShipDisplayName(const clsTXTObject& ship, bool descriptions) { return ShipName(ship, descriptions, nullptr); }

ShipCombo::ShipCombo(TxtParserPtr ships, bool descriptions)
    : ships_(std::move(ships)), descriptions_(descriptions), cache_(std::make_shared<TextCache>()) {
  const size_t n = static_cast<size_t>(Count());
  cache_->entries.resize(n);
  cache_->made.resize(n, false);
}

const std::string& ShipCombo::Text(int32_t item) const {
  static const std::string kEmptyEntry = "[empty]", kNone;
  if (item == 0) return kEmptyEntry;
  if (!ships_ || !cache_ || item < 0 || item >= Count()) return kNone;
  const size_t i = static_cast<size_t>(item);
  if (!cache_->made[i]) {
    TXTObjectPtr ship = ships_->FindIndex(item - 1);
    cache_->entries[i] = ship ? ShipName(*ship, descriptions_, cache_.get()) : std::string();
    cache_->made[i] = true;
  }
  return cache_->entries[i];
}

int32_t ShipCombo::IndexOf(const clsTXTObject& job) const {
  if (!ships_ || !HasJobField(job, kShipType)) return 0;
  if (!indexed_) {
    // Built at the first look-up, once: the first ship keeps an ID held twice.
    positions_.reserve(static_cast<size_t>(ships_->Count()));
    for (const TXTObjectPtr& ship : ships_->UnsortedObjects) positions_.try_emplace(ship->ObjectName(), ship->index + 1);
    indexed_ = true;
  }
  const int32_t field = MapJobField(job, kShipType);
  auto it = job.KindAt(field) == kz::VariantKind::String ? positions_.find(std::string(job.TextAt(field)))
                                                         : positions_.find(kz::CStr(job.Value(field)));
  return it == positions_.end() ? 0 : it->second;
}

std::string ShipCombo::ShipID(int32_t item) const {
  if (!ships_ || item <= 0) return {};
  TXTObjectPtr ship = ships_->FindIndex(item - 1);
  return ship ? ship->ObjectName() : std::string();
}

std::string ShipNamePreview(const clsTXTObject& job) {
  int32_t id = 0;
  if (!JobFieldLong(job, kShipName, id)) return {};
  const int32_t handle = clsDescServer::FindString(kPageObjectNames, id);
  if (handle) return clsDescServer::StringText(handle);
  return id != 0 ? "[17:" + std::to_string(id) + "]" : std::string();
}

int32_t VariantCount(int32_t size) { return size < 120 ? 16 : 17; }

std::string VariantCaption(int32_t index) {
  return TextOrPlaceholder(kPageObjectNames, 10000 + (index == 16 ? 20 : index));
}

int32_t Classification(const clsTXTObject& job) {
  for (int32_t i = 0; i < 4; ++i)
    if (JobFlag(job, kClassification + i)) return i;
  return -1;
}

// ---- Property rows -----------------------------------------------------------------------

std::vector<PropertyRow> InfoRows(const clsTXTObject& job) {
  std::vector<PropertyRow> rows;
  if (job.size() == 0) return rows;
  AddFieldRows(rows, job, {0, 1});
  rows.push_back({"Description text", DescriptionOf(job, ""), "", -1});
  AddFieldRows(rows, job, {6, 4, 5, 2, 3, 13, 14, 15, 16, 17, 55, 56, 57, 109, 73});
  return rows;
}

std::vector<PropertyRow> EquipmentRows(const clsTXTObject& job) {
  std::vector<PropertyRow> rows;
  if (job.size() == 0) return rows;
  AddFieldRows(rows, job, {88, 89, 106, 107, 108, 74, 75, 76, 77});
  return rows;
}

// ---- Job index ------------------------------------------------------------------------

namespace {

bool NumberAt0(const clsTXTObject& j, double& key) {
  switch (j.KindAt(0)) {
    case kz::VariantKind::Integer:
    case kz::VariantKind::Long: key = j.LongAt(0); return true;
    case kz::VariantKind::Single:
    case kz::VariantKind::Double: key = j.DoubleAt(0); return true;
    case kz::VariantKind::Boolean: key = j.Value(0).NumberValue(); return true;
    default: return false;
  }
}

}  // namespace

void JobIndex::Rebuild(const clsTxtParser& jobs) {
  byNumber_.clear();
  byText_.clear();
  byNumber_.reserve(static_cast<size_t>(jobs.Count()));
  for (const TXTObjectPtr& j : jobs.UnsortedObjects) {
    if (!j || j->size() == 0) continue;
    double key = 0;
    if (NumberAt0(*j, key))
      byNumber_.try_emplace(key, j);
    else if (j->KindAt(0) == kz::VariantKind::String)
      byText_.try_emplace(std::string(j->TextAt(0)), j);
  }
  parser_ = &jobs;
  count_ = jobs.Count();
}

const clsTXTObject* JobIndex::Lookup(const kz::Variant& value) const {
  if (value.IsNumeric() || value.IsBoolean()) {
    auto it = byNumber_.find(value.NumberValue());
    return it == byNumber_.end() ? nullptr : it->second.get();
  }
  if (value.IsString()) {
    auto it = byText_.find(value.AsString());
    return it == byText_.end() ? nullptr : it->second.get();
  }
  return nullptr;
}

bool JobIndex::Holds(const clsTxtParser& jobs, const clsTXTObject* job, const kz::Variant& value) {
  TXTObjectPtr at = jobs.FindIndex(job->index);
  return at.get() == job && job->size() > 0 && kz::VariantEquals(job->Value(0), value);
}

const clsTXTObject* JobIndex::Find(const clsTxtParser& jobs, const kz::Variant& value, bool& rebuilt) {
  if (parser_ != &jobs || count_ != jobs.Count()) {
    Rebuild(jobs);
    rebuilt = true;
  }
  const clsTXTObject* job = Lookup(value);
  if (job && Holds(jobs, job, value)) return job;
  if (rebuilt) return nullptr;  // built for this look-up's fill: a real miss
  // An ID was changed since the index was built: build it again, once per fill.
  Rebuild(jobs);
  rebuilt = true;
  job = Lookup(value);
  return job && Holds(jobs, job, value) ? job : nullptr;
}

// ---- Wings tab ------------------------------------------------------------------------

WingView WingRows(const clsTXTObject& job, const clsTxtParser* wings, const clsTxtParser* jobs, JobIndex* index) {
  WingView view;
  const kz::Variant group = GetJobField(job, kWingGroup);
  int32_t id = 0;
  if (!WholeValue(group, id)) {
    view.missing = "Wing " + kz::CStr(group) + " not found";
    return view;
  }
  TXTObjectPtr wing;
  if (wings) {
    const kz::Variant key(id);
    for (const TXTObjectPtr& w : wings->UnsortedObjects)
      if (w && w->size() > 0 && kz::VariantEquals(w->Value(0), key)) {
        wing = w;
        break;
      }
  }
  if (!wing) {
    if (id != 0) view.missing = "Wing " + std::to_string(id) + " not found";
    return view;
  }
  view.found = true;

  JobIndex local;
  if (!index) index = &local;
  bool rebuilt = false;
  view.rows.reserve(static_cast<size_t>(wing->size()));
  for (int32_t i = 1; i < wing->size(); ++i) {
    const kz::Variant value = wing->Value(i);
    const clsTXTObject* found = jobs ? index->Find(*jobs, value, rebuilt) : nullptr;
    if (found)
      view.rows.push_back({JobObjectName(*found), DescriptionOf(*found, "")});
    else
      view.rows.push_back({kz::CStr(value) + " (not found)", ""});
  }
  return view;
}

}  // namespace mdlJob
