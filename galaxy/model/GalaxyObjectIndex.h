#pragma once
// GalaxyObjectIndex: the document's index of its galaxy objects by key ("12k"). A key
// of that form is looked up by its number in a table indexed by object id (ids are
// handed out densely from 1); any other key in a hash map. Adding, finding and removing
// are O(1) whatever the size of the map. Iteration visits the objects of the table in
// id order, then those under other keys.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/AppError.h"

class clsGalaxyObject;

class GalaxyObjectIndex {
 public:
  using Ptr = std::shared_ptr<clsGalaxyObject>;

  int32_t Count() const noexcept { return static_cast<int32_t>(count_ + other_.size()); }
  bool Empty() const noexcept { return Count() == 0; }

  // Adds an object under a key; false (and nothing added) when the key is present.
  bool Add(Ptr item, std::string_view key) {
    if (Exists(key)) return false;
    size_t id = 0;
    // Ids far beyond the table (set by hand, not handed out) go to the map.
    if (IdOf(key, id) && id < byId_.size() + kTableSlack) {
      Grow(id);
      byId_[id] = std::move(item);
      ++count_;
      return true;
    }
    other_.emplace(std::string(key), std::move(item));
    return true;
  }
  // Add under the key of an object id ("<id>k"), the id known to be 1 or more.
  bool AddId(Ptr item, int32_t id) {
    const size_t at = static_cast<size_t>(id);
    if (id > 0 && other_.empty() && at < byId_.size() + kTableSlack) {
      Grow(at);
      if (byId_[at]) return false;
      byId_[at] = std::move(item);
      ++count_;
      return true;
    }
    return Add(std::move(item), std::to_string(id) + "k");
  }
  // The object under a key; null when absent.
  Ptr Find(std::string_view key) const {
    size_t id = 0;
    if (IdOf(key, id) && id < byId_.size() && byId_[id]) return byId_[id];
    if (other_.empty()) return nullptr;
    auto it = other_.find(std::string(key));
    return it == other_.end() ? nullptr : it->second;
  }
  // The object under a key; AppError 5 when absent.
  Ptr Item(std::string_view key) const {
    Ptr p = Find(key);
    if (!p) throw kz::AppError(kz::kErrInvalidArgument, "GalaxyObjectIndex.Item");
    return p;
  }
  bool Exists(std::string_view key) const { return Find(key) != nullptr; }
  // Removes the object under a key; false when absent.
  bool Remove(std::string_view key) {
    size_t id = 0;
    if (IdOf(key, id) && id < byId_.size() && byId_[id]) {
      byId_[id].reset();
      --count_;
      return true;
    }
    return !other_.empty() && other_.erase(std::string(key)) > 0;
  }
  void Clear() noexcept {
    byId_.clear();
    other_.clear();
    count_ = 0;
  }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Ptr;
    using difference_type = std::ptrdiff_t;
    using reference = const Ptr&;
    using pointer = const Ptr*;
    const_iterator() = default;
    const Ptr& operator*() const { return inTable_ ? owner_->byId_[at_] : other_->second; }
    const Ptr* operator->() const { return &**this; }
    const_iterator& operator++() {
      if (inTable_) {
        ++at_;
        Settle();
      } else {
        ++other_;
      }
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator t = *this;
      ++*this;
      return t;
    }
    bool operator==(const const_iterator& o) const {
      return inTable_ == o.inTable_ && (inTable_ ? at_ == o.at_ : other_ == o.other_);
    }

   private:
    friend class GalaxyObjectIndex;
    const_iterator(const GalaxyObjectIndex* owner, size_t at) : owner_(owner), at_(at) { Settle(); }
    explicit const_iterator(const GalaxyObjectIndex* owner)
        : owner_(owner), inTable_(false), other_(owner->other_.end()) {}
    void Settle() {
      while (at_ < owner_->byId_.size() && !owner_->byId_[at_]) ++at_;
      if (at_ >= owner_->byId_.size()) {
        inTable_ = false;
        other_ = owner_->other_.begin();
      }
    }
    const GalaxyObjectIndex* owner_ = nullptr;
    size_t at_ = 0;
    bool inTable_ = true;
    std::unordered_map<std::string, Ptr>::const_iterator other_;
  };
  using iterator = const_iterator;
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this); }

 private:
  // The number of a key "<n>k" (n from 1 on, written without leading zeros).
  static bool IdOf(std::string_view key, size_t& id) {
    if (key.size() < 2 || key.back() != 'k' || key[0] < '1' || key[0] > '9') return false;
    uint64_t v = 0;
    auto r = std::from_chars(key.data(), key.data() + key.size() - 1, v);
    if (r.ec != std::errc() || r.ptr != key.data() + key.size() - 1 || v > 0x7FFFFFFFull) return false;
    id = static_cast<size_t>(v);
    return true;
  }

  // The table reaches to `id`: its room doubles, but only the places up to the highest
  // id are filled in (the room beyond is never touched).
  void Grow(size_t id) {
    if (id < byId_.size()) return;
    if (id >= byId_.capacity()) byId_.reserve(std::max(id + 1, byId_.capacity() * 2));
    byId_.resize(id + 1);
  }

  static constexpr size_t kTableSlack = size_t{1} << 20;
  std::vector<Ptr> byId_;
  size_t count_ = 0;
  std::unordered_map<std::string, Ptr> other_;
};
