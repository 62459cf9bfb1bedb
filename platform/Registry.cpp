#include "platform/Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// <0, 0, >0 comparing folded names (subkeys are kept in this order).
int CompareNames(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(Fold(a[i])), y = static_cast<unsigned char>(Fold(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool ValidName(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  return true;
}

struct Value {
  std::string name;
  uint32_t type = REG_NONE;
  std::string data;
};

std::string Folded(std::string_view n) {
  std::string out(n);
  for (char& c : out) c = Fold(c);
  return out;
}

bool NameLess(const std::unique_ptr<struct Key>& k, std::string_view n);

// A key: its subkeys in name order (found by binary search) and its values in the
// order of first writing (found through an index by folded name), so that loading and
// looking up stay fast however many names a key holds.
struct Key {
  std::string name;
  std::vector<std::unique_ptr<Key>> subkeys;  // ordered by folded name
  std::vector<Value> values;                  // in order of first writing
  std::unordered_map<std::string, size_t> valueAt;  // folded name -> index in values

  Key* Sub(std::string_view n) const {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, NameLess);
    return it != subkeys.end() && SameName((*it)->name, n) ? it->get() : nullptr;
  }
  Key* CreateSub(std::string_view n) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, NameLess);
    if (it != subkeys.end() && SameName((*it)->name, n)) return it->get();
    auto k = std::make_unique<Key>();
    k->name = std::string(n);
    Key* raw = k.get();
    subkeys.insert(it, std::move(k));
    return raw;
  }
  Value* Val(std::string_view n) {
    auto it = valueAt.find(Folded(n));
    return it == valueAt.end() ? nullptr : &values[it->second];
  }
  // Writes a value: replaces the one of the same name in its place, else adds it last.
  Value& Put(Value v) {
    auto [it, added] = valueAt.try_emplace(Folded(v.name), values.size());
    if (added) return values.emplace_back(std::move(v));
    return values[it->second] = std::move(v);
  }
  bool Remove(std::string_view n) {
    auto it = valueAt.find(Folded(n));
    if (it == valueAt.end()) return false;
    const size_t at = it->second;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
    valueAt.erase(it);
    for (auto& [name, index] : valueAt)
      if (index > at) --index;
    return true;
  }
  std::unique_ptr<Key> Clone() const {
    auto k = std::make_unique<Key>();
    k->name = name;
    k->values = values;
    k->valueAt = valueAt;
    k->subkeys.reserve(subkeys.size());
    for (const auto& s : subkeys) k->subkeys.push_back(s->Clone());
    return k;
  }
};

bool NameLess(const std::unique_ptr<Key>& k, std::string_view n) { return CompareNames(k->name, n) < 0; }

struct Stamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& path) {
  Stamp s;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  return s;
}

struct Hive {
  int32_t handle;
  const char* rootName;
  const char* fileName;
  std::unique_ptr<Key> root;
  bool loaded = false;
  Stamp stamp;
};

struct OpenKey {
  int hive;
  std::vector<std::string> path;
};

struct Store {
  std::mutex mutex;
  std::string dir;
  Hive hives[3] = {{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "user.reg", nullptr, false, {}},
                   {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "machine.reg", nullptr, false, {}},
                   {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "classes.reg", nullptr, false, {}}};
  std::unordered_map<int32_t, OpenKey> handles;
  int32_t nextHandle = 1;
};

Store& S() {
  static Store store;
  return store;
}

std::string CurrentDir() {
  if (const char* d = std::getenv("KZ_REGISTRY_DIR"); d && *d) return d;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return std::string(x) + "/ze-zuzazo";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    if (struct passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
  }
  return std::string(home ? home : "/tmp") + "/.config/ze-zuzazo";
}

std::string HivePath(const Store& s, const Hive& h) { return s.dir + "/" + h.fileName; }

int HiveIndex(int32_t handle) {
  switch (handle) {
    case HKEY_CURRENT_USER: return 0;
    case HKEY_LOCAL_MACHINE: return 1;
    case HKEY_CLASSES_ROOT: return 2;
    default: return -1;
  }
}

std::vector<std::string> SplitPath(const char* subKey) {
  std::vector<std::string> parts;
  if (!subKey) return parts;
  std::string_view s(subKey);
  size_t start = 0;
  while (start <= s.size()) {
    size_t e = s.find('\\', start);
    if (e == std::string_view::npos) e = s.size();
    if (e > start) parts.emplace_back(s.substr(start, e - start));
    start = e + 1;
  }
  return parts;
}

// ---- file format -----------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

bool IsPlainText(const std::string& data) {
  if (data.empty() || data.back() != '\0') return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

void AppendValue(std::string& out, const Value& v) {
  static const char* hex = "0123456789abcdef";
  if (v.name.empty())
    out += '@';
  else
    AppendQuoted(out, v.name);
  out += '=';
  if (v.type == REG_SZ && IsPlainText(v.data)) {
    AppendQuoted(out, std::string_view(v.data.data(), v.data.size() - 1));
  } else if (v.type == REG_DWORD && v.data.size() == 4) {
    uint32_t d = 0;
    for (int i = 3; i >= 0; --i) d = (d << 8) | static_cast<unsigned char>(v.data[static_cast<size_t>(i)]);
    char buf[16];
    std::snprintf(buf, sizeof buf, "dword:%08x", d);
    out += buf;
  } else {
    if (v.type == REG_BINARY) {
      out += "hex:";
    } else {
      char buf[24];
      std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
      out += buf;
    }
    for (size_t i = 0; i < v.data.size(); ++i) {
      if (i) out += ',';
      unsigned char c = static_cast<unsigned char>(v.data[i]);
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  out += '\n';
}

void AppendKey(std::string& out, const Key& k, const std::string& path, bool isRoot) {
  if (!isRoot || !k.values.empty()) {
    out += '\n';
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& v : k.values) AppendValue(out, v);
  }
  for (const auto& s : k.subkeys) AppendKey(out, *s, path + "\\" + s->name, false);
}

std::string Serialize(const Hive& h) {
  std::string out = "; KzEditor settings store\n";
  AppendKey(out, *h.root, h.rootName, true);
  return out;
}

// Reads a quoted text at s[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  ++pos;
  out.clear();
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') return true;
    if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"')) c = s[pos++];
    out += c;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view s, std::string& out) {
  out.clear();
  size_t i = 0;
  auto skip = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  skip();
  if (i == s.size()) return true;
  for (;;) {
    skip();
    int a = i < s.size() ? HexDigit(s[i]) : -1;
    int b = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (a < 0 || b < 0) return false;
    out += static_cast<char>(a * 16 + b);
    i += 2;
    skip();
    if (i == s.size()) return true;
    if (s[i] != ',') return false;
    ++i;
  }
}

bool Parse(const std::string& text, Hive& h, std::string& error) {
  auto root = std::make_unique<Key>();
  root->name = h.rootName;
  Key* current = nullptr;
  std::vector<std::string> lines;
  {
    size_t start = 0;
    std::string_view t(text);
    if (t.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
    while (start < t.size()) {
      size_t e = t.find('\n', start);
      if (e == std::string_view::npos) e = t.size();
      std::string_view line = t.substr(start, e - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines.emplace_back(line);
      start = e + 1;
    }
  }
  bool first = true;
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string line = lines[n];
    size_t b = 0;
    while (b < line.size() && (line[b] == ' ' || line[b] == '\t')) ++b;
    if (b == line.size() || line[b] == ';') continue;
    if (line.find('\0') != std::string::npos) {
      error = "line " + std::to_string(n + 1) + ": binary data";
      return false;
    }
    if (first) {
      first = false;
      if (line.compare(b, std::string::npos, "REGEDIT4") == 0 || line.compare(b, 23, "Windows Registry Editor") == 0)
        continue;
    }
    if (line[b] == '[') {
      size_t e = line.rfind(']');
      if (e == std::string::npos || e < b + 1 || line.find_first_not_of(" \t", e + 1) != std::string::npos) {
        error = "line " + std::to_string(n + 1) + ": bad key line";
        return false;
      }
      std::string path = line.substr(b + 1, e - b - 1);
      std::vector<std::string> parts = SplitPath(path.c_str());
      if (parts.empty() || !SameName(parts[0], h.rootName)) {
        error = "line " + std::to_string(n + 1) + ": key outside " + h.rootName;
        return false;
      }
      current = root.get();
      for (size_t i = 1; i < parts.size(); ++i) {
        if (!ValidName(parts[i])) {
          error = "line " + std::to_string(n + 1) + ": bad key name";
          return false;
        }
        current = current->CreateSub(parts[i]);
      }
      continue;
    }
    if (!current) {
      error = "line " + std::to_string(n + 1) + ": value outside a key";
      return false;
    }
    Value v;
    size_t pos = b;
    if (line[pos] == '@') {
      ++pos;
    } else if (!ParseQuoted(line, pos, v.name) || v.name.empty()) {
      error = "line " + std::to_string(n + 1) + ": bad value name";
      return false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      error = "line " + std::to_string(n + 1) + ": '=' expected";
      return false;
    }
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    std::string_view rest = std::string_view(line).substr(pos);
    bool ok = false;
    if (!rest.empty() && rest[0] == '"') {
      std::string s;
      size_t p = 0;
      if (ParseQuoted(rest, p, s) && std::string_view(rest.substr(p)).find_first_not_of(" \t") == std::string_view::npos) {
        v.type = REG_SZ;
        v.data = s + '\0';
        ok = true;
      }
    } else if (rest.substr(0, 6) == "dword:") {
      std::string_view d = rest.substr(6);
      while (!d.empty() && (d.back() == ' ' || d.back() == '\t')) d.remove_suffix(1);
      if (!d.empty() && d.size() <= 8) {
        uint32_t x = 0;
        ok = true;
        for (char c : d) {
          int h2 = HexDigit(c);
          if (h2 < 0) ok = false;
          x = (x << 4) | static_cast<uint32_t>(h2 < 0 ? 0 : h2);
        }
        v.type = REG_DWORD;
        v.data.resize(4);
        for (int i = 0; i < 4; ++i) v.data[static_cast<size_t>(i)] = static_cast<char>((x >> (8 * i)) & 0xff);
      }
    } else if (rest.substr(0, 3) == "hex") {
      std::string_view r = rest.substr(3);
      uint32_t type = REG_BINARY;
      bool typeOk = true;
      if (!r.empty() && r[0] == '(') {
        size_t close = r.find(')');
        if (close == std::string_view::npos || close == 1 || close > 9) {
          typeOk = false;
        } else {
          type = 0;
          for (char c : r.substr(1, close - 1)) {
            int h2 = HexDigit(c);
            if (h2 < 0) typeOk = false;
            type = (type << 4) | static_cast<uint32_t>(h2 < 0 ? 0 : h2);
          }
          r = r.substr(close + 1);
        }
      }
      if (typeOk && !r.empty() && r[0] == ':') {
        std::string bytes(r.substr(1));
        // A long hex list may continue on the next lines after a trailing backslash.
        while (!bytes.empty() && bytes.back() == '\\' && n + 1 < lines.size()) {
          bytes.pop_back();
          bytes += lines[++n];
        }
        v.type = type;
        ok = ParseHexBytes(bytes, v.data);
      }
    }
    if (!ok || !ValidName(v.name)) {
      error = "line " + std::to_string(n + 1) + ": bad value";
      return false;
    }
    current->Put(std::move(v));
  }
  h.root = std::move(root);
  return true;
}

// What a hive path names when it is no regular file ("" when it is one).
std::string SpecialKind(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

// Reads a hive file. A named pipe, socket or device is refused without waiting on it
// (`special` then says what it is). err is errno on failure.
bool ReadFile(const std::string& path, std::string& out, int& err, std::string& special) {
  special.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0) {
    err = errno;
    if (::stat(path.c_str(), &st) == 0) special = SpecialKind(st.st_mode);
    return false;
  }
  if (::fstat(fd, &st) != 0 || !(special = SpecialKind(st.st_mode)).empty()) {
    err = special.empty() ? errno : EINVAL;
    ::close(fd);
    return false;
  }
  if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  out.clear();
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      err = errno;
      ::close(fd);
      return false;
    }
    if (r == 0) break;
    out.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  return true;
}

void SetAside(const std::string& path, const std::string& reason) {
  std::string target;
  for (int n = 1; n < 100000; ++n) {
    target = path + ".corrupt-" + std::to_string(n);
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) break;
  }
  if (::rename(path.c_str(), target.c_str()) == 0)
    std::fprintf(stderr, "KzEditor: warning: settings file %s is unreadable (%s); set aside as %s, defaults used\n",
                 path.c_str(), reason.c_str(), target.c_str());
  else
    std::fprintf(stderr, "KzEditor: warning: settings file %s is unreadable (%s) and could not be set aside (%s); defaults used\n",
                 path.c_str(), reason.c_str(), std::strerror(errno));
}

void Load(Store& s, Hive& h) {
  std::string path = HivePath(s, h);
  h.loaded = true;
  h.stamp = StampOf(path);
  std::string text;
  int err = 0;
  std::string special;
  if (!h.stamp.exists || !ReadFile(path, text, err, special)) {
    h.root = std::make_unique<Key>();
    h.root->name = h.rootName;
    if (h.stamp.exists && err != ENOENT) {
      SetAside(path, special.empty() ? std::string(std::strerror(err)) : "it is " + special + ", not a file");
      h.stamp = StampOf(path);
    }
    return;
  }
  std::string error;
  if (!Parse(text, h, error)) {
    h.root = std::make_unique<Key>();
    h.root->name = h.rootName;
    SetAside(path, error);
    h.stamp = StampOf(path);
  }
}

// Brings every hive up to date with the folder and the files.
void Refresh(Store& s, Hive& h) {
  std::string dir = CurrentDir();
  if (dir != s.dir) {
    s.dir = dir;
    for (auto& x : s.hives) {
      x.loaded = false;
      x.root.reset();
    }
  }
  if (!h.loaded || StampOf(HivePath(s, h)) != h.stamp) Load(s, h);
}

bool MakeDirs(const std::string& dir) {
  std::string cur;
  size_t pos = 0;
  while (pos <= dir.size()) {
    size_t e = dir.find('/', pos);
    if (e == std::string::npos) e = dir.size();
    cur = dir.substr(0, e);
    if (!cur.empty()) {
      if (::mkdir(cur.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    pos = e + 1;
  }
  struct stat st;
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}

// Removes "<hive file>.tmp-<process id>" files of processes that no longer run: a
// save that was killed before its rename leaves one behind.
void RemoveStaleTemporaries(const Store& s, const Hive& h) {
  DIR* dir = ::opendir(s.dir.c_str());
  if (!dir) return;
  const std::string prefix = std::string(h.fileName) + ".tmp-";
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name(e->d_name);
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(std::string(digits)));
    if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    const std::string path = s.dir + "/" + std::string(name);
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

bool Save(Store& s, Hive& h) {
  if (!MakeDirs(s.dir)) return false;
  RemoveStaleTemporaries(s, h);
  std::string path = HivePath(s, h);
  std::string tmp = path + ".tmp-" + std::to_string(::getpid());
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, Serialize(h)) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  h.stamp = StampOf(path);
  return true;
}

// An exclusive advisory lock on the store folder for one read-modify-write.
class FolderLock {
 public:
  explicit FolderLock(const std::string& dir) {
    if (!MakeDirs(dir)) return;
    fd_ = ::open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Resolves a handle to its hive and key (after bringing the hive up to date).
int32_t Resolve(Store& s, int32_t handle, Hive*& hive, Key*& key) {
  int hi = HiveIndex(handle);
  const OpenKey* open = nullptr;
  if (hi < 0) {
    auto it = s.handles.find(handle);
    if (it == s.handles.end()) return ERROR_INVALID_HANDLE;
    open = &it->second;
    hi = open->hive;
  }
  hive = &s.hives[hi];
  Refresh(s, *hive);
  key = hive->root.get();
  if (open) {
    for (const auto& part : open->path) {
      key = key->Sub(part);
      if (!key) return ERROR_KEY_DELETED;
    }
  }
  return ERROR_SUCCESS;
}

std::vector<std::string> PathOf(const Store& s, int32_t handle) {
  auto it = s.handles.find(handle);
  return it == s.handles.end() ? std::vector<std::string>{} : it->second.path;
}

int32_t NewHandle(Store& s, int hive, std::vector<std::string> path) {
  int32_t h = s.nextHandle++;
  s.handles.emplace(h, OpenKey{hive, std::move(path)});
  return h;
}

int HiveOfHandle(const Store& s, int32_t handle) {
  int hi = HiveIndex(handle);
  if (hi >= 0) return hi;
  auto it = s.handles.find(handle);
  return it == s.handles.end() ? -1 : it->second.hive;
}

// Runs a change on a hive under the folder lock; commits it to disk or undoes it.
template <class F>
int32_t Modify(Store& s, int32_t handle, F&& change) {
  if (HiveOfHandle(s, handle) < 0) return ERROR_INVALID_HANDLE;
  Refresh(s, s.hives[HiveOfHandle(s, handle)]);  // settles the folder before locking it
  FolderLock lock(s.dir);
  Hive* hive = nullptr;
  Key* key = nullptr;
  int32_t rc = Resolve(s, handle, hive, key);
  if (rc != ERROR_SUCCESS) return rc;
  std::unique_ptr<Key> before = hive->root->Clone();
  bool changed = false;
  rc = change(*key, changed);
  if (rc != ERROR_SUCCESS || !changed) return rc;
  if (!Save(s, *hive)) {
    hive->root = std::move(before);
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

}  // namespace

int32_t RegCreateKeyA(int32_t key, const char* subKey, int32_t* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  std::vector<std::string> parts = SplitPath(subKey);
  for (const auto& p : parts)
    if (!ValidName(p)) return ERROR_INVALID_PARAMETER;
  Hive* hive = nullptr;
  Key* k = nullptr;
  int32_t rc = Resolve(s, key, hive, k);
  if (rc != ERROR_SUCCESS) return rc;
  bool exists = true;
  for (const auto& p : parts) {
    k = k->Sub(p);
    if (!k) {
      exists = false;
      break;
    }
  }
  if (!exists) {
    rc = Modify(s, key, [&](Key& base, bool& changed) {
      Key* c = &base;
      for (const auto& p : parts) {
        if (!c->Sub(p)) changed = true;
        c = c->CreateSub(p);
      }
      return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
  }
  std::vector<std::string> path = PathOf(s, key);
  path.insert(path.end(), parts.begin(), parts.end());
  *result = NewHandle(s, HiveOfHandle(s, key), std::move(path));
  return ERROR_SUCCESS;
}

int32_t RegOpenKeyA(int32_t key, const char* subKey, int32_t* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  std::vector<std::string> parts = SplitPath(subKey);
  Hive* hive = nullptr;
  Key* k = nullptr;
  int32_t rc = Resolve(s, key, hive, k);
  if (rc != ERROR_SUCCESS) return rc;
  for (const auto& p : parts) {
    k = k->Sub(p);
    if (!k) return ERROR_FILE_NOT_FOUND;
  }
  std::vector<std::string> path = PathOf(s, key);
  path.insert(path.end(), parts.begin(), parts.end());
  *result = NewHandle(s, HiveOfHandle(s, key), std::move(path));
  return ERROR_SUCCESS;
}

int32_t RegCloseKey(int32_t key) {
  if (HiveIndex(key) >= 0) return ERROR_SUCCESS;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

int32_t RegSetValueExA(int32_t key, const char* name, uint32_t, uint32_t type, const void* data, uint32_t size) {
  if (!data && size) return ERROR_INVALID_PARAMETER;
  std::string n = name ? name : "";
  if (!ValidName(n)) return ERROR_INVALID_PARAMETER;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  std::string bytes(static_cast<const char*>(data ? data : ""), size);
  return Modify(s, key, [&](Key& k, bool& changed) {
    Value* v = k.Val(n);
    if (v && v->type == type && v->data == bytes) return ERROR_SUCCESS;  // nothing to write
    if (v) {
      v->type = type;
      v->data = std::move(bytes);
    } else {
      k.Put(Value{n, type, std::move(bytes)});
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

namespace {
int32_t CopyOut(const Value& v, uint32_t* type, void* data, uint32_t* size) {
  if (type) *type = v.type;
  uint32_t len = static_cast<uint32_t>(v.data.size());
  if (data) {
    if (!size) return ERROR_INVALID_PARAMETER;
    if (*size < len) {
      *size = len;
      return ERROR_MORE_DATA;
    }
    if (len) std::memcpy(data, v.data.data(), len);
  }
  if (size) *size = len;
  return ERROR_SUCCESS;
}
}  // namespace

int32_t RegQueryValueExA(int32_t key, const char* name, uint32_t*, uint32_t* type, void* data, uint32_t* size) {
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  Hive* hive = nullptr;
  Key* k = nullptr;
  int32_t rc = Resolve(s, key, hive, k);
  if (rc != ERROR_SUCCESS) return rc;
  Value* v = k->Val(name ? name : "");
  if (!v) return ERROR_FILE_NOT_FOUND;
  return CopyOut(*v, type, data, size);
}

int32_t RegDeleteValueA(int32_t key, const char* name) {
  std::string n = name ? name : "";
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return Modify(s, key, [&](Key& k, bool& changed) {
    if (!k.Remove(n)) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

int32_t RegDeleteKeyA(int32_t key, const char* subKey) {
  std::vector<std::string> parts = SplitPath(subKey);
  if (parts.empty()) return ERROR_INVALID_PARAMETER;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return Modify(s, key, [&](Key& k, bool& changed) {
    Key* parent = &k;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      parent = parent->Sub(parts[i]);
      if (!parent) return ERROR_FILE_NOT_FOUND;
    }
    auto it = std::lower_bound(parent->subkeys.begin(), parent->subkeys.end(), parts.back(), NameLess);
    if (it != parent->subkeys.end() && SameName((*it)->name, parts.back())) {
      if (!(*it)->subkeys.empty()) return ERROR_ACCESS_DENIED;
      parent->subkeys.erase(it);
      changed = true;
      return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

int32_t RegEnumKeyA(int32_t key, uint32_t index, char* name, uint32_t nameSize) {
  if (!name) return ERROR_INVALID_PARAMETER;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  Hive* hive = nullptr;
  Key* k = nullptr;
  int32_t rc = Resolve(s, key, hive, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& n = k->subkeys[index]->name;
  if (n.size() + 1 > nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, n.c_str(), n.size() + 1);
  return ERROR_SUCCESS;
}

int32_t RegEnumValueA(int32_t key, uint32_t index, char* name, uint32_t* nameSize, uint32_t*, uint32_t* type,
                      void* data, uint32_t* dataSize) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  Hive* hive = nullptr;
  Key* k = nullptr;
  int32_t rc = Resolve(s, key, hive, k);
  if (rc != ERROR_SUCCESS) return rc;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = k->values[index];
  if (v.name.size() + 1 > *nameSize) return ERROR_MORE_DATA;
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  *nameSize = static_cast<uint32_t>(v.name.size());
  return CopyOut(v, type, data, dataSize);
}

std::string RegistryDirectory() {
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return CurrentDir();
}

std::string RegistryHiveFile(int32_t hive) {
  int hi = HiveIndex(hive);
  if (hi < 0) return {};
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return CurrentDir() + "/" + s.hives[hi].fileName;
}

bool RegistryReadText(int32_t hive, const std::string& text, std::string& saved, std::string& error) {
  const int hi = HiveIndex(hive);
  if (hi < 0) {
    error = "no such hive";
    return false;
  }
  Hive h{S().hives[hi].handle, S().hives[hi].rootName, S().hives[hi].fileName, nullptr, false, {}};
  if (!Parse(text, h, error)) return false;
  saved = Serialize(h);
  return true;
}

void RegistryReset() {
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  for (auto& h : s.hives) {
    h.loaded = false;
    h.root.reset();
  }
}

}  // namespace platform
