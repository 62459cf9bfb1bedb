// A large file read through the mapped path while it is cut short: the file is
// 16 MiB and a few bytes, with the input's bytes at the places the input names. The
// input's first bytes say where it is cut (and where reads go); the bytes before the
// cut read as written, those after it as zeros, and the program goes on.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "../common/FuzzFolder.h"
#include "MappedFile.h"
#include "rudu.h"

namespace {

constexpr uint64_t kSize = rudu::MappedFile::kFrom + 12345;

uint32_t Word(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Cut point, then up to 8 read places, then the file's bytes.
  if (size < 8) return 0;
  const uint64_t cut = Word(data) % (kSize + 1);
  const std::string path = (fuzzfolder::Root() / "large.bin").string();
  std::vector<uint64_t> places;
  size_t at = 4;
  const size_t places_count = data[at++] % 9;
  for (size_t i = 0; i < places_count && at + 4 <= size; ++i, at += 4) places.push_back(Word(data + at) % kSize);
  // The content: zeros (a sparse file, quick to make), with the rest of the input at the start, the middle and the end.
  static const std::string pattern = [] {
    std::string p(kSize, '\0');
    p[0] = 'K';
    return p;
  }();
  static std::string content = pattern;
  const std::string_view rest(reinterpret_cast<const char*>(data) + at, size - at);
  const uint64_t wheres[] = {1, kSize / 2, kSize - rest.size()};
  for (const uint64_t where : wheres) std::memcpy(content.data() + where, rest.data(), std::min<uint64_t>(rest.size(), kSize - where));
  // (the first byte stays: never the mark of a packed file, so this one is read as it lies)
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kSize)) != 0 || ::pwrite(fd, "K", 1, 0) != 1) std::abort();
  for (const uint64_t where : wheres) {
    const size_t n = std::min<uint64_t>(rest.size(), kSize - where);
    if (::pwrite(fd, content.data() + where, n, static_cast<off_t>(where)) != static_cast<ssize_t>(n)) std::abort();
  }
  ::close(fd);

  const int32_t f = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  if (f == 0) std::abort();
  if (RuDU_FileSize(f) != static_cast<int32_t>(kSize)) std::abort();
  // A first read before the cut sees the file as it was.
  char head[64];
  if (RuDU_ReadFile(f, head, sizeof head) != sizeof head || std::memcmp(head, content.data(), sizeof head) != 0)
    std::abort();
  if (::truncate(path.c_str(), static_cast<off_t>(cut)) != 0) std::abort();
  // Each read place: a few bytes there, then the whole file in one read.
  // Bytes [from, from + n) as read: as written before the cut, zeros after it.
  static const std::string zeros(kSize, '\0');
  const auto as_expected = [&](const char* got, uint64_t from, uint64_t n) {
    const uint64_t before = from < cut ? std::min(n, cut - from) : 0;
    return std::memcmp(got, content.data() + from, before) == 0 && std::memcmp(got + before, zeros.data(), n - before) == 0;
  };
  std::vector<char> buffer(4096);
  for (const uint64_t place : places) {
    if (RuDU_SeekFile(f, static_cast<int32_t>(place), 0) != static_cast<int32_t>(place)) std::abort();
    const int32_t got = RuDU_ReadFile(f, buffer.data(), static_cast<int32_t>(buffer.size()));
    if (got != static_cast<int32_t>(std::min<uint64_t>(buffer.size(), kSize - place))) std::abort();
    if (!as_expected(buffer.data(), place, static_cast<uint64_t>(got))) std::abort();
  }
  if (RuDU_SeekFile(f, 0, 0) != 0) std::abort();
  static std::string whole(kSize, 'x');
  if (RuDU_ReadFile(f, whole.data(), static_cast<int32_t>(kSize)) != static_cast<int32_t>(kSize)) std::abort();
  if (!as_expected(whole.data(), 0, kSize)) std::abort();
  RuDU_CloseFile(f);
  // The file as it now is reads whole again.
  const int32_t g = RuDU_OpenFile(path.c_str(), 0, 0, 0);
  if (g == 0 || RuDU_FileSize(g) != static_cast<int32_t>(cut)) std::abort();
  RuDU_CloseFile(g);
  for (const uint64_t where : wheres)
    std::memcpy(content.data() + where, pattern.data() + where, std::min<uint64_t>(rest.size(), kSize - where));
  return 0;
}
