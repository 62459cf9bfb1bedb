// Memory for a large array filled from its start, not cleared unless asked for. A
// block of any bytes comes from the heap; a large one let go of is kept a while (up to
// a bound) for the next one of about its size: reading the catalogs again, when the
// file system is built anew, then takes memory already paged in, where fresh pages
// cost a fault and a clearing each (the heap itself may have handed such a block back
// to the system, or not, depending on how blocks were let go of). A large block of zeros is
// taken straight from the system: its fresh pages read as zeros without a pass to
// clear them, and it is taken in 2 MB pages where the system gives them (every fresh
// small page costs a fault when it is first written).
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace rudu {

namespace detail {

// Large heap blocks let go of lately, for the next blocks of about their size.
class SpareBlocks {
 public:
  static constexpr size_t kFrom = size_t{256} << 10;  // smaller blocks go back to the heap
  static constexpr size_t kKeep = size_t{128} << 20;  // at most this much kept

  static SpareBlocks& Get() {
    static SpareBlocks* s = new SpareBlocks;  // never destroyed: blocks are let go of while the process ends
    return *s;
  }
  // A kept block of `bytes` to twice that (the smallest), null when there is none;
  // `size` is its size.
  char* Take(size_t bytes, size_t& size) {
    std::lock_guard<std::mutex> g(lock_);
    size_t best = blocks_.size();
    for (size_t k = 0; k < blocks_.size(); ++k)
      if (blocks_[k].second >= bytes && blocks_[k].second / 2 <= bytes &&
          (best == blocks_.size() || blocks_[k].second < blocks_[best].second))
        best = k;
    if (best == blocks_.size()) return nullptr;
    char* p = blocks_[best].first;
    size = blocks_[best].second;
    total_ -= size;
    blocks_[best] = blocks_.back();
    blocks_.pop_back();
    return p;
  }
  // Keeps a block; false (the caller frees it) when that would pass the bound.
  bool Keep(char* p, size_t size) {
    std::lock_guard<std::mutex> g(lock_);
    if (total_ + size > kKeep) return false;
    blocks_.emplace_back(p, size);
    total_ += size;
    return true;
  }

 private:
  std::mutex lock_;
  std::vector<std::pair<char*, size_t>> blocks_;
  size_t total_ = 0;
};

}  // namespace detail

class PageBlock {
 public:
  enum Start { kZeros, kAnyBytes };
  PageBlock() = default;
  // At least `bytes`: all zero, or (kAnyBytes) whatever a heap block held before.
  explicit PageBlock(size_t bytes, Start fill = kZeros) { Take(bytes, fill); }
  ~PageBlock() { Release(); }
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;
  PageBlock(PageBlock&& other) noexcept { Steal(other); }
  PageBlock& operator=(PageBlock&& other) noexcept {
    if (this != &other) {
      Release();
      Steal(other);
    }
    return *this;
  }

  char* data() const { return data_; }
  size_t size() const { return size_; }  // what may be used (at least what was asked for)

 private:
  static constexpr size_t kHugePage = size_t{2} << 20;
  static constexpr size_t kMapFrom = size_t{256} << 10;  // smaller blocks of zeros come from the heap

  static size_t MappedLength(size_t bytes) {
    const size_t unit = bytes >= kHugePage ? kHugePage : 4096;
    return (bytes + unit - 1) / unit * unit;
  }

  void Take(size_t bytes, Start fill) {
    if (fill == kAnyBytes && bytes >= detail::SpareBlocks::kFrom) {
      size_t kept = 0;
      if (char* p = detail::SpareBlocks::Get().Take(bytes, kept)) {
        data_ = p;
        size_ = kept;
        mapped_ = false;
        return;
      }
    }
    if (fill == kAnyBytes || bytes < kMapFrom) {
      data_ = static_cast<char*>(fill == kZeros ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1));
      if (!data_) throw std::bad_alloc();
      size_ = bytes;
      mapped_ = false;
      return;
    }
    const size_t length = MappedLength(bytes);
    // Taken a huge page longer and cut to a huge page's bound at both ends, so that
    // the system can back all of it with huge pages.
    const size_t extra = length >= kHugePage ? kHugePage : 0;
    void* p = ::mmap(nullptr, length + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    char* start = static_cast<char*>(p);
    if (extra) {
      const uintptr_t at = reinterpret_cast<uintptr_t>(start);
      const size_t head = ((at + kHugePage - 1) & ~(kHugePage - 1)) - at;
      if (head) ::munmap(start, head);
      if (extra - head) ::munmap(start + head + length, extra - head);
      start += head;
      ::madvise(start, length, MADV_HUGEPAGE);
    }
    data_ = start;
    size_ = length;
    mapped_ = true;
  }

  void Release() {
    if (!data_) return;
    if (mapped_)
      ::munmap(data_, size_);
    else if (size_ < detail::SpareBlocks::kFrom || !detail::SpareBlocks::Get().Keep(data_, size_))
      std::free(data_);
    data_ = nullptr;
    size_ = 0;
  }

  void Steal(PageBlock& other) {
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = other.mapped_;
  }

  char* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
};

}  // namespace rudu
