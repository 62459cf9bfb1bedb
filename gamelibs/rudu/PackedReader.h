// The content of a large packed file read without holding it: each read unpacks the
// bytes asked for straight into the caller's buffer, so that the content is held once
// (by the caller) while it is read.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rudu {

class PackedReader {
 public:
  PackedReader() = default;
  ~PackedReader();
  PackedReader(const PackedReader&) = delete;
  PackedReader& operator=(const PackedReader&) = delete;

  // Takes packed bytes and checks them whole in one pass that keeps nothing of the
  // content (corrupt or truncated data, trailing bytes and contents above 2^31-1
  // bytes are refused as PackedData::Unpack refuses them). False with the reason.
  bool Open(std::vector<uint8_t> packed, std::string& why);
  // The unpacked size.
  size_t Size() const { return size_; }
  // Copies `count` unpacked bytes from offset `at` (at + count <= Size()). Reading on
  // from where the last read ended, or a little before it, unpacks nothing twice; an
  // earlier offset starts again from the beginning.
  bool Read(size_t at, uint8_t* out, size_t count, std::string& why);

 private:
  bool Start(std::string& why);
  // Unpacks the next `count` bytes of the content into `out`.
  bool Produce(uint8_t* out, size_t count, std::string& why);

  static constexpr size_t kWindow = 64 * 1024;
  std::vector<uint8_t> packed_;
  z_stream z_{};
  bool started_ = false;
  size_t size_ = 0;
  size_t streamPos_ = 0;             // content bytes unpacked since the start
  std::vector<uint8_t> window_;      // the last bytes unpacked: [windowStart_, streamPos_)
  size_t windowStart_ = 0;
};

}  // namespace rudu
