// Room for big texts (whole files) without a page fault for every few kilobytes.
#pragma once

#include <cstddef>
#include <string>

namespace videdoded {

// Reserves room for n bytes in an empty text: the buffer KeepLarge kept when it has the
// room, else fresh memory; for a buffer of several megabytes the fresh memory is
// advised to be backed by large pages before it is first touched.
void ReserveLarge(std::string& s, size_t n);

// Takes the buffer of a large text let go of (one of several megabytes, up to
// kKeptMost), for the next ReserveLarge: memory used before costs neither a page fault
// nor a cleared page, fresh memory both. One buffer is kept, a larger one in the place
// of a smaller one; its pages are marked as free for the system, which takes them back
// when it needs them, without asking.
inline constexpr size_t kKeptMost = size_t{256} << 20;
void KeepLarge(std::string&& s) noexcept;

}  // namespace videdoded
