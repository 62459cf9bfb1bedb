// Paths of the file driver: catalog paths ("<catalog>::<inner path>"), inner paths
// checked and joined with "\", and disk paths found without regard to letter case.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

// ASCII letter case folding, the one the driver uses everywhere.
inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

namespace detail {

// The helpers below are small and sit on the paths that read every name: always
// inlined (a call through the shared libraries' symbol tables costs more than they do).
#define KZ_ALWAYS_INLINE __attribute__((always_inline)) inline

// Eight bytes with the ASCII capitals turned into small letters.
KZ_ALWAYS_INLINE uint64_t FoldWord(uint64_t x) {
  constexpr uint64_t k7f = 0x7f7f7f7f7f7f7f7fULL, k80 = 0x8080808080808080ULL;
  const uint64_t low = x & k7f;
  const uint64_t geA = low + 0x3f3f3f3f3f3f3f3fULL;  // high bit when >= 'A'
  const uint64_t gtZ = low + 0x2525252525252525ULL;  // high bit when > 'Z'
  const uint64_t upper = (geA ^ gtZ) & ~x & k80;
  return x | (upper >> 2);
}

KZ_ALWAYS_INLINE uint64_t Load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// The last 1 to 7 bytes of a text as a little-endian word with zeros above them.
KZ_ALWAYS_INLINE uint64_t LoadTail(const char* p, size_t n) {
  if (n >= 4) {
    uint32_t lo, hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + n - 4, 4);  // overlaps lo with the same bytes in the same places
    return static_cast<uint64_t>(lo) | static_cast<uint64_t>(hi) << (8 * (n - 4));
  }
  const auto b = [p](size_t i) { return static_cast<uint64_t>(static_cast<unsigned char>(p[i])); };
  return b(0) | b(n / 2) << (8 * (n / 2)) | b(n - 1) << (8 * (n - 1));
}

// Where HashNoCase starts (the text's length is mixed in first).
constexpr uint64_t kHashSeed = 0x243f6a8885a308d3ULL;

KZ_ALWAYS_INLINE uint64_t Mix(uint64_t h, uint64_t w) {
  h ^= w;
  h *= 0x9e3779b97f4a7c15ULL;
  return h ^ (h >> 29);
}

// Spreads every bit of a hash over the low ones, which pick the table slots: without
// it the last bytes of a text (where paths usually differ) never reach them.
KZ_ALWAYS_INLINE uint64_t Finish(uint64_t h) {
  h ^= h >> 32;
  h *= 0xd6e8feb86659fd93ULL;
  return h ^ (h >> 32);
}

}  // namespace detail

KZ_ALWAYS_INLINE bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const size_t n = a.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8)
    if (detail::FoldWord(detail::Load8(a.data() + i)) != detail::FoldWord(detail::Load8(b.data() + i))) return false;
  return i == n || detail::FoldWord(detail::LoadTail(a.data() + i, n - i)) ==
                       detail::FoldWord(detail::LoadTail(b.data() + i, n - i));
}

// A case-folded 64-bit hash for names compared with EqualNoCase (eight bytes a step).
KZ_ALWAYS_INLINE uint64_t HashNoCase(std::string_view s) {
  uint64_t h = detail::kHashSeed ^ s.size();
  const size_t n = s.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) h = detail::Mix(h, detail::FoldWord(detail::Load8(s.data() + i)));
  if (i < n) h = detail::Mix(h, detail::FoldWord(detail::LoadTail(s.data() + i, n - i)));
  return detail::Finish(h);
}

// Where the last name of a "\"-separated path begins, and where its extension's dot
// is (the path's length when it has none; a name's leading dot starts no extension).
inline void SplitInnerName(std::string_view path, uint32_t& nameStart, uint32_t& stemEnd) {
  const size_t slash = path.rfind('\\');
  nameStart = slash == std::string_view::npos ? 0 : static_cast<uint32_t>(slash + 1);
  const size_t dot = path.rfind('.');
  stemEnd = (dot == std::string_view::npos || dot <= nameStart) ? static_cast<uint32_t>(path.size())
                                                                 : static_cast<uint32_t>(dot);
}

class KZ_EXPORT PathResolver {
 public:
  // Splits "<catalog>::<inner>" at the first "::". False for a plain path.
  static bool SplitCatalogPath(std::string_view path, std::string& catalog, std::string& inner);
  // Checks an inner path and gives it with "\" between its names. False with the
  // reason for an empty or absolute path, ".", ".." or empty names, control characters.
  static bool InnerIsSound(std::string_view inner, std::string& why);
  static bool NormaliseInner(std::string_view inner, std::string& out, std::string& why);
  // "\" becomes "/"; repeated separators stay as the system reads them.
  static std::string ToDiskSeparators(std::string_view path);
  // Finds an existing file or folder without regard to case; `real` is the path as
  // it is spelt on disk. False when nothing matches.
  static bool ResolveExisting(std::string_view path, std::string& real);
  // The path to write: its folder must exist (found without regard to case); the
  // last name reuses an existing entry of any case, else stays as given.
  static bool ResolveForCreate(std::string_view path, std::string& real, std::string& why);
  // Where a write of a disk path lands. A path that is a symbolic link, or a chain of
  // them, gives the file the last link names (a relative target is taken from its
  // link's folder), which need not exist yet; its folder is given as the system
  // spells it from the root. Any other path stays as it is. False with the reason for
  // links that lead in a loop, or to a name whose folder does not exist.
  static bool FollowLinks(const std::string& diskPath, std::string& target, std::string& why);
  // The folder part of a disk path ("" for a bare name) and the last name.
  static std::string FolderOf(const std::string& diskPath);
  static std::string NameOf(const std::string& diskPath);
  // True when the name ends in `ext` (such as ".pck"), without regard to case.
  static bool HasExtension(std::string_view name, std::string_view ext);
};

}  // namespace rudu
