#include "galaxy/model/GalaxyChildList.h"

#include <algorithm>
#include <charconv>
#include <new>

#include "galaxy/model/GalaxyObject.h"

GalaxyChildList::Items& GalaxyChildList::None() noexcept {
  static Items none;
  return none;
}

GalaxyChildList::Run* GalaxyChildList::MakeRun(size_t n) {
  void* raw = ::operator new(sizeof(Run) + sizeof(Ptr) * n);
  return new (raw) Run{0};
}

void GalaxyChildList::FreeRun() noexcept {
  if (!run_) return;
  for (uint32_t i = 0; i < run_->size; ++i) run_->items()[i].~Ptr();
  ::operator delete(run_);
  run_ = nullptr;
}

GalaxyChildList::GalaxyChildList(const GalaxyChildList& o) { *this = o; }

GalaxyChildList& GalaxyChildList::operator=(const GalaxyChildList& o) {
  if (this == &o) return *this;
  if (o.run_) {
    Run* copy = MakeRun(o.run_->size);
    for (; copy->size < o.run_->size; ++copy->size) new (copy->items() + copy->size) Ptr(o.run_->items()[copy->size]);
    Clear();
    run_ = copy;
  } else {
    std::unique_ptr<Items> copy = o.items_ ? std::make_unique<Items>(*o.items_) : nullptr;
    Clear();
    items_ = std::move(copy);
  }
  return *this;
}

void GalaxyChildList::AssignRead(std::vector<Ptr>& read) {
  if (read.empty()) return;
  bool rising = Empty();
  for (size_t i = 0; rising && i < read.size(); ++i)
    rising = read[i] && read[i]->id > (i ? read[i - 1]->id : 0);
  if (!rising) {
    for (Ptr& child : read) Add(child, child->key());
    read.clear();
    return;
  }
  Clear();
  run_ = MakeRun(read.size());
  for (Ptr& child : read) new (run_->items() + run_->size++) Ptr(std::move(child));
  read.clear();
}

GalaxyChildList::Items& GalaxyChildList::Keyed() const {
  if (!items_) {
    auto made = std::make_unique<Items>();
    if (run_) {
      char key[16];
      made->AssignAll(run_->size, [&](size_t i) {
        const Ptr& child = run_->items()[i];
        char* end = std::to_chars(key, key + 15, child->id).ptr;
        *end++ = 'k';
        return std::pair<const Ptr&, std::string_view>(child, std::string_view(key, static_cast<size_t>(end - key)));
      });
    }
    items_ = std::move(made);
    const_cast<GalaxyChildList*>(this)->FreeRun();
  }
  return *items_;
}

int32_t GalaxyChildList::RunPosition(std::string_view key) const noexcept {
  // A child's key is its id in decimal, without leading zeros, and "k" (of either case,
  // as a collection compares keys).
  if (key.size() < 2 || key.size() > 11 || (key.back() != 'k' && key.back() != 'K') || key[0] < '1' || key[0] > '9')
    return 0;
  int64_t id = 0;
  for (size_t i = 0; i + 1 < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9') return 0;
    id = id * 10 + (key[i] - '0');
  }
  const Ptr* first = run_->items();
  const Ptr* last = first + run_->size;
  const Ptr* at = std::lower_bound(first, last, id, [](const Ptr& c, int64_t v) { return c->id < v; });
  return at != last && (*at)->id == id ? static_cast<int32_t>(at - first) + 1 : 0;
}
