#include "textres/model/TRERows.h"

#include <algorithm>

#include "core/ViDedodedBindings.h"
#include "textres/model/TRERules.h"
#include "videdoded/videdoded.h"

namespace {

// A kept text may take at most this much more than the raw text it comes from.
bool WorthKeeping(size_t shown, size_t raw) { return shown <= 2 * raw + 32; }

}  // namespace

void clsTRERows::Clear() {
  rows_.clear();
  texts_.clear();
  folded_.clear();
  folded_.shrink_to_fit();
  foldedValid_ = false;
}

bool clsTRERows::FillPages(int32_t container) {
  Clear();
  pages_ = true;
  formatted_ = false;
  std::vector<int32_t> handles;
  if (container == 0) return true;
  int32_t count = 0;
  if (Kz_EnumObjects(container, nullptr, 0, &count) == 0) return false;
  handles.resize(static_cast<size_t>(count));
  if (count) Kz_EnumObjects(container, handles.data(), count, &count);
  rows_.reserve(handles.size());
  int32_t id = 0, voice = 0;
  std::string title, desc;
  for (int32_t h : handles) {
    if (Kz_TREGetPageInfo(h, id, title, desc, voice) == 0) continue;
    rows_.push_back({h, id, static_cast<uint32_t>(texts_.size()), static_cast<uint32_t>(title.size())});
    texts_ += title;
  }
  return true;
}

bool clsTRERows::FillStrings(int32_t page, bool formatted) {
  Clear();
  pages_ = false;
  formatted_ = formatted;
  if (page == 0) return true;
  int32_t count = 0;
  if (Kz_EnumObjects(page, nullptr, 0, &count) == 0) return false;
  std::vector<int32_t> handles(static_cast<size_t>(count));
  if (count) Kz_EnumObjects(page, handles.data(), count, &count);
  rows_.reserve(handles.size());
  int32_t id = 0;
  std::string raw, text;
  for (int32_t h : handles) {
    if (Kz_TREGetStringInfo(h, id, raw, text) == 0) continue;
    const std::string& shown = formatted ? text : raw;
    if (WorthKeeping(shown.size(), raw.size()) && texts_.size() + shown.size() < kOnDemand) {
      rows_.push_back({h, id, static_cast<uint32_t>(texts_.size()), static_cast<uint32_t>(shown.size())});
      texts_ += shown;
    } else {
      rows_.push_back({h, id, 0, kOnDemand});
    }
  }
  return true;
}

bool clsTRERows::KeptText(int32_t row, std::string_view& text) const {
  const Row& r = rows_[static_cast<size_t>(row)];
  if (r.length == kOnDemand) return false;
  text = std::string_view(texts_).substr(r.offset, r.length);
  return true;
}

bool clsTRERows::FoldedKeptText(int32_t row, std::string_view& text) const {
  const Row& r = rows_[static_cast<size_t>(row)];
  if (r.length == kOnDemand) return false;
  if (!foldedValid_) {
    tre::FoldCaseInto(texts_, folded_);
    foldedValid_ = true;
  }
  text = std::string_view(folded_).substr(r.offset, r.length);
  return true;
}

std::string clsTRERows::Text(int32_t row) const {
  std::string_view kept;
  if (KeptText(row, kept)) return std::string(kept);
  const Row& r = rows_[static_cast<size_t>(row)];
  int32_t id = 0;
  std::string raw, text;
  if (pages_) {
    int32_t voice = 0;
    Kz_TREGetPageInfo(r.handle, id, raw, text, voice);
    return raw;
  }
  if (Kz_TREGetStringInfo(r.handle, id, raw, text) == 0) return {};
  return formatted_ ? text : raw;
}

std::string clsTRERows::ShownText(int32_t row) const {
  std::string_view kept;
  std::string whole;
  if (!KeptText(row, kept)) {
    whole = Text(row);
    kept = whole;
  }
  if (kept.size() <= kShownMax) return std::string(kept);
  size_t cut = kShownMax;
  while (cut > 0 && (static_cast<unsigned char>(kept[cut]) & 0xC0) == 0x80) --cut;
  return std::string(kept.substr(0, cut)) + "...";
}

int32_t clsTRERows::IndexOf(int32_t handle) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].handle == handle) return static_cast<int32_t>(i);
  return -1;
}

void clsTRERows::Remove(int32_t row) {
  if (row < 0 || row >= Count()) return;
  rows_.erase(rows_.begin() + row);  // its text stays in the buffer until the next fill
}

size_t clsTRERows::MemoryUse() const noexcept {
  return rows_.capacity() * sizeof(Row) + texts_.capacity() + folded_.capacity();
}
