#include "CatalogIndex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "PathResolver.h"

namespace rudu {

namespace {

std::string Quoted(std::string_view s) {
  std::string q;
  q.reserve(s.size() + 2);
  q += '"';
  q.append(s);
  q += '"';
  return q;
}

bool ReadWhole(const std::string& path, std::string& out, std::string& why) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "not a file";
    ::close(fd);
    return false;
  }
  if (st.st_size > 0x7fffffff) {
    why = "the file is too large";
    ::close(fd);
    return false;
  }
  out.clear();
  out.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  ::close(fd);
  return true;
}

}  // namespace

bool CatalogIndex::Parse(std::string text, uint64_t dataSize, std::string& why) {
  text_ = std::move(text);
  entries_.clear();
  dataName_.clear();
  dataSize_ = dataSize;
  total_ = 0;
  if (std::memchr(text_.data(), 0, text_.size()) != nullptr) {
    why = "it is not a catalog index (it holds binary data)";
    return false;
  }
  size_t pos = 0;
  size_t lineNo = 0;
  bool first = true;
  std::string pathWhy;
  while (pos < text_.size()) {
    size_t end = text_.find('\n', pos);
    if (end == std::string::npos) end = text_.size();
    size_t lineEnd = end;
    if (lineEnd > pos && text_[lineEnd - 1] == '\r') --lineEnd;
    std::string_view line(text_.data() + pos, lineEnd - pos);
    const size_t lineStart = pos;
    pos = end + 1;
    ++lineNo;
    if (first) {
      first = false;
      if (line.empty() || line.find_first_of("/\\") != std::string_view::npos || line == "." ||
          line == "..") {
        why = "it is not a catalog index (its first line does not name a data file)";
        return false;
      }
      for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20) {
          why = "it is not a catalog index (its first line does not name a data file)";
          return false;
        }
      dataName_.assign(line);
      continue;
    }
    if (line.empty()) continue;
    size_t blank = line.rfind(' ');
    if (blank == std::string_view::npos || blank + 1 == line.size()) {
      why = "line " + std::to_string(lineNo) + " has no size";
      return false;
    }
    std::string_view digits = line.substr(blank + 1);
    uint64_t size = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || size > 0x7fffffff) {
        why = "line " + std::to_string(lineNo) + " has no valid size";
        return false;
      }
      size = size * 10 + static_cast<uint64_t>(c - '0');
    }
    if (size > 0x7fffffff) {
      why = "line " + std::to_string(lineNo) + " has a size above 2^31-1";
      return false;
    }
    std::string_view path = line.substr(0, blank);
    if (!PathResolver::InnerIsSound(path, pathWhy)) {
      why = "line " + std::to_string(lineNo) + ": " + pathWhy;
      return false;
    }
    // Inner paths are kept with "\" between their names.
    for (size_t k = 0; k < path.size(); ++k)
      if (text_[lineStart + k] == '/') text_[lineStart + k] = '\\';
    std::string_view norm(text_.data() + lineStart, path.size());
    if (total_ + size > dataSize_) {
      why = "the entry " + Quoted(norm) + " on line " + std::to_string(lineNo) +
            " runs past the end of the data file (" + std::to_string(dataSize_) + " bytes)";
      return false;
    }
    if (lineStart > 0xffffffffULL || entries_.size() >= 0x7fffffff) {
      why = "the index is too large";
      return false;
    }
    entries_.push_back(Entry{static_cast<uint32_t>(lineStart), static_cast<uint32_t>(norm.size()),
                             static_cast<uint32_t>(size), true, total_});
    total_ += size;
  }
  if (first) {
    why = "it is not a catalog index (it is empty)";
    return false;
  }
  // A later line of the same path hides the earlier ones; the table finds live entries.
  size_t cap = 16;
  while (cap < entries_.size() * 2) cap <<= 1;
  slots_.assign(cap, kNoEntry);
  for (size_t i = entries_.size(); i-- > 0;) {
    std::string_view p = Path(i);
    size_t s = static_cast<size_t>(HashNoCase(p)) & (cap - 1);
    while (slots_[s] != kNoEntry) {
      if (EqualNoCase(Path(slots_[s]), p)) {
        entries_[i].live = false;
        break;
      }
      s = (s + 1) & (cap - 1);
    }
    if (entries_[i].live) slots_[s] = static_cast<uint32_t>(i);
  }
  return true;
}

bool CatalogIndex::Load(const std::string& catalogPath, std::string& error) {
  catalogPath_ = catalogPath;
  std::string text, why;
  if (!ReadWhole(catalogPath, text, why)) {
    error = "Cannot read catalog " + Quoted(catalogPath) + ": " + why;
    return false;
  }
  // The data file's name is the first line.
  size_t nl = text.find('\n');
  std::string name = text.substr(0, nl == std::string::npos ? text.size() : nl);
  if (!name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty() || name.find_first_of("/\\") != std::string::npos || name == "." || name == ".." ||
      name.find('\0') != std::string::npos) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: it is not a catalog index (its first line does not name a data file)";
    return false;
  }
  std::string folder = PathResolver::FolderOf(catalogPath);
  std::string wanted = folder.empty() ? name : (folder == "/" ? "/" + name : folder + "/" + name);
  struct stat st;
  if (!PathResolver::ResolveExisting(wanted, dataPath_) || ::stat(dataPath_.c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode)) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: its data file " + Quoted(wanted) + " is missing";
    return false;
  }
  if (!Parse(std::move(text), static_cast<uint64_t>(st.st_size), why)) {
    error = "Catalog " + Quoted(catalogPath) + " is invalid: " + why;
    return false;
  }
  return true;
}

namespace {

struct Signature {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const Signature&) const = default;
};

bool SignatureOf(const std::string& path, Signature& s) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return true;
}

struct CacheItem {
  Signature cat, dat;
  std::shared_ptr<const CatalogIndex> index;
};

struct Cache {
  std::mutex lock;
  std::map<std::string, CacheItem> items;
};

Cache& TheCache() {
  static Cache* c = new Cache;  // never destroyed: used while the process ends
  return *c;
}

}  // namespace

std::shared_ptr<const CatalogIndex> CatalogIndex::Open(std::string_view path, std::string& error) {
  std::string real;
  if (path.empty()) {
    error = "No catalog given";
    return nullptr;
  }
  if (!PathResolver::ResolveExisting(path, real)) {
    error = "Catalog " + Quoted(path) + " not found";
    return nullptr;
  }
  Signature catSig;
  struct stat st;
  if (!SignatureOf(real, catSig) || ::stat(real.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "Catalog " + Quoted(real) + " is not a file";
    return nullptr;
  }
  Cache& cache = TheCache();
  {
    std::lock_guard<std::mutex> g(cache.lock);
    auto it = cache.items.find(real);
    Signature datSig;
    if (it != cache.items.end() && it->second.cat == catSig &&
        SignatureOf(it->second.index->DataPath(), datSig) && it->second.dat == datSig)
      return it->second.index;
  }
  auto index = std::make_shared<CatalogIndex>();
  if (!index->Load(real, error)) return nullptr;
  CacheItem item;
  item.cat = catSig;
  if (!SignatureOf(index->DataPath(), item.dat)) {
    error = "Catalog " + Quoted(real) + " is invalid: its data file is missing";
    return nullptr;
  }
  item.index = index;
  std::lock_guard<std::mutex> g(cache.lock);
  if (cache.items.size() > 256) cache.items.clear();
  cache.items[real] = std::move(item);
  return index;
}

void CatalogIndex::ClearCache() {
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> g(cache.lock);
  cache.items.clear();
}

long CatalogIndex::Find(std::string_view innerPath) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  size_t s = static_cast<size_t>(HashNoCase(innerPath)) & mask;
  while (slots_[s] != kNoEntry) {
    if (EqualNoCase(Path(slots_[s]), innerPath)) return static_cast<long>(slots_[s]);
    s = (s + 1) & mask;
  }
  return -1;
}

bool CatalogIndex::PeekEntry(size_t i, size_t count, std::vector<uint8_t>& out, std::string& error) const {
  const Entry& e = entries_.at(i);
  const size_t want = std::min<size_t>(count, e.size);
  out.resize(want);
  int fd = ::open(dataPath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "Cannot read data file " + Quoted(dataPath_) + ": " + std::strerror(errno);
    out.clear();
    return false;
  }
  size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(fd, out.data() + got, want - got, static_cast<off_t>(e.offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got < want) {
    error = "Data file " + Quoted(dataPath_) + " is truncated: the entry " + Quoted(Path(i)) + " is cut short";
    out.clear();
    return false;
  }
  return true;
}

bool CatalogIndex::ReadEntry(size_t i, std::vector<uint8_t>& out, std::string& error) const {
  return PeekEntry(i, entries_.at(i).size, out, error);
}

std::string CatalogIndex::EmptyText(std::string_view dataName) { return std::string(dataName) + "\n"; }

std::string CatalogIndex::TextWith(std::string_view innerPath, uint32_t size) const {
  std::string out = EmptyText(dataName_);
  out.reserve(text_.size() + innerPath.size() + 16);
  for (size_t i = 0; i < entries_.size(); ++i) {
    out.append(Path(i));
    out += ' ';
    out += std::to_string(entries_[i].size);
    out += '\n';
  }
  out.append(innerPath);
  out += ' ';
  out += std::to_string(size);
  out += '\n';
  return out;
}

}  // namespace rudu
