#pragma once
// Large blocks of memory for the big stores of a load (records, and the large node and
// key tables of the collections): whole large pages taken from the system, aligned to
// a large page. A block given back is kept for the next load that asks for the same
// size: fresh memory costs the kernel a cleared page for every page touched, memory
// used before costs nothing. Kept blocks are marked as free for the system (it takes
// their pages back when it needs them, without asking), and no more is kept than a
// quarter of the machine's memory. Thread-safe.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Memory for big buffers. From a few megabytes on, a buffer is aligned to and advised
// for large pages before it is first touched (fresh memory is costly page by page); the
// room lost to the alignment is never touched. From kPooledFrom on (the size of a
// record chunk), it is a block of the page pool, which the next buffer of that size
// takes again. Smaller ones stay with the heap, which reuses their memory for anything:
// kept apart, they would lie idle beside the next file's content while it is read.
// FreeLarge takes the size given to AllocateLarge.
inline constexpr size_t kAdvisedFrom = 2 * PagePool::kLargePage;
inline constexpr size_t kPooledFrom = size_t{16} << 20;
inline void* AllocateLarge(size_t bytes) {
  if (bytes < kAdvisedFrom) return ::operator new(bytes);
  if (bytes > std::numeric_limits<size_t>::max() - 2 * PagePool::kLargePage) throw std::bad_alloc();
  if (bytes >= kPooledFrom) return PagePool::Take(PagePool::RoundUp(bytes));
  char* raw = static_cast<char*>(::operator new(bytes + PagePool::kLargePage + sizeof(char*)));
  uintptr_t at = (reinterpret_cast<uintptr_t>(raw) + sizeof(char*) + PagePool::kLargePage - 1) & ~(PagePool::kLargePage - 1);
  ::madvise(reinterpret_cast<void*>(at), bytes & ~(PagePool::kLargePage - 1), MADV_HUGEPAGE);
  char* block = reinterpret_cast<char*>(at);
  std::memcpy(block - sizeof(char*), &raw, sizeof(char*));
  return block;
}
inline void FreeLarge(void* p, size_t bytes) noexcept {
  if (!p) return;
  if (bytes < kAdvisedFrom) {
    ::operator delete(p);
    return;
  }
  if (bytes >= kPooledFrom) {
    PagePool::Give(p, PagePool::RoundUp(bytes));
    return;
  }
  char* raw;
  std::memcpy(&raw, static_cast<char*>(p) - sizeof(char*), sizeof(char*));
  ::operator delete(raw);
}

// Memory for a table sized from a count (a collection's node block, key table and list
// of positions; a load's lists of records): from kTablePooledFrom on, a block of the page
// pool, so that the next table of that size (the same file read again) takes memory
// already paged in rather than memory the heap has given back to the system in between;
// smaller ones as AllocateLarge.
inline constexpr size_t kTablePooledFrom = size_t{1} << 20;
inline void* AllocateTable(size_t bytes) {
  if (bytes >= kTablePooledFrom && bytes <= std::numeric_limits<size_t>::max() - PagePool::kLargePage)
    return PagePool::Take(PagePool::RoundUp(bytes));
  return AllocateLarge(bytes);
}
inline void FreeTable(void* p, size_t bytes) noexcept {
  if (p && bytes >= kTablePooledFrom)
    PagePool::Give(p, PagePool::RoundUp(bytes));
  else
    FreeLarge(p, bytes);
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
// A vector whose large buffers are taken as AllocateLarge says.
template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// The same for a table sized once (AllocateTable).
template <class T>
struct TableAllocator {
  using value_type = T;
  TableAllocator() = default;
  template <class U>
  TableAllocator(const TableAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateTable(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { FreeTable(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const TableAllocator<U>&) const noexcept { return true; }
};
template <class T>
using TableVector = std::vector<T, TableAllocator<T>>;

}  // namespace kz
