// The display texts of galaxy objects: ID texts, names and subtypes from the object's
// own properties, the type file of its type (through the archive) and the text
// resources (page 7 sector names, page 17 object names). A look-up that misses gives a
// bracketed placeholder, never a failure.
#include <charconv>

#include "core/Common.h"
#include "galaxy/model/GalaxyParser.h"
#include "galaxy/model/GalaxyTables.h"
#include "galaxy/model/GalaxyValues.h"
#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/TxtParser.h"

using kz::Variant;
using namespace mdlGalaxy;

namespace {

constexpr int32_t kSectorPage = 7;
constexpr int32_t kNamePage = 17;

// A string of the text resources, or the description server's placeholder.
std::string PageString(int32_t page, int32_t id) {
  if (DescServer) return DescServer->GetStringDirect(page, id);
  static const clsDescServer store;  // the store is process-wide: any instance reads it
  return store.GetStringDirect(page, id);
}

// At least two digits, as the "00" pattern writes a number.
std::string TwoDigits(int64_t v) {
  std::string digits = std::to_string(v < 0 ? -v : v);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return v < 0 ? "-" + digits : digits;
}

std::string_view NameOfRecord(const clsTXTObject& r, std::string& buffer) {
  std::string_view name;
  if (r.NameView(name)) return name;
  buffer = r.ObjectName();
  return buffer;
}

// FNV-1a of an ID.
uint32_t IdHash(std::string_view id) {
  uint32_t h = 2166136261u;
  for (char c : id) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

std::string GroupName(const Variant& s) {
  int32_t n = 0;
  if (!GalaxyNumber(s, n)) return kz::LookupName(GalaxySubObjectNames, -1, true);
  return kz::LookupName(GalaxySubObjectNames, n, true);
}

}  // namespace

std::shared_ptr<clsTxtParser> clsGalaxyParser::TypeFileOf(int64_t t) const {
  const std::string& name = GalaxyTypeFiles.At(t);
  if (name.empty() || !Archive) return nullptr;
  return Archive->GetFile(name);
}

std::shared_ptr<clsTXTObject> clsGalaxyParser::FindRecordID(const std::shared_ptr<clsTxtParser>& file,
                                                           std::string_view id) const {
  // An index of the file's IDs (the first record of each ID in file order), made again
  // when the file's number of records or its first or last record changed. A hit is
  // checked against the record (its ID and its position); a miss falls back to the
  // file's own search, which also tells when the index went stale.
  IdIndex& ix = idIndexes_[file.get()];
  const int32_t count = file->Count();
  const clsTXTObject* front = count ? file->UnsortedObjects.Item(1).get() : nullptr;
  const clsTXTObject* back = count ? file->UnsortedObjects.Item(count).get() : nullptr;
  std::string buffer, other;
  if (ix.file.lock() != file || ix.count != count || ix.front != front || ix.back != back) {
    ix.file = file;
    ix.count = count;
    ix.front = front;
    ix.back = back;
    size_t size = 16;
    while (size < static_cast<size_t>(count) * 2) size *= 2;
    ix.table.assign(size, IdIndex::Slot{});
    ix.keep.assign(file->UnsortedObjects.begin(), file->UnsortedObjects.end());
    const size_t mask = size - 1;
    for (int32_t position = 0; position < count; ++position) {
      const clsTXTObject& r = *ix.keep[static_cast<size_t>(position)];
      std::string_view name = NameOfRecord(r, buffer);
      const uint32_t h = IdHash(name);
      for (size_t i = h & mask;; i = (i + 1) & mask) {
        IdIndex::Slot& slot = ix.table[i];
        if (slot.position < 0) {
          slot = IdIndex::Slot{h, position, &r};
          break;
        }
        // The first record of an ID keeps its place.
        if (slot.hash == h && NameOfRecord(*slot.record, other) == name) break;
      }
    }
  }
  const uint32_t h = IdHash(id);
  const size_t mask = ix.table.size() - 1;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const IdIndex::Slot& slot = ix.table[i];
    if (slot.position < 0) break;
    if (slot.hash != h) continue;
    const clsTXTObject& r = *slot.record;
    if (r.index == slot.position && NameOfRecord(r, buffer) == id) return ix.keep[static_cast<size_t>(slot.position)];
  }
  TXTObjectPtr r = file->FindID(id);
  if (r) ix.count = -1;  // an ID the index did not know: make it again next time
  return r;
}

std::string clsGalaxyParser::SubtypeRecordText(const clsTXTObject& record, int32_t mode) const {
  if (mode == 1) return record.ObjectName();
  int32_t textId = record.size() > 6 ? record.LongAt(6) : 0;
  if (mode == 2) return PageString(kNamePage, textId);
  return DescServer ? DescServer->GetStringDirect(kNamePage, textId, record.ObjectName())
                    : clsDescServer().GetStringDirect(kNamePage, textId, record.ObjectName());
}

bool clsGalaxyParser::GetSubtypeText(const GalaxyObjectPtr& obj, std::string& text, int32_t mode) const {
  const int32_t t = obj->otype();
  const Variant s = obj->subtype();
  if (t < 0 || t > 29 || !GalaxyTypeFiles.Contains(t)) {
    text = "[no file specified for " + std::to_string(t) + "]";
    return false;
  }
  const std::string placeholder = "[object t=" + std::to_string(t) + " s=" + kz::CStr(s) + "]";
  std::shared_ptr<clsTxtParser> file = TypeFileOf(t);
  if (!file || !file->Parsed()) {
    text = placeholder;
    return false;
  }
  TXTObjectPtr record = s.IsString() ? FindRecordID(file, s.AsString()) : file->FindIndex(GalaxyLong(s));
  if (!record) {
    text = placeholder;
    return false;
  }
  text = SubtypeRecordText(*record, mode);
  return true;
}

std::string clsGalaxyParser::GetObjectID(const GalaxyObjectPtr& obj) const {
  if (!obj) return std::string();
  switch (obj->otype()) {
    case kGalSector: return TwoDigits(obj->x()) + ", " + TwoDigits(obj->y());
    case kGalSubObjects: return "SUB_OBJECTS";
    default: {
      std::string text;
      GetSubtypeText(obj, text, 1);
      return text;
    }
  }
}

std::string clsGalaxyParser::GetObjectName(const GalaxyObjectPtr& obj) const {
  if (!obj) return std::string();
  // A name of its own: `n` from 2000 on is a page-17 string. A text that is no number
  // does not name the object.
  const int32_t n = GalaxyLong(obj->NamedProperty("n"));
  if (n >= 2000) return PageString(kNamePage, n);
  switch (obj->otype()) {
    case kGalSector: return GetSectorName(obj);
    case kGalBackground: return obj->ObjectTypeName();
    case kGalSubObjects: return GroupName(obj->subtype());
    default: {
      std::string text;
      GetSubtypeText(obj, text, 0);
      return text;
    }
  }
}

std::string clsGalaxyParser::GetObjectSubType(const GalaxyObjectPtr& obj, int32_t mode) const {
  if (!obj) return std::string();
  switch (obj->otype()) {
    case kGalSector:
    case kGalBackground: return kz::CStr(obj->subtype());
    case kGalSubObjects: return GroupName(obj->subtype());
    default: {
      std::string text;
      GetSubtypeText(obj, text, mode);
      return text;
    }
  }
}

int32_t clsGalaxyParser::GetSectorStringID(const GalaxyObjectPtr& sector) const {
  if (!sector) return 0;
  const std::string digits = "102" + TwoDigits(int64_t{sector->y()} + 1) + TwoDigits(int64_t{sector->x()} + 1);
  int64_t v = 0;
  auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  // Not a number (a negative coordinate) or beyond 32 bits: no string ID.
  if (r.ec != std::errc() || r.ptr != digits.data() + digits.size() || v > INT32_MAX) return 0;
  return static_cast<int32_t>(v);
}

std::string clsGalaxyParser::GetSectorName(const GalaxyObjectPtr& sector) const {
  return PageString(kSectorPage, GetSectorStringID(sector));
}

std::vector<std::string> clsGalaxyParser::GetSubTypeNames(int32_t t, int32_t mode) const {
  std::vector<std::string> names;
  if (t < 0 || t > 29) return names;
  std::shared_ptr<clsTxtParser> file = TypeFileOf(t);
  if (!file) return names;
  names.reserve(static_cast<size_t>(file->Count()));
  for (const TXTObjectPtr& r : file->UnsortedObjects) names.push_back(SubtypeRecordText(*r, mode));
  return names;
}

std::string clsGalaxyParser::GetTargetSectorName(const GalaxyObjectPtr& gate, bool asID) const {
  if (!gate || gate->otype() != kGalGate || IsGalaxyNumber(gate->subtype(), 4)) return std::string();
  GalaxyObjectPtr sector = FindSector(GalaxyLong(gate->NamedProperty("gx")), GalaxyLong(gate->NamedProperty("gy")));
  if (!sector) return std::string();
  return asID ? GetObjectID(sector) : GetObjectName(sector);
}
