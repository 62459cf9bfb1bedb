// Image loading through the image library: the first byte picks the file's kind
// (TGA, BMP, PNG, DDS), the rest is the file. Any bytes load or fail cleanly; a loaded
// bitmap's pixels are all there (every row is copied whole, under the address check).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "vup.h"

// The image decoders of the system's image library leak a few bytes on some damaged
// files; those leaks are theirs, not this library's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libIL.so\n"; }

namespace {

std::string Folder() {
  static std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/kz-image-fuzz-XXXXXX";
    if (!::mkdtemp(base.data())) abort();
    VUP_Init();
    return base;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kKinds[] = {"tga", "bmp", "png", "dds"};
  const std::string path = Folder() + "/image." + kKinds[data[0] % 4];
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) abort();
  if (size > 1 && ::write(fd, data + 1, size - 1) != static_cast<ssize_t>(size - 1)) abort();
  ::close(fd);
  const int32_t bitmap = VUP_ConvertToHBitmap(path.c_str(), 0);
  if (bitmap == 0) return 0;
  int32_t width = 0, height = 0, stride = 0;
  if (!VUP_GetBitmapInfo(bitmap, &width, &height, &stride) || width <= 0 || height <= 0 || stride != width * 4)
    abort();
  const uint8_t* bits = VUP_GetBitmapBits(bitmap);
  if (bits == nullptr) abort();
  static std::vector<uint8_t> row;
  row.resize(static_cast<size_t>(stride));
  unsigned sum = 0;
  for (int64_t y = 0; y < height; ++y) {
    std::memcpy(row.data(), bits + y * stride, row.size());
    sum += row.front() + row.back();
  }
  if (sum == 0xffffffffu) std::fputc(' ', stderr);  // keeps the reads
  VUP_DeleteBitmap(bitmap);
  return 0;
}
