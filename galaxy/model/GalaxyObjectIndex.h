#pragma once
// GalaxyObjectIndex: the document's index of its galaxy objects by key ("12k"). Keys
// compare exactly. Adding, finding and removing are O(1) on average whatever the size of
// the map; iteration visits every object once, in no fixed order (a removal moves the
// last object into the gap).
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

  int32_t Count() const noexcept { return static_cast<int32_t>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }

  // Adds an object under its key; false (and nothing added) when the key is present.
  bool Add(Ptr item, std::string key) {
    auto [it, fresh] = where_.try_emplace(std::move(key), items_.size());
    if (!fresh) return false;
    items_.push_back(Entry{std::move(item), &it->first});
    return true;
  }
  // The object under a key; null when absent.
  Ptr Find(std::string_view key) const {
    auto it = where_.find(std::string(key));
    return it == where_.end() ? nullptr : items_[it->second].item;
  }
  // The object under a key; AppError 5 when absent.
  Ptr Item(std::string_view key) const {
    Ptr p = Find(key);
    if (!p) throw kz::AppError(kz::kErrInvalidArgument, "GalaxyObjectIndex.Item");
    return p;
  }
  bool Exists(std::string_view key) const { return where_.count(std::string(key)) > 0; }
  // Removes the object under a key; false when absent.
  bool Remove(std::string_view key) {
    auto it = where_.find(std::string(key));
    if (it == where_.end()) return false;
    size_t at = it->second;
    where_.erase(it);
    if (at + 1 != items_.size()) {
      items_[at] = std::move(items_.back());
      where_.find(*items_[at].key)->second = at;
    }
    items_.pop_back();
    return true;
  }
  void Clear() noexcept {
    items_.clear();
    where_.clear();
  }
  void Reserve(size_t n) {
    items_.reserve(n);
    where_.reserve(n);
  }

  struct Entry {
    Ptr item;
    const std::string* key;  // the key stored in where_ (node-based: stable)
  };

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Ptr;
    using difference_type = std::ptrdiff_t;
    using reference = const Ptr&;
    using pointer = const Ptr*;
    const_iterator() = default;
    explicit const_iterator(std::vector<Entry>::const_iterator it) : it_(it) {}
    const Ptr& operator*() const { return it_->item; }
    const Ptr* operator->() const { return &it_->item; }
    const std::string& key() const { return *it_->key; }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator t = *this;
      ++it_;
      return t;
    }
    bool operator==(const const_iterator& o) const { return it_ == o.it_; }

   private:
    std::vector<Entry>::const_iterator it_;
  };
  using iterator = const_iterator;
  const_iterator begin() const { return const_iterator(items_.begin()); }
  const_iterator end() const { return const_iterator(items_.end()); }

 private:
  std::vector<Entry> items_;
  std::unordered_map<std::string, size_t> where_;
};
