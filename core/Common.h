#pragma once
// Procedures shared by the editors of every subsystem: look-ups in the shared name
// tables, the ordered insert by sort index, the invalid-value message, the list-index
// check, catalog ("<catalog>::<inner path>") and virtual file system ("vfs://<path>")
// paths, recent-file lists, new record names, the overwrite question, the application
// title with its version and the distance text.
//
// The procedures that work on records or galaxy objects are templates over the few
// members they read (ObjectName(), size(), otype(), Parent()), so that core does not
// depend on the type-file or galaxy models. The list and combo helpers take Qt widgets
// and are in core/ui/CommonUi.h.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/AppError.h"
#include "core/Collection.h"
#include "core/KzConst.h"
#include "core/NameTable.h"

namespace kz {

// The application's title, and the title with its version ("Ze Zuzazo 0.1.0").
const std::string& GetAppTitle();
std::string GetAppTitleVersion();

// Entry `index` of `names`: "Unknown value" when that entry is empty; for an index
// outside the table "N/A" when naOutside is true, else "".
std::string LookupName(const NameTable& names, int64_t index, bool naOutside);
// Entry `index` as stored; "" for an index outside the table.
std::string LookupNameRaw(const NameTable& names, int64_t index);

// The first position from the lower bound whose entry equals s exactly; false when none.
bool FindStringIndex(std::string_view s, const NameTable& names, int32_t& index);

// Raises 0x80040064 "List index out of bounds." with `source` when index lies outside lo..hi.
void CheckListIndex(int64_t index, int64_t lo, int64_t hi, const std::string& source);

// The name of a language ID from the shared language tables; "" for an unknown ID.
std::string GetLanguageName(int32_t langID);

// Warning box: "<field>: " (when field is not empty), "Entered value is incorrect. It
// must be ", "whole number" (kind 0) / "float number" (kind 1) / "string", ".".
// The box belongs to `owner` (the window whose input was refused), when given.
void MsgInvalidValue(const std::string& field, int32_t kind, void* owner = nullptr);
// The text MsgInvalidValue shows.
std::string InvalidValueText(const std::string& field, int32_t kind);

// True at once when `path` does not exist (plain or catalog path); else asks whether to
// overwrite it (title: `title`, the application title when empty; the box belongs to
// `owner` when given); false only for No.
bool ConfirmOverwrite(const std::string& path, const std::string& title = {}, void* owner = nullptr);

// Catalog paths: "<catalog>::<inner path>"; only the first "::" counts.
bool IsCatalogPath(std::string_view path) noexcept;
// What a save dialog's type writes to `path`, for the filters "plain | packed |
// catalog" (1-based `filterIndex`): 1 plain, 2 packed. The catalog type writes an entry
// as its name's extension says (".pck" packed, any other plain).
int32_t SaveKindForFilter(int32_t filterIndex, std::string_view path) noexcept;
std::string GetCatalogPart(std::string_view path);      // before "::", else the whole path
std::string GetCatalogFilePart(std::string_view path);  // after "::", else ""
// With "::": catalog = the part before, result = the part after; without: the whole
// path, catalog unchanged.
std::string SplitCatalogPath(std::string_view path, std::string& catalog);

// Virtual file system paths: "vfs://<path>".
bool IsVFSPath(std::string_view path) noexcept;
std::string StripVFSPrefix(std::string_view path);  // "" when the path has no prefix

// Recent-file lists: newest first, at most kMaxRecentFiles entries.
constexpr int32_t kMaxRecentFiles = 5;
// Removes the first entry equal to `name` without case, puts `name` first and drops
// entries beyond the fifth.
void AddToMRU(const std::string& name, std::vector<std::string>& list);
void AddToMRU(const std::string& name, Collection<std::string>& list);
// Removes the first entry equal to `name` (case-sensitive); nothing when there is none.
void RemoveFromMRU(const std::string& name, std::vector<std::string>& list);
void RemoveFromMRU(const std::string& name, Collection<std::string>& list);

// A distance in game units (500 to the metre): "<km> km" with three decimals, "<m> m"
// below 1000 metres or with noUnit (then without the unit), nautical "<nm>  nm".
std::string FormatDistance(double units, bool noUnit, bool nautical);

// ---- Record procedures ----------------------------------------------------------------

// The number that a record name adds to the NEW_OBJECT_ counter: for a name containing
// "NEW_OBJECT", the name without its first 10 characters (and, when more than one is
// left, without the next one) when it reads as a whole number; none otherwise.
bool NewObjectNumber(const std::string& name, int64_t& value);
std::string NewObjectNameAfter(int64_t highest);

// "NEW_OBJECT_" followed by one more than the highest number of the records' names of
// that form (NEW_OBJECT_1 when there is none). `records` is any range of pointers to
// records (ObjectName()).
template <class Records>
std::string GetNewObjectName(const Records& records) {
  int64_t n = 0;
  for (const auto& r : records) {
    int64_t v = 0;
    if (r && NewObjectNumber(r->ObjectName(), v) && v > n) n = v;
  }
  return NewObjectNameAfter(n);
}

// The caption of a field: fields 0-6 the common caption; a field at index >= size-10 the
// trailing caption at size-index-2 ("N/A" outside that table, the ID itself included);
// other fields false with `caption` untouched.
bool FieldCaptionFor(int32_t size, int32_t index, std::string& caption);
template <class Record>
bool GetFieldCaption(const Record& record, int32_t index, std::string& caption) {
  return FieldCaptionFor(record.size(), index, caption);
}
template <class Record>
bool GetFieldCaption(const std::shared_ptr<Record>& record, int32_t index, std::string& caption) {
  return record ? FieldCaptionFor(record->size(), index, caption) : false;
}

// The object itself or the first of its parents whose type is 1 (sector); null when the
// chain ends without one, or runs in a circle.
template <class G>
std::shared_ptr<G> GetSectorOf(const std::shared_ptr<G>& object) {
  std::unordered_set<const G*> seen;
  for (std::shared_ptr<G> o = object; o; o = o->Parent()) {
    if (!seen.insert(o.get()).second) return nullptr;
    if (o->otype() == 1) return o;
  }
  return nullptr;
}

// Inserts `object` under `key` before the first item whose SortIndex is greater than
// the object's (equal values keep their insertion order); true.
// SortIndex may be a field or a member function of the items.
template <class T>
auto SortIndexOf(const T& item) {
  if constexpr (requires { item.SortIndex(); })
    return item.SortIndex();
  else
    return item.SortIndex;
}
template <class P>
bool SortIndexLess(const P& a, const P& b) {
  return SortIndexOf(*a) < SortIndexOf(*b);
}
template <class P>
bool CollAddSorted(Collection<P>& collection, P object, std::string_view key) {
  int32_t pos = 0;
  for (int32_t i = 1; i <= collection.Count(); ++i) {
    if (SortIndexLess(object, collection.Item(i))) {
      pos = i;
      break;
    }
  }
  collection.Add(std::move(object), key, pos);
  return true;
}

}  // namespace kz
