// Where a write of a path lands, as the driver resolves the path (names found without
// regard to case, links followed, folders spelt from the root): for callers that must
// tell whether two paths lead to the same file.
#pragma once

#include <string>

#include "HandleTable.h"  // KZ_EXPORT

namespace rudu {

struct WritePlace {
  // The disk file written: the plain file, or the catalog's index.
  std::string disk;
  // For a catalog path: the catalog's data file and the inner path, in small letters
  // with "\" between its names. Both "" for a plain path.
  std::string data;
  std::string inner;
  bool InCatalog() const { return !inner.empty(); }
};

// The place a write of `path` (plain or catalog) changes; the file need not exist. False
// with the reason for a path that names no place a file can be written (its folder
// missing, a link loop, a refused inner path).
KZ_EXPORT bool ResolveWritePlace(const std::string& path, WritePlace& place, std::string& why);

}  // namespace rudu
