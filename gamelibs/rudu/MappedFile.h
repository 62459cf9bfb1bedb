// A large disk file mapped for reading, in place of a copy of its bytes: reading it
// costs neither fresh memory nor a copy. Should another program cut the file short
// while it is mapped, the pages past its new end read as zeros (a read racing the cut
// would have seen a torn file as well) instead of ending the program with a bus error.
//
// A reader that keeps what it read where it stands, long after the load (records whose
// texts are the file's bytes), asks for the mapping to be guarded: a lease on the file
// then holds back any program that opens it for writing or cuts it until the mapping
// has a copy of the bytes of its own, made in the same place, so that the bytes read
// there never change. Replacing the file (a save writes a new file and renames it over
// the old one) leaves the mapped file as it was and needs nothing.
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

  // Guards the mapping (see above) when it is not yet; false when no lease can be had
  // (a file of another user, one open for writing elsewhere, a file system without
  // leases): the bytes may then change while mapped.
  bool Guard();
  bool Guarded() const { return guarded_; }

 private:
  MappedFile(const uint8_t* data, size_t size, int slot, int fd) : data_(data), size_(size), slot_(slot), fd_(fd) {}
  const uint8_t* data_;
  size_t size_;
  int slot_;  // its place among the mappings the bus-error handler knows
  int fd_;    // the file, open for reading (-1: none kept), for the lease
  bool guarded_ = false;
};

}  // namespace rudu
