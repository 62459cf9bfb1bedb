// Reading from a file descriptor until the count is met or the file ends.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace rudu {

// Reads up to `size` bytes, going on after short reads and interruptions. The bytes
// read (fewer only at the end of the file), or -1 with errno set on a read error.
inline ssize_t ReadFully(int fd, void* buffer, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(fd, static_cast<char*>(buffer) + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace rudu
