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

std::string GetWareName(const clsTxtParser& wares, std::string_view id) {
  std::string fallback(id);
  TXTObjectPtr ware = wares.FindID(id);
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

std::string GetWareName(const TxtParserPtr& wares, std::string_view id) {
  return wares ? GetWareName(*wares, id) : std::string(id);
}

}  // namespace mdlWareList
