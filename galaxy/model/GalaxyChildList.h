#pragma once
// GalaxyChildList: the children of a galaxy object, under the children's keys ("12k"),
// in order. It reads as a kz::Collection of them (the same positions, look-ups, errors
// and order), and takes the room of one only when it needs one:
//   - most objects of a map have no children: the list is then two null pointers;
//   - the children read from a document are kept as they were read, the items alone in
//     one block. Their ids rise from one child to the next (the document hands them out
//     in its order), so a key is found by a binary search over the ids, and no key
//     table is made. Adding, removing, reserving or asking for the text of a key turns
//     the list into a collection, once, with the children's keys;
//   - any other list is a collection.
// Iterators of either form walk the items as a collection's do (random access; they
// stay valid until the list changes).
#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/AppError.h"
#include "core/Collection.h"

class clsGalaxyObject;

class GalaxyChildList {
 public:
  using Ptr = std::shared_ptr<clsGalaxyObject>;
  using Items = kz::Collection<Ptr>;

  template <bool Const>
  class Iter {
    using Base = typename Items::template Iter<Const>;
    using Raw = std::conditional_t<Const, const Ptr*, Ptr*>;

   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Ptr;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const Ptr&, Ptr&>;
    using pointer = std::conditional_t<Const, const Ptr*, Ptr*>;

    Iter() = default;
    explicit Iter(Raw at) noexcept : at_(at) {}
    explicit Iter(Base base) noexcept : base_(base), keyed_(true) {}

    reference operator*() const { return keyed_ ? *base_ : *at_; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type d) const { return *(*this + d); }
    Iter& operator+=(difference_type d) {
      if (keyed_)
        base_ += d;
      else
        at_ += d;
      return *this;
    }
    Iter& operator-=(difference_type d) { return *this += -d; }
    Iter& operator++() { return *this += 1; }
    Iter& operator--() { return *this -= 1; }
    Iter operator++(int) {
      Iter t = *this;
      ++*this;
      return t;
    }
    Iter operator--(int) {
      Iter t = *this;
      --*this;
      return t;
    }
    Iter operator+(difference_type d) const {
      Iter t = *this;
      return t += d;
    }
    Iter operator-(difference_type d) const {
      Iter t = *this;
      return t -= d;
    }
    difference_type operator-(const Iter& o) const { return keyed_ ? base_ - o.base_ : at_ - o.at_; }
    bool operator==(const Iter& o) const { return keyed_ == o.keyed_ && (keyed_ ? base_ == o.base_ : at_ == o.at_); }
    auto operator<=>(const Iter& o) const { return keyed_ ? base_ <=> o.base_ : at_ <=> o.at_; }

   private:
    Raw at_ = nullptr;  // the read form
    Base base_{};       // the collection
    bool keyed_ = false;
  };
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;

  GalaxyChildList() = default;
  GalaxyChildList(const GalaxyChildList& o);
  GalaxyChildList& operator=(const GalaxyChildList& o);
  GalaxyChildList(GalaxyChildList&& o) noexcept : held_(std::exchange(o.held_, 0)) {}
  GalaxyChildList& operator=(GalaxyChildList&& o) noexcept {
    if (this != &o) {
      Clear();
      held_ = std::exchange(o.held_, 0);
    }
    return *this;
  }
  ~GalaxyChildList() { Clear(); }

  int32_t Count() const noexcept { return run() ? static_cast<int32_t>(run()->size) : items() ? items()->Count() : 0; }
  bool Empty() const noexcept { return Count() == 0; }

  template <class U>
  Ptr& Add(U&& item, std::string_view key = {}, int32_t before = 0, int32_t after = 0) {
    return Keyed().Add(std::forward<U>(item), key, before, after);
  }
  template <class Make>
  void AssignAll(size_t n, Make&& make) {
    if (n == 0 && !held_) return;
    auto fresh = std::make_unique<Items>();
    fresh->AssignAll(n, std::forward<Make>(make));
    Hold(fresh.release());
  }
  // The children read from a document, in its order, given to a list that is empty
  // (kept as read when their ids rise, else filed as a collection); `read` is emptied.
  void AssignRead(std::vector<Ptr>& read);
  void Reserve(size_t n) { Keyed().Reserve(n); }

  template <class K>
  Ptr& Item(const K& positionOrKey) {
    if constexpr (std::is_convertible_v<const K&, std::string_view>)
      return const_cast<Ptr&>(ItemByKey(positionOrKey));
    else
      return run() ? const_cast<Ptr&>(RunItem(static_cast<int32_t>(positionOrKey))) : Read().Item(static_cast<int32_t>(positionOrKey));
  }
  template <class K>
  const Ptr& Item(const K& positionOrKey) const {
    if constexpr (std::is_convertible_v<const K&, std::string_view>)
      return ItemByKey(positionOrKey);
    else
      return run() ? RunItem(static_cast<int32_t>(positionOrKey)) : std::as_const(Read()).Item(static_cast<int32_t>(positionOrKey));
  }
  Ptr* Find(std::string_view key) noexcept { return const_cast<Ptr*>(std::as_const(*this).Find(key)); }
  const Ptr* Find(std::string_view key) const noexcept {
    if (Run* r = run()) {
      const int32_t at = RunPosition(key);
      return at ? &r->items()[at - 1] : nullptr;
    }
    return items() ? std::as_const(*items()).Find(key) : nullptr;
  }
  bool Exists(std::string_view key) const noexcept { return Find(key) != nullptr; }
  std::string_view Key(int32_t pos) const { return (run() ? Keyed() : Read()).Key(pos); }
  int32_t PositionOf(std::string_view key) const {
    if (run()) return RunPosition(key);
    return items() ? items()->PositionOf(key) : 0;
  }
  template <class K>
  void Remove(const K& positionOrKey) {
    if (run())
      Keyed().Remove(positionOrKey);
    else
      Read().Remove(positionOrKey);
  }
  // Empties the list and gives its memory back.
  void Clear() noexcept { Hold(static_cast<Items*>(nullptr)); }

  // A list without children walks as an empty range of null iterators.
  iterator begin() { return run() ? iterator(run()->items()) : items() ? iterator(items()->begin()) : iterator(); }
  iterator end() {
    return run() ? iterator(run()->items() + run()->size) : items() ? iterator(items()->end()) : iterator();
  }
  const_iterator begin() const {
    return run() ? const_iterator(static_cast<const Ptr*>(run()->items()))
                 : items() ? const_iterator(std::as_const(*items()).begin()) : const_iterator();
  }
  const_iterator end() const {
    return run() ? const_iterator(static_cast<const Ptr*>(run()->items() + run()->size))
                 : items() ? const_iterator(std::as_const(*items()).end()) : const_iterator();
  }

 private:
  // The read form: the count and the items in one block.
  struct alignas(Ptr) Run {
    uint32_t size;
    Ptr* items() noexcept { return reinterpret_cast<Ptr*>(this + 1); }
  };
  static_assert(sizeof(Run) % alignof(Ptr) == 0);
  static Run* MakeRun(size_t n);
  static void FreeRun(Run* r) noexcept;
  // What the list holds: null, a run (the low bit set) or a collection.
  Run* run() const noexcept { return (held_ & 1) ? reinterpret_cast<Run*>(held_ - 1) : nullptr; }
  Items* items() const noexcept { return (held_ & 1) ? nullptr : reinterpret_cast<Items*>(held_); }
  // Lets go of what the list held and holds `r` (or `i`) from now on.
  void Hold(Run* r) const noexcept { Release(reinterpret_cast<uintptr_t>(r) | 1); }
  void Hold(Items* i) const noexcept { Release(reinterpret_cast<uintptr_t>(i)); }
  void Release(uintptr_t next) const noexcept;
  // The list as a collection (the read form filed under the children's keys first).
  Items& Keyed() const;
  // The collection, or a shared empty one that nothing ever adds to (no read form).
  Items& Read() const noexcept { return items() ? *items() : None(); }
  static Items& None() noexcept;
  // The 1-based position in the read form of the child of a key; 0 when none.
  int32_t RunPosition(std::string_view key) const noexcept;
  const Ptr& RunItem(int32_t pos) const {
    Run* r = run();
    if (pos < 1 || static_cast<uint32_t>(pos) > r->size) throw kz::AppError(kz::kErrSubscript, "Collection.Item");
    return r->items()[pos - 1];
  }
  const Ptr& ItemByKey(std::string_view key) const {
    const Ptr* p = Find(key);
    if (!p) throw kz::AppError(kz::kErrInvalidArgument, "Collection.Item");
    return *p;
  }

  // One word: most objects have no children, and an object is as large as what it holds.
  mutable uintptr_t held_ = 0;
};
