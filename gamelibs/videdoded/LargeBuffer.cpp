#include "LargeBuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>

namespace videdoded {

namespace {

constexpr size_t kMin = size_t{4} << 20;
constexpr uintptr_t kPage = 4096;

struct Kept {
  std::mutex mutex;
  std::string buffer;
};
Kept& TheKept() {
  static Kept* kept = new Kept;  // never destroyed: a text may be let go of past the statics
  return *kept;
}

// The whole pages of s's room past its first page (where its first bytes stand).
void Advise(std::string& s, size_t n, int advice) {
  const uintptr_t from = (reinterpret_cast<uintptr_t>(s.data()) + kPage) & ~(kPage - 1);
  const uintptr_t to = (reinterpret_cast<uintptr_t>(s.data()) + n) & ~(kPage - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, advice);
}

}  // namespace

void ReserveLarge(std::string& s, size_t n) {
  if (n <= s.capacity()) return;
  if (n >= kMin) {
    Kept& k = TheKept();
    std::lock_guard<std::mutex> lock(k.mutex);
    if (k.buffer.capacity() >= n) {
      s.swap(k.buffer);
      std::string().swap(k.buffer);
      return;
    }
  }
  s.reserve(n);
  // Only the first bytes are touched by reserve (the terminating NUL); the advice
  // takes effect for every page still untouched, and is harmless where it cannot.
  if (n >= kMin) Advise(s, n, MADV_HUGEPAGE);
}

void KeepLarge(std::string&& s) noexcept {
  const size_t room = s.capacity();
  if (room < kMin || room > kKeptMost) return;
  std::string gone;
  s.clear();
#ifdef MADV_FREE
  Advise(s, room, MADV_FREE);
#endif
  Kept& k = TheKept();
  std::lock_guard<std::mutex> lock(k.mutex);
  if (k.buffer.capacity() >= room) return;  // s goes with the caller
  gone.swap(k.buffer);                      // the smaller one kept so far goes here
  k.buffer.swap(s);
}

}  // namespace videdoded
