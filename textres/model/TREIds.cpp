#include "textres/model/TREIds.h"

#include <algorithm>
#include <vector>

#include "core/ViDedodedBindings.h"
#include "textres/model/TRERules.h"
#include "videdoded/videdoded.h"

namespace tre {

namespace {
bool Holds(int32_t container, int32_t id) {
  std::vector<int32_t> ids;
  if (Kz_TREGetIds(container, ids) == 0) return false;
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}
}  // namespace

bool PageIdTaken(int32_t document, int32_t id) { return document != 0 && Holds(document, id); }

bool StringIdTaken(int32_t page, int32_t id) { return page != 0 && Holds(page, id); }

std::string DuplicateIdsMessage(int32_t document) {
  std::vector<int32_t> ids;
  if (document == 0 || Kz_TREGetIds(document, ids) == 0) return {};
  const std::vector<int32_t> pageIds = DuplicateIds(ids);
  std::vector<int32_t> pages;
  kz::EnumViDedoded(document, pages);
  std::vector<PageDuplicates> strings;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (Kz_TREGetIds(pages[i], ids) == 0) continue;
    std::vector<int32_t> dup = DuplicateIds(ids);
    if (dup.empty()) continue;
    int32_t pageId = 0, voice = 0;
    std::string title, desc;
    Kz_TREGetPageInfo(pages[i], pageId, title, desc, voice);
    strings.push_back({pageId, std::move(dup)});
  }
  return DuplicateIdsText(pageIds, strings);
}

}  // namespace tre
