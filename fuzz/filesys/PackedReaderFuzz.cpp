// The packed-file reader on any bytes: it must fail cleanly or give content that
// packs and unpacks back to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "PackedData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> plain;
  std::string why;
  if (!rudu::PackedData::Unpack(data, size, plain, why)) {
    if (why.empty() || !plain.empty()) std::abort();
    return 0;
  }
  std::vector<uint8_t> packed, back;
  if (!rudu::PackedData::Pack(plain.data(), plain.size(), packed, why)) std::abort();
  if (!rudu::PackedData::Unpack(packed.data(), packed.size(), back, why) || back != plain) std::abort();
  return 0;
}
