// The streaming reader of large packed files on any bytes: it accepts exactly what
// the whole-content unpacker accepts, and reads at any offsets, forwards, backwards
// and skipping ahead, give the bytes the unpacker gives.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PackedData.h"
#include "PackedReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> plain;
  std::string why;
  const bool whole = rudu::PackedData::Unpack(data, size, plain, why);
  rudu::PackedReader reader;
  const bool streamed = reader.Open(std::vector<uint8_t>(data, data + size), why);
  if (whole != streamed) std::abort();
  if (!streamed) {
    if (why.empty()) std::abort();
    return 0;
  }
  if (reader.Size() != plain.size()) std::abort();
  // Offsets and lengths from a small generator seeded by the input.
  uint32_t state = static_cast<uint32_t>(size) * 2654435761u + 1;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  std::vector<uint8_t> out;
  for (int step = 0; step < 16 && !plain.empty(); ++step) {
    const size_t at = next() % plain.size();
    const size_t count = std::min<size_t>(plain.size() - at, 1 + next() % (2 * 65536 + 7));
    out.assign(count, 0);
    if (!reader.Read(at, out.data(), count, why)) std::abort();
    if (std::memcmp(out.data(), plain.data() + at, count) != 0) std::abort();
  }
  return 0;
}
