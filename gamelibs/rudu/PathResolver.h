// Paths of the file driver: catalog paths ("<catalog>::<inner path>"), inner paths
// checked and joined with "\", and disk paths found without regard to letter case.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

// ASCII letter case folding, the one the driver uses everywhere.
inline char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
KZ_EXPORT bool EqualNoCase(std::string_view a, std::string_view b);
// A case-folded 64-bit hash (FNV-1a) for names compared with EqualNoCase.
KZ_EXPORT uint64_t HashNoCase(std::string_view s);

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
  // The folder part of a disk path ("" for a bare name) and the last name.
  static std::string FolderOf(const std::string& diskPath);
  static std::string NameOf(const std::string& diskPath);
  // True when the name ends in `ext` (such as ".pck"), without regard to case.
  static bool HasExtension(std::string_view name, std::string_view ext);
};

}  // namespace rudu
