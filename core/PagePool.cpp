#include "core/PagePool.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

namespace kz::PagePool {
namespace {

struct Kept {
  void* at;
  size_t size;
};

struct State {
  std::mutex mutex;
  std::vector<Kept> kept;
  size_t keptBytes = 0;
  size_t inUse = 0;
};

State& Shared() {
  static State* state = new State;  // never destroyed: stores may outlive statics
  return *state;
}

size_t Limit() noexcept {
  static const size_t limit = [] {
    long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && page > 0 ? static_cast<size_t>(pages) / 4 * static_cast<size_t>(page) : size_t{1} << 30;
  }();
  return limit;
}

}  // namespace

void* Take(size_t size) {
  State& s = Shared();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = s.kept.size(); i-- > 0;) {
      if (s.kept[i].size != size) continue;
      void* at = s.kept[i].at;
      s.kept.erase(s.kept.begin() + static_cast<std::ptrdiff_t>(i));
      s.keptBytes -= size;
      s.inUse += size;
      return at;
    }
  }
  if (size == 0 || size > SIZE_MAX - kLargePage) throw std::bad_alloc();
  // Mapped with a large page of slack, then trimmed to the aligned part.
  const size_t span = size + kLargePage;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const uintptr_t begin = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t at = (begin + kLargePage - 1) & ~(uintptr_t{kLargePage} - 1);
  if (at > begin) ::munmap(raw, at - begin);
  if (begin + span > at + size) ::munmap(reinterpret_cast<void*>(at + size), begin + span - (at + size));
  ::madvise(reinterpret_cast<void*>(at), size, MADV_HUGEPAGE);
  std::lock_guard<std::mutex> lock(s.mutex);
  s.inUse += size;
  return reinterpret_cast<void*>(at);
}

void Give(void* at, size_t size) noexcept {
  if (!at) return;
  State& s = Shared();
  bool keep;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.inUse -= size;
    keep = s.keptBytes + size <= Limit();
    if (keep) s.keptBytes += size;  // room held while the block is marked
  }
  if (keep) {
    // Marked before another load can take it: what that load writes stays.
#ifdef MADV_FREE
    ::madvise(at, size, MADV_FREE);
#endif
    std::lock_guard<std::mutex> lock(s.mutex);
    try {
      s.kept.push_back(Kept{at, size});
      return;
    } catch (const std::bad_alloc&) {
      s.keptBytes -= size;
    }
  }
  ::munmap(at, size);
}

size_t InUse() noexcept {
  State& s = Shared();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.inUse;
}

}  // namespace kz::PagePool
