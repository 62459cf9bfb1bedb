#include "LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace videdoded {

void ReserveLarge(std::string& s, size_t n) {
  constexpr size_t kMin = size_t{4} << 20;
  if (n <= s.capacity()) return;
  s.reserve(n);
  if (n < kMin) return;
  // Only the first bytes are touched by reserve (the terminating NUL); the advice
  // takes effect for every page still untouched, and is harmless where it cannot.
  const uintptr_t page = 4096;
  uintptr_t from = (reinterpret_cast<uintptr_t>(s.data()) + page) & ~(page - 1);
  uintptr_t to = (reinterpret_cast<uintptr_t>(s.data()) + n) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace videdoded
