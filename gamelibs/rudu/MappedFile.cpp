#include "MappedFile.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace rudu {
namespace {

// The mappings in use, as the bus-error handler reads them: [begin, end), begin 0 when
// the place is free. Set under the mutex; read by the handler without it.
constexpr int kPlaces = 64;
std::atomic<uintptr_t> g_begin[kPlaces];
std::atomic<uintptr_t> g_end[kPlaces];
std::mutex g_placesMutex;

struct sigaction g_previous;
uintptr_t g_pageSize = 4096;

// The leases of guarded mappings, as the lease handler reads them: the file's
// descriptor (-1 none) and where the place stands. Kept: the mapping is the file's;
// copying: the handler is making the copy; copied: the mapping holds a copy of its own
// (the lease is let go); closing: the mapping is going away.
enum LeaseState : int { kKept, kCopying, kCopied, kClosing };
std::atomic<int> g_leaseFd[kPlaces];
std::atomic<int> g_leaseState[kPlaces];
std::atomic<size_t> g_size[kPlaces];

// A bus error in a mapping (its file was cut short): the page is replaced by a page of
// zeros and the access is made again. Any other goes where it went before.
void OnBusError(int sig, siginfo_t* info, void* context) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(info->si_addr);
  for (int i = 0; i < kPlaces; ++i) {
    const uintptr_t begin = g_begin[i].load(std::memory_order_acquire);
    if (begin == 0 || at < begin || at >= g_end[i].load(std::memory_order_acquire)) continue;
    void* page = reinterpret_cast<void*>(at & ~(g_pageSize - 1));
    if (::mmap(page, g_pageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) return;
    break;
  }
  if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction) {
      g_previous.sa_sigaction(sig, info, context);
      return;
    }
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
    g_previous.sa_handler(sig);
    return;
  }
  // The access faults again and ends the program, as it would have without us.
  ::signal(sig, SIG_DFL);
}

// True when the handler is in place (installed at the first call; a handler another
// part of the program set later wins, and files are then read instead).
bool HandlerInPlace() {
  static const bool installed = [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    if (page > 0) g_pageSize = static_cast<uintptr_t>(page);
    struct sigaction sa {};
    sa.sa_sigaction = OnBusError;
    sa.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&sa.sa_mask);
    return ::sigaction(SIGBUS, &sa, &g_previous) == 0;
  }();
  if (!installed) return false;
  struct sigaction now {};
  return ::sigaction(SIGBUS, nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) && now.sa_sigaction == OnBusError;
}

// The signal a broken lease is told with (its siginfo names the descriptor).
int LeaseSignal() { return SIGRTMIN + 5; }

// Places the mapping's bytes in a copy of its own, in the same place: readers racing
// the move read the same bytes from the file's page or from the copy. Only system calls
// and memcpy: this runs in a signal handler.
void CopyInPlace(int place) {
  const uintptr_t begin = g_begin[place].load(std::memory_order_acquire);
  const size_t size = g_size[place].load(std::memory_order_acquire);
  const size_t span = (size + g_pageSize - 1) & ~(g_pageSize - 1);
  if (begin == 0 || span == 0) return;
  void* copy = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (copy == MAP_FAILED) return;
  std::memcpy(copy, reinterpret_cast<const void*>(begin), size);
  if (::mprotect(copy, span, PROT_READ) != 0 ||
      ::mremap(copy, span, span, MREMAP_MAYMOVE | MREMAP_FIXED, reinterpret_cast<void*>(begin)) == MAP_FAILED)
    ::munmap(copy, span);
}

// Another program (or this one) opens a guarded file for writing or cuts it: it waits
// until the mapping has its copy and the lease is let go.
void OnLeaseBroken(int, siginfo_t* info, void*) {
  const int savedErrno = errno;
  for (int i = 0; i < kPlaces; ++i) {
    const int fd = g_leaseFd[i].load(std::memory_order_acquire);
    if (fd < 0 || fd != info->si_fd) continue;
    int kept = kKept;
    if (!g_leaseState[i].compare_exchange_strong(kept, kCopying, std::memory_order_acq_rel)) break;
    CopyInPlace(i);
    ::fcntl(fd, F_SETLEASE, F_UNLCK);
    g_leaseState[i].store(kCopied, std::memory_order_release);
    break;
  }
  errno = savedErrno;
}

bool LeaseHandlerInPlace() {
  static const bool installed = [] {
    for (int i = 0; i < kPlaces; ++i) g_leaseFd[i].store(-1, std::memory_order_relaxed);
    struct sigaction before {};
    if (::sigaction(LeaseSignal(), nullptr, &before) != 0) return false;
    // A signal another part of the program handles is left to it.
    if ((before.sa_flags & SA_SIGINFO) ? before.sa_sigaction != nullptr
                                       : (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN))
      return false;
    struct sigaction sa {};
    sa.sa_sigaction = OnLeaseBroken;
    sa.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&sa.sa_mask);
    return ::sigaction(LeaseSignal(), &sa, nullptr) == 0;
  }();
  if (!installed) return false;
  struct sigaction now {};
  return ::sigaction(LeaseSignal(), nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) &&
         now.sa_sigaction == OnLeaseBroken;
}

}  // namespace

bool MappedFile::Guard() {
  if (guarded_) return true;
  if (fd_ < 0 || !LeaseHandlerInPlace()) return false;
  std::lock_guard<std::mutex> lock(g_placesMutex);
  // Known to the handler before the lease is taken: a break may come at once.
  g_leaseState[slot_].store(kKept, std::memory_order_relaxed);
  g_leaseFd[slot_].store(fd_, std::memory_order_release);
  if (::fcntl(fd_, F_SETSIG, LeaseSignal()) != 0 || ::fcntl(fd_, F_SETOWN, ::getpid()) != 0 ||
      ::fcntl(fd_, F_SETLEASE, F_RDLCK) != 0) {
    g_leaseFd[slot_].store(-1, std::memory_order_release);
    return false;
  }
  guarded_ = true;
  return true;
}

std::unique_ptr<MappedFile> MappedFile::Map(int fd, size_t size) {
  if (size == 0 || !HandlerInPlace()) return nullptr;
  std::lock_guard<std::mutex> lock(g_placesMutex);
  int slot = -1;
  for (int i = 0; i < kPlaces && slot < 0; ++i)
    if (g_begin[i].load(std::memory_order_relaxed) == 0) slot = i;
  if (slot < 0) return nullptr;
  void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  if (at == MAP_FAILED) return nullptr;
  const uintptr_t begin = reinterpret_cast<uintptr_t>(at);
  // Whole pages: a cut may reach the last page's part past the old end.
  g_end[slot].store((begin + size + g_pageSize - 1) & ~(g_pageSize - 1), std::memory_order_release);
  g_size[slot].store(size, std::memory_order_release);
  g_begin[slot].store(begin, std::memory_order_release);
  // The file stays open (for a lease, should the mapping be guarded).
  const int kept = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(at), size, slot, kept));
}

MappedFile::~MappedFile() {
  if (guarded_) {
    // A copy under way (in another thread's handler) is finished first.
    for (;;) {
      int state = g_leaseState[slot_].load(std::memory_order_acquire);
      if (state == kCopied) break;
      if (state == kKept && g_leaseState[slot_].compare_exchange_weak(state, kClosing, std::memory_order_acq_rel)) break;
      ::sched_yield();
    }
    g_leaseFd[slot_].store(-1, std::memory_order_release);
  }
  if (fd_ >= 0) ::close(fd_);  // lets the lease go
  {
    std::lock_guard<std::mutex> lock(g_placesMutex);
    g_begin[slot_].store(0, std::memory_order_release);
    g_end[slot_].store(0, std::memory_order_release);
    g_size[slot_].store(0, std::memory_order_release);
  }
  ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace rudu
