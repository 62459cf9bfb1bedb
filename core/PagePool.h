#pragma once
// Large blocks of memory for the big stores of a load (records, collection nodes and
// key tables): whole large pages taken from the system, aligned to a large page. A
// block given back is kept for the next load that asks for the same size: fresh
// memory costs the kernel a cleared page for every page touched, memory used before
// costs nothing. Kept blocks are marked as free for the system (it takes their pages
// back when it needs them, without asking), and no more is kept than a quarter of the
// machine's memory. Thread-safe.
#include <cstddef>
#include <limits>
#include <new>
#include <vector>

namespace kz::PagePool {

inline constexpr size_t kLargePage = size_t{2} << 20;

// `bytes` rounded up to whole large pages: the size a block is taken and given with.
constexpr size_t RoundUp(size_t bytes) noexcept { return (bytes + kLargePage - 1) & ~(kLargePage - 1); }

// A block of `size` bytes (a multiple of kLargePage); throws std::bad_alloc.
void* Take(size_t size);
// Takes a block back (it is kept for reuse or given to the system).
void Give(void* at, size_t size) noexcept;
// The bytes of all blocks taken and not given back.
size_t InUse() noexcept;

}  // namespace kz::PagePool

namespace kz {

// Memory for big buffers: from a few megabytes on, whole large pages of the page pool,
// which keeps them for the next buffer of that size (fresh memory is costly page
// by page). FreeLarge takes the size given to AllocateLarge.
inline void* AllocateLarge(size_t bytes) {
  if (bytes < 2 * PagePool::kLargePage) return ::operator new(bytes);
  if (bytes > std::numeric_limits<size_t>::max() - 2 * PagePool::kLargePage) throw std::bad_alloc();
  return PagePool::Take(PagePool::RoundUp(bytes));
}
inline void FreeLarge(void* p, size_t bytes) noexcept {
  if (!p) return;
  if (bytes < 2 * PagePool::kLargePage) {
    ::operator delete(p);
    return;
  }
  PagePool::Give(p, PagePool::RoundUp(bytes));
}

template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};
// A vector whose large buffers come from the page pool.
template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace kz
