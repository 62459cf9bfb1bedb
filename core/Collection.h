#pragma once
// kz::Collection<T>: an ordered collection of items with 1-based positions and an
// optional text key per item. Keys compare without case (ASCII letters folded; all
// other bytes, including UTF-8 sequences, compare exactly). An empty key means "no key".
//
// Complexity (n = Count()):
//   Add at the end ............ O(1) amortised (plus one hash insert when keyed)
//   AssignAll ................. O(n), the key table filled in its own order (no
//                               cache miss per key on large collections)
//   Add before/after a position O(n) (pointer shift)
//   Item(pos), Key(pos) ....... O(1)
//   Item(key), Find, Exists ... O(1) average (hash of the folded key, no allocation)
//   PositionOf(key) ........... O(1) average after the first call following an insert
//                               or removal in the middle (then one O(n) renumbering)
//   Remove(pos) / Remove(key) . O(n) pointer shift (O(1) for the last item)
//   Iteration in position order.
// Item addresses are stable: a T& stays valid until that item is removed.
//
// A mirror (Mirror) shows the items of another collection, its source, without a copy
// of its own: a second order of the same items that is, for now, the same order. The
// two part before either changes or hands out an item that may change (its non-const
// members, iteration included): the mirror then takes a copy of its own, and the
// source keeps its items where they are. A source cleared, replaced or destroyed hands
// its items over to the mirror instead. Only the items a mirror hands out before the
// two part are the source's.
//
// Errors (kz::AppError): 457 duplicate key, 5 missing key or bad before/after position,
// 9 position out of range.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/AppError.h"
#include "core/PagePool.h"

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

namespace detail {
// A key in 16 bytes: up to 15 bytes in place (their count in the last byte), a longer
// one in a copy of its own (its address and length, the last byte kLong). Keys such as
// "12k", the common case, take no allocation and half the room of a std::string.
class CompactKey {
 public:
  explicit CompactKey(std::string_view k) {
    if (k.size() < kLong) {
      if (!k.empty()) std::memcpy(bytes_, k.data(), k.size());
      bytes_[kLong] = static_cast<unsigned char>(k.size());
      return;
    }
    if (k.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("key too long");
    char* copy = new char[k.size()];
    std::memcpy(copy, k.data(), k.size());
    const uint32_t n = static_cast<uint32_t>(k.size());
    std::memcpy(bytes_, &copy, sizeof copy);
    std::memcpy(bytes_ + 8, &n, 4);
    bytes_[kLong] = kLong;
  }
  CompactKey(const CompactKey&) = delete;
  CompactKey& operator=(const CompactKey&) = delete;
  ~CompactKey() {
    if (bytes_[kLong] == kLong) delete[] Long();
  }
  std::string_view view() const noexcept {
    if (bytes_[kLong] != kLong) return std::string_view(reinterpret_cast<const char*>(bytes_), bytes_[kLong]);
    uint32_t n;
    std::memcpy(&n, bytes_ + 8, 4);
    return std::string_view(Long(), n);
  }
  bool empty() const noexcept { return bytes_[kLong] == 0; }

 private:
  static constexpr unsigned char kLong = 15;
  char* Long() const noexcept {
    char* p;
    std::memcpy(&p, bytes_, sizeof p);
    return p;
  }
  alignas(8) unsigned char bytes_[16];
};
}  // namespace detail

template <class T>
class Collection {
  struct Node {
    T item;
    detail::CompactKey key;
    uint32_t index;  // 0-based position, valid when < validUpTo_
    uint32_t id;     // the node's place in the blocks
    template <class U>
    Node(U&& i, std::string_view k, uint32_t n) : item(std::forward<U>(i)), key(k), index(0), id(n) {}
  };
  // Nodes are made in blocks, so that adding an item costs no allocation of its own. A
  // collection made at once (AssignAll) holds its first nodes in one block of just their
  // number (ids below bulkCount_); after those, block b holds kFirstBlock << b nodes (ids
  // from bulkCount_ + kFirstBlock * (2^b - 1) on). A removed node's place is reused.
  static constexpr uint32_t kFirstShift = 3;
  static constexpr size_t kFirstBlock = size_t{1} << kFirstShift;
  struct alignas(Node) NodeStorage {
    unsigned char bytes[sizeof(Node)];
  };
  // One entry of the key table: the node's id + 1 (0: free) and the folded key's hash.
  struct Slot {
    uint32_t node;
    uint32_t hash;
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
  Collection(Collection&& o) noexcept {
    Steal(o);
    TakeLinks(o);
  }
  Collection& operator=(Collection&& o) noexcept {
    if (this != &o) {
      Clear();
      Steal(o);
      TakeLinks(o);
    }
    return *this;
  }
  ~Collection() { Clear(); }

  // From now on shows the items of `source` in its order, under its keys, without a
  // copy (see above); what this collection held is let go of. A source that is itself a
  // mirror, or has a mirror, parts from it first.
  void Mirror(Collection& source) {
    if (&source == this || source.mirror_ == this) return;
    source.Separate();
    Clear();
    mirrorOf_ = &source;
    source.mirror_ = this;
  }
  // Whether this collection shows another's items (a mirror not parted yet).
  bool Mirrors() const noexcept { return mirrorOf_ != nullptr; }

  int32_t Count() const noexcept { return static_cast<int32_t>(Shown().nodes_.size()); }
  bool Empty() const noexcept { return Shown().nodes_.empty(); }

  // Adds an item, optionally keyed, at the end or before/after a 1-based position
  // (give at most one of before/after). Returns the new item.
  template <class U>
  T& Add(U&& item, std::string_view key = {}, int32_t before = 0, int32_t after = 0) {
    Separate();
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
    // One look-up: it finds a duplicate or the free slot the new key takes.
    size_t slot = 0;
    uint32_t hash = 0;
    if (!key.empty()) {
      if (NeedsGrowth(keyed_ + 1)) Rehash(TableSizeFor(keyed_ + 1));
      hash = HashOf(key);
      slot = Probe(key, hash);
      if (slots_[slot].node != 0) throw AppError(kErrDuplicateKey, "Collection.Add");
    }
    if (nodes_.size() == nodes_.capacity()) nodes_.reserve(std::max<size_t>(16, nodes_.size() * 2));
    Node* raw = MakeNode(std::forward<U>(item), key);
    raw->index = static_cast<uint32_t>(at);
    // Cannot throw: the room is reserved above.
    nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(at), raw);
    if (!key.empty()) {
      slots_[slot] = Slot{raw->id + 1, hash};
      ++keyed_;
    }
    if (at == n) {
      if (validUpTo_ == n) validUpTo_ = n + 1;
    } else if (validUpTo_ > at) {
      validUpTo_ = at;
    }
    return raw->item;
  }

  // Item at a 1-based position (AppError 9 when out of range).
  T& Item(int32_t pos) {
    Separate();
    return NodeAt(pos, "Collection.Item").item;
  }
  const T& Item(int32_t pos) const { return const_cast<Collection&>(Shown()).NodeAt(pos, "Collection.Item").item; }
  // Item with a key (AppError 5 when missing).
  T& Item(std::string_view key) {
    T* p = Find(key);
    if (!p) throw AppError(kErrInvalidArgument, "Collection.Item");
    return *p;
  }
  const T& Item(std::string_view key) const {
    const T* p = Find(key);
    if (!p) throw AppError(kErrInvalidArgument, "Collection.Item");
    return *p;
  }
  T& Item(const char* key) { return Item(std::string_view(key)); }
  const T& Item(const char* key) const { return Item(std::string_view(key)); }
  T& Item(const std::string& key) { return Item(std::string_view(key)); }
  const T& Item(const std::string& key) const { return Item(std::string_view(key)); }

  // Item with a key, or null.
  T* Find(std::string_view key) {
    Separate();
    Node* node = Lookup(key);
    return node ? &node->item : nullptr;
  }
  const T* Find(std::string_view key) const noexcept {
    Node* node = Shown().Lookup(key);
    return node ? &node->item : nullptr;
  }
  bool Exists(std::string_view key) const noexcept { return Find(key) != nullptr; }

  // The key of the item at a position ("" when it has none).
  std::string_view Key(int32_t pos) const {
    return const_cast<Collection&>(Shown()).NodeAt(pos, "Collection.Key").key.view();
  }
  // 1-based position of the item with a key, 0 when missing.
  int32_t PositionOf(std::string_view key) const {
    const Collection& shown = Shown();
    Node* node = shown.Lookup(key);
    if (!node) return 0;
    return static_cast<int32_t>(shown.IndexOf(node)) + 1;
  }

  void Remove(int32_t pos) {
    Separate();
    NodeAt(pos, "Collection.Remove");
    EraseAt(static_cast<size_t>(pos) - 1);
  }
  void Remove(std::string_view key) {
    Separate();
    Node* node = Lookup(key);
    if (!node) throw AppError(kErrInvalidArgument, "Collection.Remove");
    EraseAt(IndexOf(node));
  }
  void Remove(const char* key) { Remove(std::string_view(key)); }
  void Remove(const std::string& key) { Remove(std::string_view(key)); }

  void Clear() noexcept {
    // A source's items go to its mirror; a mirror holds none of its own.
    if (mirror_) {
      Collection* mirror = mirror_;
      Unlink();
      mirror->Steal(*this);
    }
    Unlink();
    for (Node* node : nodes_) node->~Node();
    nodes_.clear();
    slots_.clear();
    blocks_.clear();
    bulk_.reset();
    bulkCount_ = 0;
    free_.clear();
    made_ = 0;
    keyed_ = 0;
    validUpTo_ = 0;
  }
  void Reserve(size_t n) {
    Separate();
    nodes_.reserve(n);
    MakeBulk(n);
    if (NeedsGrowth(n)) Rehash(TableSizeFor(n));
  }

  // Replaces every item by n items made in position order: make(i) gives item i and
  // its key (a pair of an item and a std::string_view; the key is copied at once, an
  // empty one means no key). The same collection as Clear() and n Adds at the end,
  // made at once. AppError 457 for a key given twice; the collection is then as it was.
  template <class Make>
  void AssignAll(size_t n, Make&& make) {
    Collection fresh;
    fresh.nodes_.reserve(n);
    fresh.MakeBulk(n);
    size_t keyed = 0;
    for (size_t i = 0; i < n; ++i) {
      auto made = make(i);
      Node* node = fresh.MakeNode(std::move(made.first), std::string_view(made.second));
      node->index = static_cast<uint32_t>(i);
      fresh.nodes_.push_back(node);
      keyed += node->key.empty() ? 0 : 1;
    }
    fresh.validUpTo_ = n;
    if (keyed > 0) fresh.FillTable(keyed);
    *this = std::move(fresh);
  }

  // Iteration over the items in position order.
  template <bool Const>
  class Iter {
    using Base = typename std::vector<Node*, TableAllocator<Node*>>::const_iterator;
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
    std::string_view key() const { return (*it_)->key.view(); }
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
  iterator begin() {
    Separate();
    return iterator(nodes_.cbegin());
  }
  iterator end() {
    Separate();
    return iterator(nodes_.cend());
  }
  const_iterator begin() const { return const_iterator(Shown().nodes_.cbegin()); }
  const_iterator end() const { return const_iterator(Shown().nodes_.cend()); }

 private:
  // The hash kept for a key: the folded FNV-1a value, mixed so that its low bits serve
  // a table whose size is a power of two.
  static uint32_t HashOf(std::string_view key) noexcept {
    uint64_t h = static_cast<uint64_t>(detail::FoldedHash{}(key));
    return static_cast<uint32_t>((h * 0x9E3779B97F4A7C15ull) >> 32);
  }
  // The table is kept at most three quarters full.
  bool NeedsGrowth(size_t keys) const noexcept { return keys * 4 > slots_.size() * 3; }
  static size_t TableSizeFor(size_t keys) {
    size_t size = 16;
    while (size * 3 < keys * 4) size *= 2;
    return size;
  }

  // The storage of a node id past the bulk block: its block and the place in it.
  static std::pair<size_t, size_t> PlaceOf(size_t id) noexcept {
    size_t n = id + kFirstBlock;
    size_t block = static_cast<size_t>(std::bit_width(n)) - 1 - kFirstShift;
    return {block, n - (kFirstBlock << block)};
  }
  void* StorageOf(uint32_t id) const noexcept {
    if (id < bulkCount_) return bulk_[id].bytes;
    auto [block, at] = PlaceOf(size_t{id} - bulkCount_);
    return blocks_[block][at].bytes;
  }
  // Room for the first n nodes in one block, in a collection that has made none yet.
  void MakeBulk(size_t n) {
    if (n == 0 || made_ != 0 || bulk_ || n > std::numeric_limits<uint32_t>::max()) return;
    const size_t bytes = n * sizeof(NodeStorage);
    bulk_ = BlockPtr(static_cast<NodeStorage*>(AllocateTable(bytes)), BlockFree{bytes});
    bulkCount_ = n;
  }
  Node* NodeById(uint32_t id) const noexcept { return std::launder(reinterpret_cast<Node*>(StorageOf(id))); }

  // The slot holding a key, or the free slot where the probe for it ends.
  size_t Probe(std::string_view key, uint32_t hash) const noexcept {
    size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& s = slots_[i];
      if (s.node == 0) return i;
      if (s.hash == hash && detail::FoldedEqual{}(NodeById(s.node - 1)->key.view(), key)) return i;
    }
  }

  Node* Lookup(std::string_view key) const noexcept {
    if (key.empty() || keyed_ == 0) return nullptr;
    const Slot& s = slots_[Probe(key, HashOf(key))];
    return s.node == 0 ? nullptr : NodeById(s.node - 1);
  }

  void Rehash(size_t size) {
    std::vector<Slot, TableAllocator<Slot>> fresh(size, Slot{0, 0});
    size_t mask = size - 1;
    for (const Slot& s : slots_) {
      if (s.node == 0) continue;
      size_t i = s.hash & mask;
      while (fresh[i].node != 0) i = (i + 1) & mask;
      fresh[i] = s;
    }
    slots_ = std::move(fresh);
  }

  // Fills an empty key table with the keys of every node. The entries go in by the
  // part of the table they fall in (a counting sort on their home slots), so the
  // table is written nearly in order rather than at random. Each key is hashed once:
  // the entries are first listed in node order at the table's start, which is
  // cleared again before they go in.
  void FillTable(size_t keyed) {
    const size_t size = TableSizeFor(keyed);
    const size_t mask = size - 1;
    std::vector<Slot, TableAllocator<Slot>> table(size, Slot{0, 0});
    const int tableBits = std::countr_zero(size);
    const int partBits = std::min(tableBits, 12);
    const int shift = tableBits - partBits;
    std::vector<uint32_t> starts((size_t{1} << partBits) + 1, 0);
    size_t listed = 0;
    for (const Node* node : nodes_) {
      if (node->key.empty()) continue;
      const uint32_t hash = HashOf(node->key.view());
      table[listed++] = Slot{node->id + 1, hash};
      ++starts[((hash & mask) >> shift) + 1];
    }
    for (size_t p = 1; p < starts.size(); ++p) starts[p] += starts[p - 1];
    std::vector<Slot, TableAllocator<Slot>> ordered(keyed);
    for (size_t k = 0; k < keyed; ++k) ordered[starts[(table[k].hash & mask) >> shift]++] = table[k];
    std::fill(table.begin(), table.begin() + static_cast<std::ptrdiff_t>(keyed), Slot{0, 0});
    for (const Slot& s : ordered) {
      size_t i = s.hash & mask;
      for (; table[i].node != 0; i = (i + 1) & mask) {
        if (table[i].hash == s.hash && detail::FoldedEqual{}(NodeById(table[i].node - 1)->key.view(), NodeById(s.node - 1)->key.view()))
          throw AppError(kErrDuplicateKey, "Collection.Add");
      }
      table[i] = s;
    }
    slots_ = std::move(table);
    keyed_ = keyed;
  }

  // Empties slot i and moves up the entries after it that probed past it.
  void EraseSlot(size_t i) noexcept {
    size_t mask = slots_.size() - 1;
    for (size_t j = (i + 1) & mask; slots_[j].node != 0; j = (j + 1) & mask) {
      size_t home = slots_[j].hash & mask;
      // The entry at j stays when its home lies cyclically in (i, j].
      bool stays = (i <= j) ? (home > i && home <= j) : (home > i || home <= j);
      if (!stays) {
        slots_[i] = slots_[j];
        i = j;
      }
    }
    slots_[i] = Slot{0, 0};
  }

  template <class U>
  Node* MakeNode(U&& item, std::string_view key) {
    uint32_t id;
    bool reused = !free_.empty();
    if (reused) {
      id = free_.back();
    } else {
      if (made_ >= std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
      id = static_cast<uint32_t>(made_);
      if (id >= bulkCount_ && PlaceOf(size_t{id} - bulkCount_).first == blocks_.size())
        blocks_.push_back(BlockPtr(static_cast<NodeStorage*>(AllocateTable(BlockBytes(blocks_.size()))),
                                   BlockFree{BlockBytes(blocks_.size())}));
    }
    Node* node = ::new (StorageOf(id)) Node(std::forward<U>(item), key, id);
    if (reused)
      free_.pop_back();
    else
      ++made_;
    return node;
  }

  void FreeNode(Node* node) noexcept {
    uint32_t id = node->id;
    node->~Node();
    // free_ has room: its capacity is raised before a node is taken out of the list.
    free_.push_back(id);
  }

  Node& NodeAt(int32_t pos, const char* source) {
    if (pos < 1 || static_cast<size_t>(pos) > nodes_.size()) throw AppError(kErrSubscript, source);
    return *nodes_[static_cast<size_t>(pos) - 1];
  }

  size_t IndexOf(const Node* node) const {
    if (node->index < validUpTo_) return node->index;
    for (size_t i = validUpTo_; i < nodes_.size(); ++i) nodes_[i]->index = static_cast<uint32_t>(i);
    validUpTo_ = nodes_.size();
    return node->index;
  }

  void EraseAt(size_t i) {
    Node* node = nodes_[i];
    free_.reserve(free_.size() + 1);
    if (!node->key.empty()) {
      EraseSlot(Probe(node->key.view(), HashOf(node->key.view())));
      --keyed_;
    }
    nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(i));
    FreeNode(node);
    if (validUpTo_ > i) validUpTo_ = i;
  }

  // This collection (holding nothing, no mirror) made the same as `o` shows.
  void CopyFrom(const Collection& o) {
    const Collection& from = o.Shown();
    AssignAll(from.nodes_.size(), [&from](size_t i) {
      const Node* n = from.nodes_[i];
      return std::pair<const T&, std::string_view>(n->item, n->key.view());
    });
  }

  // What this collection shows: its source's items while it is a mirror.
  const Collection& Shown() const noexcept { return mirrorOf_ ? *mirrorOf_ : *this; }
  // Before a change, or an item handed out that may change: a mirror and its source
  // part, the mirror taking a copy of its own (nothing changes when the copy fails).
  void Separate() {
    if (mirrorOf_) {
      Collection copy;
      copy.CopyFrom(*mirrorOf_);
      Unlink();
      Steal(copy);
    } else if (mirror_) {
      Collection copy;
      copy.CopyFrom(*this);
      Collection* mirror = mirror_;
      Unlink();
      mirror->Steal(copy);
    }
  }
  void Unlink() noexcept {
    if (mirrorOf_) mirrorOf_->mirror_ = nullptr;
    if (mirror_) mirror_->mirrorOf_ = nullptr;
    mirrorOf_ = mirror_ = nullptr;
  }
  // The links of a collection moved from into this one (which has none).
  void TakeLinks(Collection& o) noexcept {
    mirrorOf_ = o.mirrorOf_;
    mirror_ = o.mirror_;
    o.mirrorOf_ = o.mirror_ = nullptr;
    if (mirrorOf_) mirrorOf_->mirror_ = this;
    if (mirror_) mirror_->mirrorOf_ = this;
  }

  void Steal(Collection& o) noexcept {
    nodes_ = std::move(o.nodes_);
    slots_ = std::move(o.slots_);
    blocks_ = std::move(o.blocks_);
    bulk_ = std::move(o.bulk_);
    bulkCount_ = o.bulkCount_;
    free_ = std::move(o.free_);
    made_ = o.made_;
    keyed_ = o.keyed_;
    validUpTo_ = o.validUpTo_;
    o.nodes_.clear();
    o.slots_.clear();
    o.blocks_.clear();
    o.bulk_.reset();
    o.bulkCount_ = 0;
    o.free_.clear();
    o.made_ = 0;
    o.keyed_ = 0;
    o.validUpTo_ = 0;
  }

  static size_t BlockBytes(size_t block) noexcept { return (kFirstBlock << block) * sizeof(NodeStorage); }
  struct BlockFree {
    size_t bytes;
    void operator()(NodeStorage* p) const noexcept { FreeTable(p, bytes); }
  };
  using BlockPtr = std::unique_ptr<NodeStorage[], BlockFree>;

  std::vector<Node*, TableAllocator<Node*>> nodes_;  // position order
  std::vector<Slot, TableAllocator<Slot>> slots_;    // key table (size 0 or a power of two)
  std::vector<BlockPtr> blocks_;
  BlockPtr bulk_{nullptr, BlockFree{0}};              // the first bulkCount_ nodes (AssignAll)
  size_t bulkCount_ = 0;
  std::vector<uint32_t> free_;                        // ids of removed nodes, for reuse
  size_t made_ = 0;                                   // nodes ever placed in the blocks
  size_t keyed_ = 0;                                  // items with a key
  mutable size_t validUpTo_ = 0;  // nodes_[0..validUpTo_) carry their current index
  Collection* mirrorOf_ = nullptr;  // the source this collection shows (it holds nothing)
  Collection* mirror_ = nullptr;    // the mirror showing this collection's items
};

}  // namespace kz
