#include "PathResolver.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// As many links as the system follows in one path before it calls it a loop.
constexpr int kMaxLinks = 40;

bool ReadLink(const std::string& link, off_t sizeHint, std::string& to) {
  std::vector<char> buf(static_cast<size_t>(sizeHint > 0 ? sizeHint : PATH_MAX) + 1);
  for (;;) {
    const ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buf.size()) {
      to.assign(buf.data(), static_cast<size_t>(n));
      return true;
    }
    buf.resize(buf.size() * 2);  // the link grew since it was looked at
  }
}

std::string InQuotes(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

bool PathResolver::FollowLinks(const std::string& diskPath, std::string& target, std::string& why) {
  std::string cur = diskPath;
  struct stat st;
  int links = 0, lastError = 0;
  for (;;) {
    if (::lstat(cur.c_str(), &st) != 0) {
      lastError = errno;
      break;
    }
    if (!S_ISLNK(st.st_mode)) break;
    if (++links > kMaxLinks) {
      why = "it is a link that leads in a loop";
      return false;
    }
    std::string to;
    if (!ReadLink(cur, st.st_size, to)) {
      why = "the link " + InQuotes(cur) + " cannot be read: " + std::strerror(errno);
      return false;
    }
    if (to.empty()) {
      why = "the link " + InQuotes(cur) + " names nothing";
      return false;
    }
    if (to[0] == '/') {
      cur = std::move(to);
    } else {
      const std::string folder = FolderOf(cur);
      cur = folder.empty() ? to : Join(folder, to);
    }
  }
  if (links == 0) {
    target = diskPath;
    return true;
  }
  // The last link names `cur`, which is there (and is no link) or is to be made.
  if (lastError == ELOOP) {
    why = "it is a link that leads in a loop";
    return false;
  }
  while (cur.size() > 1 && cur.back() == '/') cur.pop_back();
  const std::string folder = FolderOf(cur), name = NameOf(cur);
  if (name.empty() || name == "." || name == "..") {
    why = "it is a link to " + InQuotes(cur) + ", which does not name a file";
    return false;
  }
  char real[PATH_MAX];
  if (!::realpath(folder.empty() ? "." : folder.c_str(), real)) {
    if (errno == ELOOP)
      why = "it is a link that leads in a loop";
    else
      why = "it is a link to " + InQuotes(cur) + ", whose folder does not exist";
    return false;
  }
  if (::stat(real, &st) != 0 || !S_ISDIR(st.st_mode)) {
    why = "it is a link to " + InQuotes(cur) + ", whose folder does not exist";
    return false;
  }
  target = Join(real, name);
  return true;
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
