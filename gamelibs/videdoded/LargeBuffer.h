// Room for big texts (whole files) without a page fault for every few kilobytes.
#pragma once

#include <cstddef>
#include <string>

namespace videdoded {

// Reserves room for n bytes in an empty text; for a buffer of several megabytes the
// fresh memory is advised to be backed by large pages before it is first touched.
void ReserveLarge(std::string& s, size_t n);

}  // namespace videdoded
