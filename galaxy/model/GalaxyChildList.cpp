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

void GalaxyChildList::FreeRun(Run* r) noexcept {
  if (!r) return;
  for (uint32_t i = 0; i < r->size; ++i) r->items()[i].~Ptr();
  ::operator delete(r);
}

void GalaxyChildList::Release(uintptr_t next) const noexcept {
  Run* r = run();
  Items* i = items();
  held_ = next;
  FreeRun(r);
  delete i;
}

GalaxyChildList::GalaxyChildList(const GalaxyChildList& o) { *this = o; }

GalaxyChildList& GalaxyChildList::operator=(const GalaxyChildList& o) {
  if (this == &o) return *this;
  if (Run* from = o.run()) {
    Run* copy = MakeRun(from->size);
    for (; copy->size < from->size; ++copy->size) new (copy->items() + copy->size) Ptr(from->items()[copy->size]);
    Hold(copy);
  } else {
    Hold(o.items() ? new Items(*o.items()) : nullptr);
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
  Run* r = MakeRun(read.size());
  for (Ptr& child : read) new (r->items() + r->size++) Ptr(std::move(child));
  Hold(r);
  read.clear();
}

GalaxyChildList::Items& GalaxyChildList::Keyed() const {
  if (!items()) {
    auto made = std::make_unique<Items>();
    if (Run* r = run()) {
      char key[16];
      made->AssignAll(r->size, [&](size_t i) {
        const Ptr& child = r->items()[i];
        char* end = std::to_chars(key, key + 15, child->id).ptr;
        *end++ = 'k';
        return std::pair<const Ptr&, std::string_view>(child, std::string_view(key, static_cast<size_t>(end - key)));
      });
    }
    Hold(made.release());
  }
  return *items();
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
  Run* r = run();
  const Ptr* first = r->items();
  const Ptr* last = first + r->size;
  const Ptr* at = std::lower_bound(first, last, id, [](const Ptr& c, int64_t v) { return c->id < v; });
  return at != last && (*at)->id == id ? static_cast<int32_t>(at - first) + 1 : 0;
}
