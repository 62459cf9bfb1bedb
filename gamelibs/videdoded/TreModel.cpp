#include "TreModel.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace videdoded {

// Every loaded string is one of these: keep them small.
static_assert(sizeof(void*) != 8 || sizeof(TreString) <= 48);

void TreString::SetRaw(std::string_view t) {
  form = Form::kUnknown;
  if (!extra_) extra_ = std::make_unique<Extra>();
  extra_->own.assign(t.data(), t.size());  // t may stand in own itself: assign copes
  extra_->owned = true;
}

void TreString::ViewRaw(std::string_view t) {
  if (t.size() > UINT32_MAX) {
    SetRaw(t);
    return;
  }
  form = Form::kUnknown;
  text_ = t.data() ? t.data() : "";
  size_ = static_cast<uint32_t>(t.size());
  if (extra_ && extra_->owned) {
    extra_->owned = false;
    extra_->own = std::string();
  }
}

void TreString::SetCached(std::string&& t) {
  if (!extra_) extra_ = std::make_unique<Extra>();
  extra_->cached = std::move(t);
}

void TrePage::BuildIndex() const {
  index_.clear();
  dense_.clear();
  useDense_ = false;
  duplicates_ = false;
  if (!strings.empty()) {
    int64_t lo = strings.front()->id, hi = lo;
    for (const auto& s : strings) {
      lo = std::min<int64_t>(lo, s->id);
      hi = std::max<int64_t>(hi, s->id);
    }
    if (hi - lo < 4 * static_cast<int64_t>(strings.size()) + 64) {
      useDense_ = true;
      denseBase_ = static_cast<int32_t>(lo);
      dense_.assign(static_cast<size_t>(hi - lo + 1), nullptr);
      for (const auto& s : strings) {
        TreString*& slot = dense_[static_cast<size_t>(static_cast<int64_t>(s->id) - lo)];
        if (!slot)
          slot = s.get();  // the first string of an ID is the one found
        else
          duplicates_ = true;
      }
    } else {
      index_.reserve(strings.size());
      for (const auto& s : strings)
        if (!index_.emplace(s->id, s.get()).second) duplicates_ = true;
    }
  }
  indexValid_ = true;
}

bool TrePage::HasDuplicateIds() const {
  if (!indexValid_) BuildIndex();
  return duplicates_;
}

TreString* TrePage::Find(int32_t sid) const {
  if (!indexValid_) BuildIndex();
  if (useDense_) {
    int64_t at = static_cast<int64_t>(sid) - denseBase_;
    return at >= 0 && at < static_cast<int64_t>(dense_.size()) ? dense_[static_cast<size_t>(at)] : nullptr;
  }
  auto it = index_.find(sid);
  return it == index_.end() ? nullptr : it->second;
}

void TrePage::Append(std::shared_ptr<TreString> s) {
  s->page = this;
  if (s->handle) ++stringHandles_;
  if (indexValid_) {
    if (useDense_) {
      int64_t at = static_cast<int64_t>(s->id) - denseBase_;
      if (at >= 0 && at < static_cast<int64_t>(dense_.size())) {
        if (!dense_[static_cast<size_t>(at)]) dense_[static_cast<size_t>(at)] = s.get();
      } else {
        indexValid_ = false;  // outside the table: built anew on the next look-up
      }
    } else {
      index_.emplace(s->id, s.get());
    }
  }
  strings.push_back(std::move(s));
}

bool TrePage::Remove(const TreString* s) {
  auto it = std::find_if(strings.begin(), strings.end(), [&](const auto& p) { return p.get() == s; });
  if (it == strings.end()) return false;
  std::shared_ptr<TreString> keep = *it;
  strings.erase(it);
  if (keep->handle) {
    rudu::HandleRemove(keep->handle);
    if (stringHandles_) --stringHandles_;
  }
  keep->handle = 0;
  keep->page = nullptr;
  indexValid_ = false;
  return true;
}

void TrePage::ForgetHandles() {
  // A string without a handle cannot be reached once its page lets go of it: only
  // strings with one need to learn that they are out.
  if (stringHandles_) {
    for (auto& s : strings) {
      if (s->handle) rudu::HandleRemove(s->handle);
      s->handle = 0;
      s->page = nullptr;
    }
    stringHandles_ = 0;
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
  source.reset();
  indexValid_ = false;
}

void TreDocument::Merge(TreDocument& other) {
  if (pages.empty() && [&] {
        std::unordered_map<int32_t, bool> seen;
        for (const auto& p : other.pages)
          if (!seen.emplace(p->id, true).second || p->HasDuplicateIds()) return false;
        return true;
      }()) {
    // The first file, without repeated IDs: its pages become the document's as they are.
    pages = std::move(other.pages);
    other.pages.clear();
    for (auto& p : pages) p->doc = this;
    other.IndexChanged();
    IndexChanged();
    cachesStale = true;
    return;
  }
  for (auto& op : other.pages) {
    TrePage* mine = FindPage(op->id);
    if (!mine && !op->HasDuplicateIds()) {
      // A page the document does not have yet moves over whole.
      op->doc = this;
      Append(op);
      continue;
    }
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
        const TreString::Form form = os->form;
        have->SetRaw(os->Raw());
        have->form = form;
        have->DropCached();
      } else {
        mine->Append(std::move(os));
      }
    }
    op->strings.clear();
    op->stringHandles_ = 0;
    op->IndexChanged();
  }
  other.pages.clear();
  other.IndexChanged();
  cachesStale = true;
}

void TreDocument::DropCaches() {
  for (auto& p : pages)
    for (auto& s : p->strings) s->DropCached();
  cachesStale = false;
}

int32_t HandleOf(const std::shared_ptr<TreString>& s) {
  if (s->handle == 0) {
    s->handle = rudu::HandleAdd(s, rudu::kStringHandle);
    if (s->handle && s->page) s->page->StringHandleAdded();
  }
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
