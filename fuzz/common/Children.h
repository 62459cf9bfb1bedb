// The handles below a text resource handle: a document's pages, a page's strings.
#pragma once

#include <cstdint>
#include <vector>

#include "videdoded/videdoded.h"

namespace fuzzhandles {

// In their order; none for a handle that holds none (or names nothing).
inline std::vector<int32_t> Children(int32_t h) {
  int32_t n = 0;
  Kz_EnumObjects(h, nullptr, 0, &n);
  std::vector<int32_t> out(static_cast<size_t>(n));
  if (n) Kz_EnumObjects(h, out.data(), n, &n);
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace fuzzhandles
