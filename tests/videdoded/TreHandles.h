// The handles below a text resource handle, for the text resource tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "videdoded/videdoded.h"

namespace vtest {

// A document's pages or a page's strings, in order; the listing must succeed.
inline std::vector<int32_t> Children(int32_t h) {
  int32_t n = 0;
  EXPECT_EQ(Kz_EnumObjects(h, nullptr, 0, &n), 1);
  std::vector<int32_t> out(static_cast<size_t>(n));
  if (n) Kz_EnumObjects(h, out.data(), n, &n);
  return out;
}

}  // namespace vtest
