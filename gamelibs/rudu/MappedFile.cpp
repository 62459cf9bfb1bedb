#include "MappedFile.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
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

}  // namespace

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
  g_begin[slot].store(begin, std::memory_order_release);
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const uint8_t*>(at), size, slot));
}

MappedFile::~MappedFile() {
  {
    std::lock_guard<std::mutex> lock(g_placesMutex);
    g_begin[slot_].store(0, std::memory_order_release);
    g_end[slot_].store(0, std::memory_order_release);
  }
  ::munmap(const_cast<uint8_t*>(data_), size_);
}

}  // namespace rudu
