// The catalog index reader on any bytes: the first four give the data file's size,
// the rest is the index text. A sound index must keep its promises.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "CatalogIndex.h"
#include "PathResolver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint64_t dataSize = static_cast<uint64_t>(data[0]) | static_cast<uint64_t>(data[1]) << 8 |
                            static_cast<uint64_t>(data[2]) << 16 | static_cast<uint64_t>(data[3]) << 24;
  rudu::CatalogIndex index;
  std::string why;
  if (!index.Parse(std::string(reinterpret_cast<const char*>(data) + 4, size - 4), dataSize, why)) {
    if (why.empty()) std::abort();
    return 0;
  }
  uint64_t offset = 0;
  for (size_t i = 0; i < index.Count(); ++i) {
    const auto& e = index.At(i);
    if (e.offset != offset || e.offset + e.size > dataSize) std::abort();
    offset += e.size;
    // The path finds its last line.
    const long found = index.Find(index.Path(i));
    if (found < static_cast<long>(i) || !rudu::EqualNoCase(index.Path(static_cast<size_t>(found)), index.Path(i)))
      std::abort();
  }
  if (offset != index.Total()) std::abort();
  // What the driver writes back must read back the same way.
  rudu::CatalogIndex again;
  if (!again.Parse(index.TextWith("fuzz\\new.txt", 0), dataSize, why)) std::abort();
  if (again.Count() != index.Count() + 1 || again.Find("FUZZ\\NEW.TXT") != static_cast<long>(index.Count())) std::abort();
  return 0;
}
