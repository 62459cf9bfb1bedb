// kzxml::NodeTable<T>: a small value for each node of a pugixml document, looked up by
// the node's address.
//
// A document makes its nodes one after another in its memory pages, so nodes that
// follow one another in the text mostly lie side by side in memory. The table keeps
// their values side by side too: the address space is cut into windows of 512 node
// places, each window in use gets a block of 512 slots (found through a small hash of
// the windows, which stays in the cache), and a node its slot in that block. Walking a
// document in its order walks the blocks in order, instead of one cache miss per node;
// no two nodes ever share a slot (a slot is as wide as the smallest node), so a lookup
// costs the same whatever the document holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kzxml {

// How many low bits of a node address a slot leaves out (log2 of the size of a node).
unsigned NodeAddressShift() noexcept;

template <class T>
class NodeTable {
 public:
  NodeTable() : shift_(NodeAddressShift()) {}

  // The value of a node; T{} when it has none.
  T Get(const void* node) const noexcept {
    const uintptr_t a = reinterpret_cast<uintptr_t>(node) >> shift_;
    const uint32_t b = Block(a >> kSlotBits);
    return b ? slots_[(static_cast<size_t>(b - 1) << kSlotBits) | (a & kSlotMask)] : T{};
  }
  // Gives a node a value (T{} takes it away).
  void Set(const void* node, T value) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(node) >> shift_;
    uint32_t b = Block(a >> kSlotBits);
    if (!b) {
      if (value == T{}) return;
      b = AddBlock(a >> kSlotBits);
    }
    T& slot = slots_[(static_cast<size_t>(b - 1) << kSlotBits) | (a & kSlotMask)];
    if (slot == T{}) {
      if (value != T{}) ++count_;
    } else if (value == T{}) {
      --count_;
    }
    slot = value;
  }
  // The number of nodes with a value.
  size_t Count() const noexcept { return count_; }
  bool Empty() const noexcept { return count_ == 0; }
  void Clear() noexcept {
    windows_.clear();
    slots_.clear();
    blocks_ = 0;
    count_ = 0;
    lastWindow_ = 0;
    lastBlock_ = 0;
  }

 private:
  static constexpr unsigned kSlotBits = 9;
  static constexpr uintptr_t kSlotMask = (uintptr_t{1} << kSlotBits) - 1;
  // A window in use and its block (numbered from 1); window 0 marks a free entry (the
  // keys are stored one higher).
  struct Window {
    uintptr_t key = 0;
    uint32_t block = 0;
  };

  static size_t Hash(uintptr_t key) noexcept { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32); }

  // The block of a window; 0 when it has none.
  uint32_t Block(uintptr_t window) const noexcept {
    const uintptr_t key = window + 1;
    if (key == lastWindow_) return lastBlock_;
    if (windows_.empty()) return 0;
    const size_t mask = windows_.size() - 1;
    for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
      const Window& w = windows_[i];
      if (w.key == key) {
        lastWindow_ = key;
        lastBlock_ = w.block;
        return w.block;
      }
      if (w.key == 0) return 0;
    }
  }

  uint32_t AddBlock(uintptr_t window) {
    if ((blocks_ + 1) * 2 > windows_.size()) {
      std::vector<Window> old = std::move(windows_);
      windows_.assign(old.empty() ? 16 : old.size() * 2, Window{});
      for (const Window& w : old)
        if (w.key) Place(w);
    }
    const Window w{window + 1, ++blocks_};
    Place(w);
    slots_.resize(static_cast<size_t>(blocks_) << kSlotBits, T{});
    lastWindow_ = w.key;
    lastBlock_ = w.block;
    return w.block;
  }

  void Place(const Window& w) {
    const size_t mask = windows_.size() - 1;
    size_t i = Hash(w.key) & mask;
    while (windows_[i].key) i = (i + 1) & mask;
    windows_[i] = w;
  }

  unsigned shift_;
  std::vector<Window> windows_;  // a power of two, at most half full
  std::vector<T> slots_;         // block b at (b - 1) * 512
  uint32_t blocks_ = 0;
  size_t count_ = 0;
  // The window looked up last: a walk asks for the same window many times running.
  mutable uintptr_t lastWindow_ = 0;
  mutable uint32_t lastBlock_ = 0;
};

}  // namespace kzxml
