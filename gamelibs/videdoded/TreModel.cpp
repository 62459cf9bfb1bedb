#include "TreModel.h"

#include <algorithm>

namespace videdoded {

TreString* TrePage::Find(int32_t sid) const {
  if (!indexValid_) {
    index_.clear();
    index_.reserve(strings.size());
    for (const auto& s : strings) index_.emplace(s->id, s.get());
    indexValid_ = true;
  }
  auto it = index_.find(sid);
  return it == index_.end() ? nullptr : it->second;
}

void TrePage::Append(std::shared_ptr<TreString> s) {
  s->page = this;
  if (indexValid_) index_.emplace(s->id, s.get());
  strings.push_back(std::move(s));
}

bool TrePage::Remove(const TreString* s) {
  auto it = std::find_if(strings.begin(), strings.end(), [&](const auto& p) { return p.get() == s; });
  if (it == strings.end()) return false;
  std::shared_ptr<TreString> keep = *it;
  strings.erase(it);
  if (keep->handle) rudu::HandleRemove(keep->handle);
  keep->handle = 0;
  keep->page = nullptr;
  indexValid_ = false;
  return true;
}

void TrePage::ForgetHandles() {
  for (auto& s : strings) {
    if (s->handle) rudu::HandleRemove(s->handle);
    s->handle = 0;
    s->page = nullptr;
  }
  if (handle) rudu::HandleRemove(handle);
  handle = 0;
}

TrePage* TreDocument::FindPage(int32_t pid) const {
  if (!indexValid_) {
    index_.clear();
    for (const auto& p : pages) index_.emplace(p->id, p.get());
    indexValid_ = true;
  }
  auto it = index_.find(pid);
  return it == index_.end() ? nullptr : it->second;
}

void TreDocument::Append(std::shared_ptr<TrePage> p) {
  p->doc = this;
  if (indexValid_) index_.emplace(p->id, p.get());
  pages.push_back(std::move(p));
}

bool TreDocument::Remove(const TrePage* p) {
  auto it = std::find_if(pages.begin(), pages.end(), [&](const auto& q) { return q.get() == p; });
  if (it == pages.end()) return false;
  std::shared_ptr<TrePage> keep = *it;
  pages.erase(it);
  keep->ForgetHandles();
  keep->doc = nullptr;
  indexValid_ = false;
  return true;
}

void TreDocument::ForgetHandles() {
  for (auto& p : pages) {
    p->ForgetHandles();
    p->doc = nullptr;
  }
}

void TreDocument::Clear() {
  ForgetHandles();
  pages.clear();
  indexValid_ = false;
}

void TreDocument::Merge(TreDocument& other) {
  for (auto& op : other.pages) {
    TrePage* mine = FindPage(op->id);
    if (!mine) {
      auto np = std::make_shared<TrePage>();
      np->id = op->id;
      np->title = op->title;
      np->desc = op->desc;
      np->voice = op->voice;
      mine = np.get();
      Append(std::move(np));
    }
    mine->strings.reserve(mine->strings.size() + op->strings.size());
    for (auto& os : op->strings) {
      if (TreString* have = mine->Find(os->id)) {
        have->raw = std::move(os->raw);
        have->hasCached = false;
      } else {
        mine->Append(std::move(os));
      }
    }
    op->strings.clear();
    op->IndexChanged();
  }
  other.pages.clear();
  other.IndexChanged();
  DropCaches();
}

void TreDocument::DropCaches() {
  for (auto& p : pages)
    for (auto& s : p->strings) {
      s->hasCached = false;
      s->cached.clear();
      s->cached.shrink_to_fit();
    }
}

int32_t HandleOf(const std::shared_ptr<TreString>& s) {
  if (s->handle == 0) s->handle = rudu::HandleAdd(s, rudu::kStringHandle);
  return s->handle;
}

int32_t HandleOf(const std::shared_ptr<TrePage>& p) {
  if (p->handle == 0) p->handle = rudu::HandleAdd(p, rudu::kPageHandle);
  return p->handle;
}

std::shared_ptr<TreDocument> StorePtr() {
  static std::shared_ptr<TreDocument> store = [] {
    auto s = std::make_shared<TreDocument>();
    s->isStore = true;
    s->handle = rudu::kDescStoreHandleValue;
    rudu::HandleAddFixed(rudu::kDescStoreHandleValue, s, rudu::kDescStoreHandle);
    return s;
  }();
  return store;
}

TreDocument& Store() { return *StorePtr(); }

}  // namespace videdoded
