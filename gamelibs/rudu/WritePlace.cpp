#include "WritePlace.h"

#include <limits.h>
#include <stdlib.h>

#include "CatalogIndex.h"
#include "PathResolver.h"

namespace rudu {

namespace {

// A disk path as a write reaches it: case, links, and the folder spelt from the root.
bool DiskPlace(const std::string& path, std::string& out, std::string& why) {
  std::string real;
  if (!PathResolver::ResolveForCreate(path, real, why) || !PathResolver::FollowLinks(real, real, why)) return false;
  const std::string folder = PathResolver::FolderOf(real);
  char resolved[PATH_MAX];
  if (!::realpath(folder.empty() ? "." : folder.c_str(), resolved)) {
    why = "the folder of the path cannot be found";
    return false;
  }
  const std::string root(resolved);
  out = (root == "/" ? root : root + "/") + PathResolver::NameOf(real);
  return true;
}

}  // namespace

bool ResolveWritePlace(const std::string& path, WritePlace& place, std::string& why) {
  place = WritePlace();
  std::string catalog, inner;
  if (!PathResolver::SplitCatalogPath(path, catalog, inner)) return DiskPlace(path, place.disk, why);
  if (!PathResolver::NormaliseInner(inner, place.inner, why) || !DiskPlace(catalog, place.disk, why)) return false;
  for (char& c : place.inner) c = FoldCase(c);
  std::string error;
  if (auto index = CatalogIndex::Open(place.disk, error)) {
    if (!DiskPlace(index->DataPath(), place.data, why)) place.data = index->DataPath();
  } else {
    // A new (or unreadable) catalog: a save makes the data file beside the index.
    std::string name = PathResolver::NameOf(place.disk);
    if (PathResolver::HasExtension(name, ".cat")) name.resize(name.size() - 4);
    const std::string folder = PathResolver::FolderOf(place.disk);
    place.data = (folder == "/" ? folder : folder + "/") + name + ".dat";
  }
  return true;
}

}  // namespace rudu
