// The settings store: hives of keys and values kept in files, opened and changed through handles.
#include "platform/Registry.h"
#include "platform/RegistryKeys.h"

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

using namespace regstore;



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

// Runs a look-up on the key a handle names (its hive brought up to date first).
template <class F>
int32_t Read(Store& s, int32_t handle, F&& look) {
  Hive* hive = nullptr;
  Key* key = nullptr;
  int32_t rc = Resolve(s, handle, hive, key);
  return rc != ERROR_SUCCESS ? rc : look(*key);
}

// The key `parts` below a key; null when one of them is missing.
Key* Below(Key* key, const std::vector<std::string>& parts) {
  for (const auto& p : parts) {
    key = key->Sub(p);
    if (!key) return nullptr;
  }
  return key;
}

// A new handle on the key `parts` below the key a handle names.
int32_t HandleBelow(Store& s, int32_t handle, const std::vector<std::string>& parts) {
  std::vector<std::string> path = PathOf(s, handle);
  path.insert(path.end(), parts.begin(), parts.end());
  return NewHandle(s, HiveOfHandle(s, handle), std::move(path));
}

// Copies a name with its closing NUL into a buffer of `size` bytes.
int32_t CopyName(const std::string& n, char* name, uint32_t size) {
  if (n.size() + 1 > size) return ERROR_MORE_DATA;
  std::memcpy(name, n.c_str(), n.size() + 1);
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
  bool exists = false;
  int32_t rc = Read(s, key, [&](Key& k) -> int32_t {
    exists = Below(&k, parts) != nullptr;
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return rc;
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
  *result = HandleBelow(s, key, parts);
  return ERROR_SUCCESS;
}

int32_t RegOpenKeyA(int32_t key, const char* subKey, int32_t* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = 0;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  std::vector<std::string> parts = SplitPath(subKey);
  int32_t rc =
      Read(s, key, [&](Key& k) -> int32_t { return Below(&k, parts) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
  if (rc != ERROR_SUCCESS) return rc;
  *result = HandleBelow(s, key, parts);
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
  return Read(s, key, [&](Key& k) -> int32_t {
    Value* v = k.Val(name ? name : "");
    return v ? CopyOut(*v, type, data, size) : ERROR_FILE_NOT_FOUND;
  });
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
  return Read(s, key, [&](Key& k) -> int32_t {
    if (index >= k.subkeys.size()) return ERROR_NO_MORE_ITEMS;
    return CopyName(k.subkeys[index]->name, name, nameSize);
  });
}

int32_t RegEnumValueA(int32_t key, uint32_t index, char* name, uint32_t* nameSize, uint32_t*, uint32_t* type,
                      void* data, uint32_t* dataSize) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  Store& s = S();
  std::lock_guard<std::mutex> g(s.mutex);
  return Read(s, key, [&](Key& k) -> int32_t {
    if (index >= k.values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k.values[index];
    int32_t rc = CopyName(v.name, name, *nameSize);
    if (rc != ERROR_SUCCESS) return rc;
    *nameSize = static_cast<uint32_t>(v.name.size());
    return CopyOut(v, type, data, dataSize);
  });
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
