#pragma once
// kz::Collection<T>: an ordered collection of items with 1-based positions and an
// optional text key per item. Keys compare without case (ASCII letters folded; all
// other bytes, including UTF-8 sequences, compare exactly). An empty key means "no key".
//
// Complexity (n = Count()):
//   Add at the end ............ O(1) amortised (plus one hash insert when keyed)
//   Add before/after a position O(n) (pointer shift)
//   Item(pos), Key(pos) ....... O(1)
//   Item(key), Find, Exists ... O(1) average (hash of the folded key, no allocation)
//   PositionOf(key) ........... O(1) average after the first call following an insert
//                               or removal in the middle (then one O(n) renumbering)
//   Remove(pos) / Remove(key) . O(n) pointer shift (O(1) for the last item)
//   Iteration in position order.
// Item addresses are stable: a T& stays valid until that item is removed.
//
// Errors (kz::AppError): 457 duplicate key, 5 missing key or bad before/after position,
// 9 position out of range.
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/AppError.h"

namespace kz {

namespace detail {
inline char FoldAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

struct FoldedHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept {
    // FNV-1a over the folded bytes.
    uint64_t h = 1469598103934665603ull;
    for (char c : s) {
      h ^= static_cast<unsigned char>(FoldAscii(c));
      h *= 1099511628211ull;
    }
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
  }
};
}  // namespace detail

// True when two keys are the same key for a Collection.
inline bool KeysEqual(std::string_view a, std::string_view b) noexcept { return detail::FoldedEqual{}(a, b); }

template <class T>
class Collection {
  struct Node {
    T item;
    std::string key;
    size_t index;  // 0-based position, valid when < validUpTo_
    template <class U>
    Node(U&& i, std::string k) : item(std::forward<U>(i)), key(std::move(k)), index(0) {}
  };

 public:
  Collection() = default;
  Collection(const Collection& o) { CopyFrom(o); }
  Collection& operator=(const Collection& o) {
    if (this != &o) {
      Clear();
      CopyFrom(o);
    }
    return *this;
  }
  Collection(Collection&&) noexcept = default;
  Collection& operator=(Collection&&) noexcept = default;

  int32_t Count() const noexcept { return static_cast<int32_t>(nodes_.size()); }
  bool Empty() const noexcept { return nodes_.empty(); }

  // Adds an item, optionally keyed, at the end or before/after a 1-based position
  // (give at most one of before/after). Returns the new item.
  template <class U>
  T& Add(U&& item, std::string_view key = {}, int32_t before = 0, int32_t after = 0) {
    size_t n = nodes_.size();
    size_t at = n;
    if (before != 0 && after != 0) throw AppError(kErrInvalidArgument, "Collection.Add");
    if (before != 0) {
      if (before < 1 || static_cast<size_t>(before) > n) throw AppError(kErrInvalidArgument, "Collection.Add");
      at = static_cast<size_t>(before) - 1;
    } else if (after != 0) {
      if (after < 1 || static_cast<size_t>(after) > n) throw AppError(kErrInvalidArgument, "Collection.Add");
      at = static_cast<size_t>(after);
    }
    if (!key.empty() && map_.find(key) != map_.end()) throw AppError(kErrDuplicateKey, "Collection.Add");
    auto node = std::make_unique<Node>(std::forward<U>(item), std::string(key));
    Node* raw = node.get();
    raw->index = at;
    nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
    if (!raw->key.empty()) {
      try {
        map_.emplace(std::string_view(raw->key), raw);
      } catch (...) {
        nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(at));
        throw;
      }
    }
    if (at == n) {
      if (validUpTo_ == n) validUpTo_ = n + 1;
    } else if (validUpTo_ > at) {
      validUpTo_ = at;
    }
    return raw->item;
  }

  // Item at a 1-based position (AppError 9 when out of range).
  T& Item(int32_t pos) { return NodeAt(pos, "Collection.Item").item; }
  const T& Item(int32_t pos) const { return const_cast<Collection*>(this)->NodeAt(pos, "Collection.Item").item; }
  // Item with a key (AppError 5 when missing).
  T& Item(std::string_view key) {
    T* p = Find(key);
    if (!p) throw AppError(kErrInvalidArgument, "Collection.Item");
    return *p;
  }
  const T& Item(std::string_view key) const { return const_cast<Collection*>(this)->Item(key); }
  T& Item(const char* key) { return Item(std::string_view(key)); }
  const T& Item(const char* key) const { return Item(std::string_view(key)); }
  T& Item(const std::string& key) { return Item(std::string_view(key)); }
  const T& Item(const std::string& key) const { return Item(std::string_view(key)); }

  // Item with a key, or null.
  T* Find(std::string_view key) noexcept {
    if (key.empty()) return nullptr;
    auto it = map_.find(key);
    return it == map_.end() ? nullptr : &it->second->item;
  }
  const T* Find(std::string_view key) const noexcept { return const_cast<Collection*>(this)->Find(key); }
  bool Exists(std::string_view key) const noexcept { return Find(key) != nullptr; }

  // The key of the item at a position ("" when it has none).
  const std::string& Key(int32_t pos) const { return const_cast<Collection*>(this)->NodeAt(pos, "Collection.Key").key; }
  // 1-based position of the item with a key, 0 when missing.
  int32_t PositionOf(std::string_view key) const {
    if (key.empty()) return 0;
    auto it = map_.find(key);
    if (it == map_.end()) return 0;
    return static_cast<int32_t>(IndexOf(it->second)) + 1;
  }

  void Remove(int32_t pos) {
    NodeAt(pos, "Collection.Remove");
    EraseAt(static_cast<size_t>(pos) - 1);
  }
  void Remove(std::string_view key) {
    auto it = key.empty() ? map_.end() : map_.find(key);
    if (it == map_.end()) throw AppError(kErrInvalidArgument, "Collection.Remove");
    EraseAt(IndexOf(it->second));
  }
  void Remove(const char* key) { Remove(std::string_view(key)); }
  void Remove(const std::string& key) { Remove(std::string_view(key)); }

  void Clear() noexcept {
    map_.clear();
    nodes_.clear();
    validUpTo_ = 0;
  }
  void Reserve(size_t n) {
    nodes_.reserve(n);
    map_.reserve(n);
  }

  // Iteration over the items in position order.
  template <bool Const>
  class Iter {
    using Base = std::conditional_t<Const, typename std::vector<std::unique_ptr<Node>>::const_iterator,
                                    typename std::vector<std::unique_ptr<Node>>::iterator>;
    Base it_;

   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using reference = std::conditional_t<Const, const T&, T&>;
    using pointer = std::conditional_t<Const, const T*, T*>;
    Iter() = default;
    explicit Iter(Base it) : it_(it) {}
    reference operator*() const { return (*it_)->item; }
    pointer operator->() const { return &(*it_)->item; }
    const std::string& key() const { return (*it_)->key; }
    Iter& operator++() { ++it_; return *this; }
    Iter operator++(int) { Iter t = *this; ++it_; return t; }
    Iter& operator--() { --it_; return *this; }
    Iter operator--(int) { Iter t = *this; --it_; return t; }
    Iter& operator+=(difference_type d) { it_ += d; return *this; }
    Iter& operator-=(difference_type d) { it_ -= d; return *this; }
    Iter operator+(difference_type d) const { return Iter(it_ + d); }
    Iter operator-(difference_type d) const { return Iter(it_ - d); }
    difference_type operator-(const Iter& o) const { return it_ - o.it_; }
    reference operator[](difference_type d) const { return (*(it_ + d))->item; }
    bool operator==(const Iter& o) const { return it_ == o.it_; }
    auto operator<=>(const Iter& o) const { return it_ <=> o.it_; }
  };
  using iterator = Iter<false>;
  using const_iterator = Iter<true>;
  iterator begin() { return iterator(nodes_.begin()); }
  iterator end() { return iterator(nodes_.end()); }
  const_iterator begin() const { return const_iterator(nodes_.cbegin()); }
  const_iterator end() const { return const_iterator(nodes_.cend()); }

 private:
  Node& NodeAt(int32_t pos, const char* source) {
    if (pos < 1 || static_cast<size_t>(pos) > nodes_.size()) throw AppError(kErrSubscript, source);
    return *nodes_[static_cast<size_t>(pos) - 1];
  }

  size_t IndexOf(const Node* node) const {
    if (node->index < validUpTo_) return node->index;
    for (size_t i = validUpTo_; i < nodes_.size(); ++i) nodes_[i]->index = i;
    validUpTo_ = nodes_.size();
    return node->index;
  }

  void EraseAt(size_t i) {
    if (!nodes_[i]->key.empty()) map_.erase(std::string_view(nodes_[i]->key));
    nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(i));
    if (validUpTo_ > i) validUpTo_ = i;
  }

  void CopyFrom(const Collection& o) {
    Reserve(o.nodes_.size());
    for (const auto& n : o.nodes_) Add(n->item, n->key);
  }

  std::vector<std::unique_ptr<Node>> nodes_;
  std::unordered_map<std::string_view, Node*, detail::FoldedHash, detail::FoldedEqual> map_;
  mutable size_t validUpTo_ = 0;  // nodes_[0..validUpTo_) carry their current index
};

}  // namespace kz
