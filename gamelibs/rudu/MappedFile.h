// A large disk file mapped for reading, in place of a copy of its bytes: reading it
// costs neither fresh memory nor a copy. Should another program cut the file short
// while it is mapped, the pages past its new end read as zeros (a read racing the cut
// would have seen a torn file as well) instead of ending the program with a bus error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace rudu {

class MappedFile {
 public:
  // Files from this size on are mapped; smaller ones are read.
  static constexpr size_t kFrom = size_t{16} << 20;

  // Maps `size` bytes of an open regular file; null when it cannot be mapped safely
  // (the caller then reads the file).
  static std::unique_ptr<MappedFile> Map(int fd, size_t size);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  MappedFile(const uint8_t* data, size_t size, int slot) : data_(data), size_(size), slot_(slot) {}
  const uint8_t* data_;
  size_t size_;
  int slot_;  // its place among the mappings the bus-error handler knows
};

}  // namespace rudu
