#include "wareeditors/model/WareIconTable.h"

#include <algorithm>

#include "core/Generic.h"
#include "wareeditors/model/WareRules.h"

namespace ware {

void WareIconTable::Clear() {
  loaded_ = false;
  sheet_.clear();
  icons_.clear();
}

void WareIconTable::Load(const clsTxtParser* file) {
  Clear();
  loaded_ = true;
  if (!file || file->UnsortedObjects.Count() == 0) return;
  const TXTObjectPtr& header = file->UnsortedObjects.Item(1);
  if (!header) return;

  int64_t offset = 0, count = 0;
  bool found = false;
  const int32_t size = header->size();
  for (int32_t i = 0; i <= size - 1; i += 5) {
    int64_t n = 0;
    if (header->KindAt(i) == kz::VariantKind::String && header->TextAt(i) == "ICONTYPE_GUI") {
      found = true;
      if (FieldLong(*header, i + 4, n)) count = n;
      if (i + 1 < size) {
        const std::string path = kz::CStr(header->Value(i + 1));
        sheet_ = kz::BuildPath(kz::GetFilePath(path), kz::ExtractFileName(path, true));
      }
      break;
    }
    if (FieldLong(*header, i + 4, n)) offset += n;
  }
  if (!found || count <= 0 || offset < 0) return;

  // Icon j is the record at file position j + 1 (the header is position 0); a count
  // that runs past the file takes what is there.
  const int64_t records = file->UnsortedObjects.Count();
  for (int64_t j = offset; j < offset + count && j + 1 < records; ++j) {
    const TXTObjectPtr& r = file->UnsortedObjects.Item(static_cast<int32_t>(j + 2));
    if (!r || r->size() < 5) continue;
    WareIcon icon;
    icon.name = r->ObjectName();
    icon.x = r->LongAt(0);
    icon.y = r->LongAt(1);
    icon.width = r->LongAt(2);
    icon.height = r->LongAt(3);
    icons_.push_back(std::move(icon));
  }
}

const WareIcon* WareIconTable::Find(const std::string& name) const {
  for (const WareIcon& icon : icons_)
    if (icon.name == name) return &icon;
  return nullptr;
}

std::vector<std::string> WareIconTable::Names() const {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(icons_.size());
  for (const WareIcon& icon : icons_) keyed.emplace_back(clsTxtParser::NameOrderKey(icon.name), icon.name);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& k : keyed) names.push_back(std::move(k.second));
  return names;
}

std::vector<std::string> WareIconTable::SheetPatterns() const {
  if (sheet_.empty()) return {};
  return {"textures\\" + sheet_, "dds\\" + kz::ExtractFileName(sheet_)};
}

}  // namespace ware
