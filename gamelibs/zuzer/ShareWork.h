// Items of work shared between the calling thread and a few helper threads.
#pragma once

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace zuzer {

// The processors this thread may run on (at least one).
inline size_t UsableProcessors() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

// Up to `wanted` helpers, one fewer than the processors at hand: a helper beyond them
// only takes turns with the caller, and costs a thread.
inline size_t HelperThreads(size_t wanted) { return std::min(wanted, UsableProcessors() - 1); }

// Runs work(0) ... work(count - 1), each once, on the calling thread and on up to
// `helpers` threads started for it, and returns when all are done (the first error
// thrown by an item is thrown again here). The caller takes items itself, so it
// never waits for a helper that the system has not yet given time to: a helper that
// starts after the last item was taken leaves at once.
inline void ShareWork(size_t count, size_t helpers, const std::function<void(size_t)>& work) {
  if (count == 0) return;
  struct Shared {
    std::function<void(size_t)> work;
    size_t count = 0;
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::condition_variable allDone;
    size_t done = 0;
    std::exception_ptr error;
  };
  auto shared = std::make_shared<Shared>();
  shared->work = work;
  shared->count = count;
  const auto take = [](Shared& s) {
    for (size_t k; (k = s.next.fetch_add(1)) < s.count;) {
      std::exception_ptr error;
      try {
        s.work(k);
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> g(s.lock);
      if (error && !s.error) s.error = error;
      if (++s.done == s.count) s.allDone.notify_all();
    }
  };
  for (size_t t = 0; t < helpers && t + 1 < count; ++t) {
    try {
      std::thread([shared, take] { take(*shared); }).detach();
    } catch (const std::system_error&) {
      break;  // no thread to be had: the caller does the rest
    }
  }
  take(*shared);
  std::unique_lock<std::mutex> g(shared->lock);
  shared->allDone.wait(g, [&] { return shared->done == shared->count; });
  if (shared->error) std::rethrow_exception(shared->error);
}

}  // namespace zuzer
