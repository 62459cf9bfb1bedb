#include "typefiles/WareCollection.h"

#include "typefiles/Archive.h"
#include "typefiles/DescServer.h"
#include "typefiles/Ware.h"

namespace mdlWareList {

const char* const kWareCollectionFiles[9] = {"TWareB", "TWareE", "TWareF", "TWareM",  "TWareN",
                                             "TWareT", "TShields", "TMissiles", "TLaser"};

TxtParserPtr BuildWareCollection() {
  auto wares = std::make_shared<clsTxtParser>();
  if (!Archive) return wares;
  for (const char* name : kWareCollectionFiles) {
    TxtParserPtr file = Archive->GetFile(name);
    if (!file) continue;
    for (const TXTObjectPtr& record : file->UnsortedObjects) {
      if (!record) continue;
      TXTObjectPtr clone = record->Clone();
      clone->id = wares->NextKeyNumber();
      clone->index = wares->UnsortedObjects.Count();
      wares->UnsortedObjects.Add(clone, clone->key());
    }
  }
  return wares;
}

namespace {

// The display name of a ware record found under `id` (null: none found).
std::string NameOfWare(const TXTObjectPtr& ware, std::string_view id) {
  std::string fallback(id);
  if (!ware) return fallback;
  int32_t field = -1;
  switch (ware->otype) {
    case 2: case 3: case 5: case 6: field = 6; break;
    case 0: return fallback;
    default: field = 0; break;
  }
  if (field >= ware->size()) return fallback;
  int32_t stringID = 0;
  if (!WholeNumberOf(ware->Value(field), stringID)) return fallback;
  std::string name = clsDescServer::FindStringText(kPageObjectNames, stringID);
  return name.empty() ? fallback : name;
}

}  // namespace

std::string GetWareName(const clsTxtParser& wares, std::string_view id) { return NameOfWare(wares.FindID(id), id); }

std::string GetWareName(const TxtParserPtr& wares, std::string_view id) {
  return wares ? GetWareName(*wares, id) : std::string(id);
}

WareCollectionPtr SharedWareCollection() {
  // One collection per archive generation; a new archive object (or the old one
  // destroyed) counts as a new generation too.
  // Kept to the end of the process (never destroyed: the records' storage may be gone
  // by the time static objects are).
  struct Cache {
    std::weak_ptr<clsArchive> builtFor;
    uint64_t generation = 0;
    WareCollectionPtr shared;
  };
  static Cache* cache = new Cache;
  if (!Archive) return std::make_shared<clsWareCollection>(std::make_shared<clsTxtParser>());
  if (!cache->shared || cache->builtFor.lock() != Archive || cache->generation != Archive->Generation()) {
    cache->shared = std::make_shared<clsWareCollection>(BuildWareCollection());
    cache->builtFor = Archive;
    cache->generation = Archive->Generation();
  }
  return cache->shared;
}

}  // namespace mdlWareList

clsWareCollection::clsWareCollection(TxtParserPtr wares) : wares_(wares ? std::move(wares) : std::make_shared<clsTxtParser>()) {
  byID_.reserve(static_cast<size_t>(wares_->Count()));
  for (const TXTObjectPtr& record : wares_->UnsortedObjects)
    if (record) byID_.try_emplace(record->ObjectName(), record);  // the first keeps the ID
}

TXTObjectPtr clsWareCollection::FindID(std::string_view id) const {
  auto it = byID_.find(id);
  return it == byID_.end() ? nullptr : it->second;
}

std::string clsWareCollection::GetWareName(std::string_view id) const { return mdlWareList::NameOfWare(FindID(id), id); }
