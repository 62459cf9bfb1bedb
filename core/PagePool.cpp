#include "core/PagePool.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
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

size_t SmallPage() noexcept {
  static const size_t page = [] {
    const long p = ::sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<size_t>(p) : size_t{4096};
  }();
  return page;
}

size_t Limit() noexcept {
  static const size_t limit = [] {
    long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && page > 0 ? static_cast<size_t>(pages) / 4 * static_cast<size_t>(page) : size_t{1} << 30;
  }();
  return limit;
}

// Large pages for the whole large pages of the first `filled` bytes, small pages past
// them (also where the system gives large pages unasked), those of the filled part made
// at once: one call for them all costs far less than a fault for each (under a
// hypervisor above all), and they are touched in any case. Advice only: a block that
// cannot take it is used as it is, its pages made as they are touched.
void Advise(void* at, size_t size, size_t filled) noexcept {
  filled = std::min(filled, size);
  const size_t large = filled & ~(kLargePage - 1);
  char* begin = static_cast<char*>(at);
  if (large > 0) ::madvise(begin, large, MADV_HUGEPAGE);
  if (large == size) return;
  ::madvise(begin + large, size - large, MADV_NOHUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  const size_t page = SmallPage();
  if (filled > large) ::madvise(begin + large, (filled - large + page - 1) / page * page, MADV_POPULATE_WRITE);
#endif
}

}  // namespace

void* Take(size_t size, size_t filled) {
  State& s = Shared();
  void* kept = nullptr;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = s.kept.size(); i-- > 0;) {
      if (s.kept[i].size != size) continue;
      kept = s.kept[i].at;
      s.kept.erase(s.kept.begin() + static_cast<std::ptrdiff_t>(i));
      s.keptBytes -= size;
      s.inUse += size;
      break;
    }
  }
  if (kept) {
    // Advised for what this caller fills, which another may not have filled alike.
    Advise(kept, size, filled);
    return kept;
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
  // A block is seldom filled to its end (it is the size asked for rounded up), and a
  // large page touched at all is resident in full: the part past what is filled is left
  // to small pages, of which only those touched take memory.
  Advise(reinterpret_cast<void*>(at), size, filled);
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
    // A block of one large page is not kept: it is cheap to clear anew, while kept it
    // would stay resident until the system wants its pages (a short-lived table of a
    // load would so stay beside what the load keeps).
    keep = size > kLargePage && s.keptBytes + size <= Limit();
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
