#include "PathResolver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace rudu {

bool PathResolver::SplitCatalogPath(std::string_view path, std::string& catalog, std::string& inner) {
  size_t at = path.find("::");
  if (at == std::string_view::npos) return false;
  catalog.assign(path.substr(0, at));
  inner.assign(path.substr(at + 2));
  return true;
}

bool PathResolver::InnerIsSound(std::string_view inner, std::string& why) {
  if (inner.empty()) {
    why = "the path inside the catalog is empty";
    return false;
  }
  if (inner[0] == '\\' || inner[0] == '/' || (inner.size() >= 2 && inner[1] == ':')) {
    why = "the path inside the catalog is absolute";
    return false;
  }
  size_t start = 0;
  for (size_t i = 0; i <= inner.size(); ++i) {
    const char c = i < inner.size() ? inner[i] : '\\';
    if (c == '\\' || c == '/') {
      const size_t len = i - start;
      if (len == 0) {
        why = "the path inside the catalog has an empty name";
        return false;
      }
      if (inner[start] == '.' && (len == 1 || (len == 2 && inner[start + 1] == '.'))) {
        why = "the path inside the catalog holds \"" + std::string(inner.substr(start, len)) + "\"";
        return false;
      }
      start = i + 1;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      why = "the path inside the catalog holds a control character";
      return false;
    }
  }
  return true;
}

bool PathResolver::NormaliseInner(std::string_view inner, std::string& out, std::string& why) {
  out.clear();
  if (!InnerIsSound(inner, why)) return false;
  out.assign(inner);
  for (char& c : out)
    if (c == '/') c = '\\';
  return true;
}

std::string PathResolver::ToDiskSeparators(std::string_view path) {
  std::string out(path);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

namespace {

bool Exists(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (folder.back() == '/') return folder + std::string(name);
  return folder + "/" + std::string(name);
}

// The entry of `folder` whose name equals `name` without regard to case.
bool FindNoCase(const std::string& folder, std::string_view name, std::string& found) {
  DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = ::readdir(d)) {
    if (EqualNoCase(e->d_name, name)) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  ::closedir(d);
  return ok;
}

}  // namespace

bool PathResolver::ResolveExisting(std::string_view path, std::string& real) {
  std::string p = ToDiskSeparators(path);
  if (p.empty()) return false;
  if (Exists(p)) {
    real = std::move(p);
    return true;
  }
  if (errno != ENOENT) return false;
  std::string cur;
  size_t i = 0;
  if (p[0] == '/') {
    cur = "/";
    i = 1;
  }
  while (i <= p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    std::string_view name(p.data() + i, j - i);
    i = j + 1;
    if (name.empty()) continue;
    std::string cand = Join(cur, name);
    if (name == "." || name == ".." || Exists(cand)) {
      cur = std::move(cand);
      continue;
    }
    std::string found;
    if (!FindNoCase(cur, name, found)) return false;
    cur = Join(cur, found);
  }
  real = std::move(cur);
  return true;
}

std::string PathResolver::FolderOf(const std::string& diskPath) {
  size_t at = diskPath.rfind('/');
  if (at == std::string::npos) return "";
  if (at == 0) return "/";
  return diskPath.substr(0, at);
}

std::string PathResolver::NameOf(const std::string& diskPath) {
  size_t at = diskPath.rfind('/');
  return at == std::string::npos ? diskPath : diskPath.substr(at + 1);
}

bool PathResolver::HasExtension(std::string_view name, std::string_view ext) {
  return name.size() >= ext.size() && EqualNoCase(name.substr(name.size() - ext.size()), ext);
}

bool PathResolver::ResolveForCreate(std::string_view path, std::string& real, std::string& why) {
  std::string p = ToDiskSeparators(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  std::string folder = FolderOf(p);
  std::string name = NameOf(p);
  if (name.empty() || name == "." || name == ".." || p == "/") {
    why = "the path does not name a file";
    return false;
  }
  std::string realFolder;
  if (folder.empty()) {
    realFolder.clear();
  } else if (!ResolveExisting(folder, realFolder)) {
    why = "the folder \"" + folder + "\" does not exist";
    return false;
  }
  struct stat st;
  if (!realFolder.empty() && (::stat(realFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
    why = "\"" + realFolder + "\" is not a folder";
    return false;
  }
  std::string target = Join(realFolder, name);
  if (!Exists(target)) {
    std::string found;
    if (FindNoCase(realFolder, name, found)) target = Join(realFolder, found);
  }
  real = std::move(target);
  return true;
}

}  // namespace rudu
