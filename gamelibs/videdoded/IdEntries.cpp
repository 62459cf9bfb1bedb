// The IDs of a text resource document's pages and of a page's strings, read without
// handing out handles for them (the editor's checks for IDs held twice).
#include <new>
#include <string>

#include "Errors.h"
#include "TreModel.h"
#include "rudu/HandleTable.h"
#include "videdoded.h"

using namespace videdoded;

int32_t Kz_TREGetIds(int32_t container, std::vector<int32_t>& ids) {
  ClearError();
  ids.clear();
  try {
    if (container == kKzStoreHandle || rudu::HandleKindOf(container) == rudu::kDocumentHandle) {
      auto d = container == kKzStoreHandle ? StorePtr()
                                           : rudu::HandleGetAs<TreDocument>(container, rudu::kDocumentHandle);
      if (!d) return Fail(kKzErrWrongType, "Handle " + std::to_string(container) + " is not a text resource document.");
      ids.reserve(d->pages.size());
      for (const auto& p : d->pages) ids.push_back(p->id);
      return 1;
    }
    if (rudu::HandleKindOf(container) == rudu::kPageHandle) {
      auto p = rudu::HandleGetAs<TrePage>(container, rudu::kPageHandle);
      if (!p || !p->doc) return Fail(kKzErrWrongType, "Handle " + std::to_string(container) + " is not a page.");
      ids.reserve(p->strings.size());
      for (const auto& s : p->strings) ids.push_back(s->id);
      return 1;
    }
  } catch (const std::bad_alloc&) {
    ids.clear();
    return Fail(kKzErrMemory, "Out of memory.");
  }
  if (container == 0 || rudu::HandleKindOf(container) == 0)
    return Fail(kKzErrInvalidHandle, "Invalid handle " + std::to_string(container) + ": it is not (or no longer) live.");
  return Fail(kKzErrWrongType, "Handle " + std::to_string(container) + " is not a document or a page.");
}
