// Opening files for reading without ever blocking on a special file, and reading
// from a file descriptor until the count is met or the file ends.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace rudu {

// What a file that is not a regular file is, for error texts ("a named pipe").
inline const char* KindOfSpecial(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

// Opens a regular file for reading. A named pipe, a socket or a device is refused
// before anything is read from it: the open itself never waits (O_NONBLOCK), and the
// opened descriptor is checked with fstat. -1 on failure, with errno set, or with
// `special` set to KindOfSpecial() when the path names something that is no regular
// file (errno is then EINVAL).
inline int OpenRegularForReading(const char* path, const char*& special, struct stat* info = nullptr) {
  special = nullptr;
  int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0) {
    const int err = errno;
    // A socket cannot be opened at all: say what it is rather than the system's text.
    if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
      special = KindOfSpecial(st.st_mode);
      errno = EINVAL;
    } else {
      errno = err;
    }
    return -1;
  }
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    special = KindOfSpecial(st.st_mode);
    errno = EINVAL;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (info) *info = st;
  return fd;
}

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
