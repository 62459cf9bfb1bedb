// Packed files: one gzip member (RFC 1952) through zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

class KZ_EXPORT PackedData {
 public:
  // The largest content the driver holds (sizes are signed 32-bit).
  static constexpr size_t kMaxSize = 0x7fffffff;
  // True when the bytes begin with the gzip magic bytes.
  static bool IsPacked(const uint8_t* data, size_t size);
  // Unpacks gzip data (members that follow each other are joined). False with the
  // reason for corrupt or truncated data, trailing bytes, or content above kMaxSize.
  static bool Unpack(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why);
  // Packs bytes as one gzip member.
  static bool Pack(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why);
};

}  // namespace rudu
